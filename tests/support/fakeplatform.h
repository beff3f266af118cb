#pragma once

#include "base/failure.h"
#include "platform/nativewindowsystem.h"
#include "platform/platform.h"
#include "platform/windowhandletable.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <optional>

// Fakes for every service, so tests control time, failures and the dice, and read what the
// program asked for. Calls that matter for ordering are written to one shared journal.

class Journal
{
public:
    void write(const QString& entry) { m_entries << entry; }
    const QStringList& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    QStringList m_entries;
};

class FakeClock : public Clock
{
public:
    DateTime now() const override { return m_now; }
    double secondsSinceMidnight() const override { return m_timer; }

    DateTime m_now = DateTime::fromDateAndTime(QDate(2026, 12, 6), QTime(16, 35, 9));
    double m_timer = 59709.25;
};

struct Report
{
    QString title;
    QString text;
};

class RecordingMessageBox : public MessageBox
{
public:
    explicit RecordingMessageBox(Journal& journal) : m_journal(journal) {}
    void showWarning(const QString& title, const QString& text) override
    {
        m_reports.push_back({title, text});
        m_journal.write(QStringLiteral("report: ") + text.section(QStringLiteral("\r\r"), 0, 0));
        if (m_onShow)
            m_onShow();
    }

    std::vector<Report> m_reports;
    // Runs while the report is "open", as a user acting behind a modal box would.
    std::function<void()> m_onShow;

private:
    Journal& m_journal;
};

class FakeUrlOpener : public UrlOpener
{
public:
    void open(const QString& address) override
    {
        if (m_fails)
            throw Failure(QStringLiteral("The system cannot find the file specified."));
        m_opened << address;
    }

    QStringList m_opened;
    bool m_fails = false;
};

class FakeRandom : public RandomSource
{
public:
    void seed(double seed) override { m_seeds.push_back(seed); }
    double next() override { return m_next; }

    std::vector<double> m_seeds;
    double m_next = 0.5;
};

class FakeFileSystem : public FileSystem
{
public:
    explicit FakeFileSystem(Journal& journal) : m_journal(journal) {}
    QString programFolder() const override { return m_folder; }
    DateTime lastModified(const QString& path) const override
    {
        m_journal.write(QStringLiteral("lastModified ") + path);
        if (!m_existing.contains(path))
            throw Failure(QStringLiteral("File not found"));
        return DateTime::fromDate(QDate(2021, 8, 31));
    }
    QString listNormalFile(const QString& path) const override
    {
        m_journal.write(QStringLiteral("list ") + path);
        return m_normalFiles.contains(path) ? path.section(QLatin1Char('/'), -1) : QString();
    }

    QString m_folder = QStringLiteral("/opt/span");
    QSet<QString> m_existing;
    QSet<QString> m_normalFiles;

private:
    Journal& m_journal;
};

class RecordingSkinEngine : public SkinEngine
{
public:
    explicit RecordingSkinEngine(Journal& journal) : m_journal(journal) {}
    QVariant call(int dispatchId, const QVariantList& arguments) override;
    QVariant property(int dispatchId) const override;
    void setProperty(int dispatchId, const QVariant& value) override;

    std::optional<int> m_failingId;
    QVariant m_property1 = 4;

private:
    void failIfAsked(int dispatchId, const char* what) const;
    Journal& m_journal;
};

class FakeProgramEnd : public ProgramEnd
{
public:
    explicit FakeProgramEnd(Journal& journal) : m_journal(journal) {}
    void endProgram() override
    {
        ++m_endings;
        m_journal.write(QStringLiteral("end program"));
    }
    int m_endings = 0;

private:
    Journal& m_journal;
};

// Services a test puts in place of the fakes: a clock of its own, the real file system or skin
// engine. Null keeps the fake.
struct InPlaceOfFakes
{
    Clock* clock = nullptr;
    FileSystem* fileSystem = nullptr;
    SkinEngine* skinEngine = nullptr;
};

// All fakes together, ready to hand to the program as its platform: the one place a test's
// Platform is made.
class FakePlatform
{
public:
    Platform platform(InPlaceOfFakes in = {})
    {
        return {in.clock ? *in.clock : clock,
                messageBox,
                urlOpener,
                random,
                in.fileSystem ? *in.fileSystem : fileSystem,
                in.skinEngine ? *in.skinEngine : skinEngine,
                windowHandles,
                end,
                windowSystem};
    }

    Journal journal;
    FakeClock clock;
    RecordingMessageBox messageBox{journal};
    FakeUrlOpener urlOpener;
    FakeRandom random;
    FakeFileSystem fileSystem{journal};
    RecordingSkinEngine skinEngine{journal};
    WindowHandleTable windowHandles;
    FakeProgramEnd end{journal};
    // The real one: the tests that show windows read back what the window system holds.
    NativeWindowSystem windowSystem;
};
