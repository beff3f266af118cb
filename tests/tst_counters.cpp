#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "counters/intervalbreakdown.h"
#include "counting.h"
#include "expectedtext.h"
#include "fakeplatform.h"
#include "shell/errortrap.h"
#include "shell/form1.h"

#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <memory>

namespace {
const QStringList captions{QStringLiteral("Day(s):"), QStringLiteral("Hour(s):"),
                           QStringLiteral("Minute(s):"), QStringLiteral("Second(s):")};

QStringList counted(int days, int hours, int minutes, int seconds)
{
    return {QStringLiteral("Day(s): %1").arg(days), QStringLiteral("Hour(s): %1").arg(hours),
            QStringLiteral("Minute(s): %1").arg(minutes),
            QStringLiteral("Second(s): %1").arg(seconds)};
}
} // namespace

class CountersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadGivesIdleWindowWithSystemColours_data();
    void loadGivesIdleWindowWithSystemColours();
    void failingTickIsReportedOnceAndStops_data();
    void failingTickIsReportedOnceAndStops();
    void daylightSavingChangeIsNotCorrected();
    void pickerChangedWhileCountingShowsOnTheNextTick_data();
    void pickerChangedWhileCountingShowsOnTheNextTick();
    void countdownRestartedPastTheMomentLeavesItsCaptions();
    void stopWaitStartShowsTheWholeDistance_data();
    void stopWaitStartShowsTheWholeDistance();
    void stopDuringTheYieldIsNotUndone_data();
    void stopDuringTheYieldIsNotUndone();
    void backDuringTheYieldLeavesTheWindowAlone_data();
    void backDuringTheYieldLeavesTheWindowAlone();
    void tickNeverStartsInsideAnother_data();
    void tickNeverStartsInsideAnother();
    void reopenedWindowRunsItsLoadAndStartsIdle();
    void closeBoxEndsTheProgram_data();
    void closeBoxEndsTheProgram();
    void startStopDecidesByTheCaptionAlone_data();
    void startStopDecidesByTheCaptionAlone();

private:
    CounterWindow& open(bool elapsed, DateTime moment);
    void start(CounterWindow& window);
    QStringList breakdown(const CounterWindow& window) const;
    void setMoment(DateTime moment);

    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Application> m_application;
};

void CountersTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // A zone with daylight saving, so that wall-clock arithmetic is put to the test.
    qputenv("TZ", "America/New_York");
}

void CountersTest::init()
{
    m_fake = std::make_unique<FakePlatform>();
    m_application = std::make_unique<Application>(m_fake->platform());
    m_application->start();
}

void CountersTest::cleanup()
{
    m_application.reset();
    m_fake.reset();
}

void CountersTest::setMoment(DateTime moment)
{
    m_application->form1().dtpDate().setValue(moment.datePart());
    m_application->form1().dtpTime().setValue(moment.timePart());
}

CounterWindow& CountersTest::open(bool elapsed, DateTime moment)
{
    return openCounter(*m_application, elapsed, moment);
}

void CountersTest::start(CounterWindow& window)
{
    window.startStopButton().click();
    QVERIFY(window.Timer1().isActive());
}

QStringList CountersTest::breakdown(const CounterWindow& window) const
{
    QStringList texts;
    for (int i = 0; i < 4; ++i)
        texts << window.breakdownLabel(i).caption();
    return texts;
}

void CountersTest::loadGivesIdleWindowWithSystemColours_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::newRow("elapsed") << true;
    QTest::newRow("remaining") << false;
}

void CountersTest::loadGivesIdleWindowWithSystemColours()
{
    QFETCH(bool, elapsed);
    CounterWindow& window = open(elapsed, m_fake->clock.m_now);
    QVERIFY(!window.Timer1().isActive());
    QCOMPARE(window.Timer1().interval(), 25);
    QCOMPARE(window.startStopButton().caption(), QStringLiteral("Start"));
    QCOMPARE(window.backButton().caption(), QStringLiteral("< Back"));
    QCOMPARE(breakdown(window), captions);
    QCOMPARE(window.lblCurrentDate().caption(), QStringLiteral("Current Date/Time:"));
    QCOMPARE(window.backgroundRole(), QPalette::Button);
    QCOMPARE(window.lblCurrentDate().backgroundRole(), QPalette::Button);
    QCOMPARE(window.breakdownLabel(0).parentWidget()->backgroundRole(), QPalette::Button);
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(m_fake->messageBox.m_reports.empty());
    QVERIFY(!window.hasMouseIcon());
}

