#pragma once

#include "platform/platform.h"

// The window system as Qt alone knows it, where the system draws or reports the frame itself
// (Windows): the frame is Qt's once the native window exists, and there is no window class.
class QtWindowSystem : public WindowSystem
{
public:
    QMargins frameMarginsBeforeMap(QWidget& window) override;
    void setWindowClass(QWidget& window, const QString& className) override;
};
