#pragma once

#include <QRect>
#include <QString>
#include <utility>
#include <vector>

class QFont;
class QLineEdit;

// Where each character of a one-line text is drawn, as Qt lays the line out: in the writing
// direction of its widget, with each run of the other direction (Arabic-Indic digits in a
// left-to-right label, Latin text in a right-to-left one) placed where it is seen, not where it
// stands in the text.
class TextGeometry
{
public:
    // The line as a label or a caption draws it: placed in `box` by the alignment, mirrored where
    // the widget runs right to left.
    TextGeometry(const QString& text, const QFont& font, Qt::LayoutDirection direction,
                 const QRect& box, Qt::Alignment alignment);
    // The same line drawn with its baseline where given, from the box's top.
    TextGeometry(const QString& text, const QFont& font, Qt::LayoutDirection direction,
                 const QRect& box, Qt::Alignment alignment, int baseline);
    // The line as the line edit shows it now, in the edit's own coordinates.
    static TextGeometry ofLineEdit(const QLineEdit& edit);

    qsizetype size() const { return static_cast<qsizetype>(m_boxes.size()); }
    // The character's box: its left and right edges, and the line's height. Empty for an offset
    // outside the text.
    QRect characterBox(qsizetype offset) const;
    // The leftmost and rightmost edges drawn of the characters from `start` up to `end`.
    std::pair<int, int> extent(qsizetype start, qsizetype end) const;

private:
    TextGeometry() = default;
    // Lays the text out from x = 0 and reads each character's edges and each caret position;
    // returns the line's width.
    qreal layOut(const QString& text, const QFont& font, Qt::LayoutDirection direction);
    void place(int x, int top, int height);

    std::vector<std::pair<qreal, qreal>> m_edges; // left and right, from the line's start
    std::vector<qreal> m_carets;                  // before each character, and at the end
    std::vector<QRect> m_boxes;
};
