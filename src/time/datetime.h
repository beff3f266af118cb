#pragma once

#include <QDate>
#include <QTime>
#include <compare>
#include <cstdint>

// A local wall-clock date-time in whole seconds from the zero date, 30 December 1899 00:00:00.
// It knows no time zone, so arithmetic on it is exact and free of daylight-saving shifts.
class DateTime
{
public:
    static constexpr std::int64_t secondsPerDay = 86400;

    constexpr DateTime() = default;
    static constexpr DateTime fromSeconds(std::int64_t seconds) { return DateTime(seconds); }
    static DateTime fromDate(QDate date);
    static DateTime fromTime(QTime time);
    static DateTime fromDateAndTime(QDate date, QTime time);
    static QDate zeroDate() { return QDate(1899, 12, 30); }
    // The years the program holds, as the pickers offer them: 1601-01-01 to 9999-12-31.
    static constexpr int firstYear = 1601;
    static constexpr int lastYear = 9999;
    static QDate firstDate() { return QDate(firstYear, 1, 1); }
    static QDate lastDate() { return QDate(lastYear, 12, 31); }

    constexpr std::int64_t seconds() const { return m_seconds; }
    constexpr std::int64_t dayNumber() const { return floorDiv(m_seconds, secondsPerDay); }
    constexpr std::int64_t secondOfDay() const { return m_seconds - dayNumber() * secondsPerDay; }
    QDate date() const;
    QTime time() const;

    // The date part alone (time of day zero) and the time of day alone (on the zero date).
    constexpr bool isDateOnly() const { return secondOfDay() == 0; }
    constexpr bool isTimeOnly() const { return dayNumber() == 0; }
    constexpr DateTime datePart() const { return DateTime(dayNumber() * secondsPerDay); }
    constexpr DateTime timePart() const { return DateTime(secondOfDay()); }

    constexpr auto operator<=>(const DateTime&) const = default;

private:
    constexpr explicit DateTime(std::int64_t seconds) : m_seconds(seconds) {}
    static constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
    {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
    }

    std::int64_t m_seconds = 0;
};

// Whole seconds from `from` to `to`, as a signed 32-bit count; raises SpanOverflow beyond it.
std::int32_t secondsBetween(DateTime from, DateTime to);
