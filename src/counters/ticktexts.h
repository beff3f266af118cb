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

// A counting window's texts, each worked out again only when what it comes from has changed: the
// tick runs 40 times a second, the texts change once a second and with the Moment.
class TickTexts
{
public:
    explicit TickTexts(const DateTimeText& text) : m_text(text) {}

    const QString& clock(DateTime now);
    // The Moment read from its text. Text that does not convert is never kept, so it is read,
    // and its failure raised, again on every tick.
    DateTime moment(const QString& text);
    const BreakdownCaptions& breakdown(std::int32_t span);

private:
    const DateTimeText& m_text;
    std::optional<DateTime> m_clockFor;
    QString m_clock;
    QString m_momentText;
    DateTime m_moment;
    std::optional<std::int32_t> m_breakdownFor;
    BreakdownCaptions m_breakdown;
};
