#include "form.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

Form::Form(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
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

void Form::centreOnScreen(WindowSystem& windowSystem)
{
    // A Wayland compositor places windows itself.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QMargins frame = windowSystem.frameMarginsBeforeMap(*this);
    const QRect available = screen->availableGeometry();
    const QSize outer = size().grownBy(frame);
    const QPoint frameTopLeft(available.x() + (available.width() - outer.width()) / 2,
                              available.y() + (available.height() - outer.height()) / 2);
    // The client area's place, inside the frame the window manager said it will draw.
    setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), size()));
}

void Form::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over controls without a handler of their own (labels, pickers) reach the window too;
    // only its bare surface counts.
    if (!childAt(event->position().toPoint()))
        Q_EMIT mouseMoved();
    QWidget::mouseMoveEvent(event);
}
