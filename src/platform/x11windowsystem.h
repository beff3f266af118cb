#pragma once

#include "platform/keystate.h"
#include "platform/platform.h"

// What the X window system needs of our windows beyond what Qt gives it. Off X11 (Wayland, the
// offscreen platform) the frame is what Qt's widget says and the class is left alone.
class X11WindowSystem : public WindowSystem
{
public:
    // Asks the window manager for the frame it will put around the window, before it is mapped.
    QMargins frameMarginsBeforeMap(QWidget& window) override;
    // Qt fixes WM_CLASS once, from the application name when its first window is created; a
    // report shown early in the start-up would leave every window with the program file's name.
    void setWindowClass(QWidget& window, const QString& className) override;
};
