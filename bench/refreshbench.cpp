// One refresh of the elapsed counter: the work of one tick without its yield to the event loop.
// Each benchmark runs once per locale, since the locale decides the formats that are written and
// read back; its steps are timed on their own too, to show where the time goes.
#include "controls/controls.h"
#include "controls/form.h"
#include "counters/intervalbreakdown.h"
#include "layouts/builder.h"
#include "layouts/layout.h"
#include "platform/systemclock.h"
#include "time/datetimetext.h"

#include <QApplication>
#include <array>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// The captions the tick writes, as the counter window spells them.
const QString currentDatePrefix = QStringLiteral("Current Date/Time: ");
const std::array<QString, 4> breakdownCaptions{
    QStringLiteral("Day(s):"), QStringLiteral("Hour(s):"), QStringLiteral("Minute(s):"),
    QStringLiteral("Second(s):")};

// What the main window's pickers hold: a date with no time of day, a time on the zero date.
const DateTime pickedDate = DateTime::fromDate(QDate(2026, 3, 14));
const DateTime pickedTime = DateTime::fromTime(QTime(15, 9, 26));

struct Captions
{
    QString currentDate;
    std::array<QString, 4> breakdown;
};

Captions refresh(const Clock& clock, const DateTimeText& text)
{
    const DateTime now = clock.now();
    Captions captions;
    captions.currentDate = currentDatePrefix + text.format(now);
    const QString momentText =
        text.formatDate(pickedDate) + QLatin1Char(' ') + text.formatTime(pickedTime);
    const DateTime moment = text.parse(momentText);
    const IntervalBreakdown interval = breakDown(spanBetween(moment, now));
    const std::array<std::int32_t, 4> values{interval.Days, interval.Hours, interval.Minutes,
                                             interval.Seconds};
    for (std::size_t i = 0; i < values.size(); ++i)
        captions.breakdown[i] =
            breakdownCaptions[i] + QLatin1Char(' ') + QString::number(values[i]);
    return captions;
}

QLocale localeNamed(const std::string& name)
{
    return name == "C" ? QLocale::c() : QLocale(QString::fromStdString(name));
}

void clockReading(benchmark::State& state)
{
    const SystemClock clock;
    for (auto _ : state)
        benchmark::DoNotOptimize(clock.now());
}

void formatNow(benchmark::State& state, const std::string& locale)
{
    const DateTimeText text(localeNamed(locale));
    const DateTime now = SystemClock().now();
    for (auto _ : state)
        benchmark::DoNotOptimize(text.format(now));
}

void momentText(benchmark::State& state, const std::string& locale)
{
    const DateTimeText text(localeNamed(locale));
    for (auto _ : state)
        benchmark::DoNotOptimize(text.formatDate(pickedDate) + QLatin1Char(' ') +
                                 text.formatTime(pickedTime));
}

void parseMoment(benchmark::State& state, const std::string& locale)
{
    const DateTimeText text(localeNamed(locale));
    const QString moment =
        text.formatDate(pickedDate) + QLatin1Char(' ') + text.formatTime(pickedTime);
    for (auto _ : state)
        benchmark::DoNotOptimize(text.parse(moment));
}

void refreshTexts(benchmark::State& state, const std::string& locale)
{
    const DateTimeText text(localeNamed(locale));
    const SystemClock clock;
    for (auto _ : state)
        benchmark::DoNotOptimize(refresh(clock, text));
}

// The same, with the captions written to the counter window's own labels, the window shown on
// the offscreen platform. Painting happens later in the event loop, outside a refresh;
// the pending repaints are handled outside the timing now and then.
void refreshLabels(benchmark::State& state, const std::string& locale)
{
    const DateTimeText text(localeNamed(locale));
    const SystemClock clock;
    Form window;
    buildWindow(window, form2Layout(), text, clock);
    Label* currentDate = window.findChild<Label*>(QStringLiteral("lblCurrentDate"));
    const std::array<Label*, 4> breakdown{
        window.findChild<Label*>(QStringLiteral("lblDaysLapsed")),
        window.findChild<Label*>(QStringLiteral("lblHoursLapsed")),
        window.findChild<Label*>(QStringLiteral("lblMinutesLapsed")),
        window.findChild<Label*>(QStringLiteral("lblSecondsLapsed"))};
    window.show();
    QCoreApplication::processEvents();
    std::int64_t sinceEvents = 0;
    for (auto _ : state) {
        const Captions captions = refresh(clock, text);
        currentDate->setCaption(captions.currentDate);
        for (std::size_t i = 0; i < breakdown.size(); ++i)
            breakdown[i]->setCaption(captions.breakdown[i]);
        if (++sinceEvents == 4096) {
            state.PauseTiming();
            QCoreApplication::processEvents();
            sinceEvents = 0;
            state.ResumeTiming();
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Widgets need an application; no display is needed for text and label work.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    benchmark::RegisterBenchmark("clock_reading", clockReading);
    for (const std::string locale : {"en_US", "C"}) {
        benchmark::RegisterBenchmark(("format_now/" + locale).c_str(), formatNow, locale);
        benchmark::RegisterBenchmark(("moment_text/" + locale).c_str(), momentText, locale);
        benchmark::RegisterBenchmark(("parse_moment/" + locale).c_str(), parseMoment, locale);
        benchmark::RegisterBenchmark(("refresh_texts/" + locale).c_str(), refreshTexts, locale);
        benchmark::RegisterBenchmark(("refresh_labels/" + locale).c_str(), refreshLabels, locale);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
