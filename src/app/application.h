#pragma once

#include "platform/platform.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/navigator.h"
#include "time/datetimetext.h"

#include <QObject>
#include <memory>

class CounterWindow;
class Form1;
struct CounterConfig;

// The running program: its state, the main window, and the counter windows, which exist from
// their first reference to their unloading.
class Application : public QObject, public Navigator
{
    Q_OBJECT
public:
    explicit Application(const Platform& platform);
    ~Application() override;

    // Creates the main window, runs its load handler and shows it.
    void start();

    Form1& form1() const { return *m_form1; }
    CounterWindow& form2();
    CounterWindow& form3();
    // The counter windows as they are now, without loading them.
    CounterWindow* loadedForm2() const { return m_form2.get(); }
    CounterWindow* loadedForm3() const { return m_form3.get(); }
    Label& enteredLabel(CountDirection direction) override;
    void showCounter(CountDirection direction) override;
    void showMainWindow(const QWidget& replaced) override;
    void endProgram() override;
    QString momentText() const override;

    Globals& globals() { return m_globals; }
    bool hasEnded() const { return m_ended; }

private:
    CounterWindow& counterOf(CountDirection direction);
    CounterWindow& counter(std::unique_ptr<CounterWindow>& slot, const CounterConfig& config);
    void unloaded(std::unique_ptr<CounterWindow>& slot);

    Platform m_platform;
    DateTimeText m_text;
    Globals m_globals;
    Main m_main;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<CounterWindow> m_form2;
    std::unique_ptr<CounterWindow> m_form3;
    bool m_ended = false;
};
