#pragma once

#include "layouts/layout.h"

class Clock;
class DateTimeText;
class Form;

// Makes a window's controls from its layout and hands them back in the members their rows name.
// Every control is also named by its control name (objectName), by which tests, the skin and
// screen readers know it.
WindowControls buildWindow(Form& window, const WindowLayout& layout, const DateTimeText& text,
                           const Clock& clock);
