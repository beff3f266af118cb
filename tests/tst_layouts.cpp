#include "controls/controls.h"
#include "controls/form.h"
#include "controls/linefit.h"
#include "counters/ticktexts.h"
#include "fakeplatform.h"
#include "layouts/builder.h"
#include "localerows.h"
#include "promisedskip.h"
#include "time/datetimetext.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<Form> makeWindow(const QString& name)
{
    auto window = std::make_unique<Form>();
    const DateTimeText text;
    const FakeClock clock;
    if (name == u"Form1")
        buildWindow(*window, form1Layout(), text, clock);
    else if (name == u"Form2")
        buildWindow(*window, form2Layout(), text, clock);
    else
        buildWindow(*window, form3Layout(), text, clock);
    return window;
}

// The control by name, or the window itself for an empty name.
QWidget* control(Form& window, const QString& name)
{
    return name.isEmpty() ? &window : window.findChild<QWidget*>(name);
}

void showActive(QWidget& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

const char* const counterLabels[] = {"Days", "Hours", "Minutes", "Seconds"};

using LayoutChange = std::function<void(WindowLayout&)>;

void renameRead(WindowLayout& layout, const QString& from, const QString& to)
{
    *std::find(layout.readingOrder.begin(), layout.readingOrder.end(), from) = to;
}

ControlRow& row(WindowLayout& layout, const QString& name)
{
    return *std::find_if(layout.controls.begin(), layout.controls.end(),
                         [&](const ControlRow& row) { return row.name == name; });
}

// The smallest rectangle holding every pixel unlike the ground: the ink of the text on it.
QRect inkBounds(const QImage& image, QRgb ground)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != ground)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// The size of the text's ink drawn with nothing to clip it.
QSize freeInkSize(const QString& text, const QFont& font)
{
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(150, 150, text);
    painter.end();
    return inkBounds(image, QColor(Qt::white).rgb()).size();
}

// The text a control shows lies whole inside it, a pixel clear of its top and bottom. A selection
// is drawn as plain text, so that only the text is ink.
void checkWhole(QWidget& control, const QString& text, QPalette::ColorRole ground)
{
    QPalette plain = control.palette();
    plain.setColor(QPalette::Highlight, plain.color(ground));
    plain.setColor(QPalette::HighlightedText, plain.color(QPalette::Text));
    control.setPalette(plain);
    const QImage image = control.grab().toImage();
    if (qEnvironmentVariableIsSet("DUMP"))
        image.save(u"/tmp/dump-%1.png"_s.arg(QLocale().name() + control.objectName() +
                                             QString::number(image.width())));
    const QRect ink = inkBounds(image, control.palette().color(ground).rgb());
    const QString seen = u"\"%1\" drawn in rows %2 to %3 of %4, %5 px wide, in %6 px"_s.arg(
        text, QString::number(ink.top()), QString::number(ink.bottom()),
        QString::number(image.height()), QString::number(ink.width()),
        QString::number(QFontInfo(control.font()).pixelSize()));
    QVERIFY2(ink.top() >= 1 && ink.bottom() <= image.height() - 2, qPrintable(seen));
    // Pixel rows part by rounding where the baseline falls; a clipped stroke loses more. A word
    // drawn over its neighbour, or outside the box, leaves the ink narrower.
    const QSize free = freeInkSize(text, control.font());
    QVERIFY2(ink.height() >= free.height() - 1, qPrintable(seen));
    QVERIFY2(ink.width() >= free.width() - 1, qPrintable(seen));
}

} // namespace

Q_DECLARE_METATYPE(LayoutChange)

