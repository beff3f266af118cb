#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "fakeplatform.h"
#include "folderfilesystem.h"
#include "platform/skinengine.h"
#include "shell/form1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <unistd.h>
#endif

namespace {
// Root reads any file whatever its mode. On Linux a root test gives up its file access (the
// file-system user id) to see what a user sees; elsewhere it keeps it. True when given up.
bool giveUpRootFileAccess()
{
#ifdef Q_OS_LINUX
    if (geteuid() != 0)
        return false;
    setfsuid(65534);
    return setfsuid(static_cast<uid_t>(-1)) == 65534;
#else
    return false;
#endif
}

void takeBackRootFileAccess()
{
#ifdef Q_OS_LINUX
    setfsuid(0);
#endif
}

// The bytes this process has read so far, as Linux counts them; -1 elsewhere.
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = io.readLine(); !line.isEmpty(); line = io.readLine())
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// The real files, skin engine and window handles, in a program folder of the test's own; the
// clock, the reports, the browser, the dice and the program's end stay fakes.
struct RealFilesPlatform : FakePlatform
{
    explicit RealFilesPlatform(const QString& folder) : realFiles(folder) {}
    Platform platform()
    {
        return FakePlatform::platform({.fileSystem = &realFiles, .skinEngine = &realSkin});
    }

    FolderFileSystem realFiles;
    StyleSheetSkinEngine realSkin{windowHandles};
};

enum class Breakage { None, Unreadable };

QByteArray garbage(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

const QString reportPlace = QStringLiteral("in Tallyglass_Hourwick2021/08/31.%1 at line %2");
} // namespace

class BadInputTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void skinFile_data();
    void skinFile();
    void cursorFile_data();
    void cursorFile();
    void momentAtTheEndsOfTheCalendar_data();
    void momentAtTheEndsOfTheCalendar();

private:
    QString programFile(const QString& name) const { return m_folder->filePath(name); }
    void startProgram();
    void checkReport(std::size_t index, const QString& description, const QString& where, int line);
    void checkCarriesOn(DateTime momentDate, DateTime momentTime);
    CounterWindow* openCounter(bool elapsed);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<RealFilesPlatform> m_platform;
    std::unique_ptr<Application> m_app;
};

void BadInputTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // Fonts, image readers and the icon load once here, so no row pays for them or depends on the
    // files they come from.
    FakePlatform fake;
    Application app(fake.platform());
    app.start();
}

void BadInputTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("x")));
    m_platform = std::make_unique<RealFilesPlatform>(m_folder->path());
}

void BadInputTest::cleanup()
{
    m_app.reset();
    m_platform.reset();
    m_folder.reset();
}

void BadInputTest::startProgram()
{
    m_app = std::make_unique<Application>(m_platform->platform());
    m_app->start();
}

void BadInputTest::checkReport(std::size_t index, const QString& description, const QString& where,
                               int line)
{
    const std::vector<Report>& reports = m_platform->messageBox.m_reports;
    QVERIFY(index < reports.size());
    QCOMPARE(reports.at(index).title, QStringLiteral("Application Error"));
    const QStringList head =
        reports.at(index).text.section(QStringLiteral("\r\r"), 0, 0).split(QStringLiteral("\r\n"));
    QCOMPARE(head.size(), 2);
    QVERIFY2(head.at(0).startsWith(description), qPrintable(head.at(0)));
    QCOMPARE(head.at(1), reportPlace.arg(where).arg(line));
}

// Presses the main window's button for one counter and returns the counter it loaded, if any.
CounterWindow* BadInputTest::openCounter(bool elapsed)
{
    if (elapsed)
        m_app->form1().PushButton2_Click();
    else
        m_app->form1().PushButton1_Click();
    return elapsed ? m_app->loadedForm2() : m_app->loadedForm3();
}

// The program goes on: the main window is shown with the Moment in its pickers, and each of its
// buttons opens its counter window, from which Back returns.
void BadInputTest::checkCarriesOn(DateTime momentDate, DateTime momentTime)
{
    Form1& form1 = m_app->form1();
    QVERIFY(form1.isVisible());
    QCOMPARE(form1.dtpDate().value(), momentDate);
    QCOMPARE(form1.dtpTime().value(), momentTime);
    for (bool elapsed : {true, false}) {
        CounterWindow* window = openCounter(elapsed);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(!form1.isVisible());
        window->backButton().click();
        QVERIFY(form1.isVisible());
        QCOMPARE(elapsed ? m_app->loadedForm2() : m_app->loadedForm3(), nullptr);
    }
    QVERIFY(!m_app->hasEnded());
}

