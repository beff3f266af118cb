#include "realplatform.h"

#include "base/failure.h"
#include "platform/qtmessageboxlabel.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>
#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <system_error>

DateTime SystemClock::now() const
{
    const qint64 utcSecond = QDateTime::currentSecsSinceEpoch();
    if (utcSecond != m_convertedUtcSecond) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(utcSecond);
        m_convertedLocal = DateTime::fromDateAndTime(local.date(), local.time());
        m_convertedUtcSecond = utcSecond;
    }
    return m_convertedLocal;
}

double SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

namespace {
// A reader copies an e-mail address from the box by hand, so the line that holds one must not
// wrap: the line breaker would split the address at a hyphen. The text itself stays as it is.
void keepAddressLinesWhole(QMessageBox& box, const QString& text)
{
    QLabel* label = messageBoxTextLabel(box);
    if (!label)
        return;
    const QFontMetricsF metrics(label->font());
    qreal widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.contains(QLatin1Char('@')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
    label->setMinimumWidth(static_cast<int>(std::ceil(widest)));
}
} // namespace

void WarningMessageBox::showWarning(const QString& title, const QString& text)
{
    // A lone carriage return breaks the line where the report was composed for; Qt needs \n.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Warning, title, shown, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    keepAddressLinesWhole(box, shown);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void DesktopUrlOpener::open(const QString& address)
{
    if (!QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode)))
        throw Failure(QStringLiteral("The web page %1 could not be opened").arg(address));
}

void StandardRandom::seed(double seed)
{
    m_engine.seed(static_cast<std::mt19937::result_type>(
        std::bit_cast<std::uint64_t>(seed) ^ (std::bit_cast<std::uint64_t>(seed) >> 32)));
}

double StandardRandom::next()
{
    // 53 random bits over 2^53: never 1.0, which generate_canonical can return.
    const auto high = static_cast<std::uint64_t>(m_engine() >> 5);
    const auto low = static_cast<std::uint64_t>(m_engine() >> 6);
    return static_cast<double>((high << 26) | low) / 9007199254740992.0;
}

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
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    if (!std::filesystem::is_regular_file(native, error))
        return {};
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1Char('.')) ? QString() : name; // hidden files do not count
}

std::int32_t WindowHandleTable::handleOf(QWidget& window)
{
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it)
        if (it.value() == &window)
            return it.key();
    m_windows.insert(++m_lastHandle, &window);
    return m_lastHandle;
}

QWidget* WindowHandleTable::windowOf(std::int32_t handle) const
{
    return m_windows.value(handle);
}

void EventLoopEnd::endProgram()
{
    QCoreApplication::exit(0);
}

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
