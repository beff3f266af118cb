#include "datetimetext.h"

#include "base/failure.h"
#include "time/formatpattern.h"

#include <QDate>
#include <QTime>
#include <algorithm>

namespace {

bool isBracketPair(const FormatPiece& open, const FormatPiece& close)
{
    static constexpr char16_t pairs[][2] = {
        {u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'\uFF08', u'\uFF09'}, {u'\u3010', u'\u3011'}};
    for (const auto& pair : pairs) {
        if (open.isBare(pair[0]) && close.isBare(pair[1]))
            return true;
    }
    return false;
}

// What stands between the zone and the rest only for the zone's sake: blanks, and the comma of
// "HH:mm:ss, t". Other punctuation stays: the dot of an abbreviation such as "'ч'." belongs to
// the text before it.
bool separatesZone(const FormatPiece& piece)
{
    static constexpr char16_t commas[] = {u',', u'\u060C', u'\u3001', u'\uFF0C'};
    return piece.isBlank() || std::any_of(std::begin(commas), std::end(commas),
                                          [&piece](char16_t c) { return piece.isBare(c); });
}

} // namespace

// Several locales give a two-digit year in their short date, which would make dates a century
// apart read back alike.
QString DateTimeText::withFourDigitYear(const QString& format)
{
    FormatPieces pieces = readFormat(format);
    bool changed = false;
    for (FormatPiece& piece : pieces) {
        if (piece.isFieldOf(u'y') && piece.text.size() == 2) {
            piece.text = QStringLiteral("yyyy");
            changed = true;
        }
    }
    return changed ? writeFormat(pieces) : format;
}

// The values are zone-less wall-clock times, so the zone name the long format carries would be
// wrong; it goes with any brackets around it and the blanks and commas that only separated it.
QString DateTimeText::withoutTimeZone(const QString& format)
{
    FormatPieces f = readFormat(format);
    bool changed = false;
    // Where a run of pieces that `is` holds for ends, walking back from `at` or forward from it.
    using Test = bool (*)(const FormatPiece&);
    const auto backOver = [&f](std::size_t at, Test is) {
        while (at > 0 && is(f[at - 1]))
            --at;
        return at;
    };
    const auto forwardOver = [&f](std::size_t at, Test is) {
        while (at < f.size() && is(f[at]))
            ++at;
        return at;
    };
    const Test blank = [](const FormatPiece& piece) { return piece.isBlank(); };
    for (std::size_t i = 0; i < f.size();) {
        if (!f[i].isFieldOf(u't')) {
            ++i;
            continue;
        }
        std::size_t begin = i;
        std::size_t end = i + 1;
        if (const std::size_t open = backOver(begin, blank), close = forwardOver(end, blank);
            open > 0 && close < f.size() && isBracketPair(f[open - 1], f[close])) {
            begin = open - 1;
            end = close + 1;
        }
        const std::size_t before = backOver(begin, separatesZone);
        const std::size_t after = forwardOver(end, separatesZone);
        if (before == 0)
            end = after;
        else if (after == f.size())
            begin = before;
        else if (before < begin && after > end)
            end = after; // keep one separator between what was on either side

        f.erase(f.begin() + static_cast<std::ptrdiff_t>(begin),
                f.begin() + static_cast<std::ptrdiff_t>(end));
        changed = true;
        i = begin;
    }
    return changed ? writeFormat(f) : format;
}

// Qt knows no day-period letter B (zh_TW writes "Bh:mm:ss"), and would show the letter itself.
// The AM/PM marker takes its place: the locale's own words for the two halves of the day, with
// the twelve-hour hour it already gives.
QString DateTimeText::withAmPmForDayPeriod(const QString& format)
{
    FormatPieces f = readFormat(format);
    const auto isDayPeriod = [](const FormatPiece& piece) { return piece.isBare(u'B'); };
    const auto first = std::find_if(f.begin(), f.end(), isDayPeriod);
    if (first == f.end())
        return format;
    const bool hasAmPm = std::any_of(f.begin(), f.end(), [](const FormatPiece& piece) {
        return piece.isField && piece.kind == FieldKind::AmPm;
    });
    auto end = first;
    while (end != f.end() && isDayPeriod(*end))
        ++end;
    const auto at = f.erase(first, end);
    if (!hasAmPm)
        f.insert(at, FormatPiece{QStringLiteral("AP"), true, false, FieldKind::AmPm});
    return withAmPmForDayPeriod(writeFormat(f));
}

