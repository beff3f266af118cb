#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "counting.h"
#include "expectedtext.h"
#include "fakeplatform.h"
#include "millisecondclock.h"
#include "shell/form1.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <array>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
#endif
#endif

#ifdef SOAK_UNDER_ASAN
// From the sanitizer's run-time library; GCC installs no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(Q_OS_WIN)
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#endif

namespace {
constexpr qint64 secondsPerDay = 86400;
constexpr qint64 msecsPerDay = secondsPerDay * 1000;
// Around each midnight the clock moves in steps of one refresh interval instead of a second.
constexpr qint64 nearMidnight = 2000; // milliseconds either side
constexpr qint64 fineStep = 25;

// One day and its midnight in the test command; the long runs (fuzz/run.sh) ask for a week.
int soakDays()
{
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("SPAN_SOAK_DAYS", &ok);
    return ok && asked > 0 ? asked : 1;
}
const int days = soakDays();
// Memory is first read once the first midnight has passed and every code path has run.
constexpr qint64 warmUpSeconds = secondsPerDay / 2;

// Living heap bytes under the sanitizer, whose quarantine of freed blocks swells the resident set
// on purpose; the resident set elsewhere, as the system sees the process.
qint64 memoryInUse()
{
#ifdef SOAK_UNDER_ASAN
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#elif defined(Q_OS_WIN)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<qint64>(counters.WorkingSetSize);
#else
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
    return -1;
#endif
}

bool nearAMidnight(qint64 msecs)
{
    const qint64 ofDay = msecs - expected::floorDiv(msecs, msecsPerDay) * msecsPerDay;
    return ofDay < nearMidnight || ofDay >= msecsPerDay - nearMidnight;
}

// Every caption a breakdown label can show in this run, made once so the checks build no strings.
struct CaptionTable
{
    std::array<std::vector<QString>, 4> byField;

    CaptionTable()
    {
        const std::array<const char*, 4> names{
            "Day(s): ", "Hour(s): ", "Minute(s): ", "Second(s): "};
        const std::array<int, 4> counts{days + 4, 24, 60, 60};
        for (std::size_t field = 0; field < 4; ++field)
            for (int value = 0; value < counts[field]; ++value)
                byField[field].push_back(QLatin1String(names[field]) + QString::number(value));
    }
};
} // namespace

class SoakTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void daysOfRefreshes_data();
    void daysOfRefreshes();
};

void SoakTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void SoakTest::daysOfRefreshes_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::newRow("elapsed") << true;
    QTest::newRow("remaining") << false;
}

void SoakTest::daysOfRefreshes()
{
    QFETCH(bool, elapsed);
    // 1 March 2026 13:47:21 as seconds from 30 December 1899: 46082 days, then the time of day.
    const qint64 start = 46082 * secondsPerDay + 13 * 3600 + 47 * 60 + 21;
    const qint64 end = start + days * secondsPerDay;
    // Before the start for the elapsed count; for the countdown a little over the run ahead, so
    // it never reaches zero.
    const qint64 moment =
        elapsed ? start - (2 * secondsPerDay + 5 * 3600 + 6 * 60 + 7) : end + 3600 + 2 * 60 + 3;

    FakePlatform fake;
    MillisecondClock clock;
    clock.setSeconds(start);
    Application app(fake.platform({.clock = &clock}));
    app.start();
    CounterWindow* window = &openAndStart(app, elapsed, DateTime::fromSeconds(moment));
    QVERIFY(window->Timer1().isActive());

    const CaptionTable table;
    const Label& currentDate = window->lblCurrentDate();
    const std::array<const Label*, 4> fields{&window->breakdownLabel(0), &window->breakdownLabel(1),
                                             &window->breakdownLabel(2),
                                             &window->breakdownLabel(3)};
    qint64 refreshes = 0;
    qint64 dateAloneShown = 0;
    qint64 memoryAfterWarmUp = -1;
    QElapsedTimer elapsedTime;
    elapsedTime.start();

    for (qint64 msecs = start * 1000; msecs < end * 1000;
         msecs += nearAMidnight(msecs) ? fineStep : 1000) {
        if (msecs == (start + warmUpSeconds) * 1000) {
            // The window stays shown, but after the warm-up its repaints are held off: the
            // program paints nothing of its own, and Qt's painting would more than double the run
            // time.
            window->setUpdatesEnabled(false);
            memoryAfterWarmUp = memoryInUse();
        }
        clock.m_msecs = msecs;
        window->Timer1_Timer();
        ++refreshes;

        const qint64 seconds = expected::floorDiv(msecs, 1000);
        const qint64 span = elapsed ? seconds - moment : moment - seconds;
        const std::array<qint64, 4> values{span / secondsPerDay, span % secondsPerDay / 3600,
                                           span % 3600 / 60, span % 60};
        for (std::size_t field = 0; field < 4; ++field) {
            if (Q_UNLIKELY(fields[field]->caption() != table.byField[field].at(values[field])))
                QFAIL(qPrintable(
                    QStringLiteral("at %1 ms the label shows \"%2\", not \"%3\"")
                        .arg(msecs)
                        .arg(fields[field]->caption(), table.byField[field].at(values[field]))));
        }
        const expected::Text clockText = expected::currentDateCaption(seconds);
        if (Q_UNLIKELY(currentDate.caption() != clockText.view()))
            QFAIL(qPrintable(QStringLiteral("at %1 ms the clock shows \"%2\", not \"%3\"")
                                 .arg(msecs)
                                 .arg(currentDate.caption(), clockText.view())));
        // A caption without the AM or PM of a time of day shows the date alone.
        if (!currentDate.caption().endsWith(QLatin1Char('M')))
            ++dateAloneShown;
    }
    const qint64 memoryAtEnd = memoryInUse();
    const qint64 runTime = elapsedTime.elapsed();

    // A refresh every second, and around each of the midnights 160 refreshes in place of 4.
    QCOMPARE(refreshes, days * secondsPerDay + days * (160 - 4));
    // The 40 readings of each midnight, and only those, show the date alone.
    QCOMPARE(dateAloneShown, days * 40LL);
    QVERIFY(fake.messageBox.m_reports.empty());
    QVERIFY(window->Timer1().isActive());
    QVERIFY(window->isVisible());

    QVERIFY(memoryAfterWarmUp > 0);
    QVERIFY(memoryAtEnd > 0);
    const qint64 growth = memoryAtEnd - memoryAfterWarmUp;
    qInfo("%d day(s), %lld refreshes in %lld ms; memory after the warm-up %lld kB, at the end "
          "%lld kB",
          days, refreshes, runTime, memoryAfterWarmUp / 1024, memoryAtEnd / 1024);
    QVERIFY2(growth < 2 * 1024 * 1024,
             qPrintable(QStringLiteral("memory grew by %1 kB").arg(growth / 1024)));
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
