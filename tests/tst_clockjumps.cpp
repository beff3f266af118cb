#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "counting.h"
#include "expectedtext.h"
#include "fakeplatform.h"
#include "shell/form1.h"

#include <QTest>
#include <array>

namespace {
constexpr qint64 hour = 3600;
constexpr qint64 day = 86400;
// The labels keep whatever they showed before the tick.
constexpr qint64 unchanged = -1;

// One tick after setting the wall clock to start + offset, and the span the window should show.
struct Step
{
    qint64 clockOffset;
    qint64 shownSpan;
};
using Steps = QList<Step>;

const std::array<QString, 4> idleCaptions{QStringLiteral("Day(s):"), QStringLiteral("Hour(s):"),
                                          QStringLiteral("Minute(s):"),
                                          QStringLiteral("Second(s):")};
} // namespace

class ClockJumpsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void displayFollowsTheWallClock_data();
    void displayFollowsTheWallClock();
};

void ClockJumpsTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void ClockJumpsTest::displayFollowsTheWallClock_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::addColumn<qint64>("momentOffset");
    QTest::addColumn<Steps>("steps");

    QTest::newRow("elapsed: back an hour, forward a day") << true << -2 * hour
                                                          << Steps{{0, 2 * hour},
                                                                   {1, 2 * hour + 1},
                                                                   {1 - hour, hour + 1},
                                                                   {2 - hour, hour + 2},
                                                                   {2 - hour + day, day + hour + 2},
                                                                   {3 - hour + day, day + hour + 3},
                                                                   {3 - 2 * hour + day, day + 3}};
    // Before the Moment the elapsed count has nothing to show and holds its last text; past it
    // again, it shows the new distance at once.
    QTest::newRow("elapsed: back before the Moment and forward again")
        << true << qint64(-30 * 60)
        << Steps{{0, 30 * 60},
                 {-hour, unchanged},
                 {-hour + 1, unchanged},
                 {-hour + day, day - hour + 30 * 60},
                 {-hour + day + 1, day - hour + 30 * 60 + 1}};
    QTest::newRow("remaining: back an hour, forward a day")
        << false << 3 * day + 5 * hour + 7
        << Steps{{0, 3 * day + 5 * hour + 7},
                 {1, 3 * day + 5 * hour + 6},
                 {1 - hour, 3 * day + 6 * hour + 6},
                 {2 - hour, 3 * day + 6 * hour + 5},
                 {2 - hour + day, 2 * day + 6 * hour + 5},
                 {3 - hour + day, 2 * day + 6 * hour + 4},
                 {3 - 2 * hour + day, 2 * day + 7 * hour + 4}};
    // Past the Moment the countdown shows zero once and then holds it; back before the Moment it
    // counts down again from the new distance.
    QTest::newRow("remaining: forward past the Moment and back before it")
        << false << 5 * hour
        << Steps{{0, 5 * hour},
                 {-hour, 6 * hour},
                 {-hour + day, 0},
                 {-hour + day + 1, unchanged},
                 {-2 * hour + day, unchanged},
                 {-hour, 6 * hour},
                 {-hour + 1, 6 * hour - 1},
                 {-2 * hour + 1, 7 * hour - 1},
                 {-2 * hour + 1 + day, 0},
                 {-2 * hour + 2 + day, unchanged}};
    QTest::newRow("remaining: forward onto the Moment itself, then past it")
        << false << 5 * hour
        << Steps{{0, 5 * hour}, {5 * hour, 0}, {5 * hour + 1, unchanged}, {day, unchanged}};
    QTest::newRow("remaining: runs out and holds at zero")
        << false << qint64(2) << Steps{{0, 2}, {1, 1}, {2, 0}, {3, unchanged}, {4, unchanged}};
    // Started past the Moment, a countdown has nothing to end: the captions stay as they were.
    QTest::newRow("remaining: started past the Moment")
        << false << -hour << Steps{{0, unchanged}, {1, unchanged}, {2, unchanged}};
    // The clock starts at 16:35:09; at midnight it shows the date alone.
    QTest::newRow("elapsed: across midnight")
        << true << qint64(0) << Steps{{1, 1}, {7 * hour + 24 * 60 + 51, 7 * hour + 24 * 60 + 51}};
    // The elapsed count starts a second after the Moment, the countdown shows its last second.
    for (const bool elapsed : {true, false}) {
        const char* side = elapsed ? "elapsed" : "remaining";
        const qint64 away = elapsed ? -1 : 1;
        QTest::addRow("%s: Moment now", side)
            << elapsed << qint64(0) << Steps{{0, elapsed ? unchanged : 0}};
        QTest::addRow("%s: Moment a second behind", side)
            << elapsed << qint64(-1) << Steps{{0, elapsed ? 1 : unchanged}};
        QTest::addRow("%s: Moment a second ahead", side)
            << elapsed << qint64(1) << Steps{{0, elapsed ? unchanged : 1}};
        for (const qint64 span : {day, day + hour + 61, qint64(1234) * day, qint64(2147483647)})
            QTest::addRow("%s: %lld s", side, span) << elapsed << away * span << Steps{{0, span}};
    }
}

void ClockJumpsTest::displayFollowsTheWallClock()
{
    QFETCH(bool, elapsed);
    QFETCH(qint64, momentOffset);
    QFETCH(Steps, steps);

    FakePlatform fake;
    const qint64 start = fake.clock.m_now.seconds();
    const qint64 moment = start + momentOffset;
    Application app(fake.platform());
    app.start();
    CounterWindow* window = &openAndStart(app, elapsed, DateTime::fromSeconds(moment));

    std::array<QString, 4> shown = idleCaptions;
    for (const Step& step : steps) {
        const qint64 now = start + step.clockOffset;
        fake.clock.m_now = DateTime::fromSeconds(now);
        window->Timer1_Timer();
        if (step.shownSpan != unchanged)
            shown = expected::breakdownCaptions(step.shownSpan);
        for (int field = 0; field < 4; ++field)
            QCOMPARE(window->breakdownLabel(field).caption(), shown.at(field));
        QCOMPARE(window->lblCurrentDate().caption(),
                 expected::currentDateCaption(now).view().toString());
    }
    QVERIFY(window->Timer1().isActive());
    QCOMPARE(window->startStopButton().caption(), QStringLiteral("Stop"));
    QVERIFY(fake.messageBox.m_reports.empty());
}

QTEST_MAIN(ClockJumpsTest)
#include "tst_clockjumps.moc"
