#include "app/application.h"
#include "controls/controls.h"
#include "fakeplatform.h"
#include "pickerfields.h"
#include "shell/form1.h"
#include "time/datetimetext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

// Random keys into the main window's pickers, checked after every key against what must always
// hold. SPAN_PROPERTY_SECONDS bounds the run (3 by default, spread over the locales) and
// SPAN_PROPERTY_SEED chooses the keys (17 by default); a failure names both and the keys sent.

namespace {

enum class Action { Digit, Separator, Modifier, Backspace, Escape, Step, Left, Right, Tab };

struct Snapshot
{
    DateTime date;
    DateTime time;
    QString text;
    int selectionStart;
    QString selected;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

QLineEdit& textBox(DTPicker& picker)
{
    return *picker.findChild<QLineEdit*>();
}

qint64 envNumber(const char* name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? value : fallback;
}

// Whether `after` is `before` with the section stepped one way: the field moved that way, or
// stood at the end of its range; only the day may follow a month or a year, by clamping.
bool steppedRight(QDateTimeEdit::Section section, QDateTime before, QDateTime after, bool up)
{
    const int sign = up ? 1 : -1;
    const QDate b = before.date();
    const QDate a = after.date();
    const QTime bt = before.time();
    const QTime at = after.time();
    const auto moved = [&](int from, int to, int end) {
        return from == to ? from == end : (to - from) * sign > 0;
    };
    switch (section) {
    case QDateTimeEdit::DaySection:
        return a.year() == b.year() && a.month() == b.month() &&
               moved(b.day(), a.day(), up ? b.daysInMonth() : 1);
    case QDateTimeEdit::MonthSection:
        return a.year() == b.year() && moved(b.month(), a.month(), up ? 12 : 1) &&
               a.day() == std::min(b.day(), a.daysInMonth());
    case QDateTimeEdit::YearSection:
        return a.month() == b.month() && moved(b.year(), a.year(), up ? 9999 : 1601) &&
               a.day() == std::min(b.day(), a.daysInMonth());
    case QDateTimeEdit::HourSection:
        return at.minute() == bt.minute() && at.second() == bt.second() &&
               moved(bt.hour(), at.hour(), up ? 23 : 0);
    case QDateTimeEdit::AmPmSection:
        return at.minute() == bt.minute() && at.second() == bt.second() &&
               (at.hour() == bt.hour() + 12 * sign || (at == bt && (bt.hour() >= 12) == up));
    case QDateTimeEdit::MinuteSection:
        return at.hour() == bt.hour() && at.second() == bt.second() &&
               moved(bt.minute(), at.minute(), up ? 59 : 0);
    case QDateTimeEdit::SecondSection:
        return at.hour() == bt.hour() && at.minute() == bt.minute() &&
               moved(bt.second(), at.second(), up ? 59 : 0);
    default:
        return false;
    }
}

} // namespace

class TestTypingProperty : public QObject
{
    Q_OBJECT

    QLocale m_startLocale;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Application> m_application;
    QRandomGenerator m_random;
    QStringList m_sent;

    Form1& form1() { return m_application->form1(); }
    DTPicker* focusedPicker() { return qobject_cast<DTPicker*>(QApplication::focusWidget()); }
    DTPicker& otherPicker(const DTPicker& picker)
    {
        return &picker == &form1().dtpDate() ? form1().dtpTime() : form1().dtpDate();
    }

    Snapshot snapshot(DTPicker& picker)
    {
        QLineEdit& box = textBox(picker);
        return {form1().dtpDate().value(), form1().dtpTime().value(), box.text(),
                box.selectionStart(), box.selectedText()};
    }

    template <typename T> const T& pick(std::initializer_list<T> choices)
    {
        return choices.begin()[m_random.bounded(static_cast<int>(choices.size()))];
    }

