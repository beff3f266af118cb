#include "controls/controls.h"
#include "controls/form.h"
#include "fakeplatform.h"
#include "layouts/builder.h"
#include "time/datetimetext.h"

#include <QApplication>
#include <QFontInfo>
#include <QProcess>
#include <QTest>
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

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowFrame_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("minimise");
        QTest::newRow("Form1") << u"Form1"_s << QSize(536, 198) << true;
        QTest::newRow("Form2") << u"Form2"_s << QSize(536, 238) << false;
        QTest::newRow("Form3") << u"Form3"_s << QSize(536, 230) << false;
    }
    void windowFrame()
    {
        QFETCH(QString, window);
        QFETCH(QSize, size);
        QFETCH(bool, minimise);
        const auto form = makeWindow(window);
        QCOMPARE(form->objectName(), window);
        QCOMPARE(form->size(), size);
        QCOMPARE(form->minimumSize(), size);
        QCOMPARE(form->maximumSize(), size);
        const Qt::WindowFlags flags = form->windowFlags();
        QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimise);
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container"); // empty: the window
        QTest::addColumn<QRect>("rect");        // width -1: follows the caption
        QTest::addColumn<QString>("caption");   // null: not checked here

        auto row = [](const char* window, QAnyStringView name, const char* container, QRect rect,
                      const char* caption = nullptr) {
            QTest::addRow("%s %s", window, qPrintable(name.toString()))
                << QString::fromLatin1(window) << name.toString() << QString::fromLatin1(container)
                << rect << (caption ? QString::fromLatin1(caption) : QString());
        };
        row("Form1", "Frame1", "", {8, 8, 520, 52});
        row("Form1", "Frame2", "", {8, 66, 520, 55});
        row("Form1", "dtpDate", "Frame1", {12, 20, 496, 23});
        row("Form1", "dtpTime", "Frame2", {12, 20, 496, 25});
        row("Form1", "PushButton2", "", {8, 129, 520, 27}, "Count Time Elapsed");
        row("Form1", "PushButton1", "", {8, 163, 520, 27}, "Count Remaining Time");

        for (const char* form : {"Form2", "Form3"}) {
            const bool lapsed = form == QByteArrayView("Form2");
            const QString suffix = QString::fromLatin1(lapsed ? "Lapsed" : "Remaining");
            const int frameTop = lapsed ? 80 : 72;
            const int buttonTop = lapsed ? 169 : 161;
            row(form, "Frame1", "", {8, frameTop, 520, 82},
                lapsed ? "Lapsed" : "Remaining (set Time ahead of now)");
            const QPoint labelAt[] = {{9, 18}, {9, 51}, {147, 18}, {147, 51}};
            for (int i = 0; i < 4; ++i) {
                const QString name = u"lbl"_s + QLatin1StringView(counterLabels[i]) + suffix;
                row(form, name, "Frame1", {labelAt[i], QSize(-1, 18)});
            }
            row(form, "PushButton2", "", {8, buttonTop, 520, 27}, "Start");
            row(form, "PushButton1", "", {8, lapsed ? 204 : 196, 520, 27}, "< Back");
            row(form, "lblCurrentDate", "", {8, lapsed ? 48 : 40, -1, 18});
            row(form, "lblDateTimeEntered", "", {8, lapsed ? 16 : 8, -1, 18});
        }
    }
    void geometry()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, rect);
        QFETCH(QString, caption);
        const auto form = makeWindow(window);
        QWidget* widget = form->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), control(*form, container));
        QCOMPARE(widget->pos(), rect.topLeft());
        QCOMPARE(widget->height(), rect.height());
        if (rect.width() >= 0) {
            QCOMPARE(widget->width(), rect.width());
        } else {
            QCOMPARE(widget->width(), widget->sizeHint().width());
            QVERIFY(widget->width() > 0);
        }
        if (caption.isNull())
            return;
        if (auto* button = qobject_cast<PushButton*>(widget))
            QCOMPARE(button->caption(), caption);
        else if (auto* frame = qobject_cast<Frame*>(widget))
            QCOMPARE(frame->title(), caption);
        else
            QFAIL("caption given for a control that has none");
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
    void lowestButtonMargin()
    {
        const auto form = makeWindow(u"Form1"_s);
        const QWidget* button = form->findChild<QWidget*>(u"PushButton1"_s);
        QVERIFY(button);
        QCOMPARE(form->height() - (button->geometry().bottom() + 1), 8);
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("points");
        for (const char* form : {"Form1", "Form2", "Form3"}) {
            QTest::addRow("%s window", form) << QString::fromLatin1(form) << QString() << 9.0;
            QTest::addRow("%s Frame1", form) << QString::fromLatin1(form) << u"Frame1"_s << 9.0;
            QTest::addRow("%s PushButton1", form)
                << QString::fromLatin1(form) << u"PushButton1"_s << 11.25;
            QTest::addRow("%s PushButton2", form)
                << QString::fromLatin1(form) << u"PushButton2"_s << 11.25;
        }
        QTest::newRow("Form1 Frame2") << u"Form1"_s << u"Frame2"_s << 9.0;
        QTest::newRow("Form1 dtpDate") << u"Form1"_s << u"dtpDate"_s << 9.0;
        QTest::newRow("Form1 dtpTime") << u"Form1"_s << u"dtpTime"_s << 9.0;
        QTest::newRow("Form2 lblDaysLapsed") << u"Form2"_s << u"lblDaysLapsed"_s << 11.25;
        QTest::newRow("Form2 lblCurrentDate") << u"Form2"_s << u"lblCurrentDate"_s << 11.25;
        QTest::newRow("Form3 lblSecondsRemaining")
            << u"Form3"_s << u"lblSecondsRemaining"_s << 11.25;
        QTest::newRow("Form3 lblDateTimeEntered") << u"Form3"_s << u"lblDateTimeEntered"_s << 11.25;
    }
    void fonts()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(qreal, points);
        const auto form = makeWindow(window);
        const QWidget* widget = control(*form, name);
        QVERIFY(widget);
        const QFont font = widget->font();
        QCOMPARE(font.family(), u"Arial"_s);
        QCOMPARE(font.pointSizeF(), points);
        QVERIFY(font.bold());
    }
    void arialResolvesToMetricTwin()
    {
        QProcess match;
        match.start(u"fc-match"_s, {u"Arial"_s});
        if (!match.waitForFinished() || match.exitCode() != 0)
            QSKIP("fc-match is not available");
        if (!match.readAllStandardOutput().contains("\"Liberation Sans\""))
            QSKIP("Arial does not map to Liberation Sans here");
        const auto form = makeWindow(u"Form1"_s);
        for (const char* name : {"PushButton1", "dtpDate"}) {
            const QFontInfo info(form->findChild<QWidget*>(QString::fromLatin1(name))->font());
            QCOMPARE(info.family(), u"Liberation Sans"_s);
            QVERIFY(!info.fixedPitch());
            QVERIFY(info.bold());
        }
    }

    void whiteBackground_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        for (const char* form : {"Form1", "Form2", "Form3"}) {
            QTest::addRow("%s window", form) << QString::fromLatin1(form) << QString();
            QTest::addRow("%s Frame1", form) << QString::fromLatin1(form) << u"Frame1"_s;
        }
        QTest::newRow("Form1 Frame2") << u"Form1"_s << u"Frame2"_s;
        QTest::newRow("Form2 lblHoursLapsed") << u"Form2"_s << u"lblHoursLapsed"_s;
        QTest::newRow("Form2 lblDateTimeEntered") << u"Form2"_s << u"lblDateTimeEntered"_s;
        QTest::newRow("Form3 lblMinutesRemaining") << u"Form3"_s << u"lblMinutesRemaining"_s;
        QTest::newRow("Form3 lblCurrentDate") << u"Form3"_s << u"lblCurrentDate"_s;
    }
    void whiteBackground()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        const auto form = makeWindow(window);
        const QWidget* widget = control(*form, name);
        QVERIFY(widget);
        QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(widget->autoFillBackground());
    }
    void whiteButtons_data() { nothingClipped_data(); }
    void whiteButtons()
    {
        QFETCH(QString, window);
        const auto form = makeWindow(window);
        for (const char* name : {"PushButton1", "PushButton2"}) {
            const QWidget* button = form->findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY(button);
            QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
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

    void screenScale_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("atOne");
        QTest::addColumn<QSize>("atOneAndAQuarter");
        QTest::newRow("Form1") << u"Form1"_s << QSize(536, 198) << QSize(670, 248);
        QTest::newRow("Form2") << u"Form2"_s << QSize(536, 238) << QSize(670, 298);
        QTest::newRow("Form3") << u"Form3"_s << QSize(536, 230) << QSize(670, 288);
    }
    void screenScale()
    {
        QFETCH(QString, window);
        QFETCH(QSize, atOne);
        QFETCH(QSize, atOneAndAQuarter);
        bool ok = false;
        qreal scale = qEnvironmentVariable("SPAN_EXPECT_SCALE").toDouble(&ok);
        if (!ok)
            scale = 1.0;
        QVERIFY(scale == 1.0 || scale == 1.25);
        const auto form = makeWindow(window);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->devicePixelRatioF(), scale);
        QCOMPARE(form->size(), atOne);
        QCOMPARE(form->grab().size(), scale == 1.0 ? atOne : atOneAndAQuarter);
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
