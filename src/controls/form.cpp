#include "form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>

namespace {
// Whether the user's last action was a key rather than a press of the mouse or a touch: Qt keeps
// no such record, and marks a window's focus only when Tab itself moves it there.
class LastInput : public QObject
{
public:
    static bool wasKey() { return watcher().m_key; }
    static void watch() { watcher(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            m_key = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            m_key = false;
            break;
        default:
            break;
        }
        return false;
    }

private:
    static LastInput& watcher()
    {
        static LastInput* const instance = [] {
            auto* created = new LastInput;
            created->setParent(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(created);
            return created;
        }();
        return *instance;
    }

    bool m_key = false;
};
} // namespace

Form::Form(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    LastInput::watch();
    // From Qt 6.11 on, the focus that a window's activation gives back clears the window's mark
    // of a keyboard focus change: the mark is made again once the focus has landed.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!m_focusArrivalPending || !now || now->window() != this)
            return;
        m_focusArrivalPending = false;
        if (LastInput::wasKey() && !testAttribute(Qt::WA_KeyboardFocusChange)) {
            setAttribute(Qt::WA_KeyboardFocusChange);
            now->update();
        }
    });
}

Form::~Form()
{
    // QWidget's destructor gives the focus away, after this part of the window has gone.
    disconnect(m_focusWatch);
}

void Form::setMousePointer(int mode)
{
    m_mousePointer = mode;
    applyPointer();
}

void Form::setMouseIcon(const QCursor& cursor)
{
    m_mouseIcon = cursor;
    applyPointer();
}

void Form::applyPointer()
{
    switch (m_mousePointer) {
    case HourglassPointer:
        setCursor(Qt::WaitCursor);
        break;
    case CustomPointer:
        // Without an image of its own the custom pointer is the ordinary arrow.
        setCursor(m_mouseIcon.value_or(QCursor(Qt::ArrowCursor)));
        break;
    default:
        unsetCursor();
        // Qt keeps a window's own-pointer mark after unsetting; the default has none.
        setAttribute(Qt::WA_SetCursor, false);
        break;
    }
}

void Form::centreOnScreen(WindowSystem& windowSystem, QScreen* target)
{
    // A Wayland compositor places windows itself.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    // Monitors side by side share one desktop: the window goes there by its place alone.
    const QScreen* screen = target ? target : this->screen();
    if (!screen)
        return;
    const QMargins frame = windowSystem.frameMarginsBeforeMap(*this);
    const QRect available = screen->availableGeometry();
    const QSize outer = size().grownBy(frame);
    // Centred; a window larger than the screen keeps its title bar and close button on it.
    const auto centred = [](int start, int room, int length) {
        return start + std::max(0, (room - length) / 2);
    };
    const QPoint frameTopLeft(centred(available.x(), available.width(), outer.width()),
                              centred(available.y(), available.height(), outer.height()));
    // The client area's place, inside the frame the window manager said it will draw.
    setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), size()));
}

void Form::showInFront()
{
    show();
    raise();
    activateWindow();
    setAttribute(Qt::WA_KeyboardFocusChange, LastInput::wasKey());
    m_focusArrivalPending = true;
    update();
}

void Form::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over controls without a handler of their own (labels, pickers) reach the window too;
    // only its bare surface counts.
    if (!childAt(event->position().toPoint()))
        Q_EMIT mouseMoved();
    QWidget::mouseMoveEvent(event);
}
