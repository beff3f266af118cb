#include "counterwindow.h"

#include "controls/controls.h"
#include "layouts/builder.h"
#include "shell/appicon.h"
#include "shell/errortrap.h"
#include "shell/globals.h"
#include "shell/location.h"
#include "shell/main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace {
const QString stopCaption = QStringLiteral("Stop");
} // namespace

const CounterConfig& elapsedCounter()
{
    static const CounterConfig config{"Form2", &form2Layout, CountDirection::Elapsed};
    return config;
}

const CounterConfig& remainingCounter()
{
    static const CounterConfig config{"Form3", &form3Layout, CountDirection::Remaining};
    return config;
}

CounterWindow::CounterWindow(const CounterConfig& config, const Platform& platform, Main& main,
                             Globals& globals, Navigator& navigator, const DateTimeText& text)
    : m_config(config), m_platform(platform), m_main(main), m_globals(globals),
      m_navigator(navigator), m_controls(buildWindow(*this, config.layout(), text, platform.clock)),
      m_phrase(m_run, *m_controls.PushButton2, *m_controls.Frame1),
      m_tickLocation(locationText(config.form, "Timer1")), m_texts(text)
{
    m_timer.setInterval(tickInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CounterWindow::Timer1_Timer);

    connect(m_controls.PushButton1, &PushButton::clicked, this, &CounterWindow::PushButton1_Click);
    connect(m_controls.PushButton2, &PushButton::clicked, this, &CounterWindow::PushButton2_Click);
    for (PushButton* button : {m_controls.PushButton1, m_controls.PushButton2})
        connect(button, &PushButton::mouseMoved, this, [this] { Main::pointerOverButton(*this); });
    connect(m_controls.Frame1, &Frame::mouseMoved, this,
            [this] { Main::pointerOverSurface(*this); });
    connect(this, &Form::mouseMoved, this, [this] { Main::pointerOverSurface(*this); });
}

void CounterWindow::Form_Load()
{
    ErrorTrap trap(m_platform.messageBox, locationText(m_config.form, "Form_Load"));
    if (trap.test(100, [&] { return m_main.FileExists(m_main.handCursorFilePath()); }))
        trap.run(102, [&] { m_main.loadHandCursor(*this); });
    trap.run(104, [&] { Main::SetSystemBackColors(*this); });
    trap.run(106, [&] { setWindowIcon(applicationIcon()); });
}

void CounterWindow::PushButton2_Click()
{
    ErrorTrap trap(m_platform.messageBox, locationText(m_config.form, "PushButton2_Click"));
    if (trap.test(100, [&] { return startStopButton().caption() != stopCaption; })) {
        trap.run(102, [&] { m_globals.SavedStartCaption = startStopButton().caption(); });
        trap.run(104, [&] { startStopButton().setCaption(stopCaption); });
        trap.run(106, [&] {
            m_run = std::make_shared<CountingRun>();
            m_timer.start();
        });
    } else {
        returnToIdle(&trap);
    }
    m_phrase.retract();
}

void CounterWindow::returnToIdle(ErrorTrap* trap)
{
    const std::pair<int, std::function<void()>> statements[] = {
        {110, [this] { startStopButton().setCaption(m_globals.SavedStartCaption); }},
        {112, [this] { stopCounting(); }},
        {114, [this] { lblCurrentDate().setCaption(idleClockCaption()); }},
        {116, [this] { m_controls.lblDays->setCaption(idleBreakdownCaption(0)); }},
        {118, [this] { m_controls.lblHours->setCaption(idleBreakdownCaption(1)); }},
        {120, [this] { m_controls.lblMinutes->setCaption(idleBreakdownCaption(2)); }},
        {122, [this] { m_controls.lblSeconds->setCaption(idleBreakdownCaption(3)); }},
    };
    for (const auto& [line, statement] : statements)
        trap ? trap->run(line, statement) : statement();
}

void CounterWindow::stopCounting()
{
    m_timer.stop();
    m_run.reset();
}

void CounterWindow::PushButton1_Click()
{
    ErrorTrap trap(m_platform.messageBox, locationText(m_config.form, "PushButton1_Click"));
    trap.run(100, [&] { m_globals.QuitOnClose = false; });
    trap.run(102, [&] { m_navigator.showMainWindow(*this); });
    trap.run(104, [&] { unload(); });
}

void CounterWindow::Form_QueryUnload()
{
    ErrorTrap trap(m_platform.messageBox, locationText(m_config.form, "Form_QueryUnload"));
    if (trap.test(100, [&] { return m_globals.QuitOnClose; }))
        trap.run(102, [&] { m_navigator.endProgram(); });
}

void CounterWindow::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    stopCounting();
    event->accept();
    Q_EMIT unloaded();
}

void CounterWindow::Timer1_Timer()
{
    // A tick never starts inside another of its run: the yield and an open report both run
    // events. A tick whose run ends there does nothing more, so the next run may tick meanwhile.
    if (m_run && m_run->ticking)
        return;
    const std::weak_ptr<CountingRun> run = m_run;
    if (m_run)
        m_run->ticking = true;
    tick(run);
    // A run that ended meanwhile is gone, and its window perhaps with it: nothing is left to mark.
    if (const std::shared_ptr<CountingRun> going = run.lock())
        going->ticking = false;
}

// Events in the yield and in a report may end the run or delete the window, either of which ends
// the run; the tick then stops, untouched.
void CounterWindow::tick(const std::weak_ptr<CountingRun>& run)
{
    const auto runGoesOn = [&] { return !run.expired(); };
    ErrorTrap trap(m_platform.messageBox, m_tickLocation);
    // What fails in a tick fails again 25 ms later: it is reported once, over an idle window.
    trap.setBeforeReport([&] {
        if (runGoesOn()) {
            returnToIdle(nullptr);
            m_phrase.retract();
        }
    });
    trap.run(100, [] { QCoreApplication::processEvents(); });
    if (!runGoesOn())
        return;
    // One reading serves the whole tick, so the time shown and the count always agree.
    const DateTime now = m_platform.clock.now();
    trap.run(102, [&] { lblCurrentDate().setCaption(m_texts.clock(now)); });
    if (!runGoesOn())
        return;
    trap.run(104, [&] { RefreshBreakdown(now); });
    if (runGoesOn())
        m_phrase.retract();
}

void CounterWindow::RefreshBreakdown(DateTime now)
{
    const DateTime moment = m_texts.moment(m_navigator.momentText());
    std::optional<std::int32_t> span = spanToShow(now, moment, m_config.direction);
    // The Moment's own second passed between two ticks: end the countdown at zero anyway.
    if (!span && m_config.direction == CountDirection::Remaining &&
        m_run->lastWrittenSpan.value_or(0) != 0)
        span = 0;
    if (!span)
        return;
    m_run->lastWrittenSpan = span;
    const BreakdownCaptions& captions = m_texts.breakdown(*span);
    const std::array<Label*, 4> labels = m_controls.breakdown();
    for (std::size_t i = 0; i < labels.size(); ++i)
        labels[i]->setCaption(captions[i]);
}

void CounterWindow::showCentred(QScreen* screen)
{
    if (!m_shownBefore)
        centreOnScreen(m_platform.windowSystem, screen);
    m_shownBefore = true;
    showInFront();
}