// Qt reads Windows' own time format, where "tt" stands for the user's words for the two halves of
// the day, as "AP", which writes them in capitals ("a.m." as "A.M."); "Ap" writes them as the user
// set them. Other locales keep what Qt gives.
QString DateTimeText::withAmPmAsTheUserWrote(const QString& format, const QLocale& locale)
{
#ifdef Q_OS_WIN
    if (locale != QLocale::system())
        return format;
    FormatPieces f = readFormat(format);
    for (FormatPiece& piece : f) {
        if (piece.isField && piece.kind == FieldKind::AmPm && piece.text == u"AP")
            piece.text = QStringLiteral("Ap");
    }
    return writeFormat(f);
#else
    Q_UNUSED(locale);
    return format;
#endif
}

DateTimeText::DateTimeText(const QLocale& locale)
    : m_locale(locale), m_dateFormat(withFourDigitYear(locale.dateFormat(QLocale::ShortFormat))),
      m_timeFormat(withAmPmAsTheUserWrote(
          withAmPmForDayPeriod(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))), locale)),
      m_bothReader(locale, m_dateFormat + u' ' + m_timeFormat), m_dateReader(locale, m_dateFormat),
      m_timeReader(locale, m_timeFormat)
{}

QString DateTimeText::formatDate(DateTime value) const
{
    return m_locale.toString(value.date(), m_dateFormat);
}

QString DateTimeText::formatTime(DateTime value) const
{
    return m_locale.toString(value.time(), m_timeFormat);
}

QString DateTimeText::format(DateTime value) const
{
    if (value.isTimeOnly())
        return formatTime(value);
    if (value.isDateOnly())
        return formatDate(value);
    return write(value, Form::Both);
}

const TextReader& DateTimeText::reader(Form form) const
{
    switch (form) {
    case Form::Date:
        return m_dateReader;
    case Form::Time:
        return m_timeReader;
    case Form::Both:
        break;
    }
    return m_bothReader;
}

QString DateTimeText::write(DateTime value, Form form) const
{
    switch (form) {
    case Form::Date:
        return formatDate(value);
    case Form::Time:
        return formatTime(value);
    case Form::Both:
        break;
    }
    return formatDate(value) + u' ' + formatTime(value);
}

// The values know no zone, so no local-time QDateTime is formed on the way: it would reject or
// shift wall-clock times that fall into a daylight-saving gap.
std::optional<DateTime> DateTimeText::readBack(const QString& text, Form form) const
{
    for (const DateTimeParts& fields : reader(form).readAll(text)) {
        const QDate date = form == Form::Time ? DateTime::zeroDate()
                                              : QDate(fields.year, fields.month, fields.day);
        const QTime time =
            form == Form::Date ? QTime(0, 0) : QTime(fields.hour, fields.minute, fields.second);
        if (!date.isValid() || !time.isValid())
            continue;
        if (form != Form::Time && (date < DateTime::firstDate() || date > DateTime::lastDate()))
            continue;
        const DateTime value = DateTime::fromDateAndTime(date, time);
        // Only the text this locale writes for the value is that value: not a weekday of
        // another date, a missing leading zero, or a two-digit year.
        if (write(value, form) == text)
            return value;
    }
    return std::nullopt;
}

DateTime DateTimeText::parse(const QString& text) const
{
    for (const Form form : {Form::Both, Form::Date, Form::Time}) {
        if (const std::optional<DateTime> value = readBack(text, form))
            return *value;
    }
    throw Failure(QStringLiteral("Type mismatch"));
}
