#include "controls/accessibility.h"
#include "controls/controls.h"
#include "controls/form.h"
#include "fakeplatform.h"
#include "platform/windowclasskeeper.h"
#include "time/datetimetext.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using Format = DTPicker::Format;

namespace {

QString shownText(const DTPicker& picker)
{
    const auto* edit = picker.findChild<QLineEdit*>();
    return edit ? edit->text() : QString();
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

    QLocale m_startLocale;

private Q_SLOTS:
    void initTestCase()
    {
        m_startLocale = QLocale();
        installAccessibleInterfaces();
    }
    void cleanup() { QLocale::setDefault(m_startLocale); }

    void buttonCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Start") << u"Start"_s << u"Start"_s;
        QTest::newRow("Stop") << u"Stop"_s << u"Stop"_s;
        QTest::newRow("< Back") << u"< Back"_s << u"< Back"_s;
        QTest::newRow("long") << u"Count Time Elapsed"_s << u"Count Time Elapsed"_s;
        QTest::newRow("ampersand") << u"A & B"_s << u"A && B"_s;
        QTest::newRow("leading ampersand") << u"&Start"_s << u"&&Start"_s;
        QTest::newRow("doubled ampersand") << u"R&&D"_s << u"R&&&&D"_s;
        QTest::newRow("empty") << QString() << QString();
        const QString unicode = u"Zeit läuft — 経過時間 ✓ 🕒 Время "_s.repeated(8);
        QTest::newRow("unicode") << unicode << unicode;
    }
    void buttonCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        PushButton button;
        button.setCaption(u"something else"_s);
        button.setCaption(caption);
        QCOMPARE(button.caption(), caption);
        QCOMPARE(button.text(), shown);
    }

    // A value offered from outside, as a screen reader sets it, is held as the picker's own kind
    // (a date at midnight, a time on the zero date) and within its range, and shown so.
    void pickerHoldsItsKind_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QDate>("setDate");
        QTest::addColumn<QTime>("setTime");
        QTest::addColumn<QDate>("date"); // what the picker holds and shows
        QTest::addColumn<QTime>("time");
        const QDate zero(1899, 12, 30);
        const QTime midnight(0, 0);
        QTest::newRow("date first")
            << Format::ShortDate << QDate(1601, 1, 1) << midnight << QDate(1601, 1, 1) << midnight;
        QTest::newRow("date last") << Format::ShortDate << QDate(9999, 12, 31) << midnight
                                   << QDate(9999, 12, 31) << midnight;
        QTest::newRow("date last, late") << Format::ShortDate << QDate(9999, 12, 31)
                                         << QTime(23, 59, 59) << QDate(9999, 12, 31) << midnight;
        QTest::newRow("date with time") << Format::ShortDate << QDate(2024, 2, 29)
                                        << QTime(13, 14, 15) << QDate(2024, 2, 29) << midnight;
        QTest::newRow("date before zero") << Format::ShortDate << QDate(1700, 6, 1) << QTime(6, 0)
                                          << QDate(1700, 6, 1) << midnight;
        QTest::newRow("time first") << Format::Time << zero << midnight << zero << midnight;
        QTest::newRow("time last")
            << Format::Time << zero << QTime(23, 59, 59) << zero << QTime(23, 59, 59);
        QTest::newRow("time with date")
            << Format::Time << QDate(2024, 2, 29) << QTime(13, 14, 15) << zero << QTime(13, 14, 15);
        QTest::newRow("time on first day")
            << Format::Time << QDate(1601, 1, 1) << QTime(1, 2, 3) << zero << QTime(1, 2, 3);
        QTest::newRow("time on last day") << Format::Time << QDate(9999, 12, 31)
                                          << QTime(23, 59, 59) << zero << QTime(23, 59, 59);
        QTest::newRow("date after last") << Format::ShortDate << QDate(9999, 12, 31).addDays(1)
                                         << midnight << QDate(9999, 12, 31) << midnight;
        QTest::newRow("date before first") << Format::ShortDate << QDate(1600, 12, 31) << midnight
                                           << QDate(1601, 1, 1) << midnight;
    }
    void pickerHoldsItsKind()
    {
        QFETCH(Format, format);
        QFETCH(QDate, setDate);
        QFETCH(QTime, setTime);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        const FakeClock clock;
        const DateTimeText text;
        DTPicker picker(format, text, clock);
        QAccessibleValueInterface* value =
            QAccessible::queryAccessibleInterface(&picker)->valueInterface();
        QVERIFY(value);
        const bool isDate = format == Format::ShortDate;
        QCOMPARE(value->minimumValue().toLongLong(),
                 qlonglong(isDate ? DateTime::fromDate(QDate(1601, 1, 1)).seconds() : 0));
        QCOMPARE(value->maximumValue().toLongLong(),
                 qlonglong(isDate ? DateTime::fromDate(QDate(9999, 12, 31)).seconds()
                                  : DateTime::secondsPerDay - 1));
        QCOMPARE(picker.calendarPopup(), isDate);

        value->setCurrentValue(qlonglong(DateTime::fromDateAndTime(setDate, setTime).seconds()));
        const DateTime held = DateTime::fromDateAndTime(date, time);
        QCOMPARE(value->currentValue().toLongLong(), qlonglong(held.seconds()));
        QCOMPARE(shownText(picker), isDate ? text.formatDate(held) : text.formatTime(held));
    }

    void labelCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::newRow("short") << u"Day(s):"_s;
        QTest::newRow("long") << u"Current Date/Time: Friday, 31 December 9999 23:59:59"_s;
        QTest::newRow("many words")
            << u"one two three four five six seven eight nine ten eleven twelve"_s;
        QTest::newRow("single letter") << u"x"_s;
    }
    void labelCaption()
    {
        QFETCH(QString, caption);
        QWidget window;
        auto* label = new Label(&window);
        label->setGeometry(10, 20, 50, 18);
        label->setCaption(caption);
        QCOMPARE(label->caption(), caption);
        QCOMPARE(label->pos(), QPoint(10, 20));
        QCOMPARE(label->height(), 18);
        QCOMPARE(label->width(), label->sizeHint().width());
        // The whole caption fits on one line.
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(caption));
        QVERIFY(!label->wordWrap());
        // A caption shown again after its font or padding changed is measured again.
        const int before = label->width();
        window.setFont(QFont(window.font().family(), window.font().pointSize() * 2));
        label->setCaption(caption + u'!');
        label->setCaption(caption);
        QVERIFY(label->width() > before);
        QCOMPARE(label->width(), label->sizeHint().width());
        const int withLargerFont = label->width();
        window.setStyleSheet(u"QLabel { padding-left: 40px }"_s);
        label->setCaption(caption + u'!');
        label->setCaption(caption);
        QVERIFY(label->width() >= withLargerFont + 40);
        QCOMPARE(label->width(), label->sizeHint().width());
    }

    void pointer_data()
    {
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<int>("iconBefore"); // index into modes; -1: no icon
        QTest::addColumn<bool>("own");
        QTest::addColumn<Qt::CursorShape>("shape");
        QTest::newRow("default") << QList<int>{0} << -1 << false << Qt::ArrowCursor;
        QTest::newRow("custom without icon") << QList<int>{99} << -1 << true << Qt::ArrowCursor;
        QTest::newRow("custom, icon first") << QList<int>{99} << 0 << true << Qt::BitmapCursor;
        QTest::newRow("custom, icon after") << QList<int>{99} << 1 << true << Qt::BitmapCursor;
        QTest::newRow("custom then default") << QList<int>{99, 0} << 0 << false << Qt::ArrowCursor;
    }
    void pointer()
    {
        QFETCH(QList<int>, modes);
        QFETCH(int, iconBefore);
        QFETCH(bool, own);
        QFETCH(Qt::CursorShape, shape);
        QPixmap image(16, 16);
        image.fill(Qt::red);
        Form form;
        for (int i = 0; i <= modes.size(); ++i) {
            if (i == iconBefore)
                form.setMouseIcon(QCursor(image, 3, 4));
            if (i < modes.size())
                form.setMousePointer(modes.at(i));
        }
        QCOMPARE(form.mousePointer(), modes.last());
        QCOMPARE(form.testAttribute(Qt::WA_SetCursor), own);
        if (!own)
            return;
        QCOMPARE(form.cursor().shape(), shape);
        if (shape == Qt::BitmapCursor)
            QCOMPARE(form.cursor().hotSpot(), QPoint(3, 4));
    }

    // The class is written as each window of ours is shown, once its native window exists: the
    // keeper takes Qt's undocumented mark of that (WA_WState_Created) as set when the show event
    // comes, before the map, when a taskbar reads the class.
    void windowClassWrittenAsAWindowIsShown()
    {
        struct Recorder : WindowSystem
        {
            QMargins frameMarginsBeforeMap(QWidget&) override { return {}; }
            void setWindowClass(QWidget& window, const QString& className) override
            {
                written.push_back({&window, className});
            }
            std::vector<std::pair<QWidget*, QString>> written;
        } recorder;
        const WindowClassKeeper keeper(recorder);
        Form window;
        auto* inside = new QWidget(&window);
        window.show();
        QVERIFY2(recorder.written.size() == 1 && recorder.written.front().first == &window,
                 "no class written for the window shown: Qt no longer marks a window "
                 "WA_WState_Created when its show event comes (platform/windowclasskeeper.cpp)");
        QCOMPARE(recorder.written.front().second, QCoreApplication::applicationName());
        inside->hide();
        inside->show(); // a control shown is no window of its own
        window.hide();
        window.show(); // the window manager may forget the class of a window it let go
        QCOMPARE(recorder.written.size(), std::size_t(2));
        QCOMPARE(recorder.written.back().first, &window);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
