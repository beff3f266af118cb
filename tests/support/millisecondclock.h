#pragma once

#include "platform/platform.h"

#include <QtGlobal>

// A clock held in milliseconds from the zero date that, like the system clock, reports whole
// seconds; tests step it by less than a second to reach the readings around a change of second.
class MillisecondClock : public Clock
{
public:
    static constexpr qint64 msecsPerDay = 86400 * 1000LL;

    DateTime now() const override { return DateTime::fromSeconds(floorDiv(m_msecs, 1000)); }
    double secondsSinceMidnight() const override
    {
        return static_cast<double>(m_msecs - floorDiv(m_msecs, msecsPerDay) * msecsPerDay) / 1000.0;
    }

    void setSeconds(qint64 seconds) { m_msecs = seconds * 1000; }

    qint64 m_msecs = 0;

private:
    static constexpr qint64 floorDiv(qint64 a, qint64 b)
    {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
    }
};
