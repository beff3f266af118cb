#include "counters/counterwindow.h"
#include "fakeplatform.h"
#include "platform/controls.h"
#include "shell/application.h"
#include "shell/form1.h"

#include <QAccessible>
#include <QTest>

class AccessibilityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void controlsHaveNames_data();
    void controlsHaveNames();
    void counterLabelsAreReadWithTheirCurrentText();
    void everythingWorksFromTheKeyboard();

private:
    static QString nameOf(QWidget* widget);
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Application> m_application;
};

void AccessibilityTest::init()
{
    m_fake = std::make_unique<FakePlatform>();
    m_application = std::make_unique<Application>(m_fake->platform());
    m_application->start();
}

void AccessibilityTest::cleanup()
{
    m_application.reset();
    m_fake.reset();
}

QString AccessibilityTest::nameOf(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
}

void AccessibilityTest::controlsHaveNames_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("date") << "Form1"
                          << "dtpDate"
                          << "Date";
    QTest::newRow("time") << "Form1"
                          << "dtpTime"
                          << "Time";
    QTest::newRow("elapsed button") << "Form1"
                                    << "PushButton2"
                                    << "Count Time Elapsed";
    QTest::newRow("remaining button") << "Form1"
                                      << "PushButton1"
                                      << "Count Remaining Time";
    QTest::newRow("start") << "Form2"
                           << "PushButton2"
                           << "Start";
    QTest::newRow("back") << "Form3"
                          << "PushButton1"
                          << "< Back";
}

void AccessibilityTest::controlsHaveNames()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QWidget* form = window == QLatin1String("Form1")
                        ? static_cast<QWidget*>(&m_application->form1())
                    : window == QLatin1String("Form2") ? &m_application->form2()
                                                       : &m_application->form3();
    QCOMPARE(nameOf(form->findChild<QWidget*>(control)), name);
}

void AccessibilityTest::counterLabelsAreReadWithTheirCurrentText()
{
    m_application->form1().PushButton2_Click();
    CounterWindow& window = *m_application->loadedForm2();
    QCOMPARE(nameOf(&window.breakdownLabel(3)), QStringLiteral("Second(s):"));
    m_fake->clock.m_now = DateTime::fromSeconds(m_fake->clock.m_now.seconds() + 5);
    window.startStopButton().click();
    window.Timer1_Timer();
    QCOMPARE(nameOf(&window.breakdownLabel(3)), QStringLiteral("Second(s): 5"));
    // The Start/Stop button is read by the caption it shows now.
    QCOMPARE(nameOf(&window.startStopButton()), QStringLiteral("Stop"));
}

void AccessibilityTest::everythingWorksFromTheKeyboard()
{
    Form1& form1 = m_application->form1();
    form1.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    // Date picker → time picker → "Count Time Elapsed", and Space presses it.
    QCOMPARE(QApplication::focusWidget(), &form1.dtpDate());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    CounterWindow* window = m_application->loadedForm2();
    QVERIFY(window && window->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(window));
    // Focus starts on Start; Space starts, Space stops, Tab and Space go back.
    QCOMPARE(QApplication::focusWidget(), &window->startStopButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(window->Timer1().isActive());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!window->Timer1().isActive());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &window->backButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(form1.isVisible());
    QCOMPARE(m_application->loadedForm2(), nullptr);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
