#pragma once

#include "controls/form.h"
#include "counters/intervalbreakdown.h"
#include "counters/ticktexts.h"
#include "platform/platform.h"
#include "shell/navigator.h"
#include "time/datetimetext.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class Frame;
class Label;
class Main;
class PushButton;
struct Globals;
struct WindowLayout;

// What tells the two counter windows apart: names, layout and the side of the Moment they count.
struct CounterConfig
{
    const char* form;
    const WindowLayout& (*layout)();
    CountDirection direction;
    std::array<const char*, 4> breakdownLabels; // days, hours, minutes, seconds
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

    Label& lblDateTimeEntered() const { return *m_lblDateTimeEntered; }
    Label& lblCurrentDate() const { return *m_lblCurrentDate; }
    Label& breakdownLabel(int index) const { return *m_breakdownLabels.at(index); }
    PushButton& startStopButton() const { return *m_pushButton2; }
    PushButton& backButton() const { return *m_pushButton1; }
    const QTimer& Timer1() const { return m_timer; }
    const CounterConfig& config() const { return m_config; }

    // Shows the window, centred the first time on the screen given, without an owner and not
    // modal.
    void showCentred(QScreen* screen);
    // Closes the window for good; the program drops it afterwards.
    void unload() { close(); }
    void stopCounting() { m_timer.stop(); }

Q_SIGNALS:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString location(const char* handler) const;
    void tick(const QPointer<CounterWindow>& alive);
    void RefreshBreakdown(DateTime now);
    void writeBreakdown(std::int32_t span);
    // Stop's statements, each run by `step` with its number: Stop traps each, a failing tick
    // runs them as they come.
    using IdleStep = std::function<void(int line, const std::function<void()>& statement)>;
    void returnToIdle(const IdleStep& step);
    void stopAfterFailure();
    QString countFigures() const;
    QString tellCountPhrase(bool withCaption);
    void retractToldPhrase();

    const CounterConfig& m_config;
    const Platform& m_platform;
    Main& m_main;
    Globals& m_globals;
    Navigator& m_navigator;
    QTimer m_timer;
    PushButton* m_pushButton1;
    PushButton* m_pushButton2;
    Label* m_lblDateTimeEntered;
    Label* m_lblCurrentDate;
    std::array<Label*, 4> m_breakdownLabels{};
    bool m_shownBefore = false;
    bool m_tickRunning = false;
    // Counts the runs from Start to Stop, so a tick can tell that its run ended during its yield.
    quint64 m_countingRun = 0;
    // The span this run last wrote, if it wrote one.
    std::optional<std::int32_t> m_lastWrittenSpan;
    Frame* m_frame1;
    // The count as a screen reader last read it, until it is told the count has changed.
    std::optional<QString> m_toldFigures;

    const QString m_tickLocation;
    TickTexts m_texts;
};