class TestLayouts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One row per control, and one for each window itself (no name): where it stands, in what,
    // its caption, its font and the white it is painted on.
    void controls_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container"); // empty: the window
        QTest::addColumn<QRect>("rect");        // width -1: follows the caption; null: not placed
        QTest::addColumn<QString>("caption");   // null: none
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("whiteRole"); // the palette role painted white; -1: none

        const int surface = QPalette::Window;
        const int button = QPalette::Button;
        auto row = [](const char* window, const QString& name, const char* container, QRect rect,
                      const char* caption, qreal points, int whiteRole) {
            QTest::addRow("%s %s", window, name.isEmpty() ? "window" : qPrintable(name))
                << QString::fromLatin1(window) << name << QString::fromLatin1(container) << rect
                << (caption ? QString::fromUtf8(caption) : QString()) << points << whiteRole;
        };
        row("Form1", {}, "", {}, nullptr, 9, surface);
        row("Form1", u"Frame1"_s, "", {8, 8, 520, 52}, "Date", 9, surface);
        row("Form1", u"Frame2"_s, "", {8, 66, 520, 55}, "Time", 9, surface);
        row("Form1", u"dtpDate"_s, "Frame1", {12, 20, 496, 23}, nullptr, 9, -1);
        row("Form1", u"dtpTime"_s, "Frame2", {12, 20, 496, 25}, nullptr, 9, -1);
        row("Form1", u"PushButton2"_s, "", {8, 129, 520, 27}, "Count Time Elapsed", 11.25, button);
        row("Form1", u"PushButton1"_s, "", {8, 163, 520, 27}, "Count Remaining Time", 11.25,
            button);

        for (const char* form : {"Form2", "Form3"}) {
            const bool lapsed = form == QByteArrayView("Form2");
            const QString suffix = QString::fromLatin1(lapsed ? "Lapsed" : "Remaining");
            const int shift = lapsed ? 0 : -8; // Form3's rows stand 8 pixels higher
            row(form, {}, "", {}, nullptr, 9, surface);
            row(form, u"Frame1"_s, "", {8, 80 + shift, 520, 82},
                lapsed ? "Lapsed" : "Remaining (set Time ahead of now)", 9, surface);
            const QPoint labelAt[] = {{9, 18}, {9, 51}, {147, 18}, {147, 51}};
            const char* const captions[] = {"Day(s):", "Hour(s):", "Minute(s):", "Second(s):"};
            for (int i = 0; i < 4; ++i)
                row(form, u"lbl"_s + QLatin1StringView(counterLabels[i]) + suffix, "Frame1",
                    {labelAt[i], QSize(-1, 18)}, captions[i], 11.25, surface);
            row(form, u"PushButton2"_s, "", {8, 169 + shift, 520, 27}, "Start", 11.25, button);
            row(form, u"PushButton1"_s, "", {8, 204 + shift, 520, 27}, "< Back", 11.25, button);
            row(form, u"lblCurrentDate"_s, "", {8, 48 + shift, -1, 18}, "Current Date/Time:", 11.25,
                surface);
            row(form, u"lblDateTimeEntered"_s, "", {8, 16 + shift, -1, 18},
                "Date/Time Entered:", 11.25, surface);
        }
    }
    void controls()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, rect);
        QFETCH(QString, caption);
        QFETCH(qreal, points);
        QFETCH(int, whiteRole);
        const auto form = makeWindow(window);
        QWidget* widget = control(*form, name);
        QVERIFY(widget);
        if (!rect.isNull()) {
            QCOMPARE(widget->parentWidget(), control(*form, container));
            QCOMPARE(widget->pos(), rect.topLeft());
            QCOMPARE(widget->height(), rect.height());
            QCOMPARE(widget->width(),
                     rect.width() >= 0 ? rect.width() : widget->sizeHint().width());
            QVERIFY(widget->width() > 0);
        }
        if (auto* button = qobject_cast<PushButton*>(widget))
            QCOMPARE(button->caption(), caption);
        else if (auto* frame = qobject_cast<Frame*>(widget))
            QCOMPARE(frame->title(), caption);
        else if (auto* label = qobject_cast<Label*>(widget))
            QCOMPARE(label->caption(), caption);
        else
            QVERIFY2(caption.isNull(), "caption given for a control that has none");

        const QFont font = widget->font();
        QCOMPARE(font.family(), u"Arial"_s);
        QCOMPARE(font.pointSizeF(), points);
        QVERIFY(font.bold());
        if (whiteRole >= 0) {
            const auto role = static_cast<QPalette::ColorRole>(whiteRole);
            QCOMPARE(widget->palette().color(role), QColor(Qt::white));
            if (role == QPalette::Window)
                QVERIFY(widget->autoFillBackground());
        }
    }

    // The tables' names are strings: each slip of a name is caught before a widget is made.
    void namesHold_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<LayoutChange>("change");
        QTest::addColumn<QStringList>("faults");
        const LayoutChange none = [](WindowLayout&) {};
        for (const char* form : {"Form1", "Form2", "Form3"})
            QTest::addRow("%s as written", form)
                << QString::fromLatin1(form) << none << QStringList();
        QTest::newRow("reading order misspelt")
            << u"Form2"_s << LayoutChange([](WindowLayout& l) {
                   renameRead(l, u"lblDaysLapsed"_s, u"lblDays"_s);
               })
            << QStringList{u"the reading order names lblDays, which is no row"_s,
                           u"the reading order leaves out lblDaysLapsed"_s};
        QTest::newRow("control left out of the reading order")
            << u"Form3"_s << LayoutChange([](WindowLayout& l) { l.readingOrder.pop_back(); })
            << QStringList{u"the reading order leaves out PushButton1"_s};
        QTest::newRow("control read twice")
            << u"Form1"_s
            << LayoutChange([](WindowLayout& l) { renameRead(l, u"dtpTime"_s, u"dtpDate"_s); })
            << QStringList{u"the reading order names dtpDate twice"_s,
                           u"the reading order leaves out dtpTime"_s};
        QTest::newRow("container misspelt") << u"Form1"_s << LayoutChange([](WindowLayout& l) {
            row(l, u"dtpDate"_s).container = u"Frame3"_s;
        }) << QStringList{u"dtpDate stands in Frame3, which is no other row"_s};
        QTest::newRow("frame inside itself") << u"Form2"_s << LayoutChange([](WindowLayout& l) {
            row(l, u"Frame1"_s).container = u"Frame1"_s;
        }) << QStringList{u"Frame1 stands in Frame1, which is no other row"_s};
        QTest::newRow("two rows, one name")
            << u"Form3"_s << LayoutChange([](WindowLayout& l) {
                   row(l, u"lblSecondsRemaining"_s).name = u"lblMinutesRemaining"_s;
               })
            << QStringList{u"lblMinutesRemaining names two rows"_s,
                           u"the reading order names lblSecondsRemaining, which is no row"_s};
    }
    void namesHold()
    {
        QFETCH(QString, window);
        QFETCH(LayoutChange, change);
        QFETCH(QStringList, faults);
        WindowLayout layout = window == u"Form1"   ? form1Layout()
                              : window == u"Form2" ? form2Layout()
                                                   : form3Layout();
        change(layout);
        QCOMPARE(layoutFaults(layout), faults);
    }
    // The builder refuses such a table outright, so the first test that makes the window fails.
    void faultyTableIsRefused()
    {
        if (qEnvironmentVariableIsSet("SPAN_BUILD_FAULTY_TABLE")) {
            WindowLayout layout = form2Layout();
            renameRead(layout, u"lblDaysLapsed"_s, u"lblDays"_s);
            Form window;
            buildWindow(window, layout, DateTimeText(), FakeClock());
            return; // not reached: the builder ends the process
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"SPAN_BUILD_FAULTY_TABLE"_s, u"1"_s);
        environment.insert(u"QTEST_DISABLE_STACK_DUMP"_s, u"1"_s); // no debugger on the abort
        // Qt on Windows writes messages to the debugger unless told to write them to stderr.
        environment.insert(u"QT_FORCE_STDERR_LOGGING"_s, u"1"_s);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {u"faultyTableIsRefused"_s});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
        QVERIFY(child.readAll().contains("lblDays, which is no row"));
    }

    void labelGrowsInPlace_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        for (const char* form : {"Form2", "Form3"}) {
            const char* suffix = form == QByteArrayView("Form2") ? "Lapsed" : "Remaining";
            for (const char* label : counterLabels)
                QTest::addRow("%s lbl%s%s", form, label, suffix)
                    << QString::fromLatin1(form)
                    << u"lbl%1%2"_s.arg(QLatin1StringView(label), QLatin1StringView(suffix));
            QTest::addRow("%s lblCurrentDate", form)
                << QString::fromLatin1(form) << u"lblCurrentDate"_s;
        }
    }
    void labelGrowsInPlace()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        const auto form = makeWindow(window);
        auto* label = form->findChild<Label*>(name);
        QVERIFY(label);
        const QRect before = label->geometry();
        label->setCaption(label->caption() + u" 12345 days, 23 hours and more"_s);
        QCOMPARE(label->pos(), before.topLeft());
        QCOMPARE(label->height(), 18);
        QVERIFY(label->width() > before.width());
        QCOMPARE(label->width(), label->sizeHint().width());
        QVERIFY(!label->wordWrap());
        // One line only: the text's own height fits the label, however long it gets.
        QVERIFY(label->sizeHint().height() < 2 * label->fontMetrics().height());
    }

    void nothingClipped_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << u"Form1"_s;
        QTest::newRow("Form2") << u"Form2"_s;
        QTest::newRow("Form3") << u"Form3"_s;
    }
    void nothingClipped()
    {
        QFETCH(QString, window);
        const auto form = makeWindow(window);
        const auto children = form->findChildren<QWidget*>();
        int checked = 0;
        for (QWidget* child : children) {
            const bool isControl = qobject_cast<PushButton*>(child) ||
                                   qobject_cast<Frame*>(child) || qobject_cast<Label*>(child) ||
                                   qobject_cast<DTPicker*>(child);
            if (!isControl)
                continue; // a control's own internals
            ++checked;
            const QRect inside = child->parentWidget()->rect();
            QVERIFY2(inside.contains(child->geometry()), qPrintable(child->objectName()));
        }
        QVERIFY(checked >= 6);
    }
    void arialResolvesToMetricTwin()
    {
        if (!QFontDatabase::families().contains(u"Liberation Sans"_s))
            SKIP_UNLESS_PROMISED("Liberation Sans is not installed");
        const auto form = makeWindow(u"Form1"_s);
        for (const char* name : {"PushButton1", "dtpDate"}) {
            const QFontInfo info(form->findChild<QWidget*>(QString::fromLatin1(name))->font());
            QCOMPARE(info.family(), u"Liberation Sans"_s);
            QVERIFY(!info.fixedPitch());
            QVERIFY(info.bold());
        }
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("cycle"); // starts at the initial focus
        QTest::newRow("Form1") << u"Form1"_s
                               << QStringList{u"dtpDate"_s, u"dtpTime"_s, u"PushButton2"_s,
                                              u"PushButton1"_s};
        QTest::newRow("Form2") << u"Form2"_s << QStringList{u"PushButton2"_s, u"PushButton1"_s};
        QTest::newRow("Form3") << u"Form3"_s << QStringList{u"PushButton2"_s, u"PushButton1"_s};
    }
    void tabOrder()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, cycle);
        const auto form = makeWindow(window);
        for (const char* frame : {"Frame1", "Frame2"}) {
            if (const QWidget* widget = form->findChild<QWidget*>(QString::fromLatin1(frame)))
                QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
        }
        showActive(*form);
        QTRY_VERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), cycle.first());
        // Twice round, so the wrap back to the first control is seen too.
        for (int step = 1; step <= 2 * cycle.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), cycle.at(step % cycle.size()));
        }
        for (int step = 2 * cycle.size() - 1; step >= 0; --step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), cycle.at(step % cycle.size()));
        }
    }

    // The frame's top line stands above the breakdown labels wherever the caption leaves room,
    // as drawn on a screen of ordinary and of double scale: a label painted over it would cut it.
    void frameLineClearsTheLabels_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<qreal>("scale");
        for (const char* form : {"Form2", "Form3"})
            for (const qreal scale : {1.0, 2.0})
                QTest::addRow("%s at %gx", form, scale) << QString::fromLatin1(form) << scale;
    }
    void frameLineClearsTheLabels()
    {
        QFETCH(QString, window);
        QFETCH(qreal, scale);
        const auto form = makeWindow(window);
        const auto* frame = form->findChild<Frame*>(u"Frame1"_s);
        QVERIFY(frame);
        int labelsTop = frame->height();
        for (const Label* label : frame->findChildren<Label*>())
            labelsTop = std::min(labelsTop, label->y());
        QImage image((QSizeF(form->size()) * scale).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        form->render(&image);
        const auto device = [&](QPoint logical) { return (QPointF(logical) * scale).toPoint(); };
        const QPoint origin = frame->pos();
        const QRgb ground =
            image.pixel(device(origin + QPoint(frame->width() - 20, labelsTop + 9)));
        const int from = device(origin + QPoint(frame->captionRect().right() + 4, 0)).x();
        const int to = device(origin + QPoint(frame->width() - 4, 0)).x();
        const int top = device(origin).y();
        const int bottom = device(origin + QPoint(0, labelsTop)).y();
        QVERIFY(to - from > 100);
        for (int x = from; x < to; ++x) {
            bool drawn = false;
            // A line one can see: a faint fringe of a line the label hides does not count.
            for (int y = top; y < bottom && !drawn; ++y)
                drawn = std::abs(qGray(image.pixel(x, y)) - qGray(ground)) >= 16;
            QVERIFY2(drawn, qPrintable(u"no line above the labels at x = %1"_s.arg(x)));
        }
    }

    // Every script's text sits whole in the boxes the layouts fix, in the font of the box or a
    // smaller one, the glyphs that fall back to the script's own font included: the pickers, and
    // the counter window's clock label.
    void everyScriptSitsWhole_data() { addEveryLocaleRow(); }
    void everyScriptSitsWhole()
    {
        QFETCH(QLocale, locale);
        const QStringList scriptFonts{u"Noto Serif Tibetan"_s, u"Padauk"_s, u"Noto Sans Thai"_s};
        for (const QString& family : scriptFonts) {
            if (!QFontDatabase::families().contains(family))
                SKIP_UNLESS_PROMISED(qPrintable(family + u" is not installed"_s));
        }
        QLocale::setDefault(locale);
        const auto form1 = makeWindow(u"Form1"_s);
        auto* date = form1->findChild<DTPicker*>(u"dtpDate"_s);
        auto* time = form1->findChild<DTPicker*>(u"dtpTime"_s);
        for (const QDate day : {QDate(2000, 1, 28), QDate(2026, 9, 30)}) {
            date->setValue(DateTime::fromDate(day));
            checkWhole((*date->editor()), (*date->editor()).text(), QPalette::Base);
        }
        for (const QTime moment : {QTime(9, 5, 30), QTime(21, 59, 59)}) {
            time->setValue(DateTime::fromTime(moment));
            checkWhole((*time->editor()), (*time->editor()).text(), QPalette::Base);
        }
        const auto form2 = makeWindow(u"Form2"_s);
        auto* clock = form2->findChild<Label*>(u"lblCurrentDate"_s);
        const DateTimeText text;
        clock->setCaption(
            clockCaption(DateTime::fromDateAndTime(QDate(2026, 9, 30), QTime(21, 59, 59)), text));
        checkWhole(*clock, shownForm(clock->caption()), clock->backgroundRole());
    }

    // The fixed size each window has, in device-independent pixels and as drawn on a screen of
    // the scale the environment names (the 120 dpi run), and its title bar's buttons.
    void windowSize_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("atOne");
        QTest::addColumn<QSize>("atOneAndAQuarter");
        QTest::addColumn<bool>("minimise");
        QTest::newRow("Form1") << u"Form1"_s << QSize(536, 198) << QSize(670, 248) << true;
        QTest::newRow("Form2") << u"Form2"_s << QSize(536, 238) << QSize(670, 298) << false;
        QTest::newRow("Form3") << u"Form3"_s << QSize(536, 230) << QSize(670, 288) << false;
    }
    void windowSize()
    {
        QFETCH(QString, window);
        QFETCH(QSize, atOne);
        QFETCH(QSize, atOneAndAQuarter);
        QFETCH(bool, minimise);
        bool ok = false;
        qreal scale = qEnvironmentVariable("SPAN_EXPECT_SCALE").toDouble(&ok);
        if (!ok)
            scale = 1.0;
        QVERIFY(scale == 1.0 || scale == 1.25);
        const auto form = makeWindow(window);
        QCOMPARE(form->objectName(), window);
        const Qt::WindowFlags flags = form->windowFlags();
        QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimise);
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->devicePixelRatioF(), scale);
        QCOMPARE(form->size(), atOne);
        // Fixed: no edge or maximise button of the window manager resizes it.
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->grab().size(), scale == 1.0 ? atOne : atOneAndAQuarter);
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
