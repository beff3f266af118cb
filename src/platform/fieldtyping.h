#pragma once

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

// What typing a date or a time into a picker does, apart from any widget: the display format
// read into fields and literal text, and the rules by which digits, separators and the AM/PM
// letters fill the fields.

enum class FieldKind { Day, Month, Year, Hour, Minute, Second, AmPm, Fixed };

// A value as typing sees it: while it is typed, the day may be 31 in any month.
struct DateTimeParts
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool isValidDate() const;
    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

struct TextSpan
{
    qsizetype start;
    qsizetype end;
};

// A QDateTime display format read into its fields (the sections a QDateTimeEdit counts) and the
// literal text between them.
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

private:
    struct Piece
    {
        FieldKind kind;
        bool literal;
        QString text; // the pattern letters, or the literal text itself
    };
    QString renderField(const QLocale& locale, const Piece& piece,
                        const DateTimeParts& parts) const;

    std::vector<Piece> m_pieces;
    std::vector<std::size_t> m_fields; // the pieces that are fields, in order
    bool m_twelveHour = false;
};

// One run of typing into a picker, from the first key to the moment the picker takes the value.
// The fields keep what is typed even when the day does not exist in the month held; the whole
// date is checked, and brought to the month's last day, only when typing finishes.
class FieldTyping
{
public:
    explicit FieldTyping(const PickerFormat& format) : m_format(format) {}

    bool isActive() const { return m_active; }
    int field() const { return m_field; }
    const QString& digits() const { return m_digits; }
    const DateTimeParts& parts() const { return m_parts; }

    void begin(const DateTimeParts& held, int field);
    // Each returns true when the key finished the typing (the last field filled itself).
    bool typeDigit(int digit, int thisYear);
    bool typeSeparator();
    bool typeAmPm(bool pm);
    void select(int field);
    // The parts as they stand when they make a whole value: no field half typed into a value it
    // cannot hold, and a day that exists in its month.
    std::optional<DateTimeParts> wholeValue() const;
    // Ends the typing: a field left half typed keeps its earlier value, the day comes into its
    // month.
    DateTimeParts finish();

private:
    bool isLast() const { return m_field + 1 >= m_format.fieldCount(); }
    bool leaveField(); // returns true when the field was the last
    void applyDigits(int thisYear);

    const PickerFormat& m_format;
    DateTimeParts m_parts;
    int m_field = 0;
    QString m_digits;          // typed into the current field, ASCII
    bool m_digitsValid = true; // the typed digits make a value the field can hold
    bool m_active = false;
};

// The year a one- or two-digit year means: the one within eighty years before `thisYear` to
// nineteen after it.
int yearFromTwoDigits(int twoDigits, int thisYear);
