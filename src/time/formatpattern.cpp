#include "formatpattern.h"

#include <algorithm>

namespace {

qsizetype runLength(const QString& format, qsizetype i)
{
    qsizetype end = i;
    while (end < format.size() && format.at(end) == format.at(i))
        ++end;
    return end - i;
}

// The field that starts at `i`, as Qt reads it; no letters when none starts there.
FormatPiece fieldAt(const QString& format, qsizetype i)
{
    const qsizetype run = runLength(format, i);
    const auto field = [&](FieldKind kind, qsizetype length) {
        return FormatPiece{format.mid(i, length), length > 0, false, kind};
    };
    switch (format.at(i).unicode()) {
    case u'd':
        return field(run >= 3 ? FieldKind::Fixed : FieldKind::Day, std::min<qsizetype>(run, 4));
    case u'M':
        return field(FieldKind::Month, std::min<qsizetype>(run, 4));
    case u'y':
        return field(FieldKind::Year, run >= 4 ? 4 : run >= 2 ? 2 : 0);
    case u'h':
    case u'H':
        return field(FieldKind::Hour, std::min<qsizetype>(run, 2));
    case u'm':
        return field(FieldKind::Minute, std::min<qsizetype>(run, 2));
    case u's':
        return field(FieldKind::Second, std::min<qsizetype>(run, 2));
    case u'z':
    case u't':
        return field(FieldKind::Fixed, run);
    case u'a':
    case u'A': {
        const bool pair =
            i + 1 < format.size() && (format.at(i + 1) == u'p' || format.at(i + 1) == u'P');
        return field(FieldKind::AmPm, pair ? 2 : 1);
    }
    default:
        return field(FieldKind::Fixed, 0);
    }
}

FormatPiece literal(QChar c, bool quoted)
{
    return {QString(c), false, quoted, FieldKind::Fixed};
}

// Reads the quoted text that starts at the quote at `i`; returns where it ends. A doubled quote
// inside stands for one.
qsizetype readQuoted(const QString& format, qsizetype i, FormatPieces& out)
{
    for (++i; i < format.size(); ++i) {
        if (format.at(i) != u'\'')
            out.push_back(literal(format.at(i), true));
        else if (i + 1 < format.size() && format.at(i + 1) == u'\'')
            out.push_back(literal(format.at(++i), true));
        else
            break;
    }
    return i + 1;
}

} // namespace

FormatPieces readFormat(const QString& format)
{
    FormatPieces out;
    for (qsizetype i = 0; i < format.size();) {
        if (format.at(i) == u'\'') {
            if (i + 1 < format.size() && format.at(i + 1) == u'\'') {
                out.push_back(literal(u'\'', true)); // '' outside quotes is a literal quote
                i += 2;
            } else {
                i = readQuoted(format, i, out);
            }
            continue;
        }
        FormatPiece piece = fieldAt(format, i);
        if (!piece.isField)
            piece = literal(format.at(i), false);
        i += piece.text.size();
        out.push_back(std::move(piece));
    }
    return out;
}

QString writeFormat(const FormatPieces& pieces)
{
    QString out;
    bool open = false;
    for (const FormatPiece& piece : pieces) {
        if (piece.quoted && piece.text == u"'") {
            out += u"''"; // reads as one quote both inside and outside a quoted section
            continue;
        }
        if (piece.quoted != open) {
            out += u'\'';
            open = piece.quoted;
        }
        out += piece.text;
    }
    if (open)
        out += u'\'';
    return out;
}
