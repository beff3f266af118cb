#include "fakeplatform.h"
#include "shell/errortrap.h"

#include <QTest>

class ErrorTrapTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportText_data();
    void reportText();
    void failedStatementIsReportedAndNextOneRuns();
    void failedConditionRunsTheBody_data();
    void failedConditionRunsTheBody();
    void twoFailuresGiveTwoReportsInOrder();
    void failureInsideSharedProcedureCarriesCallersLine();
    void anyStandardExceptionIsTrapped();
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

void ErrorTrapTest::failedStatementIsReportedAndNextOneRuns()
{
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, QStringLiteral("in here "));
    QStringList ran;
    trap.run(100, [&] {
        ran << QStringLiteral("100 begins");
        throw Failure(QStringLiteral("boom"));
        // The rest of a failed statement is abandoned.
    });
    trap.run(102, [&] { ran << QStringLiteral("102"); });
    QCOMPARE(ran, QStringList({QStringLiteral("100 begins"), QStringLiteral("102")}));
    QCOMPARE(box.m_reports.size(), 1u);
    QVERIFY(box.m_reports.front().text.contains(QStringLiteral("in here at line 100\r\r")));
    QCOMPARE(trap.currentLine(), 102);
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

void ErrorTrapTest::twoFailuresGiveTwoReportsInOrder()
{
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, QStringLiteral("in two "));
    trap.run(100, [] { throw Failure(QStringLiteral("first")); });
    trap.run(102, [] {});
    trap.run(104, [] { throw Failure(QStringLiteral("second")); });
    QCOMPARE(journal.entries(),
             QStringList({QStringLiteral("report: first\r\nin two at line 100"),
                          QStringLiteral("report: second\r\nin two at line 104")}));
}

namespace {
void sharedProcedureThatFails()
{
    throw Failure(QStringLiteral("deep"));
}
} // namespace

void ErrorTrapTest::failureInsideSharedProcedureCarriesCallersLine()
{
    Journal journal;
    RecordingMessageBox box(journal);
    ErrorTrap trap(box, QStringLiteral("in caller "));
    trap.run(126, [] { sharedProcedureThatFails(); });
    QCOMPARE(journal.entries(),
             QStringList({QStringLiteral("report: deep\r\nin caller at line 126")}));
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

QTEST_GUILESS_MAIN(ErrorTrapTest)
#include "tst_errortrap.moc"
