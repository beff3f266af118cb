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
// wrong; it goes with any brackets around it and the blanks that only separated it.
QString DateTimeText::withoutTimeZone(const QString& format)
{
    FormatPieces f = readFormat(format);
    bool changed = false;
    const auto blanksBefore = [&f](std::size_t at) {
        while (at > 0 && f[at - 1].isBlank())
            --at;
        return at;
    };
    const auto blanksAfter = [&f](std::size_t at) {
        while (at < f.size() && f[at].isBlank())
            ++at;
        return at;
    };
    for (std::size_t i = 0; i < f.size();) {
        if (!f[i].isFieldOf(u't')) {
            ++i;
            continue;
        }
        std::size_t begin = i;
        std::size_t end = i + 1;
        if (const std::size_t open = blanksBefore(begin), close = blanksAfter(end);
            open > 0 && close < f.size() && isBracketPair(f[open - 1], f[close])) {
            begin = open - 1;
            end = close + 1;
        }
        const std::size_t before = blanksBefore(begin);
        const std::size_t after = blanksAfter(end);
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

DateTimeText::DateTimeText(const QLocale& locale)
    : m_locale(locale), m_dateFormat(withFourDigitYear(locale.dateFormat(QLocale::ShortFormat))),
      m_timeFormat(withAmPmForDayPeriod(withoutTimeZone(locale.timeFormat(QLocale::LongFormat))))
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
    return formatDate(value) + u' ' + formatTime(value);
}

// Dates and times are read apart rather than as one QDateTime: a local-time QDateTime rejects or
// shifts wall-clock times that fall into a daylight-saving gap, and these values know no zone.
QDate DateTimeText::readDate(const QString& text) const
{
    const QDate date = m_locale.toDate(text, m_dateFormat);
    if (!date.isValid() || date < QDate(1601, 1, 1) || date > QDate(9999, 12, 31))
        return {};
    return date;
}

QTime DateTimeText::readTime(const QString& text) const
{
    return m_locale.toTime(text, m_timeFormat);
}

DateTime DateTimeText::parse(const QString& text) const
{
    // The date text may hold blanks of its own (as in "2026. 12. 7."), so each blank in turn is
    // tried as the one between date and time. The halves share the text's storage, not copies.
    for (qsizetype blank = text.indexOf(u' '); blank >= 0; blank = text.indexOf(u' ', blank + 1)) {
        const QDate date = readDate(QString::fromRawData(text.constData(), blank));
        if (!date.isValid())
            continue;
        const QTime time =
            readTime(QString::fromRawData(text.constData() + blank + 1, text.size() - blank - 1));
        if (time.isValid())
            return DateTime::fromDateAndTime(date, time);
    }
    if (const QDate date = readDate(text); date.isValid())
        return DateTime::fromDate(date);
    if (const QTime time = readTime(text); time.isValid())
        return DateTime::fromTime(time);
    throw Failure(QStringLiteral("Type mismatch"));
}
