#pragma once

#include "time/datetime.h"

#include <cstdint>

// Whole days, hours, minutes and seconds of a span of whole seconds.
struct IntervalBreakdown
{
    std::int32_t Days = 0;
    std::int32_t Hours = 0;
    std::int32_t Minutes = 0;
    std::int32_t Seconds = 0;
};

// Division with remainder: the same results as subtracting whole days, hours and minutes in turn.
constexpr IntervalBreakdown breakDown(std::int32_t span)
{
    return {span / 86400, span % 86400 / 3600, span % 3600 / 60, span % 60};
}

// The distance between two moments in whole seconds; raises SpanOverflow when it is more than
// the signed 32-bit count can hold.
std::int32_t spanBetween(DateTime moment, DateTime clock);
