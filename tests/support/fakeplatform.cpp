#include "fakeplatform.h"

namespace {
QString describe(const QVariantList& values)
{
    QStringList parts;
    for (const QVariant& value : values)
        parts << (value.typeId() == QMetaType::QString
                      ? QLatin1Char('"') + value.toString() + QLatin1Char('"')
                      : value.toString());
    return parts.join(QStringLiteral(", "));
}
} // namespace

void RecordingSkinEngine::failIfAsked(int dispatchId, const char* what) const
{
    if (m_failingId == dispatchId)
        throw Failure(
            QStringLiteral("Skin engine refused %1 %2").arg(QLatin1String(what)).arg(dispatchId));
}

QVariant RecordingSkinEngine::call(int dispatchId, const QVariantList& arguments)
{
    m_journal.write(QStringLiteral("skin call %1(%2)").arg(dispatchId).arg(describe(arguments)));
    failIfAsked(dispatchId, "call");
    return {};
}

QVariant RecordingSkinEngine::property(int dispatchId) const
{
    m_journal.write(QStringLiteral("skin get %1").arg(dispatchId));
    failIfAsked(dispatchId, "get");
    return dispatchId == 1 ? m_property1 : QVariant();
}

void RecordingSkinEngine::setProperty(int dispatchId, const QVariant& value)
{
    m_journal.write(QStringLiteral("skin set %1 = %2").arg(dispatchId).arg(describe({value})));
    failIfAsked(dispatchId, "set");
}
