#include "desktopurlopener.h"

#include "base/failure.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopUrlOpener::open(const QString& address)
{
    if (!QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode)))
        throw Failure(QStringLiteral("The page %1 could not be opened").arg(address));
}
