#include "windowclasskeeper.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

WindowClassKeeper::WindowClassKeeper(WindowSystem& windowSystem) : m_windowSystem(windowSystem)
{
    qApp->installEventFilter(this);
}

bool WindowClassKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow() && widget->testAttribute(Qt::WA_WState_Created))
        m_windowSystem.setWindowClass(*widget, QCoreApplication::applicationName());
    return false;
}
