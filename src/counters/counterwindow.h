#pragma once

#include "controls/form.h"
#include "counters/countingrun.h"
#include "counters/countphrase.h"
#include "counters/ticktexts.h"
#include "layouts/layout.h"
#include "platform/platform.h"
#include "shell/navigator.h"
#include "time/datetimetext.h"

#include <QTimer>
#include <memory>

class ErrorTrap;
class Main;
struct Globals;

// What tells the two counter windows apart: names, layout and the side of the Moment they count.
struct CounterConfig
{
    const char* form;
    const WindowLayout& (*layout)();
    CountDirection direction;
};

const CounterConfig& elapsedCounter();
const CounterConfig& remainingCounter();

// A counter window: shows the Moment, and after Start the clock and the distance to the Moment.
class CounterWindow : public Form
{
    Q_OBJECT
public:
    static constexpr int tickInterval = 25; // milliseconds

    CounterWindow(const CounterConfig& config, const Platform& platform, Main& main,
                  Globals& globals, Navigator& navigator, const DateTimeText& text);

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();
    void Form_QueryUnload();
    void Timer1_Timer();

    Label& lblDateTimeEntered() const { return *m_controls.lblDateTimeEntered; }
    Label& lblCurrentDate() const { return *m_controls.lblCurrentDate; }
    Label& breakdownLabel(int index) const { return *m_controls.breakdown().at(index); }
    PushButton& startStopButton() const { return *m_controls.PushButton2; }
    PushButton& backButton() const { return *m_controls.PushButton1; }
    const QTimer& Timer1() const { return m_timer; }
    const CounterConfig& config() const { return m_config; }

    // Shows the window, centred the first time on the screen given, without an owner and not
    // modal.
    void showCentred(QScreen* screen);
    // Closes the window for good; the program drops it afterwards.
    void unload() { close(); }
    // Ends the run: the timer stops, and a tick under way finds its run gone.
    void stopCounting();

Q_SIGNALS:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void tick(const std::weak_ptr<CountingRun>& run);
    void RefreshBreakdown(DateTime now);
    // Stop's statements: Stop runs each through its trap, a failing tick runs them untrapped.
    void returnToIdle(ErrorTrap* trap);

    const CounterConfig& m_config;
    const Platform& m_platform;
    Main& m_main;
    Globals& m_globals;
    Navigator& m_navigator;
    const WindowControls m_controls;
    QTimer m_timer;
    bool m_shownBefore = false;
    // None while the window is idle.
    std::shared_ptr<CountingRun> m_run;
    CountPhrase m_phrase;
    const QString m_tickLocation;
    TickTexts m_texts;
};
