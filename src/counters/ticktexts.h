#pragma once

#include "shell/navigator.h"
#include "time/datetime.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class DateTimeText;

// What a counting tick shows, from the clock reading, the Moment and the side the window counts,
// and from nothing else.

// "Current Date/Time: " and the reading in the locale's text.
QString clockCaption(DateTime now, const DateTimeText& text);

// The four figures' captions for a span: "Day(s): 3", "Hour(s): 4", and so on.
using BreakdownCaptions = std::array<QString, 4>;
BreakdownCaptions breakdownCaptions(std::int32_t span);

// The span to show: the seconds between the Moment and the reading when the Moment lies on the
// window's own side of it (before it for elapsed time, at or after it for remaining time), else
// none. Raises SpanOverflow when the seconds do not fit, on either side.
std::optional<std::int32_t> spanToShow(DateTime now, DateTime moment, CountDirection direction);

// The captions of a window that is not counting.
QString idleClockCaption();
QString idleBreakdownCaption(std::size_t figure);
