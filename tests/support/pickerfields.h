#pragma once

#include <QLineEdit>
#include <QString>
#include <utility>
#include <vector>

// A picker's fields as the user sees them in its text: each run of digits, or of letters (an
// AM/PM marker, a month's name), in order. Separators, blanks and direction marks lie between.
inline std::vector<std::pair<qsizetype, qsizetype>> shownFields(const QString& text)
{
    std::vector<std::pair<qsizetype, qsizetype>> fields;
    const auto kindOf = [](QChar c) { return c.isDigit() ? 1 : c.isLetter() ? 2 : 0; };
    for (qsizetype at = 0; at < text.size();) {
        const int kind = kindOf(text.at(at));
        qsizetype end = at + 1;
        while (end < text.size() && kind != 0 && kindOf(text.at(end)) == kind)
            ++end;
        if (kind != 0)
            fields.emplace_back(at, end);
        at = end;
    }
    return fields;
}

// Which of those fields is highlighted, or -1 when the highlight is not exactly one of them.
inline int highlightedField(const QLineEdit& box)
{
    const qsizetype start = box.selectionStart();
    const qsizetype end = start + box.selectedText().size();
    const auto fields = shownFields(box.text());
    for (std::size_t field = 0; field < fields.size(); ++field) {
        if (start >= 0 && fields[field] == std::pair(start, end))
            return static_cast<int>(field);
    }
    return -1;
}
