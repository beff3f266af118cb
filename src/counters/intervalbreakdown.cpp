#include "intervalbreakdown.h"

#include "base/failure.h"

#include <limits>

std::int32_t spanBetween(DateTime moment, DateTime clock)
{
    const std::int32_t difference = secondsBetween(moment, clock);
    // The most negative count has no positive counterpart.
    if (difference == std::numeric_limits<std::int32_t>::min())
        throw SpanOverflow();
    return difference < 0 ? -difference : difference;
}
