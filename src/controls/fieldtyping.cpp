#include "fieldtyping.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <utility>

namespace {

struct Limits
{
    int min;
    int max;
    int width; // digits that fill the field
};

Limits limitsOf(FieldKind kind, bool twelveHour)
{
    switch (kind) {
    case FieldKind::Day:
        return {1, 31, 2};
    case FieldKind::Month:
        return {1, 12, 2};
    case FieldKind::Year:
        return {1601, 9999, 4};
    case FieldKind::Hour:
        return twelveHour ? Limits{1, 12, 2} : Limits{0, 23, 2};
    case FieldKind::Minute:
    case FieldKind::Second:
        return {0, 59, 2};
    case FieldKind::AmPm:
    case FieldKind::Fixed:
        break;
    }
    return {0, 0, 0};
}

// How many of `letter` start `format` at `i`.
qsizetype runLength(const QString& format, qsizetype i)
{
    qsizetype end = i;
    while (end < format.size() && format.at(end) == format.at(i))
        ++end;
    return end - i;
}

// The pattern of the field starting at `i`, as QDateTimeEdit reads it; 0 when none starts there.
qsizetype fieldLength(const QString& format, qsizetype i, FieldKind* kind)
{
    const QChar c = format.at(i);
    const qsizetype run = runLength(format, i);
    switch (c.unicode()) {
    case u'd':
        *kind = run >= 3 ? FieldKind::Fixed : FieldKind::Day;
        return std::min<qsizetype>(run, 4);
    case u'M':
        *kind = FieldKind::Month;
        return std::min<qsizetype>(run, 4);
    case u'y':
        *kind = FieldKind::Year;
        return run >= 4 ? 4 : run >= 2 ? 2 : 0;
    case u'h':
    case u'H':
        *kind = FieldKind::Hour;
        return std::min<qsizetype>(run, 2);
    case u'm':
        *kind = FieldKind::Minute;
        return std::min<qsizetype>(run, 2);
    case u's':
        *kind = FieldKind::Second;
        return std::min<qsizetype>(run, 2);
    case u'z':
    case u't':
        *kind = FieldKind::Fixed;
        return run;
    case u'a':
    case u'A': {
        *kind = FieldKind::AmPm;
        const bool pair =
            i + 1 < format.size() && (format.at(i + 1) == u'p' || format.at(i + 1) == u'P');
        return pair ? 2 : 1;
    }
    default:
        return 0;
    }
}

QString localeDigits(const QLocale& locale, const QString& ascii)
{
    QString out;
    for (const QChar c : ascii)
        out += locale.toString(c.digitValue());
    return out;
}

QString localeNumber(const QLocale& locale, int value, qsizetype width)
{
    return localeDigits(locale, QString::number(value).rightJustified(width, u'0'));
}

// Reads the quoted text starting at the quote at `i` into `literal`; returns where it ends. ''
// stands for a quote, inside quoted text or out of it.
qsizetype readQuoted(const QString& format, qsizetype i, QString& literal)
{
    if (i + 1 < format.size() && format.at(i + 1) == u'\'') {
        literal += u'\'';
        return i + 2;
    }
    for (++i; i < format.size(); ++i) {
        if (format.at(i) != u'\'')
            literal += format.at(i);
        else if (i + 1 < format.size() && format.at(i + 1) == u'\'')
            literal += format.at(++i);
        else
            break;
    }
    return i + 1;
}

} // namespace

bool DateTimeParts::isValidDate() const
{
    return year >= 1601 && QDate::isValid(year, month, day);
}

int yearFromTwoDigits(int twoDigits, int thisYear)
{
    const int first = thisYear - 80;
    return first + ((twoDigits - first) % 100 + 100) % 100;
}

