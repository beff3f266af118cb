#include "textgeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLineEdit>
#include <QStyle>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>

qreal TextGeometry::layOut(const QString& text, const QFont& font, Qt::LayoutDirection direction)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    // The glyphs a character is drawn with, placed as the line draws them: a run of the other
    // direction, and a blank between two runs, stand where they are seen.
    for (int at = 0; at < text.size(); ++at) {
        QRectF drawn;
        for (const QGlyphRun& run : layout.glyphRuns(at, 1))
            drawn |= run.boundingRect();
        m_edges.emplace_back(drawn.left(), drawn.right());
        m_carets.push_back(line.cursorToX(at));
    }
    m_carets.push_back(line.cursorToX(static_cast<int>(text.size())));
    return line.naturalTextWidth();
}

void TextGeometry::place(int x, int top, int height)
{
    for (const auto& [left, right] : m_edges) {
        const int from = x + static_cast<int>(std::floor(left));
        const int to = x + static_cast<int>(std::ceil(right));
        m_boxes.emplace_back(from, top, std::max(0, to - from), height);
    }
}

TextGeometry::TextGeometry(const QString& text, const QFont& font, Qt::LayoutDirection direction,
                           const QRect& box, Qt::Alignment alignment)
    : TextGeometry(text, font, direction, box, alignment,
                   (box.height() - QFontMetrics(font).height()) / 2 + QFontMetrics(font).ascent())
{}

TextGeometry::TextGeometry(const QString& text, const QFont& font, Qt::LayoutDirection direction,
                           const QRect& box, Qt::Alignment alignment, int baseline)
{
    // The painter finds the text's direction from the text itself; the widget's direction
    // mirrors only the alignment.
    const int width = static_cast<int>(std::ceil(layOut(text, font, Qt::LayoutDirectionAuto)));
    const QFontMetrics metrics(font);
    const Qt::Alignment visual = QStyle::visualAlignment(direction, alignment);
    int x = box.left();
    if (visual & Qt::AlignRight)
        x = box.left() + box.width() - width;
    else if (visual & Qt::AlignHCenter)
        x = box.left() + (box.width() - width) / 2;
    // A line taller than the box, in a font that falls back to a taller one, is cut to it.
    const int top = std::max(box.top(), box.top() + baseline - metrics.ascent());
    const int bottom = std::min(box.bottom() + 1, box.top() + baseline + metrics.descent() + 1);
    place(x, top, bottom - top);
}

TextGeometry TextGeometry::ofLineEdit(const QLineEdit& edit)
{
    TextGeometry geometry;
    geometry.layOut(edit.displayText(), edit.font(), edit.layoutDirection());
    // The edit lays its text out the same way and tells where its caret is drawn, which places
    // the line wherever alignment and scrolling have put it.
    const QRect caret = edit.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const auto cursor = static_cast<std::size_t>(
        std::clamp<qsizetype>(edit.cursorPosition(), 0, edit.displayText().size()));
    geometry.place(caret.center().x() - qRound(geometry.m_carets[cursor]), caret.top(),
                   caret.height());
    return geometry;
}

QRect TextGeometry::characterBox(qsizetype offset) const
{
    if (offset < 0 || offset >= size())
        return {};
    return m_boxes[static_cast<std::size_t>(offset)];
}

std::pair<int, int> TextGeometry::extent(qsizetype start, qsizetype end) const
{
    std::pair<int, int> out{INT_MAX, INT_MIN};
    for (qsizetype at = std::max<qsizetype>(start, 0); at < std::min(end, size()); ++at) {
        const QRect box = m_boxes[static_cast<std::size_t>(at)];
        out = {std::min(out.first, box.left()), std::max(out.second, box.left() + box.width())};
    }
    return out;
}
