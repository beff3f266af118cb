#pragma once

#include "counters/countingrun.h"

#include <QString>
#include <memory>
#include <optional>

class Frame;
class PushButton;

// The count in one phrase, for a screen reader that asks: the four labels read one by one are
// four lines of a grid. It is asked at the focused Start/Stop button and at the frame the button
// lies in, and tells the count of the window's run as it stands then.
class CountPhrase
{
public:
    CountPhrase(const std::shared_ptr<CountingRun>& run, PushButton& button, Frame& frame);

    // A reader keeps a description it has read, and would speak a count long gone: once the
    // phrase differs from what it read, it is told to ask again. Only then, so counting sends
    // nothing to a reader that does not ask, and the reader says nothing until asked.
    void retract();

private:
    QString figures() const;
    QString tell(bool withCaption);

    const std::shared_ptr<CountingRun>& m_run;
    PushButton& m_button;
    Frame& m_frame;
    // The figures as a reader last read them, until it is told they have changed.
    std::optional<QString> m_told;
};
