#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "fakeplatform.h"
#include "shell/errortrap.h"
#include "shell/form1.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {
// How the user reaches a handler: what happens before it (not watched) and what runs it.
enum class Scenario {
    Start,
    ModeButton,
    OpenCounter,
    StartCounting,
    StopCounting,
    Back,
    Close,
    Tick
};

// A program whose hand cursor file is real, so every statement of every load runs.
struct Program
{
    Program()
    {
        QFile::copy(QStringLiteral(SPAN_SOURCE_DIR "/resources/HAND-M.CUR"),
                    folder.filePath(QStringLiteral("HAND-M.CUR")));
        fake.fileSystem.m_folder = folder.path();
        fake.fileSystem.m_existing << folder.filePath(QStringLiteral("HAND-M.CUR"));
    }
    QTemporaryDir folder;
    FakePlatform fake;
    Application app{fake.platform()};
};

void click(QWidget& window, const char* button)
{
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<PushButton*>(QLatin1String(button)), Qt::LeftButton);
}

// Brings the program to the moment just before the scenario's handler runs.
CounterWindow* prepare(Program& program, Scenario scenario, const QString& window)
{
    if (scenario == Scenario::Start)
        return nullptr;
    program.app.start();
    if (scenario == Scenario::ModeButton || scenario == Scenario::OpenCounter)
        return nullptr;
    const bool elapsed = window == QLatin1String("Form2");
    click(program.app.form1(), elapsed ? "PushButton2" : "PushButton1");
    CounterWindow* counter = elapsed ? program.app.loadedForm2() : program.app.loadedForm3();
    if (counter && (scenario == Scenario::StopCounting || scenario == Scenario::Tick))
        click(*counter, "PushButton2");
    return counter;
}

// Runs the handler the way the user does; a tick comes from the running timer.
void act(Program& program, Scenario scenario, const QString& window, const QString& handler,
         CounterWindow* counter)
{
    const bool toElapsed =
        window == QLatin1String("Form2") || handler == QLatin1String("PushButton2_Click");
    switch (scenario) {
    case Scenario::Start:
        program.app.start();
        break;
    case Scenario::ModeButton:
    case Scenario::OpenCounter:
        click(program.app.form1(), toElapsed ? "PushButton2" : "PushButton1");
        break;
    case Scenario::StartCounting:
    case Scenario::StopCounting:
        click(*counter, "PushButton2");
        break;
    case Scenario::Back:
        click(*counter, "PushButton1");
        break;
    case Scenario::Close:
        counter->close();
        break;
    case Scenario::Tick:
        break;
    }
}
} // namespace

class ErrorTrapTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportText_data();
    void reportText();
    void failedConditionRunsTheBody_data();
    void failedConditionRunsTheBody();
    void anyStandardExceptionIsTrapped();
    void everyStatementReportsItsOwnLine_data();
    void everyStatementReportsItsOwnLine();
};

void ErrorTrapTest::reportText_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("location");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");

    const QString request =
        QStringLiteral("\r\rPlease email screenshot of this message to support@span-meter.example");
    QTest::newRow("load") << QStringLiteral("File not found")
                          << QStringLiteral("in Tallyglass_Hourwick2021/08/31.Form1.Form_Load ")
                          << 104
                          << QStringLiteral("File not found\r\nin Tallyglass_Hourwick2021/08/31."
                                            "Form1.Form_Load at line 104") +
                                 request;
    QTest::newRow("empty description")
        << QString() << QStringLiteral("in Tallyglass_Hourwick2021/08/31.Form3.Timer1 ") << 100
        << QStringLiteral("\r\nin Tallyglass_Hourwick2021/08/31.Form3.Timer1 at line 100") +
               request;
    QTest::newRow("no leading zeros")
        << QStringLiteral("Overflow")
        << QStringLiteral("in Tallyglass_Hourwick2021/08/31.Form2.PushButton2_Click ") << 122
        << QStringLiteral("Overflow\r\nin Tallyglass_Hourwick2021/08/31.Form2.PushButton2_Click "
                          "at line 122") +
               request;
}

void ErrorTrapTest::reportText()
{
    QFETCH(QString, description);
    QFETCH(QString, location);
    QFETCH(int, line);
    QFETCH(QString, expected);
    QCOMPARE(composeErrorReport(description, location, line), expected);

    // The trap shows exactly that text, under its title.
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, location);
    trap.run(line, [&] { throw Failure(description); });
    QCOMPARE(box.m_reports.size(), 1u);
    QCOMPARE(box.m_reports.front().title, QStringLiteral("Application Error"));
    QCOMPARE(box.m_reports.front().text, expected);
}