PickerFormat::PickerFormat(const QString& format)
{
    QString literal;
    for (qsizetype i = 0; i < format.size();) {
        if (format.at(i) == u'\'') {
            i = readQuoted(format, i, literal);
            continue;
        }
        FieldKind kind = FieldKind::Fixed;
        const qsizetype length = fieldLength(format, i, &kind);
        if (length == 0) {
            literal += format.at(i++);
            continue;
        }
        if (!literal.isEmpty())
            m_pieces.push_back({FieldKind::Fixed, true, std::exchange(literal, QString())});
        m_fields.push_back(m_pieces.size());
        m_pieces.push_back({kind, false, format.mid(i, length)});
        m_twelveHour = m_twelveHour || kind == FieldKind::AmPm;
        i += length;
    }
    if (!literal.isEmpty())
        m_pieces.push_back({FieldKind::Fixed, true, literal});
}

FieldKind PickerFormat::kind(int field) const
{
    return m_pieces[m_fields[static_cast<std::size_t>(field)]].kind;
}

QString PickerFormat::renderField(const QLocale& locale, const Piece& piece,
                                  const DateTimeParts& parts) const
{
    const qsizetype width = piece.text.size();
    switch (piece.kind) {
    case FieldKind::Day:
        return localeNumber(locale, parts.day, width);
    case FieldKind::Month:
        return width <= 2 ? localeNumber(locale, parts.month, width)
                          : locale.toString(QDate(2000, parts.month, 1), piece.text);
    case FieldKind::Year:
        return localeNumber(locale, width == 2 ? parts.year % 100 : parts.year, width);
    case FieldKind::Hour: {
        const bool twelve = m_twelveHour && piece.text.at(0) == u'h';
        const int hour = twelve ? (parts.hour + 11) % 12 + 1 : parts.hour;
        return localeNumber(locale, hour, width);
    }
    case FieldKind::Minute:
        return localeNumber(locale, parts.minute, width);
    case FieldKind::Second:
        return localeNumber(locale, parts.second, width);
    case FieldKind::AmPm:
        return locale.toString(QTime(parts.hour, 0), piece.text);
    case FieldKind::Fixed:
        break;
    }
    const QDate date(parts.year, parts.month,
                     std::min(parts.day, QDate(parts.year, parts.month, 1).daysInMonth()));
    return locale.toString(QDateTime(date, QTime(parts.hour, parts.minute, parts.second)),
                           piece.text);
}

QString PickerFormat::render(const QLocale& locale, const DateTimeParts& parts, int typedField,
                             const QString& typed, std::vector<TextSpan>* spans) const
{
    QString text;
    if (spans)
        spans->clear();
    int field = 0;
    for (const Piece& piece : m_pieces) {
        if (piece.literal) {
            text += piece.text;
            continue;
        }
        const qsizetype start = text.size();
        text += field == typedField && !typed.isEmpty() ? localeDigits(locale, typed)
                                                        : renderField(locale, piece, parts);
        if (spans)
            spans->push_back({start, text.size()});
        ++field;
    }
    return text;
}

DateTimeParts PickerFormat::stepped(const DateTimeParts& parts, int field, int steps) const
{
    DateTimeParts out = parts;
    const auto step = [steps](int& part, int min, int max) {
        part = std::clamp(part + steps, min, max);
    };
    switch (kind(field)) {
    case FieldKind::Day:
        step(out.day, 1, QDate(out.year, out.month, 1).daysInMonth());
        break;
    case FieldKind::Month:
        step(out.month, 1, 12);
        break;
    case FieldKind::Year:
        step(out.year, 1601, 9999);
        break;
    case FieldKind::Hour:
        step(out.hour, 0, 23);
        break;
    case FieldKind::Minute:
        step(out.minute, 0, 59);
        break;
    case FieldKind::Second:
        step(out.second, 0, 59);
        break;
    case FieldKind::AmPm:
        if ((steps > 0 && out.hour < 12) || (steps < 0 && out.hour >= 12))
            out.hour += steps > 0 ? 12 : -12;
        break;
    case FieldKind::Fixed:
        break;
    }
    out.day = std::min(out.day, QDate(out.year, out.month, 1).daysInMonth());
    return out;
}

void FieldTyping::begin(const DateTimeParts& held)
{
    m_parts = held;
    m_active = true;
    enterField(m_field);
}

