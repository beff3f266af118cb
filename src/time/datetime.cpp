#include "datetime.h"

#include "base/failure.h"

#include <limits>

DateTime DateTime::fromDate(QDate date)
{
    return DateTime(zeroDate().daysTo(date) * secondsPerDay);
}

DateTime DateTime::fromTime(QTime time)
{
    return DateTime(time.msecsSinceStartOfDay() / 1000);
}

DateTime DateTime::fromDateAndTime(QDate date, QTime time)
{
    return DateTime(fromDate(date).m_seconds + fromTime(time).m_seconds);
}

QDate DateTime::date() const
{
    return zeroDate().addDays(dayNumber());
}

QTime DateTime::time() const
{
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(secondOfDay() * 1000));
}

std::int32_t secondsBetween(DateTime from, DateTime to)
{
    const std::int64_t difference = to.seconds() - from.seconds();
    if (difference > std::numeric_limits<std::int32_t>::max() ||
        difference < std::numeric_limits<std::int32_t>::min())
        throw SpanOverflow();
    return static_cast<std::int32_t>(difference);
}
