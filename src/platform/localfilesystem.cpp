#include "localfilesystem.h"

#include "base/failure.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace {
// Windows' narrow paths go through the ANSI code page, which cannot hold every folder name a
// user may have; its wide paths can. Elsewhere the 8-bit name is the one the system stores.
std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}
} // namespace

QString LocalFileSystem::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

DateTime LocalFileSystem::lastModified(const QString& path) const
{
    const QFileInfo info(path);
    if (path.isEmpty() || path.contains(QChar(0)) || !info.exists())
        throw Failure(QStringLiteral("File not found: %1").arg(path));
    const QDateTime modified = info.lastModified();
    if (!modified.isValid())
        throw Failure(QStringLiteral("Path/File access error: %1").arg(path));
    return DateTime::fromDateAndTime(modified.date(), modified.time());
}

QString LocalFileSystem::listNormalFile(const QString& path) const
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    std::error_code error;
    if (!std::filesystem::is_regular_file(nativePath(path), error))
        return {};
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1Char('.')) ? QString() : name; // hidden files do not count
}
