#include "qtatspibridge.h"

#ifdef SPAN_ATSPI
#include <QAccessible>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

void sendAtspiPropertyChange(QAccessibleInterface* accessible, const QString& property,
                             const QVariant& value)
{
    const QDBusConnection bridge(QStringLiteral("a11y"));
    if (!accessible || !bridge.isConnected())
        return;
    QDBusMessage event = QDBusMessage::createSignal(
        QStringLiteral("/org/a11y/atspi/accessible/") +
            QString::number(QAccessible::uniqueId(accessible)),
        QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("PropertyChange"));
    event << property << 0 << 0 << QVariant::fromValue(QDBusVariant(value)) << QVariantMap();
    bridge.send(event);
}
#endif
