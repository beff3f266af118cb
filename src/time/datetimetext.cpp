#include "datetimetext.h"

#include "base/failure.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <vector>

namespace {

// A format string read into characters, each marked as quoted literal text or bare pattern text,
// so that edits never mistake a quoted letter for a field.
struct FormatChar
{
    QChar ch;
    bool quoted;
};
using DecodedFormat = std::vector<FormatChar>;

DecodedFormat decode(const QString& format)
{
    DecodedFormat out;
    out.reserve(static_cast<std::size_t>(format.size()));
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'\'') {
            out.push_back({c, false});
        } else if (i + 1 < n && format.at(i + 1) == u'\'') {
            out.push_back({c, true}); // '' outside quotes is a literal quote
            ++i;
        } else {
            // A quoted section runs to the next lone quote; a doubled quote inside stands for one.
            for (++i; i < n; ++i) {
                const QChar q = format.at(i);
                if (q == u'\'') {
                    if (i + 1 < n && format.at(i + 1) == u'\'') {
                        ++i;
                    } else {
                        break;
                    }
                }
                out.push_back({q, true});
            }
        }
    }
    return out;
}

QString encode(const DecodedFormat& format)
{
    QString out;
    out.reserve(static_cast<qsizetype>(format.size()) + 4);
    bool open = false;
    for (const FormatChar& c : format) {
        if (c.quoted && c.ch == u'\'') {
            out += u"''"; // reads as one quote both inside and outside a quoted section
            continue;
        }
        if (c.quoted != open) {
            out += u'\'';
            open = c.quoted;
        }
        out += c.ch;
    }
    if (open)
        out += u'\'';
    return out;
}

bool isField(const FormatChar& c, char16_t letter)
{
    return !c.quoted && c.ch == letter;
}

bool isBlank(const FormatChar& c)
{
    return !c.quoted && c.ch.isSpace();
}

bool isBracketPair(QChar open, QChar close)
{
    static constexpr char16_t pairs[][2] = {
        {u'(', u')'}, {u'[', u']'}, {u'{', u'}'}, {u'\uFF08', u'\uFF09'}, {u'\u3010', u'\u3011'}};
    for (const auto& pair : pairs) {
        if (open == pair[0] && close == pair[1])
            return true;
    }
    return false;
}

} // namespace

// Several locales give a two-digit year in their short date, which would make dates a century
// apart read back alike.
QString DateTimeText::withFourDigitYear(const QString& format)
{
    const DecodedFormat in = decode(format);
    DecodedFormat out;
    out.reserve(in.size() + 2);
    bool changed = false;
    for (std::size_t i = 0; i < in.size();) {
        std::size_t end = i;
        while (end < in.size() && isField(in[end], u'y'))
            ++end;
        if (end - i == 2) {
            out.insert(out.end(), 4, FormatChar{QChar(u'y'), false});
            changed = true;
            i = end;
        } else if (end > i) {
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
                       in.begin() + static_cast<std::ptrdiff_t>(end));
            i = end;
        } else {
            out.push_back(in[i++]);
        }
    }
    return changed ? encode(out) : format;
}

// The values are zone-less wall-clock times, so the zone name the long format carries would be
// wrong; it goes with any brackets around it and the blanks that only separated it.
QString DateTimeText::withoutTimeZone(const QString& format)
{
    DecodedFormat f = decode(format);
    bool changed = false;
    for (std::size_t i = 0; i < f.size();) {
        if (!isField(f[i], u't')) {
            ++i;
            continue;
        }
        std::size_t begin = i;
        std::size_t end = i;
        while (end < f.size() && isField(f[end], u't'))
            ++end;

        std::size_t open = begin;
        while (open > 0 && isBlank(f[open - 1]))
            --open;
        std::size_t close = end;
        while (close < f.size() && isBlank(f[close]))
            ++close;
        if (open > 0 && close < f.size() && !f[open - 1].quoted && !f[close].quoted &&
            isBracketPair(f[open - 1].ch, f[close].ch)) {
            begin = open - 1;
            end = close + 1;
        }

        std::size_t blanksBefore = begin;
        while (blanksBefore > 0 && isBlank(f[blanksBefore - 1]))
            --blanksBefore;
        std::size_t blanksAfter = end;
        while (blanksAfter < f.size() && isBlank(f[blanksAfter]))
            ++blanksAfter;
        if (blanksBefore == 0)
            end = blanksAfter;
        else if (blanksAfter == f.size())
            begin = blanksBefore;
        else if (blanksBefore < begin && blanksAfter > end)
            end = blanksAfter; // keep one separator between what was on either side

        f.erase(f.begin() + static_cast<std::ptrdiff_t>(begin),
                f.begin() + static_cast<std::ptrdiff_t>(end));
        changed = true;
        i = begin;
    }
    return changed ? encode(f) : format;
}

// Qt knows no day-period letter B (zh_TW writes "Bh:mm:ss"), and would show the letter itself.
// The AM/PM marker takes its place: the locale's own words for the two halves of the day, with
// the twelve-hour hour it already gives.
QString DateTimeText::withAmPmForDayPeriod(const QString& format)
{
    DecodedFormat f = decode(format);
    const auto isDayPeriod = [](const FormatChar& c) { return isField(c, u'B'); };
    const auto first = std::find_if(f.begin(), f.end(), isDayPeriod);
    if (first == f.end())
        return format;
    const bool hasAmPm = std::any_of(f.begin(), f.end(), [](const FormatChar& c) {
        return isField(c, u'a') || isField(c, u'A');
    });
    auto end = first;
    while (end != f.end() && isDayPeriod(*end))
        ++end;
    const auto at = f.erase(first, end);
    if (!hasAmPm)
        f.insert(at, {FormatChar{QChar(u'A'), false}, FormatChar{QChar(u'P'), false}});
    return withAmPmForDayPeriod(encode(f));
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