void FieldTyping::enterField(int field)
{
    m_field = std::clamp(field, 0, std::max(0, m_format.fieldCount() - 1));
    m_digits.clear();
    m_entered = m_parts;
}

bool FieldTyping::leaveField()
{
    if (isLast()) {
        m_digits.clear();
        return true;
    }
    enterField(m_field + 1);
    return false;
}

void FieldTyping::select(int field)
{
    enterField(field);
}

void FieldTyping::applyDigits(int thisYear)
{
    const FieldKind kind = m_format.kind(m_field);
    const Limits limits = limitsOf(kind, m_format.isTwelveHour());
    int value = m_digits.toInt();
    if (kind == FieldKind::Year && m_digits.size() == 2)
        value = yearFromTwoDigits(value, thisYear);
    else if (kind == FieldKind::Year && m_digits.size() != 4)
        value = 0; // one or three digits name no year: the year held stays
    const bool holds = !m_digits.isEmpty() && value >= limits.min && value <= limits.max;
    switch (kind) {
    case FieldKind::Day:
        m_parts.day = holds ? value : m_entered.day;
        break;
    case FieldKind::Month:
        m_parts.month = holds ? value : m_entered.month;
        break;
    case FieldKind::Year:
        m_parts.year = holds ? value : m_entered.year;
        break;
    case FieldKind::Hour:
        // Digits leave the half of the day as it is.
        m_parts.hour = !holds                    ? m_entered.hour
                       : m_format.isTwelveHour() ? value % 12 + (m_parts.hour >= 12 ? 12 : 0)
                                                 : value;
        break;
    case FieldKind::Minute:
        m_parts.minute = holds ? value : m_entered.minute;
        break;
    case FieldKind::Second:
        m_parts.second = holds ? value : m_entered.second;
        break;
    case FieldKind::AmPm:
    case FieldKind::Fixed:
        break;
    }
}

bool FieldTyping::typeDigit(int digit, int thisYear)
{
    const FieldKind kind = m_format.kind(m_field);
    if (kind == FieldKind::AmPm || kind == FieldKind::Fixed) {
        // Digits belong to the field after: the marker and names are not typed as numbers.
        if (isLast())
            return false;
        leaveField();
        return typeDigit(digit, thisYear);
    }
    const Limits limits = limitsOf(kind, m_format.isTwelveHour());
    const bool year = kind == FieldKind::Year;
    QString candidate = m_digits + QChar(u'0' + digit);
    const int value = candidate.toInt();
    // A digit that cannot continue what was typed starts the field afresh.
    if (candidate.size() > limits.width || (!year && value > limits.max) ||
        (!year && candidate.size() == limits.width && value < limits.min))
        candidate = QString(QChar(u'0' + digit));
    m_digits = candidate;
    applyDigits(thisYear);
    // A field moves on once no further digit could make a value it holds.
    const bool filled =
        m_digits.size() == limits.width || (!year && m_digits.toInt() * 10 > limits.max);
    return filled && leaveField();
}

void FieldTyping::takeBackDigit(int thisYear)
{
    if (m_digits.isEmpty())
        return;
    m_digits.chop(1);
    applyDigits(thisYear);
}

bool FieldTyping::typeSeparator()
{
    // Only half-typed input moves on; a separator after a field that filled itself, a second
    // separator in a run, and one in the last field change nothing.
    if (m_digits.isEmpty() || isLast())
        return false;
    leaveField();
    return false;
}

bool FieldTyping::typeAmPm(bool pm)
{
    if (!m_format.isTwelveHour())
        return typeSeparator();
    m_parts.hour = m_parts.hour % 12 + (pm ? 12 : 0);
    return m_format.kind(m_field) == FieldKind::AmPm && leaveField();
}

DateTimeParts FieldTyping::finish()
{
    m_active = false;
    m_digits.clear();
    if (m_parts.year >= 1601 && QDate::isValid(m_parts.year, m_parts.month, 1))
        m_parts.day = std::min(m_parts.day, QDate(m_parts.year, m_parts.month, 1).daysInMonth());
    return m_parts;
}

void FieldTyping::cancel()
{
    m_active = false;
    m_digits.clear();
}
