#include "app/application.h"
#include "controls/controls.h"
#include "controls/form.h"
#include "counters/counterwindow.h"
#include "fakeplatform.h"
#include "layouts/builder.h"
#include "platform/localfilesystem.h"
#include "platform/qtmessageboxlabel.h"
#include "platform/skinengine.h"
#include "platform/warningmessagebox.h"
#include "platform/windowhandletable.h"
#include "shell/errortrap.h"
#include "shell/form1.h"
#include "shell/main.h"
#include "time/datetimetext.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class AppearanceTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void applicationTitle_data();
    void applicationTitle();
    void fileExists_data();
    void fileExists();
    void skinListingCountsOnlyVisibleRegularFiles_data();
    void skinListingCountsOnlyVisibleRegularFiles();
    void systemBackColoursReachFramesAndLabels();
    void noSkinFileMeansNothingHappens();
    void styleSheetEngineRefuses_data();
    void styleSheetEngineRefuses();
    void styleSheetSizeLimit_data();
    void styleSheetSizeLimit();
    void pointerFollowsTheMouse_data();
    void pointerFollowsTheMouse();
    void reportLinesStayWhole_data();
    void reportLinesStayWhole();

private:
    QTemporaryDir m_dir;
};

void AppearanceTest::applicationTitle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title"); // empty: the cut fails
    QTest::newRow("product") << QStringLiteral(
                                    "Tallyglass Hourwick Span Meter for Clockwise Reckoning")
                             << QStringLiteral("Tallyglass Hourwick Span Meter for");
    QTest::newRow("short name still loses its last word")
        << QStringLiteral("Span Meter") << QStringLiteral("Span");
    QTest::newRow("exactly 40 after one cut")
        << QStringLiteral("0123456789012345678901234567890123456789 x")
        << QStringLiteral("0123456789012345678901234567890123456789");
    QTest::newRow("41 after one cut")
        << QStringLiteral("012345678901234567890123456789 0123456789 x")
        << QStringLiteral("012345678901234567890123456789");
    QTest::newRow("trailing blank") << QStringLiteral("Span ") << QStringLiteral("Span");
    QTest::newRow("no blank") << QStringLiteral("Span") << QString();
    QTest::newRow("too long with no blank left")
        << QStringLiteral("01234567890123456789012345678901234567890123 x") << QString();
}

void AppearanceTest::applicationTitle()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    if (title.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(Failure, applicationTitleFrom(name));
        return;
    }
    QCOMPARE(applicationTitleFrom(name), title);
}

void AppearanceTest::fileExists_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("exists");
    QVERIFY(m_dir.isValid());
    QFile file(m_dir.filePath(QStringLiteral("HAND-M.CUR")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
    QTest::newRow("file") << file.fileName() << true;
    QTest::newRow("folder") << m_dir.filePath(QStringLiteral("folder")) << true;
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("none.cur")) << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("nul inside") << m_dir.path() + QChar(0) + QStringLiteral("x") << false;
    QTest::newRow("too long") << m_dir.filePath(QString(5000, QLatin1Char('a'))) << false;
}

void AppearanceTest::fileExists()
{
    QFETCH(QString, path);
    QFETCH(bool, exists);
    FakePlatform fake;
    LocalFileSystem realFiles;
    QCOMPARE(Main(fake.platform({.fileSystem = &realFiles})).FileExists(path), exists);
    QVERIFY(fake.messageBox.m_reports.empty());
}

void AppearanceTest::skinListingCountsOnlyVisibleRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("listed");
    QTest::newRow("regular file") << QStringLiteral("file") << QString() << true;
    QTest::newRow("folder") << QStringLiteral("folder") << QString() << false;
    QTest::newRow("hidden file") << QStringLiteral("hidden") << QString() << false;
    QTest::newRow("missing") << QStringLiteral("missing") << QString() << false;
#ifdef Q_OS_UNIX
    QTest::newRow("fifo") << QStringLiteral("fifo") << QString() << false;
#endif
    QTest::newRow("link to a file") << QStringLiteral("link") << QString() << true;
    // Names no single Windows code page holds: the program may be unpacked under any of them.
    const QString polishAndRussian = QStringLiteral("Łukasz Пользователь/span/x");
    QTest::newRow("file under Polish and Russian names")
        << QStringLiteral("file") << polishAndRussian << true;
    QTest::newRow("missing under Polish and Russian names")
        << QStringLiteral("missing") << polishAndRussian << false;
    QTest::newRow("folder under Polish and Russian names")
        << QStringLiteral("folder") << polishAndRussian << false;
    QTest::newRow("file under Greek and Japanese names")
        << QStringLiteral("file") << QStringLiteral("Ελένη/ファイル") << true;
}

