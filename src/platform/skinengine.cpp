#include "skinengine.h"

#include "base/failure.h"

#include <QFile>
#include <QWidget>

namespace {
[[noreturn]] void memberNotFound()
{
    throw Failure(QStringLiteral("Member not found"));
}

void requireArguments(const QVariantList& arguments, qsizetype count)
{
    if (arguments.size() != count)
        throw Failure(QStringLiteral("Invalid number of parameters"));
}
} // namespace

QVariant StyleSheetSkinEngine::call(int dispatchId, const QVariantList& arguments)
{
    switch (dispatchId) {
    case loadSkin:
        requireArguments(arguments, 2);
        load(arguments.at(0).toString());
        return true;
    case applyWindow:
        requireArguments(arguments, 1);
        apply(arguments.at(0).value<std::int32_t>());
        return true;
    default:
        memberNotFound();
    }
}

QVariant StyleSheetSkinEngine::property(int dispatchId) const
{
    switch (dispatchId) {
    case options:
        return m_options;
    case applyOptions:
        return m_applyOptions;
    case applyMetrics:
        return m_applyMetrics;
    default:
        memberNotFound();
    }
}

void StyleSheetSkinEngine::setProperty(int dispatchId, const QVariant& value)
{
    switch (dispatchId) {
    case options:
        m_options = value.value<std::int32_t>();
        break;
    case applyOptions:
        m_applyOptions = value.toBool();
        break;
    case applyMetrics:
        m_applyMetrics = value.toBool();
        break;
    default:
        memberNotFound();
    }
}

void StyleSheetSkinEngine::load(const QString& path)
{
    QFile file(path);
    // Refuse by size before reading, so a huge file costs nothing.
    if (file.size() > largestSkinFile)
        throw Failure(QStringLiteral("The skin file %1 is larger than 1 MB").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("The skin file %1 cannot be read: %2").arg(path, file.errorString()));
    const QByteArray content = file.read(largestSkinFile + 1);
    if (content.size() > largestSkinFile)
        throw Failure(QStringLiteral("The skin file %1 is larger than 1 MB").arg(path));
    m_styleSheet = QString::fromUtf8(content);
}

void StyleSheetSkinEngine::apply(std::int32_t handle)
{
    QWidget* window = m_windows.windowOf(handle);
    if (!window)
        throw Failure(QStringLiteral("Invalid window handle"));
    window->setStyleSheet(m_styleSheet);
}
