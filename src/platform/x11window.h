#pragma once

#include <QMargins>
#include <QObject>
#include <optional>

class QWidget;

// What the X window system needs of our windows beyond what Qt gives it. Elsewhere (Wayland,
// the offscreen platform) each of these does nothing.

// The frame the window manager will put around the window, in device pixels, asked for before
// the window is mapped; none when the window manager cannot tell.
std::optional<QMargins> frameExtentsBeforeMap(QWidget& window);

// Qt fixes the window class once, from the application name when its first window is created;
// a report shown early in the start-up would leave every window with the program file's name.
// This writes the application name as the class of each window of ours as it is shown.
class WindowClassKeeper : public QObject
{
    Q_OBJECT
public:
    WindowClassKeeper();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
