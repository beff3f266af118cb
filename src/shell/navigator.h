#pragma once

#include <QString>

class Label;
class QWidget;

// The side of the Moment a counter window counts.
enum class CountDirection { Elapsed, Remaining };

// What the windows ask of the program as a whole. The counter windows stand above this folder,
// so the main window reaches them only through these calls.
class Navigator
{
public:
    virtual ~Navigator() = default;
    // The counter window of that direction, created and loaded on first reference: its
    // "Date/Time Entered" label, and the call that shows it, centred the first time.
    virtual Label& enteredLabel(CountDirection direction) = 0;
    virtual void showCounter(CountDirection direction) = 0;
    // Shows the main window again in place of the window given.
    virtual void showMainWindow(const QWidget& replaced) = 0;
    // The Moment as the main window's pickers show it: the date, a blank, the time.
    virtual QString momentText() const = 0;
    // Hides every window, stops every timer and leaves the event loop.
    virtual void endProgram() = 0;
};
