#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
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

// What US English puts between the seconds and the AM/PM marker: a blank in older locale data,
// a narrow no-break space in newer. Read from Qt's locale data, the one thing taken from Qt here.
inline QString amPmGap()
{
    const QString format = QLocale(QLocale::English, QLocale::UnitedStates).timeFormat();
    const qsizetype seconds = format.lastIndexOf(u's') + 1;
    const qsizetype marker = format.indexOf(u'A', seconds, Qt::CaseInsensitive);
    return seconds > 0 && marker > seconds ? format.mid(seconds, marker - seconds)
                                           : QStringLiteral(" ");
}

// A US English text ending in a time of day, with the locale's own gap before its AM or PM.
inline QString withAmPmGap(QString text)
{
    if (text.endsWith(u" AM") || text.endsWith(u" PM"))
        text.replace(text.size() - 3, 1, amPmGap());
    return text;
}

// A short text in a fixed buffer, compared with a caption without building a QString.
struct Text
{
    std::array<char16_t, 96> chars{};
    qsizetype length = 0;
    QStringView view() const { return QStringView(chars.data(), length); }

    void append(const char* ascii)
    {
        for (; *ascii != '\0' && length < qsizetype(chars.size()); ++ascii)
            chars[std::size_t(length++)] = char16_t(*ascii);
    }
    void append(QStringView text)
    {
        for (const QChar c : text) {
            if (length < qsizetype(chars.size()))
                chars[std::size_t(length++)] = c.unicode();
        }
    }
};

// "Current Date/Time: " and the clock as "M/d/yyyy h:mm:ss AM": the date alone at midnight, the
// time alone on the zero date.
inline Text currentDateCaption(std::int64_t seconds)
{
    static const QString gap = amPmGap();
    const std::int64_t dayNumber = floorDiv(seconds, 86400);
    const std::int64_t secondOfDay = seconds - dayNumber * 86400;
    const CivilDate date = civilDate(dayNumber);
    const int hour = static_cast<int>(secondOfDay / 3600);
    std::array<char, 32> part{};
    Text text;
    text.append("Current Date/Time: ");
    if (dayNumber != 0) {
        std::snprintf(part.data(), part.size(), "%d/%d/%d", date.month, date.day, date.year);
        text.append(part.data());
        if (secondOfDay == 0)
            return text;
        text.append(" ");
    }
    std::snprintf(part.data(), part.size(), "%d:%02d:%02d", hour % 12 == 0 ? 12 : hour % 12,
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    text.append(part.data());
    text.append(gap);
    text.append(hour < 12 ? "AM" : "PM");
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