void AppearanceTest::skinListingCountsOnlyVisibleRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, folder);
    QFETCH(bool, listed);
    QTemporaryDir top;
    QVERIFY(QDir(top.path()).mkpath(folder.isEmpty() ? QStringLiteral(".") : folder));
    const QDir dir(top.filePath(folder));
    const QString name =
        kind == QLatin1String("hidden") ? QStringLiteral(".o.cjs") : QStringLiteral("o.cjs");
    const QString path = dir.filePath(name);
    if (kind == QLatin1String("file") || kind == QLatin1String("hidden")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(dir.mkdir(name));
#ifdef Q_OS_UNIX
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    } else if (kind == QLatin1String("link")) {
        QFile target(dir.filePath(QStringLiteral("target")));
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(target.fileName(), path));
    }
    QCOMPARE(LocalFileSystem().listNormalFile(path), listed ? name : QString());
}

void AppearanceTest::systemBackColoursReachFramesAndLabels()
{
    Form window;
    DateTimeText text;
    const FakeClock clock;
    buildWindow(window, form2Layout(), text, clock);
    Main::SetSystemBackColors(window);
    QList<QWidget*> painted{&window};
    for (Frame* frame : window.findChildren<Frame*>())
        painted << frame;
    for (Label* label : window.findChildren<Label*>())
        painted << label;
    QCOMPARE(painted.size(), 8); // the window, its frame and its six labels
    for (QWidget* widget : painted) {
        QCOMPARE(widget->backgroundRole(), QPalette::Button);
        QVERIFY(widget->autoFillBackground());
    }
    // Buttons keep their colours.
    auto* button = window.findChild<PushButton*>(QStringLiteral("PushButton1"));
    QCOMPARE(button->backgroundRole(), PushButton().backgroundRole());
    QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
}

void AppearanceTest::noSkinFileMeansNothingHappens()
{
    FakePlatform fake;
    const Platform platform = fake.platform();
    Form window;
    Main(platform).LoadSkinIfPresent(window);
    QCOMPARE(fake.journal.entries(), QStringList{QStringLiteral("list /opt/span/x/o.cjs")});
    QCOMPARE(window.backgroundRole(), QPalette::Window);
}

void AppearanceTest::styleSheetEngineRefuses_data()
{
    QTest::addColumn<int>("dispatchId");
    QTest::addColumn<QString>("file");
    QTest::newRow("missing file") << 2 << QStringLiteral("missing.qss");
    QTest::newRow("folder") << 2 << QStringLiteral(".");
    QTest::newRow("unknown window") << 3 << QString();
    QTest::newRow("unknown member") << 7 << QString();
}

void AppearanceTest::styleSheetEngineRefuses()
{
    QFETCH(int, dispatchId);
    QFETCH(QString, file);
    WindowHandleTable handles;
    StyleSheetSkinEngine engine(handles);
    const QVariantList arguments =
        dispatchId == 2 ? QVariantList{m_dir.filePath(file), QString()} : QVariantList{42};
    QVERIFY_THROWS_EXCEPTION(Failure, engine.call(dispatchId, arguments));
    QVERIFY(engine.styleSheet().isEmpty());
}

void AppearanceTest::styleSheetSizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("loads");
    QTest::newRow("1 MB exactly") << qint64(1048576) << true;
    QTest::newRow("1 MB and a byte") << qint64(1048577) << false;
}

void AppearanceTest::styleSheetSizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, loads);
    const QString path = m_dir.filePath(QStringLiteral("sized.qss"));
    QFile sheet(path);
    QVERIFY(sheet.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(sheet.write(QByteArray(size, ' ')), size);
    sheet.close();

    WindowHandleTable handles;
    StyleSheetSkinEngine engine(handles);
    const QVariantList arguments{path, QString()};
    if (loads) {
        engine.call(2, arguments);
        QCOMPARE(engine.styleSheet().size(), size);
    } else {
        QVERIFY_THROWS_EXCEPTION(Failure, engine.call(2, arguments));
        QVERIFY(engine.styleSheet().isEmpty());
    }
}

