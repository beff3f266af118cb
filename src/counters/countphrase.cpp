#include "countphrase.h"

#include "controls/accessibility.h"
#include "controls/controls.h"
#include "counters/intervalbreakdown.h"

CountPhrase::CountPhrase(const std::shared_ptr<CountingRun>& run, PushButton& button, Frame& frame)
    : m_run(run), m_button(button), m_frame(frame)
{
    m_button.setDescriber([this] { return tell(true); });
    m_frame.setDescriber([this] { return tell(false); });
}

// Blank figures are told in the frame's own words.
QString CountPhrase::figures() const
{
    if (!m_run)
        return {};
    if (!m_run->lastWrittenSpan)
        return QStringLiteral("no count yet");
    const IntervalBreakdown parts = breakDown(*m_run->lastWrittenSpan);
    const auto amount = [](std::int32_t value, const char* unit) {
        return QString::number(value) + QLatin1Char(' ') + QLatin1String(unit) +
               (value == 1 ? QString() : QStringLiteral("s"));
    };
    return amount(parts.Days, "day") + QStringLiteral(", ") + amount(parts.Hours, "hour") +
           QStringLiteral(", ") + amount(parts.Minutes, "minute") + QStringLiteral(", ") +
           amount(parts.Seconds, "second");
}

// Each completes its own name. The frame's name is its caption; the button, named Start or Stop,
// says the caption first. Orca also passes over a description that repeats the focused control's.
QString CountPhrase::tell(bool withCaption)
{
    m_told = figures();
    if (m_told->isEmpty() || !withCaption)
        return *m_told;
    return m_frame.title() + QStringLiteral(": ") + *m_told;
}

void CountPhrase::retract()
{
    if (!m_told || *m_told == figures())
        return;
    m_told.reset();
    announceStaleDescription(&m_button);
    announceStaleDescription(&m_frame);
}
