#include "ticktexts.h"

#include "counters/intervalbreakdown.h"
#include "layouts/layout.h"
#include "time/datetimetext.h"

QString clockCaption(DateTime now, const DateTimeText& text)
{
    return idleClockCaption() + QLatin1Char(' ') + text.format(now);
}

BreakdownCaptions breakdownCaptions(std::int32_t span)
{
    const IntervalBreakdown parts = breakDown(span);
    const std::array<std::int32_t, 4> values{parts.Days, parts.Hours, parts.Minutes, parts.Seconds};
    BreakdownCaptions captions;
    for (std::size_t i = 0; i < values.size(); ++i)
        captions[i] = idleBreakdownCaption(i) + QLatin1Char(' ') + QString::number(values[i]);
    return captions;
}

std::optional<std::int32_t> spanToShow(DateTime now, DateTime moment, CountDirection direction)
{
    const std::int32_t span = spanBetween(moment, now);
    const bool onOwnSide = direction == CountDirection::Elapsed ? moment < now : moment >= now;
    return onOwnSide ? std::optional(span) : std::nullopt;
}

const QString& TickTexts::clock(DateTime now)
{
    if (now != m_clockFor) {
        m_clock = clockCaption(now, m_text);
        m_clockFor = now;
    }
    return m_clock;
}

DateTime TickTexts::moment(const QString& text)
{
    if (text != m_momentText) {
        m_moment = m_text.parse(text);
        m_momentText = text;
    }
    return m_moment;
}

const BreakdownCaptions& TickTexts::breakdown(std::int32_t span)
{
    if (span != m_breakdownFor) {
        m_breakdown = breakdownCaptions(span);
        m_breakdownFor = span;
    }
    return m_breakdown;
}
