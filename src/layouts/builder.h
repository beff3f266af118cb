#pragma once

#include "layouts/layout.h"

#include <QStringList>

class Clock;
class DateTimeText;
class Form;

// Makes a window's controls from its layout and hands them back in the members their rows name.
// Every control is also named by its control name (objectName), by which tests, the skin and
// screen readers know it.
WindowControls buildWindow(Form& window, const WindowLayout& layout, const DateTimeText& text,
                           const Clock& clock);

// What is wrong with a table's names, one line a fault: a name two rows share, a container that
// is no other row, a reading order that does not list each control exactly once. The names are
// strings the compiler cannot check, and a misspelt one would otherwise only sort a control last
// or leave it out: buildWindow refuses a table with any fault.
QStringList layoutFaults(const WindowLayout& layout);
