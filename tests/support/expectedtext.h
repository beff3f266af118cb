#pragma once

#include <QLatin1StringView>
#include <QString>
#include <array>
#include <cstdint>
#include <cstdio>

// The texts the counter windows should show in US English, worked out by plain arithmetic on
// seconds from the zero date (30 December 1899) without any of the program's date code, so a
// test can hold the program's display against it.
namespace expected {

struct CivilDate
{
    int year;
    int month;
    int day;
};

// The calendar date of a day counted from the zero date (proleptic Gregorian calendar).
constexpr CivilDate civilDate(std::int64_t dayNumber)
{
    // Days from 1 March of year 0, so that the leap day ends each 400-year era's years.
    const std::int64_t days = dayNumber + 693899; // 30 December 1899 is day 693899 from 0000-03-01
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153; // 0 = March
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// A short text in a fixed buffer, compared with a caption without building a QString.
struct Text
{
    std::array<char, 96> chars{};
    int length = 0;
    QLatin1StringView view() const { return QLatin1StringView(chars.data(), length); }
};

// "Current Date/Time: " and the clock as "M/d/yyyy h:mm:ss AM": the date alone at midnight, the
// time alone on the zero date.
inline Text currentDateCaption(std::int64_t seconds)
{
    const std::int64_t dayNumber = floorDiv(seconds, 86400);
    const std::int64_t secondOfDay = seconds - dayNumber * 86400;
    const CivilDate date = civilDate(dayNumber);
    const int hour = static_cast<int>(secondOfDay / 3600);
    const int minute = static_cast<int>(secondOfDay / 60 % 60);
    const int second = static_cast<int>(secondOfDay % 60);
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    const char* half = hour < 12 ? "AM" : "PM";
    Text text;
    int n = 0;
    if (dayNumber == 0)
        n = std::snprintf(text.chars.data(), text.chars.size(),
                          "Current Date/Time: %d:%02d:%02d %s", hour12, minute, second, half);
    else if (secondOfDay == 0)
        n = std::snprintf(text.chars.data(), text.chars.size(), "Current Date/Time: %d/%d/%d",
                          date.month, date.day, date.year);
    else
        n = std::snprintf(text.chars.data(), text.chars.size(),
                          "Current Date/Time: %d/%d/%d %d:%02d:%02d %s", date.month, date.day,
                          date.year, hour12, minute, second, half);
    text.length = n;
    return text;
}

// The four breakdown captions of a span of whole seconds.
inline std::array<QString, 4> breakdownCaptions(std::int64_t span)
{
    const std::int64_t days = span / 86400;
    const std::int64_t hours = (span - days * 86400) / 3600;
    const std::int64_t minutes = (span - days * 86400 - hours * 3600) / 60;
    const std::int64_t seconds = span - days * 86400 - hours * 3600 - minutes * 60;
    return {QStringLiteral("Day(s): ") + QString::number(days),
            QStringLiteral("Hour(s): ") + QString::number(hours),
            QStringLiteral("Minute(s): ") + QString::number(minutes),
            QStringLiteral("Second(s): ") + QString::number(seconds)};
}

} // namespace expected
