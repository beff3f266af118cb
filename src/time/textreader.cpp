#include "textreader.h"

#include "time/clockface.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <array>

struct TextReader::Reading
{
    QStringView text;
    std::array<int, 8> values{}; // by Slot
    std::vector<DateTimeParts>& out;
};

namespace {

QString patternOf(const FormatPiece& field)
{
    return writeFormat({field});
}

// Month names in every form Qt may write them: the names a date carries in context, the names
// that stand alone, and the field as Qt writes it by itself.
std::vector<QString> monthNames(const QLocale& locale, const FormatPiece& field, int month)
{
    std::vector<QString> names{locale.toString(QDate(2001, month, 1), patternOf(field))};
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        names.push_back(locale.monthName(month, type));
        names.push_back(locale.standaloneMonthName(month, type));
    }
    return names;
}

std::vector<QString> weekdayNames(const QLocale& locale, int weekday)
{
    std::vector<QString> names;
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        names.push_back(locale.dayName(weekday, type));
        names.push_back(locale.standaloneDayName(weekday, type));
    }
    return names;
}

} // namespace

TextReader::TextReader(const QLocale& locale, const QString& format)
    : m_zeroDigit(QStringView(locale.zeroDigit()).toUcs4().value(0, U'0'))
{
    const FormatPieces pieces = readFormat(format);
    const bool withAmPm = std::any_of(pieces.begin(), pieces.end(), [](const FormatPiece& piece) {
        return piece.isField && piece.kind == FieldKind::AmPm;
    });
    for (const FormatPiece& piece : pieces) {
        if (piece.isField)
            m_steps.push_back(fieldStep(locale, piece, withAmPm));
        else if (!m_steps.empty() && !m_steps.back().literal.isEmpty())
            m_steps.back().literal += piece.text;
        else
            m_steps.push_back(Step{piece.text, Slot::None, 0, 0, {}});
    }
    m_halfDayHour = std::any_of(m_steps.begin(), m_steps.end(),
                                [](const Step& step) { return step.slot == Slot::HalfDayHour; });
}

// A field written by one letter has no leading zero; two letters always give two digits.
TextReader::Step TextReader::fieldStep(const QLocale& locale, const FormatPiece& field,
                                       bool withAmPm)
{
    const auto number = [&field](Slot slot, int maxDigits) {
        const int letters = static_cast<int>(field.text.size());
        return Step{{}, slot, letters == 1 ? 1 : maxDigits, maxDigits, {}};
    };
    const auto choices = [](Slot slot, std::vector<Choice> choices) {
        return Step{{}, slot, 0, 0, std::move(choices)};
    };
    const qsizetype letters = field.text.size();
    switch (field.kind) {
    case FieldKind::Day:
        return number(Slot::Day, 2);
    case FieldKind::Month: {
        if (letters <= 2)
            return number(Slot::Month, 2);
        std::vector<Choice> names;
        for (int month = 1; month <= 12; ++month) {
            for (QString& name : monthNames(locale, field, month))
                names.push_back({std::move(name), month});
        }
        return choices(Slot::Month, std::move(names));
    }
    case FieldKind::Year:
        return number(Slot::Year, static_cast<int>(letters));
    case FieldKind::Hour:
        return number(withAmPm && field.isFieldOf(u'h') ? Slot::HalfDayHour : Slot::Hour, 2);
    case FieldKind::Minute:
        return number(Slot::Minute, 2);
    case FieldKind::Second:
        return number(Slot::Second, 2);
    case FieldKind::AmPm: {
        const QString pattern = patternOf(field);
        return choices(Slot::AmPm, {{locale.toString(QTime(1, 0), pattern), 0},
                                    {locale.toString(QTime(13, 0), pattern), 1}});
    }
    case FieldKind::Fixed:
        break;
    }
    if (field.isFieldOf(u'z'))
        return Step{{}, Slot::None, 1, 3, {}}; // milliseconds, which whole seconds do not keep
    std::vector<Choice> names;
    if (field.isFieldOf(u'd')) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            for (QString& name : weekdayNames(locale, weekday))
                names.push_back({std::move(name), weekday});
        }
    }
    return choices(Slot::None, std::move(names)); // a field with no names, such as a zone, fails
}

std::vector<DateTimeParts> TextReader::readAll(QStringView text) const
{
    std::vector<DateTimeParts> out;
    Reading reading{text, {}, out};
    readFrom(0, 0, reading);
    return out;
}

void TextReader::store(Reading& reading, Slot slot, int value)
{
    if (slot != Slot::None)
        reading.values.at(static_cast<std::size_t>(slot)) = value;
}

void TextReader::readFrom(std::size_t index, qsizetype at, Reading& reading) const
{
    const QStringView rest = reading.text.mid(at);
    if (index == m_steps.size()) {
        if (!rest.isEmpty())
            return;
        const auto& v = reading.values;
        const auto value = [&v](Slot slot) { return v.at(static_cast<std::size_t>(slot)); };
        int hour = value(Slot::Hour);
        if (m_halfDayHour) {
            const int onClockFace = value(Slot::HalfDayHour);
            if (onClockFace < 1 || onClockFace > 12)
                return;
            hour = hour24(onClockFace, value(Slot::AmPm) == 1);
        }
        reading.out.push_back({value(Slot::Year), value(Slot::Month), value(Slot::Day), hour,
                               value(Slot::Minute), value(Slot::Second)});
        return;
    }
    const Step& step = m_steps[index];
    if (!step.literal.isEmpty()) {
        if (rest.startsWith(step.literal))
            readFrom(index + 1, at + step.literal.size(), reading);
    } else if (step.maxDigits > 0) {
        readNumber(index, at, reading);
    } else {
        for (const Choice& choice : step.choices) {
            if (!choice.text.isEmpty() && rest.startsWith(choice.text)) {
                store(reading, step.slot, choice.value);
                readFrom(index + 1, at + choice.text.size(), reading);
            }
        }
    }
}

// Tries the longest run of digits first, then each shorter one the field allows, so that two
// numbers with nothing between them still read.
void TextReader::readNumber(std::size_t index, qsizetype at, Reading& reading) const
{
    const Step& step = m_steps[index];
    struct Digit
    {
        int value;
        qsizetype end;
    };
    std::vector<Digit> digits;
    for (qsizetype i = at;
         i < reading.text.size() && digits.size() < std::size_t(step.maxDigits);) {
        char32_t c = reading.text[i].unicode();
        qsizetype next = i + 1;
        if (QChar::isHighSurrogate(c) && next < reading.text.size() &&
            reading.text[next].isLowSurrogate())
            c = QChar::surrogateToUcs4(reading.text[i], reading.text[next++]);
        int value = -1;
        if (c >= m_zeroDigit && c <= m_zeroDigit + 9)
            value = static_cast<int>(c - m_zeroDigit);
        else if (c >= U'0' && c <= U'9')
            value = static_cast<int>(c - U'0');
        if (value < 0)
            break;
        digits.push_back({value, next});
        i = next;
    }
    for (std::size_t count = digits.size(); count >= std::size_t(step.minDigits) && count > 0;
         --count) {
        int value = 0;
        for (std::size_t k = 0; k < count; ++k)
            value = value * 10 + digits[k].value;
        store(reading, step.slot, value);
        readFrom(index + 1, digits[count - 1].end, reading);
    }
}
