#pragma once

#include "time/datetimeparts.h"
#include "time/formatpattern.h"

#include <QLocale>
#include <QString>
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

// The picker's selected field, and one run of typing into it, from the first key to the moment
// the picker takes the value. The fields keep what is typed even when the day does not exist in
// the month held; the whole date is checked, and brought to the month's last day, only when
// typing finishes.
class FieldTyping
{
public:
    explicit FieldTyping(const PickerFormat& format) : m_format(format) {}

    bool isActive() const { return m_active; }
    // The selected field, whether typing is under way or not.
    int field() const { return m_field; }
    const QString& digits() const { return m_digits; }
    const DateTimeParts& parts() const { return m_parts; }

    // Starts typing into the selected field over the value held.
    void begin(const DateTimeParts& held);
    // Each returns true when the key finished the typing (the last field filled itself).
    bool typeDigit(int digit, int thisYear);
    bool typeSeparator();
    bool typeAmPm(bool pm);
    // Takes back the last digit typed into the selected field; none typed there, nothing.
    void takeBackDigit(int thisYear);
    void select(int field);
    // Ends the typing: the day comes into its month.
    DateTimeParts finish();
    // Ends the typing and drops what was typed.
    void cancel();

private:
    bool isLast() const { return m_field + 1 >= m_format.fieldCount(); }
    bool leaveField(); // returns true when the field was the last
    void enterField(int field);
    void applyDigits(int thisYear);

    const PickerFormat& m_format;
    DateTimeParts m_parts;
    DateTimeParts m_entered; // the parts as the selected field was entered
    int m_field = 0;
    QString m_digits; // typed into the selected field, ASCII
    bool m_active = false;
};

// The year a one- or two-digit year means: the one within eighty years before `thisYear` to
// nineteen after it.
int yearFromTwoDigits(int twoDigits, int thisYear);
