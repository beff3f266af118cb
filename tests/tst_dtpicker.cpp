#include "app/application.h"
#include "controls/controls.h"
#include "controls/fieldtyping.h"
#include "controls/linefit.h"
#include "fakeplatform.h"
#include "localerows.h"
#include "pickerfields.h"
#include "shell/form1.h"
#include "time/datetimetext.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using Section = QDateTimeEdit::Section;

namespace {

QLineEdit& textBox(DTPicker& picker)
{
    return *picker.findChild<QLineEdit*>();
}

Section sectionNamed(const QString& name)
{
    static const QHash<QString, Section> sections{
        {u"day"_s, QDateTimeEdit::DaySection},        {u"month"_s, QDateTimeEdit::MonthSection},
        {u"year"_s, QDateTimeEdit::YearSection},      {u"hours"_s, QDateTimeEdit::HourSection},
        {u"minutes"_s, QDateTimeEdit::MinuteSection}, {u"seconds"_s, QDateTimeEdit::SecondSection},
        {u"ampm"_s, QDateTimeEdit::AmPmSection}};
    return sections.value(name, QDateTimeEdit::NoSection);
}

// A point between the first two characters of the text: where a click would leave a text cursor
// inside the first field.
QPoint insideFirstField(QLineEdit& box)
{
    const int y = box.height() / 2;
    for (int x = 0; x < box.width(); ++x) {
        if (box.cursorPositionAt(QPoint(x, y)) == 1)
            return QPoint(x, y);
    }
    return {};
}

std::optional<DateTime> tryParse(const DateTimeText& text, const QString& shown)
{
    try {
        return text.parse(shown);
    } catch (const Failure&) {
        return std::nullopt;
    }
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

int redPixels(const QImage& image, const QRect& cell)
{
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            count += isRed(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestDTPicker : public QObject
{
    Q_OBJECT

    QLocale m_startLocale;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Application> m_application;

    // The program's main window in the locale, its clock at 7 December 2026 14:19:30.
    Form1& start(const QString& locale)
    {
        QLocale::setDefault(QLocale(locale));
        m_fake = std::make_unique<FakePlatform>();
        m_fake->clock.m_now = DateTime::fromDateAndTime(QDate(2026, 12, 7), QTime(14, 19, 30));
        m_application = std::make_unique<Application>(m_fake->platform());
        m_application->start();
        Form1& form1 = m_application->form1();
        form1.activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&form1)); }();
        return form1;
    }

    // The field shown highlighted, named by the section Qt reads at that place of the format.
    static void checkSelected(DTPicker& picker, const QString& field)
    {
        const int shown = highlightedField(textBox(picker));
        QVERIFY2(shown >= 0, qPrintable(textBox(picker).text()));
        QCOMPARE(picker.sectionAt(shown), sectionNamed(field));
    }

    // Each key goes where the keyboard's would: to whatever holds the focus then. QTest presses
    // a modifier as a key of its own before the key it modifies, as a keyboard sends them.
    static void sendKeys(const QString& how, const QString& text)
    {
        QWidget* target = QApplication::focusWidget();
        if (how == u"ime") {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(target, &commit);
            return;
        }
        const Qt::KeyboardModifiers modifiers = how == u"shift" ? Qt::ShiftModifier
                                                : how == u"ctrlalt"
                                                    ? Qt::ControlModifier | Qt::AltModifier
                                                : how == u"keypad" ? Qt::KeypadModifier
                                                                   : Qt::NoModifier;
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), modifiers);
    }

    static void pressKey(const QString& name)
    {
        static const QHash<QString, QPair<Qt::Key, Qt::KeyboardModifiers>> keys{
            {u"Tab"_s, {Qt::Key_Tab, Qt::NoModifier}},
            {u"Shift+Tab"_s, {Qt::Key_Tab, Qt::ShiftModifier}},
            {u"Left"_s, {Qt::Key_Left, Qt::NoModifier}},
            {u"Right"_s, {Qt::Key_Right, Qt::NoModifier}},
            {u"Up"_s, {Qt::Key_Up, Qt::NoModifier}},
            {u"Down"_s, {Qt::Key_Down, Qt::NoModifier}},
            {u"Enter"_s, {Qt::Key_Return, Qt::NoModifier}},
            {u"Backspace"_s, {Qt::Key_Backspace, Qt::NoModifier}},
            {u"Delete"_s, {Qt::Key_Delete, Qt::NoModifier}},
            {u"Escape"_s, {Qt::Key_Escape, Qt::NoModifier}},
            {u"Shift"_s, {Qt::Key_Shift, Qt::ShiftModifier}},
            {u"Control"_s, {Qt::Key_Control, Qt::ControlModifier}},
            {u"AltGr"_s, {Qt::Key_AltGr, Qt::GroupSwitchModifier}},
            {u"CapsLock"_s, {Qt::Key_CapsLock, Qt::NoModifier}},
            {u"DeadCircumflex"_s, {Qt::Key_Dead_Circumflex, Qt::NoModifier}},
            {u"Ctrl+A"_s, {Qt::Key_A, Qt::ControlModifier}},
            {u"Ctrl+X"_s, {Qt::Key_X, Qt::ControlModifier}}};
        QVERIFY2(keys.contains(name), qPrintable(name));
        const auto key = keys.value(name);
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), key.first,
                            key.first == Qt::Key_Tab ? u"\t"_s : QString(), key.second);
    }

    static void turnWheel(DTPicker& picker, int notches)
    {
        const QPointF at(picker.width() / 2.0, picker.height() / 2.0);
        QWheelEvent wheel(at, picker.mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&picker, &wheel);
    }

    static void runStep(Form1& form1, const QString& step)
    {
        const QString argument = step.section(u' ', 1);
        auto* focused = qobject_cast<DTPicker*>(QApplication::focusWidget());
        static const QStringList typing{u"type"_s, u"shift"_s, u"ctrlalt"_s, u"keypad"_s, u"ime"_s};
        const QString verb = step.section(u' ', 0, 0);
        if (typing.contains(verb)) {
            sendKeys(verb, argument);
        } else if (verb == u"key") {
            pressKey(argument);
        } else if (verb == u"wheel") {
            QVERIFY(focused);
            turnWheel(*focused, argument.toInt());
        } else if (step == u"click window") {
            QTest::mouseClick(&form1, Qt::LeftButton, {}, QPoint(2, 2));
        } else if (step.startsWith(u"click ")) {
            DTPicker& picker = argument == u"time" ? form1.dtpTime() : form1.dtpDate();
            const QPoint inside = insideFirstField(textBox(picker));
            QVERIFY(!inside.isNull());
            QTest::mouseClick(&textBox(picker), Qt::LeftButton, {}, inside);
        } else if (step.startsWith(u"focus ")) {
            QCOMPARE(QApplication::focusWidget(),
                     argument == u"time" ? &form1.dtpTime() : &form1.dtpDate());
        } else if (step.startsWith(u"selected ")) {
            QVERIFY(focused);
            checkSelected(*focused, argument);
        } else if (step.startsWith(u"shows ")) {
            QVERIFY(focused);
            QCOMPARE(textBox(*focused).text(), argument);
        } else if (step.startsWith(u"clipboard ")) {
            QCOMPARE(QGuiApplication::clipboard()->text(), argument);
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
    }

private Q_SLOTS:
    void initTestCase() { m_startLocale = QLocale(); }
    void cleanup()
    {
        m_application.reset();
        m_fake.reset();
        QLocale::setDefault(m_startLocale);
    }

    void typing_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("startDate"); // null: the clock's
        QTest::addColumn<QTime>("startTime"); // null: the clock's
        QTest::addColumn<QString>("picker");  // tabbed into first
        QTest::addColumn<QString>("field");   // selected on tabbing in
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        const QDate today(2026, 12, 7);
        const QTime now(14, 19, 30);
        const auto row = [](const char* name, const char* locale, QDate startDate, QTime startTime,
                            const char* picker, const char* field, const QStringList& steps,
                            QDate date, QTime time) {
            QTest::newRow(name) << QString::fromLatin1(locale) << startDate << startTime
                                << QString::fromLatin1(picker) << QString::fromLatin1(field)
                                << steps << date << time;
        };
        const QDate april3(2024, 4, 3);
        const QTime tenTwenty(10, 20, 30);
        row("de dotted", "de_DE", {}, {}, "date", "day", {u"type 03.04.2024"_s}, april3, now);
        row("de single digits", "de_DE", {}, {}, "date", "day", {u"type 3.4.2024"_s}, april3, now);
        row("de digits only", "de_DE", {}, {}, "date", "day", {u"type 03042024"_s}, april3, now);
        row("de 31st over February", "de_DE", QDate(2025, 2, 3), {}, "date", "day",
            {u"type 31.12.2024"_s}, QDate(2024, 12, 31), now);
        row("de leap day from a common year", "de_DE", QDate(2025, 12, 3), {}, "date", "day",
            {u"type 29.02.2024"_s}, QDate(2024, 2, 29), now);
        row("de two-digit year", "de_DE", {}, {}, "date", "day", {u"type 3.4.24"_s}, april3, now);
        row("de time with colons", "de_DE", {}, {}, "time", "hours", {u"shift 10:20:30"_s}, today,
            tenTwenty);
        row("de time digits only", "de_DE", {}, {}, "time", "hours", {u"type 102030"_s}, today,
            tenTwenty);
        row("de click on the hours", "de_DE", {}, {}, "date", "day",
            {u"click time"_s, u"focus time"_s, u"selected hours"_s, u"type 07"_s}, today,
            QTime(7, 19, 30));
        row("us date", "en_US", {}, {}, "date", "month", {u"shift 4/3/2024"_s}, april3, now);
        row("us time, morning typed", "en_US", {}, {}, "time", "hours", {u"type 10:20:30a"_s},
            today, tenTwenty);
        row("us time keeps the afternoon", "en_US", {}, {}, "time", "hours",
            {u"type 10"_s, u"shift :"_s, u"type 20"_s, u"shift :"_s, u"type 30"_s}, today,
            QTime(22, 20, 30));
        row("ja date", "ja_JP", {}, {}, "date", "year", {u"type 2024/4/3"_s}, april3, now);
        row("ko date with blanks", "ko_KR", {}, {}, "date", "year", {u"type 2024. 4. 3."_s}, april3,
            now);
        row("de Tab and Shift+Tab", "de_DE", {}, {}, "date", "day",
            {u"key Tab"_s, u"focus time"_s, u"key Shift+Tab"_s, u"focus date"_s}, today, now);
        row("ar date, Left", "ar_EG", {}, {}, "date", "day", {u"key Left"_s, u"selected month"_s},
            today, now);
        row("ar time, Right and Left", "ar_EG", {}, {}, "time", "hours",
            {u"key Right"_s, u"selected minutes"_s, u"key Left"_s, u"selected hours"_s,
             u"key Left"_s, u"selected ampm"_s},
            today, now);

        // Keys that type nothing change nothing, and a character counts however it was made.
        row("us Shift inside the day", "en_US", {}, {}, "date", "month",
            {u"type 12"_s, u"key Shift"_s, u"type 25"_s, u"selected year"_s}, QDate(2026, 12, 25),
            now);
        row("de Shift inside the year", "de_DE", {}, {}, "date", "day",
            {u"type 03.04."_s, u"type 2"_s, u"key Shift"_s, u"type 5"_s}, QDate(2025, 4, 3), now);
        row("de AltGr, Control, Caps Lock and a dead key", "de_DE", {}, {}, "date", "day",
            {u"type 3"_s, u"key AltGr"_s, u"key Control"_s, u"key CapsLock"_s,
             u"key DeadCircumflex"_s, u"selected day"_s, u"type .4.2024"_s},
            april3, now);
        row("de separator through Control+Alt", "de_DE", {}, {}, "date", "day",
            {u"type 3"_s, u"ctrlalt ."_s, u"type 4.2024"_s}, april3, now);
        row("de number pad", "de_DE", {}, {}, "time", "hours", {u"keypad 102030"_s}, today,
            tenTwenty);
        row("ja full-width digits from the input method", "ja_JP", {}, {}, "date", "year",
            {u"ime ２０２４／４／３"_s}, april3, now);
        row("ar Arabic-Indic digits", "ar_EG", {}, {}, "date", "day", {u"type ٣/٤/٢٠٢٤"_s}, april3,
            now);
        row("fa Persian digits", "fa_IR", {}, {}, "time", "hours", {u"type ۱۰:۲۰:۳۰"_s}, today,
            tenTwenty);

        // The value is taken when the typing ends, and half-typed fields are read by their rules.
        row("de three-digit year then Tab keeps the year", "de_DE", {}, {}, "date", "day",
            {u"key Right"_s, u"key Right"_s, u"type 198"_s, u"key Tab"_s, u"focus time"_s}, today,
            now);
        row("de one-digit year keeps the year", "de_DE", {}, {}, "date", "day", {u"type 3.4.5"_s},
            QDate(2026, 4, 3), now);
        row("de day 0 keeps the day", "de_DE", {}, {}, "date", "day", {u"type 0.4"_s},
            QDate(2026, 4, 7), now);
        row("us hour 0 keeps the hour", "en_US", {}, {}, "time", "hours", {u"type 0:5"_s}, today,
            QTime(14, 5, 30));
        row("de Enter ends the typing and keeps the focus", "de_DE", {}, {}, "time", "hours",
            {u"type 1"_s, u"key Enter"_s, u"focus time"_s, u"selected hours"_s, u"type 8"_s}, today,
            QTime(8, 19, 30));
        row("de Up on the field moved on to", "de_DE", {}, {}, "time", "hours",
            {u"type 935"_s, u"selected seconds"_s, u"key Up"_s, u"selected seconds"_s}, today,
            QTime(9, 35, 31));
        row("de Backspace takes back a digit", "de_DE", {}, {}, "date", "day",
            {u"type 03.04.203"_s, u"key Backspace"_s, u"type 24"_s}, april3, now);
        row("de Backspace with nothing typed", "de_DE", {}, {}, "date", "day",
            {u"type 03.04."_s, u"key Backspace"_s, u"key Delete"_s, u"selected year"_s,
             u"type 2024"_s},
            april3, now);
        row("de Escape puts back the value", "de_DE", {}, {}, "time", "hours",
            {u"type 11:4"_s, u"key Escape"_s, u"selected minutes"_s}, today, now);
        row("de a click on the window ends the typing", "de_DE", {}, {}, "time", "hours",
            {u"type 11"_s, u"click window"_s, u"key Escape"_s}, today, QTime(11, 19, 30));
        row("de a click on another field ends the typing", "de_DE", {}, {}, "time", "hours",
            {u"type 11:4"_s, u"click time"_s, u"selected hours"_s, u"key Escape"_s}, today,
            QTime(11, 4, 30));
        row("us Cut leaves the date shown", "en_US", {}, {}, "date", "month",
            {u"key Ctrl+A"_s, u"key Ctrl+X"_s, u"shows 12/7/2026"_s, u"clipboard 12"_s}, today,
            now);
        row("de Escape, then typing again", "de_DE", {}, {}, "time", "hours",
            {u"type 11"_s, u"key Escape"_s, u"type 45"_s}, today, QTime(14, 45, 30));

        // Stepping acts on the selected field, stops at the ends, brings the day into its month.
        row("de month up clamps day", "de_DE", QDate(2024, 1, 31), {}, "date", "day",
            {u"key Right"_s, u"key Up"_s}, QDate(2024, 2, 29), now);
        row("de down at first date", "de_DE", QDate(1601, 1, 1), {}, "date", "day", {u"key Down"_s},
            QDate(1601, 1, 1), now);
        row("de up at last date", "de_DE", QDate(9999, 12, 31), {}, "date", "day",
            {u"key Right"_s, u"key Right"_s, u"key Up"_s}, QDate(9999, 12, 31), now);
        row("us month up", "en_US", QDate(2024, 5, 6), {}, "date", "month", {u"key Up"_s},
            QDate(2024, 6, 6), now);
        row("de up at last hour", "de_DE", {}, QTime(23, 59, 59), "time", "hours", {u"key Up"_s},
            today, QTime(23, 59, 59));
        row("de minute up, wheel and back", "de_DE", {}, tenTwenty, "time", "hours",
            {u"key Right"_s, u"key Up"_s, u"wheel 1"_s, u"key Down"_s, u"selected minutes"_s},
            today, QTime(10, 21, 30));
    }
    void typing()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, startDate);
        QFETCH(QTime, startTime);
        QFETCH(QString, picker);
        QFETCH(QString, field);
        QFETCH(QStringList, steps);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        Form1& form1 = start(locale);
        if (QTest::currentTestFailed())
            return;
        if (startDate.isValid())
            form1.dtpDate().setValue(DateTime::fromDate(startDate));
        if (startTime.isValid())
            form1.dtpTime().setValue(DateTime::fromTime(startTime));
        DTPicker& first = picker == u"time" ? form1.dtpTime() : form1.dtpDate();
        first.setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), &first);
        checkSelected(first, field);
        for (const QString& step : steps) {
            runStep(form1, step);
            if (QTest::currentTestFailed())
                return;
        }
        // Typing still under way ends as the user ends it, with Enter.
        if (qobject_cast<DTPicker*>(QApplication::focusWidget()))
            pressKey(u"Enter"_s);
        QCOMPARE(form1.dtpDate().value().date(), date);
        QCOMPARE(form1.dtpTime().value().time(), time);
        QCOMPARE(form1.dtpDate().value(), DateTime::fromDate(date));
        QCOMPARE(form1.dtpTime().value(), DateTime::fromTime(time));
    }

    // Typing over the held value changes the picker once, when it ends, and to what was typed:
    // no step on the way is taken, so the 31st is not brought into the February held.
    void typedValueTakenOnce()
    {
        Form1& form1 = start(u"de_DE"_s);
        if (QTest::currentTestFailed())
            return;
        DTPicker& picker = form1.dtpDate();
        picker.setValue(DateTime::fromDate(QDate(2025, 2, 3)));
        picker.setFocus(Qt::TabFocusReason);
        QSignalSpy changes(&picker, &QDateTimeEdit::dateTimeChanged);
        sendKeys(u"type"_s, u"31.12.202"_s);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(textBox(picker).text(), u"31.12.202"_s);
        sendKeys(u"type"_s, u"4"_s);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toDateTime().date(), QDate(2024, 12, 31));
        QCOMPARE(textBox(picker).text(), u"31.12.2024"_s);
    }

    // In every locale a picker shows its value as the locale writes it, and that text reads back
    // as the value: the picker's own drawing must not drift from Qt's.
    // One or two digits typed for the year name the one within eighty years before this year to
    // nineteen after it: read in 2026, 1946 to 2045.
    void yearFromTwoDigitsKeepsItsWindow_data()
    {
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("thisYear");
        QTest::addColumn<int>("year");
        QTest::newRow("2026, the window's last") << 45 << 2026 << 2045;
        QTest::newRow("2026, the window's first") << 46 << 2026 << 1946;
        QTest::newRow("2026, one digit") << 4 << 2026 << 2004;
        QTest::newRow("2080, the window's last") << 99 << 2080 << 2099;
        QTest::newRow("2080, the window's first") << 0 << 2080 << 2000;
    }
    void yearFromTwoDigitsKeepsItsWindow()
    {
        QFETCH(int, typed);
        QFETCH(int, thisYear);
        QFETCH(int, year);
        QCOMPARE(yearFromTwoDigits(typed, thisYear), year);
    }

    void shownAsTheLocaleWrites_data() { addEveryLocaleRow(); }
    void shownAsTheLocaleWrites()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const DateTimeText text;
        const FakeClock clock;
        DTPicker date(DTPicker::Format::ShortDate, text, clock);
        DTPicker time(DTPicker::Format::Time, text, clock);
        const QDate dates[] = {DateTime::firstDate(), QDate(2000, 2, 29), QDate(2026, 5, 3),
                               DateTime::lastDate()};
        const QTime times[] = {QTime(0, 0), QTime(9, 5, 30), QTime(12, 0), QTime(23, 59, 59)};
        const auto check = [&](DTPicker& picker, DateTime value, QDateTime written) {
            picker.setValue(value);
            const QString shown = textBox(picker).text();
            const QString qtWrites = locale.toString(written, picker.displayFormat());
            QCOMPARE(shown, shownForm(qtWrites));
            QCOMPARE(tryParse(text, qtWrites), std::optional(value));
            // Qt reads the text box back on Enter and on leaving it: the value stays.
            picker.interpretText();
            QCOMPARE(textBox(picker).text(), shown);
            QCOMPARE(picker.value(), value);
        };
        for (const QDate day : dates)
            check(date, DateTime::fromDate(day), QDateTime(day, QTime(0, 0)));
        for (const QTime moment : times)
            check(time, DateTime::fromTime(moment), QDateTime(DateTime::zeroDate(), moment));
    }

    // zh_TW's own format carries a day-period letter Qt cannot show.
    void zhTwTimeReadsBackEverySecond()
    {
        QLocale::setDefault(QLocale(u"zh_TW"_s));
        const DateTimeText text;
        const FakeClock clock;
        DTPicker picker(DTPicker::Format::Time, text, clock);
        QLineEdit& box = textBox(picker);
        const auto shownAt = [&](QTime time) {
            picker.setValue(DateTime::fromTime(time));
            return box.text();
        };
        QCOMPARE(shownAt(QTime(0, 0)), u"上午12:00:00"_s);
        QCOMPARE(shownAt(QTime(12, 0)), u"下午12:00:00"_s);
        QCOMPARE(shownAt(QTime(14, 19, 30)), u"下午2:19:30"_s);
        static const QRegularExpression latin(u"[A-Za-z]"_s);
        for (int second = 0; second < 86400; ++second) {
            const DateTime value = DateTime::fromSeconds(second);
            const QString shown = shownAt(value.time());
            const QString half = second < 43200 ? u"上午"_s : u"下午"_s;
            if (shown.contains(latin) || !shown.startsWith(half) || tryParse(text, shown) != value)
                QFAIL(qPrintable(u"%1 shown as \"%2\""_s.arg(value.time().toString(), shown)));
        }
    }

    void calendarMarksTheLocaleWeekend_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QList<int>>("weekend");
        QTest::newRow("ar_EG") << u"ar_EG"_s << QList<int>{Qt::Friday, Qt::Saturday};
        QTest::newRow("de_DE") << u"de_DE"_s << QList<int>{Qt::Saturday, Qt::Sunday};
        QTest::newRow("fa_IR") << u"fa_IR"_s << QList<int>{Qt::Friday};
    }
    void calendarMarksTheLocaleWeekend()
    {
        QFETCH(QString, locale);
        QFETCH(QList<int>, weekend);
        Form1& form1 = start(locale);
        if (QTest::currentTestFailed())
            return;
        DTPicker& picker = form1.dtpDate();
        // The drop-down arrow sits at the picker's far end.
        QTest::mouseClick(&picker, Qt::LeftButton, {},
                          QPoint(picker.width() - 6, picker.height() / 2));
        QCalendarWidget* calendar = picker.calendarWidget();
        QTRY_VERIFY(calendar->isVisible());
        auto* view = calendar->findChild<QTableView*>();
        QVERIFY(view);
        const QImage shot = view->viewport()->grab().toImage();
        const QAbstractItemModel* model = view->model();
        const qreal scale = shot.devicePixelRatio();
        int daysSeen = 0;
        for (int column = 0; column < model->columnCount(); ++column) {
            // The third week lies wholly inside the month shown, and holds no selected day.
            const QModelIndex dayCell = model->index(3, column);
            const int day = model->data(dayCell).toInt();
            const bool weekNumbers = model->data(model->index(0, column)).toString().isEmpty();
            if (view->isColumnHidden(column) || weekNumbers)
                continue;
            const QDate date(calendar->yearShown(), calendar->monthShown(), day);
            const bool expected = weekend.contains(date.dayOfWeek());
            for (const QModelIndex& cell : {model->index(0, column), dayCell}) {
                const QRect rect = view->visualRect(cell);
                const QRect pixels(rect.topLeft() * scale, rect.size() * scale);
                QVERIFY2(
                    (redPixels(shot, pixels) > 0) == expected,
                    qPrintable(
                        u"%1 row %2"_s.arg(QLocale().dayName(date.dayOfWeek())).arg(cell.row())));
            }
            ++daysSeen;
        }
        QCOMPARE(daysSeen, 7);
    }
};

QTEST_MAIN(TestDTPicker)
#include "tst_dtpicker.moc"
