#include "fieldtyping.h"

#include "controls/linefit.h"

#include "time/clockface.h"
#include "time/datetime.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Which part of the value a field sets. (An alias: clang-format releases space the bare
// declarator differently.)
using PartMember = int DateTimeParts::*;

// What a field of each kind holds: the values typing accepts in it, the digits that fill it, and
// the part of the value it shows. The AM/PM marker and fixed text hold no number.
struct FieldRow
{
    int min;
    int max;
    int width;
    PartMember part;
};

constexpr FieldRow fieldRows[] = {
    /* Day    */ {1, 31, 2, &DateTimeParts::day},
    /* Month  */ {1, 12, 2, &DateTimeParts::month},
    /* Year   */ {DateTime::firstYear, DateTime::lastYear, 4, &DateTimeParts::year},
    /* Hour   */ {0, 23, 2, &DateTimeParts::hour},
    /* Minute */ {0, 59, 2, &DateTimeParts::minute},
    /* Second */ {0, 59, 2, &DateTimeParts::second},
    /* AmPm   */ {0, 0, 0, nullptr},
    /* Fixed  */ {0, 0, 0, nullptr},
};
static_assert(std::size(fieldRows) == std::size_t(FieldKind::Fixed) + 1);

// The hour typed beside an AM/PM marker counts 1 to 12.
constexpr FieldRow twelveHourRow = {1, 12, 2, &DateTimeParts::hour};

const FieldRow& rowOf(FieldKind kind)
{
    return fieldRows[static_cast<std::size_t>(kind)];
}

const FieldRow& typedRowOf(FieldKind kind, bool twelveHour)
{
    return kind == FieldKind::Hour && twelveHour ? twelveHourRow : rowOf(kind);
}

// The day brought into its month: while typed, a day may be 31 in any month.
DateTimeParts withDayInMonth(DateTimeParts parts)
{
    parts.day = std::min(parts.day, QDate(parts.year, parts.month, 1).daysInMonth());
    return parts;
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

} // namespace

int yearFromTwoDigits(int twoDigits, int thisYear)
{
    const int first = thisYear - 80;
    return first + ((twoDigits - first) % 100 + 100) % 100;
}

PickerFormat::PickerFormat(const QString& format) : m_pieces(readFormat(format))
{
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        if (!m_pieces[i].isField)
            continue;
        m_fields.push_back(i);
        m_twelveHour = m_twelveHour || m_pieces[i].kind == FieldKind::AmPm;
    }
}

FieldKind PickerFormat::kind(int field) const
{
    return m_pieces[m_fields[static_cast<std::size_t>(field)]].kind;
}

QString PickerFormat::renderField(const QLocale& locale, const FormatPiece& piece,
                                  const DateTimeParts& parts) const
{
    const qsizetype width = piece.text.size();
    switch (piece.kind) {
    case FieldKind::Month:
        if (width > 2)
            return locale.toString(QDate(2000, parts.month, 1), piece.text);
        break;
    case FieldKind::Year:
        if (width == 2)
            return localeNumber(locale, parts.year % 100, width);
        break;
    case FieldKind::Hour:
        if (m_twelveHour && piece.text.at(0) == u'h')
            return localeNumber(locale, clockFaceHour(parts.hour), width);
        break;
    case FieldKind::AmPm:
        return shownForm(locale.toString(QTime(parts.hour, 0), piece.text));
    case FieldKind::Fixed: {
        const DateTimeParts real = withDayInMonth(parts);
        const QDate date(real.year, real.month, real.day);
        return locale.toString(QDateTime(date, QTime(real.hour, real.minute, real.second)),
                               piece.text);
    }
    default:
        break;
    }
    return localeNumber(locale, parts.*rowOf(piece.kind).part, width);
}