void CountersTest::failingTickIsReportedOnceAndStops_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::addColumn<qint64>("span");    // from the clock to the Moment, on the window's side
    QTest::addColumn<int>("failing");    // the statement made to fail, or 0 for none
    QTest::addColumn<QString>("report"); // its first line
    for (const bool elapsed : {true, false}) {
        const char* side = elapsed ? "elapsed" : "remaining";
        QTest::addRow("%s, span beyond the limit", side)
            << elapsed << 2147483648LL << 0 << QStringLiteral("Overflow");
        QTest::addRow("%s, clock line fails", side)
            << elapsed << 60LL << 102 << QStringLiteral("The clock could not be read");
        QTest::addRow("%s, figures line fails as an unreadable Moment would", side)
            << elapsed << 60LL << 104 << QStringLiteral("Type mismatch");
    }
}

void CountersTest::failingTickIsReportedOnceAndStops()
{
    QFETCH(bool, elapsed);
    QFETCH(qint64, span);
    QFETCH(int, failing);
    QFETCH(QString, report);
    const QString form = QLatin1String(elapsed ? "Form2" : "Form3");
    const QString tick = QStringLiteral("in Tallyglass_Hourwick2021/08/31.%1.Timer1 ").arg(form);
    const qint64 now = m_fake->clock.m_now.seconds();
    CounterWindow& window = open(elapsed, DateTime::fromSeconds(elapsed ? now - span : now + span));
    start(window);
    ErrorTrap::setStatementProbe([&](const QString& location, int line) {
        if (location == tick && line == failing)
            throw Failure(report);
    });
    // While the report is open the window is already idle, its timer stopped.
    bool idleWhileReported = false;
    m_fake->messageBox.m_onShow = [&] { idleWhileReported = !window.Timer1().isActive(); };
    const auto restore = qScopeGuard([this] {
        ErrorTrap::setStatementProbe({});
        m_fake->messageBox.m_onShow = nullptr;
    });
    window.Timer1_Timer();
    window.Timer1_Timer();

    QCOMPARE(m_fake->messageBox.m_reports.size(), 1u);
    QCOMPARE(m_fake->messageBox.m_reports.front().text.section(QStringLiteral("\r\r"), 0, 0),
             QStringLiteral("%1\r\n%2at line %3").arg(report, tick).arg(failing ? failing : 104));
    QVERIFY(idleWhileReported);
    QCOMPARE(window.startStopButton().caption(), QStringLiteral("Start"));
    QCOMPARE(breakdown(window), captions);
    QCOMPARE(window.lblCurrentDate().caption(), QStringLiteral("Current Date/Time:"));
    // Start counts again, from the same state as a first Start.
    ErrorTrap::setStatementProbe({});
    if (failing) {
        start(window);
        window.Timer1_Timer();
        QCOMPARE(breakdown(window), counted(0, 0, 1, 0));
    }
}

void CountersTest::daylightSavingChangeIsNotCorrected()
{
    // Clocks in New York jump from 02:00 to 03:00 on 8 March 2026: the wall clocks are two hours
    // apart though only one hour passes.
    CounterWindow& window =
        open(true, DateTime::fromDateAndTime(QDate(2026, 3, 8), QTime(1, 30, 0)));
    m_fake->clock.m_now = DateTime::fromDateAndTime(QDate(2026, 3, 8), QTime(3, 30, 0));
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 2, 0, 0));
    // A Moment inside the gap itself still counts.
    m_application->form1().dtpTime().setValue(DateTime::fromTime(QTime(2, 30, 0)));
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 1, 0, 0));
}

void CountersTest::pickerChangedWhileCountingShowsOnTheNextTick_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::addColumn<int>("dateDays");
    QTest::addColumn<int>("timeSeconds");
    QTest::addColumn<QStringList>("labels");
    // Counting from 10 s away; the change lands within one second of the clock, between two ticks.
    for (bool elapsed : {true, false}) {
        const char* side = elapsed ? "elapsed" : "remaining";
        const int away = elapsed ? -1 : 1;
        QTest::addRow("%s, date a day further", side)
            << elapsed << away << 0 << counted(1, 0, 0, 10);
        QTest::addRow("%s, time 50 s further", side)
            << elapsed << 0 << 50 * away << counted(0, 0, 1, 0);
        QTest::addRow("%s, both", side) << elapsed << away << 3600 * away << counted(1, 1, 0, 10);
        QTest::addRow("%s, time to a second from the clock", side)
            << elapsed << 0 << -9 * away << counted(0, 0, 0, 1);
    }
}

