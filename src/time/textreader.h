#pragma once

#include "time/datetimeparts.h"
#include "time/formatpattern.h"

#include <QLocale>
#include <QString>
#include <QStringView>
#include <vector>

// Reads text written by QLocale::toString in one display format, piece by piece as the format
// lays it out: numbers in the locale's own digits (or ASCII ones), the locale's month and weekday
// names and its AM/PM words as Qt writes them, and every literal character as written. Qt's own
// reader cannot read back what it writes in several locales (day-period words, digits outside the
// Basic Multilingual Plane), so the program reads its own text with this one.
class TextReader
{
public:
    TextReader(const QLocale& locale, const QString& format);

    // Every way the whole text reads as the format: usually one, more where a field's width or a
    // name is ambiguous. A field the format lacks reads as 0, and the hour is on the 24-hour
    // clock. The caller checks which reading, if any, writes back as the same text.
    std::vector<DateTimeParts> readAll(QStringView text) const;

private:
    // HalfDayHour: an hour 'h' beside an AM/PM field, 1 to 12; 'H' counts 0 to 23 even there.
    enum class Slot { Year, Month, Day, Hour, HalfDayHour, Minute, Second, AmPm, None };
    struct Choice
    {
        QString text;
        int value;
    };
    // A run of literal characters, a number of one to `maxDigits` digits, or one of `choices`.
    struct Step
    {
        QString literal;
        Slot slot = Slot::None;
        int minDigits = 0;
        int maxDigits = 0;
        std::vector<Choice> choices;
    };
    struct Reading;

    static Step fieldStep(const QLocale& locale, const FormatPiece& field, bool withAmPm);
    void readFrom(std::size_t step, qsizetype at, Reading& reading) const;
    void readNumber(std::size_t step, qsizetype at, Reading& reading) const;
    static void store(Reading& reading, Slot slot, int value);

    std::vector<Step> m_steps;
    char32_t m_zeroDigit = U'0';
    bool m_halfDayHour = false;
};
