#include "qtwindowsystem.h"

#include "platform/keystate.h"

#include <QWidget>
#include <QWindow>

QMargins QtWindowSystem::frameMarginsBeforeMap(QWidget& window)
{
    // Creating the native window, unshown, makes the system work out the frame its style gives.
    window.winId();
    const QWindow* native = window.windowHandle();
    return native ? native->frameMargins() : QMargins();
}

void QtWindowSystem::setWindowClass(QWidget& /*window*/, const QString& /*className*/) {}

#ifndef SPAN_X11
std::optional<bool> keyIsDown(quint32 /*nativeScanCode*/)
{
    return std::nullopt;
}
#endif
