#include "application.h"

#include "counters/counterwindow.h"
#include "shell/form1.h"

#include <QCoreApplication>
#include <QScreen>

Application::Application(const Platform& platform) : m_platform(platform), m_main(m_platform) {}

Application::~Application()
{
    // An unloaded window waits in Qt's queue for its deletion; it goes before what it refers to.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Application::start()
{
    m_form1 = std::make_unique<Form1>(m_platform, m_main, m_globals, *this, m_text);
    m_form1->Form_Load();
    m_form1->centreOnScreen(m_platform.windowSystem);
    m_form1->show();
}

CounterWindow& Application::form2()
{
    return counter(m_form2, elapsedCounter());
}

CounterWindow& Application::form3()
{
    return counter(m_form3, remainingCounter());
}

CounterWindow& Application::counterOf(CountDirection direction)
{
    return direction == CountDirection::Elapsed ? form2() : form3();
}

Label& Application::enteredLabel(CountDirection direction)
{
    return counterOf(direction).lblDateTimeEntered();
}

void Application::showCounter(CountDirection direction)
{
    // A counter opens on the monitor the user works on: the one that holds the main window.
    counterOf(direction).showCentred(m_form1->screen());
}

CounterWindow& Application::counter(std::unique_ptr<CounterWindow>& slot,
                                    const CounterConfig& config)
{
    if (!slot) {
        slot =
            std::make_unique<CounterWindow>(config, m_platform, m_main, m_globals, *this, m_text);
        connect(slot.get(), &CounterWindow::unloaded, this, [this, &slot] { unloaded(slot); });
        slot->Form_Load();
    }
    return *slot;
}

void Application::unloaded(std::unique_ptr<CounterWindow>& slot)
{
    if (m_ended || !slot)
        return;
    // Never deleted inside its own handler: the close that unloads it is still on the stack. Qt
    // deletes it once control is back in the event loop that ran the close.
    CounterWindow* window = slot.release();
    window->hide();
    window->deleteLater();
}

void Application::showMainWindow(const QWidget& replaced)
{
    // Back to the monitor the counter stands on; on the same monitor it keeps the place it had.
    if (QScreen* screen = replaced.screen(); screen && screen != m_form1->screen())
        m_form1->centreOnScreen(m_platform.windowSystem, screen);
    m_form1->showInFront();
}

void Application::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    for (CounterWindow* window : {m_form2.get(), m_form3.get()})
        if (window) {
            window->stopCounting();
            window->hide();
        }
    m_form1->hide();
    m_platform.programEnd.endProgram();
}

QString Application::momentText() const
{
    return m_form1->momentText();
}