void CountersTest::pickerChangedWhileCountingShowsOnTheNextTick()
{
    QFETCH(bool, elapsed);
    QFETCH(int, dateDays);
    QFETCH(int, timeSeconds);
    QFETCH(QStringList, labels);
    const qint64 now = m_fake->clock.m_now.seconds();
    const DateTime moment = DateTime::fromSeconds(elapsed ? now - 10 : now + 10);
    CounterWindow& window = open(elapsed, moment);
    start(window);
    window.Timer1_Timer();
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 0, 0, 10));

    Form1& form1 = m_application->form1();
    form1.dtpDate().setValue(DateTime::fromSeconds(moment.datePart().seconds() + dateDays * 86400));
    form1.dtpTime().setValue(DateTime::fromSeconds(moment.timePart().seconds() + timeSeconds));
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), labels);
    QVERIFY(m_fake->messageBox.m_reports.empty());
}

void CountersTest::countdownRestartedPastTheMomentLeavesItsCaptions()
{
    const qint64 now = m_fake->clock.m_now.seconds();
    CounterWindow& window = open(false, DateTime::fromSeconds(now + 30));
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 0, 0, 30));
    window.startStopButton().click();
    // Started again once the Moment has passed: this run has counted nothing, so nothing ends.
    m_fake->clock.m_now = DateTime::fromSeconds(now + 60);
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), captions);
}

void CountersTest::stopWaitStartShowsTheWholeDistance_data()
{
    QTest::addColumn<int>("wait");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("100 s") << 100 << counted(0, 0, 1, 50);
    // Started again within the same second: the labels Stop reset still get the count.
    QTest::newRow("none") << 0 << counted(0, 0, 0, 10);
}

void CountersTest::stopWaitStartShowsTheWholeDistance()
{
    QFETCH(int, wait);
    QFETCH(QStringList, labels);
    CounterWindow& window = open(true, DateTime::fromSeconds(m_fake->clock.m_now.seconds() - 10));
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 0, 0, 10));
    window.startStopButton().click();
    QCOMPARE(breakdown(window), captions);
    QCOMPARE(window.lblCurrentDate().caption(), QStringLiteral("Current Date/Time:"));
    m_fake->clock.m_now = DateTime::fromSeconds(m_fake->clock.m_now.seconds() + wait);
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), labels);
    QVERIFY(window.lblCurrentDate().caption().startsWith(
        QStringLiteral("Current Date/Time: 12/6/2026 4:")));
}

void CountersTest::stopDuringTheYieldIsNotUndone_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::newRow("elapsed") << true;
    QTest::newRow("remaining") << false;
}

void CountersTest::stopDuringTheYieldIsNotUndone()
{
    QFETCH(bool, elapsed);
    const qint64 now = m_fake->clock.m_now.seconds();
    CounterWindow& window = open(elapsed, DateTime::fromSeconds(elapsed ? now - 60 : now + 60));
    start(window);
    window.Timer1_Timer();
    QCOMPARE(breakdown(window), counted(0, 0, 1, 0));
    // The click waits in the queue; the tick's yield runs it.
    QMetaObject::invokeMethod(&window.startStopButton(), &QAbstractButton::click,
                              Qt::QueuedConnection);
    window.Timer1_Timer();
    QVERIFY(!window.Timer1().isActive());
    QCOMPARE(breakdown(window), captions);
    QCOMPARE(window.lblCurrentDate().caption(), QStringLiteral("Current Date/Time:"));
    QVERIFY(m_fake->messageBox.m_reports.empty());
}

void CountersTest::backDuringTheYieldLeavesTheWindowAlone_data()
{
    QTest::addColumn<bool>("deletedInTheYield");
    QTest::newRow("deleted after the tick") << false;
    // The event loop may come round to the deferred delete before the yield is over.
    QTest::newRow("deleted in the yield") << true;
}

void CountersTest::backDuringTheYieldLeavesTheWindowAlone()
{
    QFETCH(bool, deletedInTheYield);
    CounterWindow& window = open(true, m_fake->clock.m_now);
    QPointer<CounterWindow> guard(&window);
    start(window);
    QMetaObject::invokeMethod(&window.backButton(), &QAbstractButton::click, Qt::QueuedConnection);
    if (deletedInTheYield)
        QMetaObject::invokeMethod(
            m_application.get(),
            [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); },
            Qt::QueuedConnection);
    window.Timer1_Timer();
    // Nothing of the window is touched from here on: it may be gone already.
    if (deletedInTheYield)
        QVERIFY(guard.isNull());
    QVERIFY(m_application->form1().isVisible());
    QCOMPARE(m_application->loadedForm2(), nullptr);
    QVERIFY(!m_application->hasEnded());
    QTRY_VERIFY(guard.isNull());
    QVERIFY(m_fake->messageBox.m_reports.empty());
}

