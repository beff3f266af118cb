#pragma once

class QAccessibleInterface;
class QString;
class QVariant;

// Sends an AT-SPI property change for the object, on the connection Qt's bridge opened to the
// accessibility bus, so that the event comes from the object's own sender. Qt has no public way to
// send one: this reuses the bridge's connection name "a11y" and its object paths
// "/org/a11y/atspi/accessible/<unique id>", neither of them documented (Qt 6.4 to 6.8). Where a
// later Qt names them otherwise, readers hear no such change and the accessibility bus suite
// (tests/atspi) fails naming them. Only in a build with the bridge (SPAN_ATSPI); null sends
// nothing.
void sendAtspiPropertyChange(QAccessibleInterface* accessible, const QString& property,
                             const QVariant& value);