namespace {
// A point of the widget that none of its children covers, searched from one corner.
std::optional<QPoint> barePoint(const QWidget& widget, bool fromTopLeft)
{
    constexpr int inset = 4;
    const QRect area = widget.rect().adjusted(inset, inset, -inset, -inset);
    for (int y = 0; y <= area.height(); y += 2)
        for (int x = 0; x <= area.width(); x += 2) {
            const QPoint p =
                fromTopLeft ? area.topLeft() + QPoint(x, y) : area.bottomRight() - QPoint(x, y);
            if (!widget.childAt(p))
                return p;
        }
    return std::nullopt;
}

// Where in the window the mouse goes for a stop: the bare surface, the bare part of a frame, or
// the middle of a control.
QPoint pointOver(const Form& window, const QString& stop)
{
    if (stop == QLatin1String("surface"))
        return barePoint(window, true).value_or(QPoint(-1, -1));
    const auto* control = window.findChild<QWidget*>(stop);
    if (!control)
        return {-1, -1};
    const QPoint inside = qobject_cast<const Frame*>(control)
                              ? barePoint(*control, true).value_or(QPoint(-1, -1))
                              : control->rect().center();
    return control->mapTo(&window, inside);
}
} // namespace

void AppearanceTest::pointerFollowsTheMouse_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("before");
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("handFile");
    const auto row = [](const char* name, const char* window, int before, QStringList path,
                        int after, bool handFile = true) {
        QTest::newRow(name) << QString::fromLatin1(window) << before << path << after << handFile;
    };
    const QString surface = QStringLiteral("surface");
    const QString frame1 = QStringLiteral("Frame1");
    const QString button1 = QStringLiteral("PushButton1");
    const QString button2 = QStringLiteral("PushButton2");
    row("main: Count Remaining Time", "Form1", 0, {button1}, 99);
    row("main: Count Time Elapsed", "Form1", 0, {button2}, 99);
    row("main: button, surface", "Form1", 0, {button2, surface}, 0);
    row("main: button, date frame", "Form1", 0, {button1, frame1}, 0);
    row("main: button, time frame", "Form1", 0, {button2, QStringLiteral("Frame2")}, 0);
    row("main: button, date picker", "Form1", 0, {button1, QStringLiteral("dtpDate")}, 99);
    row("main: surface, time picker", "Form1", 99, {surface, QStringLiteral("dtpTime")}, 0);
    row("main: hourglass over a button", "Form1", 11, {button2}, 11);
    row("main: hourglass over a frame", "Form1", 11, {frame1}, 11);
    row("elapsed: Start", "Form2", 0, {button2}, 99);
    row("elapsed: Back", "Form2", 0, {button1}, 99);
    row("elapsed: Back, no hand file", "Form2", 0, {button1}, 99, false);
    row("elapsed: Start, surface", "Form2", 0, {button2, surface}, 0);
    row("elapsed: Back, frame", "Form2", 0, {button1, frame1}, 0);
    row("elapsed: Start, label", "Form2", 0, {button2, QStringLiteral("lblCurrentDate")}, 99);
    row("elapsed: Start, label in the frame", "Form2", 0,
        {button2, QStringLiteral("lblDaysLapsed")}, 99);
    row("elapsed: surface, label in the frame", "Form2", 99,
        {surface, QStringLiteral("lblSecondsLapsed")}, 0);
    row("elapsed: hourglass over the surface", "Form2", 11, {surface}, 11);
    row("remaining: Start", "Form3", 0, {button2}, 99);
    row("remaining: Back, surface", "Form3", 0, {button1, surface}, 0);
    row("remaining: Back, label", "Form3", 0, {button1, QStringLiteral("lblDateTimeEntered")}, 99);
    row("remaining: Start, label in the frame", "Form3", 0,
        {button2, QStringLiteral("lblHoursRemaining")}, 99);
    row("remaining: Start, frame", "Form3", 0, {button2, frame1}, 0);
    row("remaining: hourglass over Back", "Form3", 11, {button1}, 11);
}

