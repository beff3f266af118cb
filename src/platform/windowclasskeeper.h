#pragma once

#include "platform/platform.h"

#include <QObject>

// Writes the application name as the class of each window of ours as it is shown: the show event
// comes before the window is mapped, which is when the taskbar reads it.
class WindowClassKeeper : public QObject
{
    Q_OBJECT
public:
    explicit WindowClassKeeper(WindowSystem& windowSystem);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowSystem& m_windowSystem;
};
