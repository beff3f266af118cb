#pragma once

#include <QString>

class CounterWindow;

// What the windows ask of the program as a whole.
class Navigator
{
public:
    virtual ~Navigator() = default;
    // The counter windows, created and loaded on first reference.
    virtual CounterWindow& form2() = 0;
    virtual CounterWindow& form3() = 0;
    virtual void showMainWindow() = 0;
    // The Moment as the main window's pickers show it: the date, a blank, the time.
    virtual QString momentText() const = 0;
    // Hides every window, stops every timer and leaves the event loop.
    virtual void endProgram() = 0;
};
