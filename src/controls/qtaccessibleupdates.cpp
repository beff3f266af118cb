#include "qtaccessibleupdates.h"

#include <QAccessible>

namespace {
bool (*heldBack)(const QAccessibleEvent& event) = nullptr;

void updateUnlessHeldBack(QAccessibleEvent* event)
{
    if (heldBack(*event))
        return;
    // Without a handler, Qt hands the event to the platform's bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&updateUnlessHeldBack);
}
} // namespace

void holdBackAccessibleUpdates(bool (*holdBack)(const QAccessibleEvent& event))
{
    heldBack = holdBack;
    QAccessible::installUpdateHandler(&updateUnlessHeldBack);
}