void AppearanceTest::pointerFollowsTheMouse()
{
    QFETCH(QString, window);
    QFETCH(int, before);
    QFETCH(QStringList, path);
    QFETCH(int, after);
    QFETCH(bool, handFile);
    // The program's own hand beside it, so the custom pointer is its image, not the arrow.
    QTemporaryDir folder;
    FakePlatform fake;
    fake.fileSystem.m_folder = folder.path();
    if (handFile) {
        QVERIFY(QFile::copy(QStringLiteral(SPAN_SOURCE_DIR "/resources/HAND-M.CUR"),
                            folder.filePath(QStringLiteral("HAND-M.CUR"))));
        fake.fileSystem.m_existing << folder.filePath(QStringLiteral("HAND-M.CUR"));
    }
    Application app(fake.platform());
    app.start();
    Form* shown = &app.form1();
    if (window != QLatin1String("Form1")) {
        const bool elapsed = window == QLatin1String("Form2");
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        const QString button =
            elapsed ? QStringLiteral("PushButton2") : QStringLiteral("PushButton1");
        QTest::mouseClick(shown->findChild<PushButton*>(button), Qt::LeftButton);
        shown = elapsed ? static_cast<Form*>(app.loadedForm2()) : app.loadedForm3();
        QVERIFY(shown);
    }
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    QVERIFY(fake.messageBox.m_reports.empty());
    // From a spot on no stop of the path, so the first move is a move.
    QTest::mouseMove(shown, barePoint(*shown, false).value_or(QPoint(1, 1)));
    shown->setMousePointer(before);

    QPoint last;
    for (const QString& stop : path) {
        last = pointOver(*shown, stop);
        QVERIFY2(shown->rect().contains(last), qPrintable(stop));
        QTest::mouseMove(shown, last);
    }
    QCOMPARE(shown->mousePointer(), after);
    // The pointer the window shows, and that the control under the mouse shows with it.
    const QCursor cursor = shown->cursor();
    switch (after) {
    case CustomPointer:
        // Without a hand of its own the custom pointer is the arrow, but still the window's own.
        QVERIFY(shown->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(cursor.shape(), handFile ? Qt::BitmapCursor : Qt::ArrowCursor);
        if (handFile) {
            // As large as the system's own pointer at this scale: 32 pixels.
            QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
            QCOMPARE(cursor.hotSpot(), QPoint(9, 0));
        }
        break;
    case HourglassPointer:
        QCOMPARE(cursor.shape(), Qt::WaitCursor);
        break;
    default:
        QVERIFY(!shown->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(cursor.shape(), Qt::ArrowCursor);
    }
    // A picker's text field keeps its own text cursor.
    const QWidget* under = shown->childAt(last);
    const bool inPicker = under && (qobject_cast<const DTPicker*>(under) ||
                                    qobject_cast<const DTPicker*>(under->parentWidget()));
    if (under && !inPicker)
        QCOMPARE(under->cursor().shape(), cursor.shape());
}

void AppearanceTest::reportLinesStayWhole_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("lines");
    // The narrowest boxes: the address line is the widest, and it broke at the address's hyphen.
    QTest::newRow("short") << QStringLiteral("Overflow") << 3;
    QTest::newRow("empty") << QString() << 2;
}

namespace {
// How many lines of text an image shows: bands of rows holding a pixel unlike the corner's.
int textBands(const QImage& image)
{
    const QRgb ground = image.pixel(0, 0);
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool inked = false;
        for (int x = 0; x < image.width() && !inked; ++x)
            inked = image.pixel(x, y) != ground;
        bands += inked && !inBand;
        inBand = inked;
    }
    return bands;
}
} // namespace

void AppearanceTest::reportLinesStayWhole()
{
    QFETCH(QString, description);
    QFETCH(int, lines);
    const QString report = composeErrorReport(
        description, QStringLiteral("in Tallyglass_Hourwick2021/08/31.Form2.Timer1 "), 100);
    std::optional<QString> shown;
    int bands = 0;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (QLabel* label = messageBoxTextLabel(*box)) {
            shown = label->text();
            bands = textBands(label->grab().toImage());
        }
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    WarningMessageBox().showWarning(errorReportTitle, report);
    if (!shown)
        QFAIL("Qt's message box no longer names its text label \"qt_msgbox_label\": the line "
              "with the address may wrap (platform/qtmessageboxlabel.cpp)");
    // The box shows the composed text itself, with its line ends as this system writes them.
    QCOMPARE(*shown, QString(report)
                         .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                         .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QCOMPARE(bands, lines);
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