    void key(Qt::Key code, const QString& text = {}, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), code, text, modifiers);
    }

    void typeDigit()
    {
        const int digit = m_random.bounded(10);
        switch (m_random.bounded(3)) {
        case 0:
            key(Qt::Key_unknown, QString(QChar(u'0' + digit)));
            break;
        case 1: // Arabic-Indic, as an Arabic layout types them
            key(Qt::Key_unknown, QString(QChar(0x0660 + digit)));
            break;
        default: { // full-width, as an input method commits them
            QInputMethodEvent commit;
            commit.setCommitString(QString(QChar(0xFF10 + digit)));
            QApplication::sendEvent(QApplication::focusWidget(), &commit);
        }
        }
    }

    // With no typing under way, the text shown reads back to the picker's value.
    static void checkReadsBack(DTPicker& picker)
    {
        const QString shown = textBox(picker).text();
        QCOMPARE(DateTimeText().parse(shown), picker.value());
    }

    void step(DTPicker& picker)
    {
        key(Qt::Key_Return);
        m_sent << u"Enter"_s;
        checkReadsBack(picker);
        const int field = highlightedField(textBox(picker));
        QVERIFY2(field >= 0, qPrintable(textBox(picker).text()));
        const QDateTimeEdit::Section section = picker.sectionAt(field);
        const bool up = m_random.bounded(2) == 0;
        const QDateTime before = picker.dateTime();
        key(up ? Qt::Key_Up : Qt::Key_Down);
        m_sent << (up ? u"Up"_s : u"Down"_s);
        QVERIFY2(steppedRight(section, before, picker.dateTime(), up),
                 qPrintable(before.toString() + u" to "_s + picker.dateTime().toString()));
    }

    void act(DTPicker& picker, Action action)
    {
        switch (action) {
        case Action::Digit:
            typeDigit();
            break;
        case Action::Separator: {
            const QChar c = pick({u'.', u'/', u':', u' ', u'-'});
            key(Qt::Key_unknown, QString(c), pick({Qt::NoModifier, Qt::ShiftModifier}));
            break;
        }
        case Action::Modifier: {
            const Snapshot before = snapshot(picker);
            key(pick({Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr, Qt::Key_Meta,
                      Qt::Key_CapsLock, Qt::Key_NumLock, Qt::Key_Dead_Acute}));
            QVERIFY(snapshot(picker) == before);
            break;
        }
        case Action::Backspace:
            key(Qt::Key_Backspace);
            break;
        case Action::Escape:
            key(Qt::Key_Escape);
            break;
        case Action::Step:
            step(picker);
            break;
        case Action::Left:
        case Action::Right:
            key(action == Action::Left ? Qt::Key_Left : Qt::Key_Right);
            break;
        case Action::Tab:
            key(Qt::Key_Tab, u"\t"_s);
            checkReadsBack(picker);
            pick({&form1().dtpDate(), &form1().dtpTime()})->setFocus(Qt::TabFocusReason);
            break;
        }
    }

    static bool inRange(const DTPicker& picker)
    {
        const DateTime value = picker.value();
        if (picker.format() == DTPicker::Format::Time)
            return value.dayNumber() == 0;
        return value.secondOfDay() == 0 && value.date() >= QDate(1601, 1, 1) &&
               value.date() <= QDate(9999, 12, 31);
    }

private Q_SLOTS:
    void initTestCase() { m_startLocale = QLocale(); }
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qInfo("keys sent, last 40: %s", qPrintable(m_sent.mid(m_sent.size() - 40).join(u' ')));
        m_application.reset();
        m_fake.reset();
        QLocale::setDefault(m_startLocale);
    }

    void randomKeys_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char* name : {"en_US", "de_DE", "fr_FR", "ar_EG", "zh_TW"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void randomKeys()
    {
        QFETCH(QString, locale);
        const qint64 seed = envNumber("SPAN_PROPERTY_SEED", 17);
        const qint64 budget = envNumber("SPAN_PROPERTY_SECONDS", 3) * 1000 / 5;
        m_random.seed(static_cast<quint32>(seed + qHash(locale)));
        m_sent.clear();
        QLocale::setDefault(QLocale(locale));
        m_fake = std::make_unique<FakePlatform>();
        m_fake->clock.m_now = DateTime::fromDateAndTime(QDate(2026, 12, 7), QTime(14, 19, 30));
        m_application = std::make_unique<Application>(m_fake->platform());
        m_application->start();
        form1().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form1()));
        form1().dtpDate().setFocus(Qt::TabFocusReason);
        QElapsedTimer elapsed;
        elapsed.start();
        int keys = 0;
        for (; elapsed.elapsed() < budget; ++keys) {
            DTPicker* picker = focusedPicker();
            QVERIFY(picker);
            const DateTime otherBefore = otherPicker(*picker).value();
            const auto action = static_cast<Action>(m_random.bounded(int(Action::Tab) + 1));
            static const char* const names[] = {"digit",     "separator", "modifier",
                                                "Backspace", "Escape",    "step",
                                                "Left",      "Right",     "Tab"};
            m_sent << QString::fromLatin1(names[int(action)]);
            act(*picker, action);
            if (QTest::currentTestFailed())
                break;
            QVERIFY2(otherPicker(*picker).value() == otherBefore, "the other picker changed");
            QVERIFY(inRange(form1().dtpDate()));
            QVERIFY(inRange(form1().dtpTime()));
        }
        if (QTest::currentTestFailed())
            qInfo("seed %lld, %s, key %d", seed, qPrintable(locale), keys);
        else
            qInfo("seed %lld, %s: %d keys", seed, qPrintable(locale), keys);
    }
};

QTEST_MAIN(TestTypingProperty)
#include "tst_typingproperty.moc"
