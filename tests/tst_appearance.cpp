#include "fakeplatform.h"
#include "layouts/builder.h"
#include "platform/controls.h"
#include "platform/datetimetext.h"
#include "platform/form.h"
#include "platform/realplatform.h"
#include "platform/skinengine.h"
#include "shell/errortrap.h"
#include "shell/main.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

class AppearanceTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void applicationTitle_data();
    void applicationTitle();
    void optionalFilesSitBesideTheProgram();
    void fileExists_data();
    void fileExists();
    void skinListingCountsOnlyVisibleRegularFiles_data();
    void skinListingCountsOnlyVisibleRegularFiles();
    void systemBackColoursReachFramesLabelsAndOptions();
    void noSkinFileMeansNothingHappens();
    void styleSheetEngineLoadsAndApplies();
    void styleSheetEngineRefuses_data();
    void styleSheetEngineRefuses();
    void pointerConvention_data();
    void pointerConvention();
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

void AppearanceTest::optionalFilesSitBesideTheProgram()
{
    FakePlatform fake;
    const Platform platform = fake.platform();
    Main main(platform);
    QCOMPARE(main.skinFilePath(), QStringLiteral("/opt/span/x/o.cjs"));
    QCOMPARE(main.handCursorFilePath(), QStringLiteral("/opt/span/HAND-M.CUR"));
    // Appended as they are, with no care for a doubled separator.
    QCOMPARE(optionalFilePath(QStringLiteral("/"), QStringLiteral("\\HAND-M.CUR")),
             QStringLiteral("//HAND-M.CUR"));
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
    const Platform fakes = fake.platform();
    const Platform platform{fakes.clock, fakes.messageBox, fakes.urlOpener,     fakes.random,
                            realFiles,   fakes.skinEngine, fakes.windowHandles, fakes.programEnd};
    QCOMPARE(Main(platform).FileExists(path), exists);
    QVERIFY(fake.messageBox.m_reports.empty());
}

void AppearanceTest::skinListingCountsOnlyVisibleRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("listed");
    QTest::newRow("regular file") << QStringLiteral("file") << true;
    QTest::newRow("folder") << QStringLiteral("folder") << false;
    QTest::newRow("hidden file") << QStringLiteral("hidden") << false;
    QTest::newRow("missing") << QStringLiteral("missing") << false;
    QTest::newRow("fifo") << QStringLiteral("fifo") << false;
    QTest::newRow("link to a file") << QStringLiteral("link") << true;
}

void AppearanceTest::skinListingCountsOnlyVisibleRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, listed);
    QTemporaryDir dir;
    const QString name =
        kind == QLatin1String("hidden") ? QStringLiteral(".o.cjs") : QStringLiteral("o.cjs");
    const QString path = dir.filePath(name);
    if (kind == QLatin1String("file") || kind == QLatin1String("hidden")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(name));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("link")) {
        QFile target(dir.filePath(QStringLiteral("target")));
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(target.fileName(), path));
    }
    QCOMPARE(LocalFileSystem().listNormalFile(path), listed ? name : QString());
}

void AppearanceTest::systemBackColoursReachFramesLabelsAndOptions()
{
    Form window;
    DateTimeText text;
    buildWindow(window, form1Layout(), text);
    auto* check = new QCheckBox(&window);
    auto* option = new QRadioButton(check);
    auto* label = new Label(&window);
    auto* edit = new QLineEdit(&window);
    Main::SetSystemBackColors(window);

    for (QWidget* widget : std::initializer_list<QWidget*>{
             &window, check, option, label, window.findChild<Frame*>(QStringLiteral("Frame1")),
             window.findChild<Frame*>(QStringLiteral("Frame2"))}) {
        QCOMPARE(widget->backgroundRole(), QPalette::Button);
        QVERIFY(widget->autoFillBackground());
    }
    // Buttons, pickers and other controls keep their colours.
    QCOMPARE(edit->backgroundRole(), QLineEdit().backgroundRole());
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

void AppearanceTest::styleSheetEngineLoadsAndApplies()
{
    QFile skin(m_dir.filePath(QStringLiteral("skin.qss")));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.write("QPushButton { color: rgb(10, 20, 30); }");
    skin.close();

    WindowHandleTable handles;
    StyleSheetSkinEngine engine(handles);
    QWidget window;
    engine.call(2, {skin.fileName(), QString()});
    engine.setProperty(1, engine.property(1).toInt() | 1);
    QCOMPARE(engine.property(1).toInt(), 1);
    QVERIFY(window.styleSheet().isEmpty()); // loading alone styles nothing
    engine.call(3, {handles.handleOf(window)});
    QCOMPARE(window.styleSheet(), QStringLiteral("QPushButton { color: rgb(10, 20, 30); }"));
}

void AppearanceTest::styleSheetEngineRefuses_data()
{
    QTest::addColumn<int>("dispatchId");
    QTest::addColumn<QString>("file");
    QTest::newRow("missing file") << 2 << QStringLiteral("missing.qss");
    QTest::newRow("folder") << 2 << QStringLiteral(".");
    QTest::newRow("over 1 MB") << 2 << QStringLiteral("huge.qss");
    QTest::newRow("unknown window") << 3 << QString();
    QTest::newRow("unknown member") << 7 << QString();
}

void AppearanceTest::styleSheetEngineRefuses()
{
    QFETCH(int, dispatchId);
    QFETCH(QString, file);
    QFile huge(m_dir.filePath(QStringLiteral("huge.qss")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(StyleSheetSkinEngine::largestSkinFile + 1));
    huge.close();

    WindowHandleTable handles;
    StyleSheetSkinEngine engine(handles);
    const QVariantList arguments =
        dispatchId == 2 ? QVariantList{m_dir.filePath(file), QString()} : QVariantList{42};
    QVERIFY_THROWS_EXCEPTION(Failure, engine.call(dispatchId, arguments));
    QVERIFY(engine.styleSheet().isEmpty());
}

void AppearanceTest::pointerConvention_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("overButton");
    QTest::addColumn<int>("after");
    QTest::newRow("button from default") << 0 << true << 99;
    QTest::newRow("surface from hand") << 99 << false << 0;
    QTest::newRow("button keeps hourglass") << 11 << true << 11;
    QTest::newRow("surface keeps hourglass") << 11 << false << 11;
}

void AppearanceTest::pointerConvention()
{
    QFETCH(int, before);
    QFETCH(bool, overButton);
    QFETCH(int, after);
    Form window;
    window.setMousePointer(before);
    if (overButton)
        Main::pointerOverButton(window);
    else
        Main::pointerOverSurface(window);
    QCOMPARE(window.mousePointer(), after);
    // The hourglass, or the ordinary arrow: no hand image was loaded here.
    QCOMPARE(window.cursor().shape(), after == HourglassPointer ? Qt::WaitCursor : Qt::ArrowCursor);
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
    QString shown;
    int bands = 0;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QLabel* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty()) {
                shown = label->text();
                bands = textBands(label->grab().toImage());
            }
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    WarningMessageBox().showWarning(errorReportTitle, report);
    // The box shows the composed text itself, with its line ends as this system writes them.
    QCOMPARE(shown, QString(report)
                        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                        .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QCOMPARE(bands, lines);
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
