#pragma once

#include <QString>
#include <vector>

// The fields of a QDateTime display format. Fixed fields show text that typing does not change:
// a weekday's name, milliseconds, a time zone.
enum class FieldKind { Day, Month, Year, Hour, Minute, Second, AmPm, Fixed };

// One piece of a display format: a field's pattern letters, or one character of literal text.
struct FormatPiece
{
    QString text;
    bool isField = false;
    bool quoted = false; // literal text that stood inside quotes
    FieldKind kind = FieldKind::Fixed;

    bool isFieldOf(char16_t letter) const { return isField && text.at(0) == letter; }
    // Literal text written without quotes, such as a separator.
    bool isBare(char16_t c) const { return !isField && !quoted && text.at(0) == c; }
    bool isBlank() const { return !isField && !quoted && text.at(0).isSpace(); }
};
using FormatPieces = std::vector<FormatPiece>;

// Reads a display format as Qt's date-time edit and QLocale read it: a run of one pattern letter
// is a field, a run too long for one field starts the next, and quoted text and '' are literal.
FormatPieces readFormat(const QString& format);
// Writes pieces as a display format that reads back as the same pieces.
QString writeFormat(const FormatPieces& pieces);
