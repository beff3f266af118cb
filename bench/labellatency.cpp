// The real program, in-process: times how late each change of the clock's second reaches the
// elapsed counter's seconds label, and which timers run while the main window idles.
//
// Usage: label-latency [--seconds N] [--start-phase MS]
//            count for N seconds (600 by default) and report; with --start-phase, Start is pressed
//            MS milliseconds into a second. The 25 ms tick keeps the phase it started with, so each
//            run sees nearly the same delay every second: the phase decides it, and a phase just
//            short of a tick after the second's change is the worst case.
//        label-latency --idle-timers N
//            show the main window, count timer events for N seconds
// Prints key=value lines. Run it on the platform to be measured (QT_QPA_PLATFORM).
#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "platform/realplatform.h"
#include "shell/form1.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

// The home page must reach no browser; a start that would open it is only counted.
class NoBrowser : public UrlOpener
{
public:
    void open(const QString&) override { ++opened; }
    int opened = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

PushButton* buttonCaptioned(QWidget& window, const QString& caption)
{
    for (PushButton* button : window.findChildren<PushButton*>())
        if (button->caption() == caption)
            return button;
    return nullptr;
}

// The number a breakdown caption ends with, or -1 while it shows its bare caption.
int captionValue(const QString& caption)
{
    const qsizetype blank = caption.lastIndexOf(QLatin1Char(' '));
    bool ok = false;
    const int value = blank < 0 ? -1 : caption.mid(blank + 1).toInt(&ok);
    return ok ? value : -1;
}

// Watches the seconds label after every tick. Connected after the window's own slot, it sees
// what that tick wrote.
class SecondsWatcher : public QObject
{
public:
    SecondsWatcher(const CounterWindow& window, DateTime moment)
        : m_window(window), m_moment(moment)
    {}

    void afterTick()
    {
        const QDateTime clock = QDateTime::currentDateTime();
        const qint64 ms = clock.toMSecsSinceEpoch();
        if (m_lastTickMs >= 0)
            m_longestTickGap = std::max(m_longestTickGap, ms - m_lastTickMs);
        m_lastTickMs = ms;
        ++m_ticks;

        const QString caption = m_window.breakdownLabel(3).caption();
        if (caption == m_lastCaption)
            return;
        const int shown = captionValue(caption);
        const int before = captionValue(m_lastCaption);
        m_lastCaption = caption;
        if (shown < 0)
            return;
        if (before < 0) { // the first value after Start answers no change of the clock
            m_firstSecond = ms / 1000;
            return;
        }
        m_lastSecond = ms / 1000;
        // The label shows the second the tick read. Against the clock now it is either current,
        // or a second behind when the change came in after the next second had begun.
        const DateTime now = DateTime::fromDateAndTime(clock.date(), clock.time());
        const int current = static_cast<int>((now.seconds() - m_moment.seconds()) % 60);
        const int behind = (current - shown + 60) % 60;
        m_delays.push_back(behind * 1000 + clock.time().msec());
        // Seconds the label skipped never reached it at all.
        const int advanced = (shown - before + 60) % 60;
        if (advanced > 1)
            m_skipped += advanced - 1;
    }

    void report() const
    {
        std::vector<qint64> sorted = m_delays;
        std::sort(sorted.begin(), sorted.end());
        const auto count = static_cast<qint64>(sorted.size());
        const auto within = [&](qint64 limit) {
            return std::count_if(sorted.begin(), sorted.end(),
                                 [&](qint64 d) { return d <= limit; });
        };
        const auto quantile = [&](double q) {
            return count == 0 ? -1
                              : sorted[static_cast<std::size_t>(
                                    std::min<qint64>(count - 1, qint64(q * double(count))))];
        };
        const qint64 changes = count + m_skipped;
        std::printf("ticks=%lld\n", static_cast<long long>(m_ticks));
        std::printf("longest_tick_gap_ms=%lld\n", static_cast<long long>(m_longestTickGap));
        std::printf("clock_seconds=%lld\n", static_cast<long long>(m_lastSecond - m_firstSecond));
        std::printf("changes_seen=%lld\n", static_cast<long long>(count));
        std::printf("changes_skipped=%lld\n", static_cast<long long>(m_skipped));
        std::printf("within_30ms=%lld\n", static_cast<long long>(within(30)));
        std::printf("later_than_50ms=%lld\n", static_cast<long long>(count - within(50)));
        std::printf("share_within_30ms=%.4f\n",
                    changes == 0 ? 0.0 : 100.0 * double(within(30)) / double(changes));
        std::printf("median_ms=%lld\np99_ms=%lld\np999_ms=%lld\nmax_ms=%lld\n",
                    static_cast<long long>(quantile(0.5)), static_cast<long long>(quantile(0.99)),
                    static_cast<long long>(quantile(0.999)),
                    static_cast<long long>(count == 0 ? -1 : sorted.back()));
    }

private:
    const CounterWindow& m_window;
    DateTime m_moment;
    QString m_lastCaption;
    std::vector<qint64> m_delays;
    qint64 m_skipped = 0;
    qint64 m_firstSecond = 0;
    qint64 m_lastSecond = 0;
    qint64 m_ticks = 0;
    qint64 m_lastTickMs = -1;
    qint64 m_longestTickGap = 0;
};

// Counts timer events by receiver: every QTimer and widget timer of the GUI thread.
class TimerCounter : public QObject
{
public:
    static inline const QString harnessTimer = QStringLiteral("label-latency");

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Timer && watched->objectName() != harnessTimer) {
            const QString name = QString::fromLatin1(watched->metaObject()->className()) +
                                 QLatin1Char('/') + watched->objectName();
            ++m_counts[name];
        }
        return false;
    }

    void report(double seconds) const
    {
        qint64 total = 0;
        for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it) {
            std::printf("timer_events[%s]=%lld\n", qPrintable(it.key()),
                        static_cast<long long>(it.value()));
            total += it.value();
        }
        std::printf("timer_events_total=%lld\n", static_cast<long long>(total));
        std::printf("timer_events_per_second=%.2f\n", double(total) / seconds);
    }

