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

// Whether the key of this scan code is held down now, as the X server has it; none elsewhere.
// X sends a held key's repeats as releases and presses, and Qt marks them as repeats only when it
// finds both queued together: the server's own state tells a release that is real.
std::optional<bool> keyIsDown(quint32 nativeScanCode);

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
