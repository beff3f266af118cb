#include "app/application.h"
#include "controls/dtpicker.h"
#include "controls/readabletext.h"
#include "fakeplatform.h"
#include "shell/form1.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QImage>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <memory>

namespace {
// The contrast ratio as the accessibility guidelines define it, worked out here on its own so
// that the program's figure is checked against another.
double luminance(QRgb rgb)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The ink of text drawn in an area: the pixel that stands out most from the area's background,
// which in a large font is the text's own colour, not a blend of its edge.
double inkContrast(const QImage& image, const QRect& area, QRgb background)
{
    double most = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            most = std::max(most, contrast(background, image.pixel(x, y)));
    return most;
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::AlternateBase, QColor(0x2e, 0x2e, 0x2e));
    dark.setColor(QPalette::Text, QColor(0xff, 0xff, 0xff));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x5e, 0x5e, 0x5e));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    dark.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    return dark;
}
} // namespace

class ReadableTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textColourOnItsBackground_data();
    void textColourOnItsBackground();
    void calendarTextReads_data();
    void calendarTextReads();
};

void ReadableTextTest::textColourOnItsBackground_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("readable"); // the text colour readableOn gives
    QTest::addColumn<bool>("tintKeepsHue");
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const QColor darkGrey(0x24, 0x24, 0x24);
    // 4.54:1 and 4.48:1 on white; 4.56:1 and 4.50:1 on the dark theme's grey.
    QTest::newRow("white, just reads") << white << QColor(0x767676) << QColor(0x767676) << false;
    QTest::newRow("white, just short") << white << QColor(0x777777) << black << false;
    QTest::newRow("dark, just reads") << darkGrey << QColor(0x8b8b8b) << QColor(0x8b8b8b) << false;
    QTest::newRow("dark, just short") << darkGrey << QColor(0x8a8a8a) << white << false;
    QTest::newRow("white on white") << white << white << black << false;
    QTest::newRow("black on black") << black << black << white << false;
    QTest::newRow("red on white") << white << QColor(Qt::red) << black << true;
    QTest::newRow("red on dark grey") << darkGrey << QColor(Qt::red) << white << true;
    QTest::newRow("white on the highlight") << QColor(0x308cc6) << white << black << false;
}

void ReadableTextTest::textColourOnItsBackground()
{
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    QFETCH(QColor, readable);
    QFETCH(bool, tintKeepsHue);
    QCOMPARE(readableOn(background, text), readable);
    // The tint reaches the threshold, and goes no further than a step beyond it.
    const QColor tint = readableTint(background, text);
    QVERIFY2(contrast(background.rgb(), tint.rgb()) >= 4.5, qPrintable(tint.name()));
    if (readable == text)
        QCOMPARE(tint, text);
    if (tintKeepsHue) {
        QCOMPARE(tint.hue(), text.hue());
        QVERIFY2(contrast(background.rgb(), tint.rgb()) < 4.6, qPrintable(tint.name()));
    }
}

void ReadableTextTest::calendarTextReads_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QLocale>("locale");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale saudi(QLocale::Arabic, QLocale::SaudiArabia);
    QTest::newRow("light, Saturday and Sunday") << false << us;
    QTest::newRow("dark, Saturday and Sunday") << true << us;
    QTest::newRow("light, Friday and Saturday") << false << saudi;
    QTest::newRow("dark, Friday and Saturday") << true << saudi;
}

// Every text of the date picker's calendar, read back from what it draws: the days of this month
// and the next, the marked weekend, the weekday names, the chosen day and the month's header.
void ReadableTextTest::calendarTextReads()
{
    QFETCH(bool, dark);
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
    FakePlatform fake;
    auto application = std::make_unique<Application>(fake.platform());
    application->start();
    DTPicker& picker = application->form1().dtpDate();
    QVERIFY(QTest::qWaitForWindowActive(&application->form1()));
    QTest::keyClick(&picker, Qt::Key_F4);
    QCalendarWidget* calendar = picker.calendarWidget();
    QTRY_VERIFY(calendar->isVisible());
    // A large font, so each glyph has pixels of the text's full colour.
    calendar->setFont(QFont(calendar->font().family(), 28));
    auto* days = calendar->findChild<QTableView*>();
    QVERIFY(days);
    QCoreApplication::processEvents();
    const QImage drawn = calendar->grab().toImage();

    int cells = 0;
    for (int row = 0; row < days->model()->rowCount(); ++row)
        for (int column = 0; column < days->model()->columnCount(); ++column) {
            const QModelIndex index = days->model()->index(row, column);
            if (days->model()->data(index).toString().isEmpty())
                continue;
            const QRect cell(days->viewport()->mapTo(calendar, days->visualRect(index).topLeft()),
                             days->visualRect(index).size());
            const QRgb background = drawn.pixel(cell.topLeft() + QPoint(1, 1));
            const double ratio = inkContrast(drawn, cell.adjusted(1, 1, -1, -1), background);
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 at row %2, column %3: %4:1")
                                                  .arg(days->model()->data(index).toString())
                                                  .arg(row)
                                                  .arg(column)
                                                  .arg(ratio, 0, 'f', 2)));
            ++cells;
        }
    QCOMPARE(cells, 7 * 7);
    int headers = 0;
    for (QToolButton* button : calendar->findChildren<QToolButton*>()) {
        if (button->text().isEmpty() || !button->isVisible())
            continue;
        const QRect area(button->mapTo(calendar, QPoint(0, 0)), button->size());
        const QRgb background = drawn.pixel(area.topLeft() + QPoint(1, 1));
        const double ratio = inkContrast(drawn, area.adjusted(1, 1, -1, -1), background);
        QVERIFY2(ratio >= 4.5,
                 qPrintable(QStringLiteral("%1: %2:1").arg(button->text()).arg(ratio, 0, 'f', 2)));
        ++headers;
    }
    QCOMPARE(headers, 2); // the month and the year
    application.reset();
    QApplication::setPalette(QApplication::style()->standardPalette());
}

QTEST_MAIN(ReadableTextTest)
#include "tst_readabletext.moc"
