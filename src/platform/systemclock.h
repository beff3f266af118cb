#pragma once

#include "platform/platform.h"

// The clock the program reads: the system's local wall-clock time.
class SystemClock : public Clock
{
public:
    DateTime now() const override;
    double secondsSinceMidnight() const override;

private:
    // Turning a reading into local time makes the C library check the zone file on disk; within
    // one second of UTC the local time is the same, so the last one serves until the next second.
    mutable qint64 m_convertedUtcSecond = -1;
    mutable DateTime m_convertedLocal;
};
