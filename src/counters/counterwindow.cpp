#include "counterwindow.h"

#include "controls/accessibility.h"
#include "controls/controls.h"
#include "counters/ticktexts.h"
#include "layouts/builder.h"
#include "shell/appicon.h"
#include "shell/errortrap.h"
#include "shell/globals.h"
#include "shell/location.h"
#include "shell/main.h"
#include "shell/navigator.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>

namespace {
const QString stopCaption = QStringLiteral("Stop");
} // namespace

const CounterConfig& elapsedCounter()
{
    static const CounterConfig config{
        "Form2",
        &form2Layout,
        CountDirection::Elapsed,
        {"lblDaysLapsed", "lblHoursLapsed", "lblMinutesLapsed", "lblSecondsLapsed"}};
    return config;
}

const CounterConfig& remainingCounter()
{
    static const CounterConfig config{
        "Form3",
        &form3Layout,
        CountDirection::Remaining,
        {"lblDaysRemaining", "lblHoursRemaining", "lblMinutesRemaining", "lblSecondsRemaining"}};
    return config;
}

CounterWindow::CounterWindow(const CounterConfig& config, const Platform& platform, Main& main,
                             Globals& globals, Navigator& navigator, const DateTimeText& text)
    : m_config(config), m_platform(platform), m_main(main), m_globals(globals),
      m_navigator(navigator), m_tickLocation(location("Timer1")), m_texts(text)
{
    buildWindow(*this, config.layout(), text, platform.clock);
    m_pushButton1 = findChild<PushButton*>(QStringLiteral("PushButton1"));
    m_pushButton2 = findChild<PushButton*>(QStringLiteral("PushButton2"));
    m_lblDateTimeEntered = findChild<Label*>(QStringLiteral("lblDateTimeEntered"));
    m_lblCurrentDate = findChild<Label*>(QStringLiteral("lblCurrentDate"));
    for (std::size_t i = 0; i < m_breakdownLabels.size(); ++i)
        m_breakdownLabels[i] = findChild<Label*>(QLatin1String(config.breakdownLabels[i]));

    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(tickInterval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CounterWindow::Timer1_Timer);

    connect(m_pushButton1, &PushButton::clicked, this, &CounterWindow::PushButton1_Click);
    connect(m_pushButton2, &PushButton::clicked, this, &CounterWindow::PushButton2_Click);
    for (PushButton* button : {m_pushButton1, m_pushButton2})
        connect(button, &PushButton::mouseMoved, this, [this] { Main::pointerOverButton(*this); });
    m_frame1 = findChild<Frame*>(QStringLiteral("Frame1"));
    connect(m_frame1, &Frame::mouseMoved, this, [this] { Main::pointerOverSurface(*this); });
    // Where a reader asks for the count: the focused Start/Stop button, and the frame it lies in.
    m_pushButton2->setDescriber([this] { return tellCountPhrase(true); });
    m_frame1->setDescriber([this] { return tellCountPhrase(false); });
    connect(this, &Form::mouseMoved, this, [this] { Main::pointerOverSurface(*this); });
}

QString CounterWindow::location(const char* handler) const
{
    return locationText(m_config.form, handler);
}

void CounterWindow::Form_Load()
{
    ErrorTrap trap(m_platform.messageBox, location("Form_Load"));
    if (trap.test(100, [&] { return m_main.FileExists(m_main.handCursorFilePath()); }))
        trap.run(102, [&] { m_main.loadHandCursor(*this); });
    trap.run(104, [&] { Main::SetSystemBackColors(*this); });
    trap.run(106, [&] { setWindowIcon(applicationIcon()); });
}

void CounterWindow::PushButton2_Click()
{
    ErrorTrap trap(m_platform.messageBox, location("PushButton2_Click"));
    if (trap.test(100, [&] { return m_pushButton2->caption() != stopCaption; })) {
        trap.run(102, [&] { m_globals.SavedStartCaption = m_pushButton2->caption(); });
        trap.run(104, [&] { m_pushButton2->setCaption(stopCaption); });
        trap.run(106, [&] {
            ++m_countingRun;
            m_lastWrittenSpan.reset();
            m_timer.start();
        });
    } else {
        returnToIdle(
            [&](int line, const std::function<void()>& statement) { trap.run(line, statement); });
    }
    retractToldPhrase();
}

void CounterWindow::returnToIdle(const IdleStep& step)
{
    step(110, [&] { m_pushButton2->setCaption(m_globals.SavedStartCaption); });
    step(112, [&] { m_timer.stop(); });
    step(114, [&] { m_lblCurrentDate->setCaption(idleClockCaption()); });
    for (std::size_t i = 0; i < m_breakdownLabels.size(); ++i)
        step(116 + 2 * static_cast<int>(i),
             [&] { m_breakdownLabels[i]->setCaption(idleBreakdownCaption(i)); });
}

