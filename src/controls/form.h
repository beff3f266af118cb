#pragma once

#include "platform/platform.h"

#include <QCursor>
#include <QWidget>
#include <optional>

// The pointer modes a window can be in.
enum MousePointer { DefaultPointer = 0, HourglassPointer = 11, CustomPointer = 99 };

// A top-level window of the program: fixed size, its own pointer mode and custom pointer image,
// and the mouse-move events of its own surface.
class Form : public QWidget
{
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int mode);
    bool hasMouseIcon() const { return m_mouseIcon.has_value(); }
    void setMouseIcon(const QCursor& cursor);

    // Centres the window, frame included, on the work area of the given screen, or of the screen
    // that holds it; called before the window is shown, so that it appears in its place.
    void centreOnScreen(WindowSystem& windowSystem, QScreen* target = nullptr);
    // Shows the window in front, active. When the user's last action was a key, its focus shows
    // as after Tab: a keyboard user must see where the keys now go; after the mouse it stays
    // unmarked, as ever.
    void showInFront();

Q_SIGNALS:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void applyPointer();

    int m_mousePointer = DefaultPointer;
    std::optional<QCursor> m_mouseIcon;
    // Set by showInFront until the focus first lands in the window again.
    bool m_focusArrivalPending = false;
    QMetaObject::Connection m_focusWatch;
};