void BadInputTest::skinFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("sparseSize");
    QTest::addColumn<Breakage>("breakage");
    // The start of the description, %1 standing for the file's path; empty for no report.
    QTest::addColumn<QString>("reported");

    const QByteArray sheet("QWidget { background: rgb(1, 2, 3); }");
    QTest::newRow("well-formed") << sheet << qint64(0) << Breakage::None << QString();
    QTest::newRow("unreadable") << sheet << qint64(0) << Breakage::Unreadable
                                << QStringLiteral("The skin file %1 cannot be read: ");
    QTest::newRow("empty") << QByteArray() << qint64(0) << Breakage::None << QString();
    QTest::newRow("100 MB") << QByteArray() << qint64(100) * 1024 * 1024 << Breakage::None
                            << QStringLiteral("The skin file %1 is larger than 1 MB");
    QTest::newRow("binary garbage")
        << garbage(64 * 1024, 20210831) << qint64(0) << Breakage::None << QString();
}

void BadInputTest::skinFile()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, sparseSize);
    QFETCH(Breakage, breakage);
    QFETCH(QString, reported);

    const QString path = programFile(QStringLiteral("x/o.cjs"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
    if (sparseSize)
        QVERIFY(file.resize(sparseSize)); // a hole: no disk space, no time to make
    file.close();

    // For the unreadable file the test gives up root's file access for the program's start, and
    // lets the folders be searched by everyone so that only the file itself is shut.
    bool rootGivenUp = false;
    const auto giveRootBack = qScopeGuard([&] {
        if (rootGivenUp)
            takeBackRootFileAccess();
    });
    if (breakage == Breakage::Unreadable) {
#ifndef Q_OS_UNIX
        QSKIP("Qt cannot take the right to read a file away on this system");
#endif
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        const auto searchable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(m_folder->path(), searchable));
        QVERIFY(QFile::setPermissions(programFile(QStringLiteral("x")), searchable));
        rootGivenUp = giveUpRootFileAccess();
        // Still there to be found, only not to be read.
        QVERIFY(QFileInfo(path).isFile());
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("This process can read a file whatever its mode");
    }

    // Only what the program's start reads: a 100 MB file read even a little would show here.
    const qint64 readBefore = bytesReadSoFar();
    QElapsedTimer startTime;
    startTime.start();
    startProgram();
    const qint64 startMs = startTime.elapsed();
    const qint64 readDuringStart = readBefore < 0 ? -1 : bytesReadSoFar() - readBefore;
    if (rootGivenUp) {
        takeBackRootFileAccess();
        rootGivenUp = false;
    }

    const std::vector<Report>& reports = m_platform->messageBox.m_reports;
    QCOMPARE(reports.size(), reported.isEmpty() ? 0u : 1u);
    if (!reported.isEmpty()) {
        checkReport(0, reported.arg(path), QStringLiteral("Form1.Form_Load"), 100);
        if (QTest::currentTestFailed())
            return;
    }
    // A skin that loads is applied as it was read; one that fails leaves the window unskinned.
    QCOMPARE(m_app->form1().styleSheet(),
             reported.isEmpty() ? QString::fromUtf8(content) : QString());
    if (sparseSize) {
        qInfo("the start with a %lld-byte skin file took %lld ms and read %lld bytes", sparseSize,
              startMs, readDuringStart);
#ifdef Q_OS_LINUX
        QVERIFY(readDuringStart >= 0);
#endif
        // Elsewhere the time alone shows a whole read.
        QVERIFY2(readDuringStart < 64 * 1024, "the oversized skin file was read");
        QVERIFY(startMs < 5000);
    }

    const DateTime now = m_platform->clock.m_now;
    checkCarriesOn(now.datePart(), now.timePart());
    QCOMPARE(reports.size(), reported.isEmpty() ? 0u : 1u);
}

