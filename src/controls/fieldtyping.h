#pragma once

#include "time/datetimeparts.h"
#include "time/formatpattern.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

// What typing a date or a time into a picker does, apart from any widget: the display format
// read into fields and literal text, and the rules by which digits, separators and the AM/PM
// letters fill the fields.

struct TextSpan
{
    qsizetype start;
    qsizetype end;
};

// A display format read into its fields (the sections a QDateTimeEdit counts) and the literal
// text between them.
class PickerFormat
{
public:
    explicit PickerFormat(const QString& format);

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    FieldKind kind(int field) const;
    bool isTwelveHour() const { return m_twelveHour; }

    // The text shown for the parts, with `typed` standing in for the value of field `typedField`
    // while it is half typed; each field's place in the text goes to `spans` when it is given.
    QString render(const QLocale& locale, const DateTimeParts& parts, int typedField = -1,
                   const QString& typed = {}, std::vector<TextSpan>* spans = nullptr) const;
    // The parts with one field stepped, as Up and Down step it: the field stops at the end of its
    // range, and a day its new month lacks comes to the month's last.
    DateTimeParts stepped(const DateTimeParts& parts, int field, int steps) const;

private:
    QString renderField(const QLocale& locale, const FormatPiece& piece,
                        const DateTimeParts& parts) const;

    FormatPieces m_pieces;
    std::vector<std::size_t> m_fields; // the pieces that are fields, in order
    bool m_twelveHour = false;
};

// The field selected after a key, or none when the key finished the typing (the last field filled
// itself).
using NextField = std::optional<int>;

// One run of typing into a picker, from the first key to the moment the picker takes the value;
// it exists only while typing is under way. It holds the value typed and the digits of the field
// under way; the picker holds which field is selected, hands it to each key, and selects the field
// the key gives back. The fields keep what is typed even when the day does not exist in the month
// held; the whole date is checked, and brought to the month's last day, only when the value is
// taken.
class TypingRun
{
public:
    TypingRun(const PickerFormat& format, const DateTimeParts& held);

    const QString& digits() const { return m_digits; }
    const DateTimeParts& parts() const { return m_parts; }

    // Each key goes into the selected field, `field`.
    NextField typeDigit(int field, int digit, int thisYear);
    NextField typeSeparator(int field);
    // Only a twelve-hour format has a half of the day to type; the picker asks no other.
    NextField typeAmPm(int field, bool pm);
    // Takes back the last digit typed into the field; none typed there, nothing.
    void takeBackDigit(int field, int thisYear);
    // The picker chose a field anew: Backspace there returns to what the field holds now.
    void enterField();
    // The value typed, the day brought into its month.
    DateTimeParts result() const;

private:
    bool isLast(int field) const { return field + 1 >= m_format.fieldCount(); }
    NextField leaveField(int field);
    void applyDigits(int field, int thisYear);

    const PickerFormat& m_format;
    DateTimeParts m_parts;   // a real year and month always: a field takes only what its row holds
    DateTimeParts m_entered; // the parts as the selected field was entered
    QString m_digits;        // typed into the selected field, ASCII
};

// The year a one- or two-digit year means: the one within eighty years before `thisYear` to
// nineteen after it.
int yearFromTwoDigits(int twoDigits, int thisYear);