QString PickerFormat::render(const QLocale& locale, const DateTimeParts& parts, int typedField,
                             const QString& typed, std::vector<TextSpan>* spans) const
{
    QString text;
    if (spans)
        spans->clear();
    int field = 0;
    for (const FormatPiece& piece : m_pieces) {
        if (!piece.isField) {
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
    const FieldKind stepping = kind(field);
    if (stepping == FieldKind::AmPm) {
        if (steps != 0) // the hour keeps its face and takes the half of the day stepped to
            out.hour = hour24(clockFaceHour(out.hour), steps > 0);
    } else if (const FieldRow& row = rowOf(stepping); row.part) {
        out.*row.part = std::clamp(out.*row.part + steps, row.min, row.max);
    }
    return withDayInMonth(out);
}

TypingRun::TypingRun(const PickerFormat& format, const DateTimeParts& held)
    : m_format(format), m_parts(held), m_entered(held)
{}

void TypingRun::enterField()
{
    m_digits.clear();
    m_entered = m_parts;
}

NextField TypingRun::leaveField(int field)
{
    if (isLast(field)) {
        m_digits.clear();
        return std::nullopt;
    }
    enterField();
    return field + 1;
}

void TypingRun::applyDigits(int field, int thisYear)
{
    const FieldKind kind = m_format.kind(field);
    const FieldRow& row = typedRowOf(kind, m_format.isTwelveHour());
    if (!row.part)
        return;
    int value = m_digits.toInt();
    if (kind == FieldKind::Year && m_digits.size() == 2)
        value = yearFromTwoDigits(value, thisYear);
    else if (kind == FieldKind::Year && m_digits.size() != 4)
        value = 0; // one or three digits name no year: the year held stays
    const bool holds = !m_digits.isEmpty() && value >= row.min && value <= row.max;
    if (!holds)
        m_parts.*row.part = m_entered.*row.part;
    else if (kind == FieldKind::Hour && m_format.isTwelveHour())
        m_parts.hour = hour24(value, isPm(m_parts.hour)); // the half of the day stays
    else
        m_parts.*row.part = value;
}

NextField TypingRun::typeDigit(int field, int digit, int thisYear)
{
    const FieldKind kind = m_format.kind(field);
    if (kind == FieldKind::AmPm || kind == FieldKind::Fixed) {
        // Digits belong to the field after: the marker and names are not typed as numbers.
        if (isLast(field))
            return field;
        return typeDigit(*leaveField(field), digit, thisYear);
    }
    const FieldRow& limits = typedRowOf(kind, m_format.isTwelveHour());
    const bool year = kind == FieldKind::Year;
    QString candidate = m_digits + QChar(u'0' + digit);
    const int value = candidate.toInt();
    // A digit that cannot continue what was typed starts the field afresh.
    if (candidate.size() > limits.width || (!year && value > limits.max) ||
        (!year && candidate.size() == limits.width && value < limits.min))
        candidate = QString(QChar(u'0' + digit));
    m_digits = candidate;
    applyDigits(field, thisYear);
    // A field moves on once no further digit could make a value it holds.
    const bool filled =
        m_digits.size() == limits.width || (!year && m_digits.toInt() * 10 > limits.max);
    return filled ? leaveField(field) : field;
}

void TypingRun::takeBackDigit(int field, int thisYear)
{
    if (m_digits.isEmpty())
        return;
    m_digits.chop(1);
    applyDigits(field, thisYear);
}

NextField TypingRun::typeSeparator(int field)
{
    // Only half-typed input moves on; a separator after a field that filled itself, a second
    // separator in a run, and one in the last field change nothing.
    if (m_digits.isEmpty() || isLast(field))
        return field;
    return leaveField(field);
}

NextField TypingRun::typeAmPm(int field, bool pm)
{
    m_parts.hour = hour24(clockFaceHour(m_parts.hour), pm);
    if (m_format.kind(field) != FieldKind::AmPm)
        return field;
    return leaveField(field);
}

DateTimeParts TypingRun::result() const
{
    return withDayInMonth(m_parts);
}
