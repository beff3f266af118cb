#pragma once

#include "time/datetime.h"

class Application;
class CounterWindow;

// Sets the main window's pickers to the Moment and opens the elapsed or the remaining counter as
// the main window's buttons do.
CounterWindow& openCounter(Application& app, bool elapsed, DateTime moment);
// The same, then presses Start: the window counts on return.
CounterWindow& openAndStart(Application& app, bool elapsed, DateTime moment);