void BadInputTest::cursorFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<qint64>("sparseSize");
    QTest::addColumn<QString>("reported"); // the start of the description; empty for none

    QFile shipped(QStringLiteral(SPAN_SOURCE_DIR "/resources/HAND-M.CUR"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray cursor = shipped.readAll();
    const QString invalid = QStringLiteral("Invalid cursor file: ");
    QTest::newRow("well-formed") << cursor << false << qint64(0) << QString();
    QTest::newRow("a folder") << QByteArray() << true << qint64(0)
                              << QStringLiteral("Not a cursor file but a folder: ");
    QTest::newRow("empty") << QByteArray() << false << qint64(0)
                           << QStringLiteral("Cursor file is empty: ");
    QTest::newRow("2 MB") << QByteArray() << false << qint64(2) * 1024 * 1024
                          << QStringLiteral("Cursor file too large: ");
    QTest::newRow("binary garbage") << garbage(4096, 1601) << false << qint64(0) << invalid;
}

void BadInputTest::cursorFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    QFETCH(qint64, sparseSize);
    QFETCH(QString, reported);

    const QString path = programFile(QStringLiteral("HAND-M.CUR"));
    if (folder) {
        QVERIFY(QDir().mkdir(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        if (sparseSize)
            QVERIFY(file.resize(sparseSize));
    }

    startProgram();
    const std::vector<Report>& reports = m_platform->messageBox.m_reports;
    QCOMPARE(reports.size(), reported.isEmpty() ? 0u : 1u);
    QCOMPARE(m_app->form1().hasMouseIcon(), reported.isEmpty());
    if (!reported.isEmpty()) {
        checkReport(0, reported, QStringLiteral("Form1.Form_Load"), 106);
        if (QTest::currentTestFailed())
            return;
    }

    // Each counter window loads the pointer again as it loads, and reports once if it cannot.
    Form1& form1 = m_app->form1();
    std::size_t expectedReports = reports.size();
    for (bool elapsed : {true, false}) {
        CounterWindow* window = openCounter(elapsed);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->hasMouseIcon(), reported.isEmpty());
        if (!reported.isEmpty()) {
            ++expectedReports;
            QCOMPARE(reports.size(), expectedReports);
            checkReport(expectedReports - 1, reported,
                        QLatin1String(elapsed ? "Form2" : "Form3") + QStringLiteral(".Form_Load"),
                        102);
            if (QTest::currentTestFailed())
                return;
        }
        window->backButton().click();
    }
    QCOMPARE(reports.size(), expectedReports);

    const DateTime now = m_platform->clock.m_now;
    QVERIFY(form1.isVisible());
    QCOMPARE(form1.dtpDate().value(), now.datePart());
    QCOMPARE(form1.dtpTime().value(), now.timePart());
    QVERIFY(!m_app->hasEnded());
}

void BadInputTest::momentAtTheEndsOfTheCalendar_data()
{
    QTest::addColumn<bool>("elapsed");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    for (bool elapsed : {true, false}) {
        const char* side = elapsed ? "elapsed" : "remaining";
        QTest::addRow("%s, 1601-01-01 00:00:00", side)
            << elapsed << QDate(1601, 1, 1) << QTime(0, 0, 0);
        QTest::addRow("%s, 9999-12-31 23:59:59", side)
            << elapsed << QDate(9999, 12, 31) << QTime(23, 59, 59);
    }
}

void BadInputTest::momentAtTheEndsOfTheCalendar()
{
    QFETCH(bool, elapsed);
    QFETCH(QDate, date);
    QFETCH(QTime, time);

    startProgram();
    const DateTime momentDate = DateTime::fromDate(date);
    const DateTime momentTime = DateTime::fromTime(time);
    Form1& form1 = m_app->form1();
    form1.dtpDate().setValue(momentDate);
    form1.dtpTime().setValue(momentTime);
    CounterWindow* window = openCounter(elapsed);
    QVERIFY(window);
    window->startStopButton().click();
    for (int tick = 0; tick < 3; ++tick) {
        m_platform->clock.m_now = DateTime::fromSeconds(m_platform->clock.m_now.seconds() + 1);
        window->Timer1_Timer();
    }

    QCOMPARE(m_platform->messageBox.m_reports.size(), 1u);
    checkReport(0, QStringLiteral("Overflow"),
                QLatin1String(elapsed ? "Form2" : "Form3") + QStringLiteral(".Timer1"), 104);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_platform->messageBox.m_reports.front().text.section(QStringLiteral("\r\n"), 0, 0),
             QStringLiteral("Overflow"));
    // Back to idle: the Start caption, no timer, the labels' own captions.
    QVERIFY(!window->Timer1().isActive());
    QCOMPARE(window->startStopButton().caption(), QStringLiteral("Start"));
    QCOMPARE(window->lblCurrentDate().caption(), QStringLiteral("Current Date/Time:"));
    const QStringList idle{QStringLiteral("Day(s):"), QStringLiteral("Hour(s):"),
                           QStringLiteral("Minute(s):"), QStringLiteral("Second(s):")};
    for (int field = 0; field < 4; ++field)
        QCOMPARE(window->breakdownLabel(field).caption(), idle.at(field));
    QVERIFY(window->isVisible());

    window->backButton().click();
    checkCarriesOn(momentDate, momentTime);
    QCOMPARE(m_platform->messageBox.m_reports.size(), 1u);
}

QTEST_MAIN(BadInputTest)
#include "tst_badinput.moc"