private:
    QHash<QString, qint64> m_counts;
};

} // namespace

int main(int argc, char* argv[])
{
    int seconds = 600;
    int idleSeconds = 0;
    int startPhase = -1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--start-phase") == 0)
            startPhase = std::atoi(argv[++i]) % 1000;
        else if (std::strcmp(argv[i], "--idle-timers") == 0)
            idleSeconds = std::atoi(argv[++i]);
    }

    QApplication qtApplication(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("example.span_meter.SpanMeter"));
    RealPlatform real;
    const Platform realServices = real.platform();
    NoBrowser browser;
    const Platform platform{
        realServices.clock,         realServices.messageBox, browser,
        realServices.random,        realServices.fileSystem, realServices.skinEngine,
        realServices.windowHandles, realServices.programEnd, realServices.windowSystem};
    Application application(platform);
    application.start();
    std::printf("platform=%s\n", qPrintable(QGuiApplication::platformName()));

    if (idleSeconds > 0) {
        TimerCounter counter;
        // A second to settle after showing, then the idle window is watched. The watch ends on
        // a timer named apart, so that the count leaves it out.
        QTimer::singleShot(1000, [&] { qtApplication.installEventFilter(&counter); });
        QTimer end;
        end.setObjectName(TimerCounter::harnessTimer);
        end.setSingleShot(true);
        QObject::connect(&end, &QTimer::timeout, [&] { application.endProgram(); });
        end.start(1000 + idleSeconds * 1000);
        QApplication::exec();
        counter.report(idleSeconds);
        return 0;
    }

    PushButton* elapsedButton =
        buttonCaptioned(application.form1(), QStringLiteral("Count Time Elapsed"));
    if (!elapsedButton) {
        std::fprintf(stderr, "label-latency: no Count Time Elapsed button\n");
        return 1;
    }
    std::unique_ptr<SecondsWatcher> watcher;
    double cpuAtStart = 0;
    QElapsedTimer wall;
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, [&] { application.endProgram(); });
    const auto start = [&](CounterWindow* window) {
        std::printf("start_phase_ms=%lld\n",
                    static_cast<long long>(QDateTime::currentMSecsSinceEpoch() % 1000));
        cpuAtStart = cpuSeconds();
        wall.start();
        window->startStopButton().click();
        end.start(seconds * 1000);
    };
    QTimer::singleShot(500, [&] {
        elapsedButton->click();
        CounterWindow* window = application.loadedForm2();
        if (!window) {
            std::fprintf(stderr, "label-latency: the elapsed counter did not open\n");
            application.endProgram();
            return;
        }
        const DateTimeText text;
        watcher = std::make_unique<SecondsWatcher>(*window, text.parse(application.momentText()));
        QObject::connect(&window->Timer1(), &QTimer::timeout, watcher.get(),
                         [&] { watcher->afterTick(); });
        if (startPhase < 0) {
            start(window);
            return;
        }
        const qint64 now = QDateTime::currentMSecsSinceEpoch() % 1000;
        QTimer::singleShot(int((startPhase - now + 1000) % 1000), Qt::PreciseTimer,
                           [&start, window] { start(window); });
    });
    QApplication::exec();
    if (!watcher)
        return 1;
    std::printf("home_page_opened=%d\n", browser.opened);
    std::printf("cpu_share_percent=%.3f\n",
                100.0 * (cpuSeconds() - cpuAtStart) / (double(wall.elapsed()) / 1000.0));
    watcher->report();
    return 0;
}
