#include "windowevents.h"

#include "controls/controls.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

WindowEventRecorder::WindowEventRecorder(Journal& journal) : m_journal(journal)
{
    qApp->installEventFilter(this);
}

WindowEventRecorder::~WindowEventRecorder()
{
    qApp->removeEventFilter(this);
}

bool WindowEventRecorder::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWindow() || widget->objectName().isEmpty())
        return false;
    if (event->type() == QEvent::Show) {
        QString entry = QStringLiteral("show ") + widget->objectName();
        if (auto* label = widget->findChild<Label*>(QStringLiteral("lblDateTimeEntered")))
            entry += QStringLiteral(": ") + label->caption();
        m_journal.write(entry);
    } else if (event->type() == QEvent::Hide) {
        m_journal.write(QStringLiteral("hide ") + widget->objectName());
    }
    return false;
}
