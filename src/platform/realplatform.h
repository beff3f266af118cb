#pragma once

#include "platform/nativewindowsystem.h"
#include "platform/platform.h"
#include "platform/skinengine.h"

#include <QHash>
#include <QPointer>
#include <random>

// The real services, on Qt and the standard library.

class SystemClock : public Clock
{
public:
    DateTime now() const override;
    double secondsSinceMidnight() const override;

private:
    // Turning a reading into local time makes the C library check the zone file on disk; within
    // one second of UTC the local time is the same, so the last one serves until the next second.
    mutable qint64 m_convertedUtcSecond = -1;
    mutable DateTime m_convertedLocal;
};

class WarningMessageBox : public MessageBox
{
public:
    void showWarning(const QString& title, const QString& text) override;
};

class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QString& address) override;
};

class StandardRandom : public RandomSource
{
public:
    void seed(double seed) override;
    double next() override;

private:
    std::mt19937 m_engine;
};

class LocalFileSystem : public FileSystem
{
public:
    QString programFolder() const override;
    DateTime lastModified(const QString& path) const override;
    QString listNormalFile(const QString& path) const override;
};

class WindowHandleTable : public WindowHandles
{
public:
    std::int32_t handleOf(QWidget& window) override;
    QWidget* windowOf(std::int32_t handle) const override;

private:
    QHash<std::int32_t, QPointer<QWidget>> m_windows;
    std::int32_t m_lastHandle = 0;
};

// Writes the application name as the class of each window of ours as it is shown: the show event
// comes before the window is mapped, which is when the taskbar reads it.
class WindowClassKeeper : public QObject
{
    Q_OBJECT
public:
    explicit WindowClassKeeper(WindowSystem& windowSystem);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowSystem& m_windowSystem;
};

class EventLoopEnd : public ProgramEnd
{
public:
    void endProgram() override;
};

// All of the above, owned together.
class RealPlatform
{
public:
    RealPlatform() : m_skinEngine(m_windowHandles) {}
    Platform platform()
    {
        return {m_clock,      m_messageBox,    m_urlOpener, m_random,      m_fileSystem,
                m_skinEngine, m_windowHandles, m_end,       m_windowSystem};
    }

private:
    SystemClock m_clock;
    WarningMessageBox m_messageBox;
    DesktopUrlOpener m_urlOpener;
    StandardRandom m_random;
    LocalFileSystem m_fileSystem;
    WindowHandleTable m_windowHandles;
    StyleSheetSkinEngine m_skinEngine;
    EventLoopEnd m_end;
    NativeWindowSystem m_windowSystem;
    WindowClassKeeper m_windowClassKeeper{m_windowSystem};
};