void CounterWindow::PushButton1_Click()
{
    ErrorTrap trap(m_platform.messageBox, location("PushButton1_Click"));
    trap.run(100, [&] { m_globals.QuitOnClose = false; });
    trap.run(102, [&] { m_navigator.showMainWindow(*this); });
    trap.run(104, [&] { unload(); });
}

void CounterWindow::Form_QueryUnload()
{
    ErrorTrap trap(m_platform.messageBox, location("Form_QueryUnload"));
    if (trap.test(100, [&] { return m_globals.QuitOnClose; }))
        trap.run(102, [&] { m_navigator.endProgram(); });
}

void CounterWindow::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    m_timer.stop();
    event->accept();
    Q_EMIT unloaded();
}

void CounterWindow::Timer1_Timer()
{
    // A tick never starts inside another: the yield and an open report both run events.
    if (m_tickRunning)
        return;
    m_tickRunning = true;
    const QPointer<CounterWindow> alive(this);
    tick(alive);
    if (alive)
        m_tickRunning = false;
}

// Events run in the yield and in a report may delete the window; `alive` tells.
void CounterWindow::tick(const QPointer<CounterWindow>& alive)
{
    const quint64 run = m_countingRun;
    // A Stop, a Back, the program's end or a failure ends this run; the tick then stops untouched.
    const auto runGoesOn = [&] { return alive && m_timer.isActive() && m_countingRun == run; };
    ErrorTrap trap(m_platform.messageBox, m_tickLocation);
    // What fails in a tick fails again 25 ms later: it is reported once, over an idle window.
    trap.setBeforeReport([&] {
        if (runGoesOn())
            stopAfterFailure();
    });
    trap.run(100, [] { QCoreApplication::processEvents(); });
    if (!runGoesOn())
        return;
    // One reading serves the whole tick, so the time shown and the count always agree.
    const DateTime now = m_platform.clock.now();
    trap.run(102, [&] { m_lblCurrentDate->setCaption(m_texts.clock(now)); });
    if (!runGoesOn())
        return;
    trap.run(104, [&] { RefreshBreakdown(now); });
    if (alive)
        retractToldPhrase();
}

void CounterWindow::stopAfterFailure()
{
    returnToIdle([](int, const std::function<void()>& statement) { statement(); });
    retractToldPhrase();
}

void CounterWindow::RefreshBreakdown(DateTime now)
{
    const DateTime moment = m_texts.moment(m_navigator.momentText());
    if (const std::optional<std::int32_t> span = spanToShow(now, moment, m_config.direction))
        writeBreakdown(*span);
    else if (m_config.direction == CountDirection::Remaining && m_lastWrittenSpan.value_or(0) != 0)
        // The Moment's own second passed between two ticks: end the countdown at zero anyway.
        writeBreakdown(0);
}

void CounterWindow::writeBreakdown(std::int32_t span)
{
    m_lastWrittenSpan = span;
    const BreakdownCaptions& captions = m_texts.breakdown(span);
    for (std::size_t i = 0; i < m_breakdownLabels.size(); ++i)
        m_breakdownLabels[i]->setCaption(captions[i]);
}

// The count in one phrase, for a screen reader that asks: the four labels read one by one are
// four lines of a grid. Blank figures are told in the frame's own words.
QString CounterWindow::countFigures() const
{
    if (!m_timer.isActive())
        return {};
    if (!m_lastWrittenSpan)
        return QStringLiteral("no count yet");
    const IntervalBreakdown parts = breakDown(*m_lastWrittenSpan);
    const auto amount = [](std::int32_t value, const char* unit) {
        return QString::number(value) + QLatin1Char(' ') + QLatin1String(unit) +
               (value == 1 ? QString() : QStringLiteral("s"));
    };
    return amount(parts.Days, "day") + QStringLiteral(", ") + amount(parts.Hours, "hour") +
           QStringLiteral(", ") + amount(parts.Minutes, "minute") + QStringLiteral(", ") +
           amount(parts.Seconds, "second");
}

// Each completes its own name. The frame's name is its caption; the button, named Start or Stop,
// says the caption first. Orca also passes over a description that repeats the focused control's.
QString CounterWindow::tellCountPhrase(bool withCaption)
{
    m_toldFigures = countFigures();
    if (m_toldFigures->isEmpty() || !withCaption)
        return *m_toldFigures;
    return m_frame1->title() + QStringLiteral(": ") + *m_toldFigures;
}

// A reader keeps a description it has read, and would speak a count long gone: once the phrase
// differs from what it read, it is told to ask again. Only then, so counting sends nothing to a
// reader that does not ask, and the reader says nothing until asked.
void CounterWindow::retractToldPhrase()
{
    if (!m_toldFigures || *m_toldFigures == countFigures())
        return;
    m_toldFigures.reset();
    announceStaleDescription(m_pushButton2);
    announceStaleDescription(m_frame1);
}

void CounterWindow::showCentred(QScreen* screen)
{
    if (!m_shownBefore)
        centreOnScreen(m_platform.windowSystem, screen);
    m_shownBefore = true;
    showInFront();
}
