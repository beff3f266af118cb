#pragma once

#include <QFont>
#include <QMargins>
#include <QString>

// Where a one-line text stands in a box of fixed height so that its ink sits whole and centred in
// it, the glyphs of fallback fonts included: a Tibetan or Myanmar font's line is far taller than
// the Latin font asked for, and centring that line, as Qt does, pushes the ink out of a small box.
struct LineFit
{
    QFont font;   // the font asked for, or a smaller one where its ink is taller than the box
    int baseline; // below the box's top
};

// The fit of a text, or of several texts that must share one line (a value's text as it changes):
// each digit takes the room of every digit of its script, so a count that moves never shifts it.
LineFit fitLine(const QString& specimen, const QFont& font, int height);

// How far the text's ink reaches past the start and the end of its advance, in whole pixels (left
// and right; top and bottom 0): a last Kannada conjunct hangs past the end of the line.
QMargins inkOverhang(const QString& text, const QFont& font);

// The text with each digit its script's zero: texts alike in all but their digits fit alike.
QString withDigitsAsZero(const QString& text);

// The text as a box draws it: without the Syriac abbreviation mark (U+070F), which Syriac fonts
// draw as a bar over the letters after it. HarfBuzz 10 with the Noto font gives those letters no
// width, so they are drawn over what stands before them and lost where a text box draws a
// selection; older HarfBuzz breaks them apart. Syriac's day-period words begin with it.
QString shownForm(const QString& text);
