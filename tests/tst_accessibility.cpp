#include "counters/counterwindow.h"
#include "fakeplatform.h"
#include "platform/controls.h"
#include "shell/application.h"
#include "shell/form1.h"

#include <QAccessible>
#include <QImage>
#include <QTest>

class AccessibilityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void countingLabelsAreReadAsShown();
    void pickersAreReadAsShown_data();
    void pickersAreReadAsShown();
    void everythingWorksFromTheKeyboard();

private:
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

namespace {
QString wholeText(QAccessibleTextInterface& text)
{
    return text.text(0, text.characterCount());
}

// The columns that hold the label's drawn text, as painted.
std::pair<int, int> inkColumns(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    const QRgb background = image.pixel(0, 0);
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}
} // namespace

void AccessibilityTest::countingLabelsAreReadAsShown()
{
    m_application->form1().PushButton2_Click();
    CounterWindow& window = *m_application->loadedForm2();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_fake->clock.m_now = DateTime::fromSeconds(m_fake->clock.m_now.seconds() + 5);
    window.startStopButton().click();
    window.Timer1_Timer();

    Label& seconds = window.breakdownLabel(3);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&seconds);
    QCOMPARE(accessible->role(), QAccessible::StaticText);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Second(s): 5"));
    QAccessibleTextInterface* text = accessible->textInterface();
    QVERIFY(text);
    QCOMPARE(wholeText(*text), QStringLiteral("Second(s): 5"));

    // The characters' boxes run left to right over the text as painted on the label's place on
    // screen, and a point inside a box reads back as its character.
    const QPoint origin = seconds.mapToGlobal(QPoint(0, 0));
    const auto [firstInk, lastInk] = inkColumns(seconds);
    const QRect first = text->characterRect(0);
    const QRect last = text->characterRect(text->characterCount() - 1);
    QVERIFY(first.left() - origin.x() <= firstInk && firstInk <= first.right() - origin.x());
    QVERIFY(last.left() - origin.x() <= lastInk && lastInk <= last.right() + 1 - origin.x());
    for (int offset = 0; offset < text->characterCount(); ++offset) {
        const QRect box = text->characterRect(offset);
        QVERIFY(QRect(origin, seconds.size()).contains(box));
        QCOMPARE(text->offsetAtPoint(box.center()), offset);
    }
    // The Start/Stop button is read by the caption it shows now.
    QCOMPARE(
        QAccessible::queryAccessibleInterface(&window.startStopButton())->text(QAccessible::Name),
        QStringLiteral("Stop"));
}

void AccessibilityTest::pickersAreReadAsShown_data()
{
    QTest::addColumn<QString>("picker");
    QTest::addColumn<QString>("name");
    QTest::newRow("date") << "dtpDate"
                          << "Date";
    QTest::newRow("time") << "dtpTime"
                          << "Time";
}

void AccessibilityTest::pickersAreReadAsShown()
{
    QFETCH(QString, picker);
    QFETCH(QString, name);
    auto* shown = m_application->form1().findChild<DTPicker*>(picker);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(shown);
    QCOMPARE(accessible->role(), QAccessible::SpinBox);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    // A date-time has no number a reader could use: no value of 0 is offered.
    QCOMPARE(accessible->valueInterface(), nullptr);
    QAccessibleTextInterface* text = accessible->textInterface();
    QVERIFY(text);
    const QString before = shown->text();
    QCOMPARE(wholeText(*text), before);

    // Its actions step the field a reader is on, and the text follows what the picker shows.
    QAccessibleActionInterface* actions = accessible->actionInterface();
    actions->doAction(QAccessibleActionInterface::increaseAction());
    QVERIFY(shown->text() != before);
    QCOMPARE(wholeText(*text), shown->text());
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    QCOMPARE(wholeText(*text), before);
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