void CountersTest::tickNeverStartsInsideAnother_data()
{
    QTest::addColumn<bool>("whileReporting");
    QTest::newRow("the next tick falls due in the yield") << false;
    QTest::newRow("the next tick falls due while the report is open") << true;
}

void CountersTest::tickNeverStartsInsideAnother()
{
    QFETCH(bool, whileReporting);
    CounterWindow& window = open(true, m_fake->clock.m_now);
    start(window);
    // The clock line of every tick fails, so each tick that runs shows a report of its own.
    const QString tick = QStringLiteral("in Tallyglass_Hourwick2021/08/31.Form2.Timer1 ");
    ErrorTrap::setStatementProbe([&](const QString& location, int line) {
        if (location == tick && line == 102)
            throw Failure(QStringLiteral("The clock could not be read"));
    });
    // Both the yield and an open report run events, the timer's next tick among them.
    int nested = 0;
    const auto nextTick = [&] {
        if (nested++ == 0)
            window.Timer1_Timer();
    };
    const auto restore = qScopeGuard([this] {
        ErrorTrap::setStatementProbe({});
        m_fake->messageBox.m_onShow = nullptr;
    });
    if (whileReporting)
        m_fake->messageBox.m_onShow = nextTick;
    else
        QTimer::singleShot(0, &window, nextTick);

    window.Timer1_Timer();
    QCOMPARE(nested, 1);
    // One report: the tick due inside it never reached the clock line.
    QCOMPARE(m_fake->messageBox.m_reports.size(), std::size_t(1));
}

void CountersTest::reopenedWindowRunsItsLoadAndStartsIdle()
{
    CounterWindow& first = open(false, DateTime::fromSeconds(m_fake->clock.m_now.seconds() + 30));
    start(first);
    first.Timer1_Timer();
    first.backButton().click();
    m_fake->journal.clear();
    CounterWindow& second = open(false, m_fake->clock.m_now);
    QCOMPARE(m_fake->journal.entries(),
             QStringList{QStringLiteral("lastModified /opt/span/HAND-M.CUR")});
    QVERIFY(!second.Timer1().isActive());
    QCOMPARE(second.startStopButton().caption(), QStringLiteral("Start"));
    QCOMPARE(breakdown(second), captions);
}

void CountersTest::closeBoxEndsTheProgram_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::newRow("elapsed") << true;
    QTest::newRow("remaining") << false;
}

void CountersTest::closeBoxEndsTheProgram()
{
    QFETCH(bool, elapsed);
    CounterWindow& window = open(elapsed, m_fake->clock.m_now);
    start(window);
    window.close();
    QCOMPARE(m_fake->end.m_endings, 1);
    QVERIFY(m_application->hasEnded());
    QVERIFY(!window.isVisible());
    QVERIFY(!window.Timer1().isActive());
    QVERIFY(!m_application->form1().isVisible());
    QVERIFY(m_fake->messageBox.m_reports.empty());
}

void CountersTest::startStopDecidesByTheCaptionAlone_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("starts");
    QTest::newRow("Start") << QStringLiteral("Start") << true;
    QTest::newRow("Stop") << QStringLiteral("Stop") << false;
    QTest::newRow("stop in lower case") << QStringLiteral("stop") << true;
    QTest::newRow("Stop with a blank") << QStringLiteral("Stop ") << true;
}

void CountersTest::startStopDecidesByTheCaptionAlone()
{
    QFETCH(QString, caption);
    QFETCH(bool, starts);
    CounterWindow& window = open(true, m_fake->clock.m_now);
    m_application->globals().SavedStartCaption = QStringLiteral("Start");
    window.startStopButton().setCaption(caption);
    window.startStopButton().click();
    QCOMPARE(window.Timer1().isActive(), starts);
    QCOMPARE(window.startStopButton().caption(),
             starts ? QStringLiteral("Stop") : QStringLiteral("Start"));
    if (starts)
        QCOMPARE(m_application->globals().SavedStartCaption, caption);
}

QTEST_MAIN(CountersTest)
#include "tst_counters.moc"
