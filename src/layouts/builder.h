#pragma once

#include "layouts/layout.h"

class Clock;
class DateTimeText;
class Form;

// Makes a window's controls from its layout. Every control is named by its control name
// (objectName), so behaviour code finds it by that name.
void buildWindow(Form& window, const WindowLayout& layout, const DateTimeText& text,
                 const Clock& clock);