void ErrorTrapTest::failedConditionRunsTheBody_data()
{
    QTest::addColumn<int>("outcome"); // 0 false, 1 true, 2 fails
    QTest::addColumn<bool>("bodyRuns");
    QTest::addColumn<int>("reports");
    QTest::newRow("false") << 0 << false << 0;
    QTest::newRow("true") << 1 << true << 0;
    QTest::newRow("fails") << 2 << true << 1;
}

void ErrorTrapTest::failedConditionRunsTheBody()
{
    QFETCH(int, outcome);
    QFETCH(bool, bodyRuns);
    QFETCH(int, reports);
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, QStringLiteral("in test "));
    bool ran = false;
    if (trap.test(100, [&] {
            if (outcome == 2)
                throw Failure(QStringLiteral("bad test"));
            return outcome == 1;
        }))
        ran = true;
    QCOMPARE(ran, bodyRuns);
    QCOMPARE(static_cast<int>(box.m_reports.size()), reports);
}

void ErrorTrapTest::anyStandardExceptionIsTrapped()
{
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, QStringLiteral("in std "));
    trap.run(100, [] { throw std::out_of_range("index"); });
    QCOMPARE(journal.entries(),
             QStringList({QStringLiteral("report: index\r\nin std at line 100")}));
}

void ErrorTrapTest::everyStatementReportsItsOwnLine_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("handler");
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<int>("ordinal"); // the statement that fails, counted in the order they run
    QTest::addColumn<int>("line");    // the number its report must give
    struct Handler
    {
        const char* name;
        Scenario scenario;
        QList<int> lines;
    };
    // The icon of the main window's load comes after its first paint, at the same number.
    const QList<Handler> mainWindow{
        {"Form_Load", Scenario::Start, {100, 104, 106, 108, 126, 126, 126, 128, 130, 126}},
        {"PushButton1_Click", Scenario::ModeButton, {100, 102, 104, 106}},
        {"PushButton2_Click", Scenario::ModeButton, {100, 102, 104, 106}}};
    const QList<Handler> counterWindow{
        {"Form_Load", Scenario::OpenCounter, {100, 102, 104, 106}},
        {"PushButton2_Click", Scenario::StartCounting, {100, 102, 104, 106}},
        {"PushButton2_Click", Scenario::StopCounting, {100, 110, 112, 114, 116, 118, 120, 122}},
        {"PushButton1_Click", Scenario::Back, {100, 102, 104}},
        {"Form_QueryUnload", Scenario::Close, {100, 102}},
        {"Timer1", Scenario::Tick, {100, 102, 104}}};
    const auto rows = [](const char* window, const QList<Handler>& handlers) {
        for (const Handler& handler : handlers)
            for (int i = 0; i < handler.lines.size(); ++i)
                QTest::addRow("%s.%s %s#%d", window, handler.name,
                              handler.scenario == Scenario::StopCounting ? "Stop " : "", i + 1)
                    << QString::fromLatin1(window) << QString::fromLatin1(handler.name)
                    << handler.scenario << i + 1 << handler.lines.at(i);
    };
    rows("Form1", mainWindow);
    rows("Form2", counterWindow);
    rows("Form3", counterWindow);
}

void ErrorTrapTest::everyStatementReportsItsOwnLine()
{
    QFETCH(QString, window);
    QFETCH(QString, handler);
    QFETCH(Scenario, scenario);
    QFETCH(int, ordinal);
    QFETCH(int, line);
    const QString location =
        QStringLiteral("in Tallyglass_Hourwick2021/08/31.%1.%2 ").arg(window, handler);
    Program program;
    CounterWindow* counter = prepare(program, scenario, window);
    QVERIFY(scenario <= Scenario::OpenCounter || counter);

    int seen = 0;
    ErrorTrap::setStatementProbe([&](const QString& at, int) {
        if (at == location && ++seen == ordinal)
            throw Failure(QStringLiteral("probe"));
    });
    const auto disarm = qScopeGuard([] { ErrorTrap::setStatementProbe({}); });
    act(program, scenario, window, handler, counter);
    // The main window's icon waits for its first paint, a tick for the timer.
    QVERIFY(QTest::qWaitFor([&] { return seen >= ordinal; }, 5000));

    QStringList probed;
    for (const Report& report : program.fake.messageBox.m_reports)
        if (report.text.startsWith(QStringLiteral("probe\r\n")))
            probed << report.text.section(QStringLiteral("\r\r"), 0, 0);
    QCOMPARE(probed, QStringList{QStringLiteral("probe\r\n%1at line %2").arg(location).arg(line)});
}

QTEST_MAIN(ErrorTrapTest)
#include "tst_errortrap.moc"
