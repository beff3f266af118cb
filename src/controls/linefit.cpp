#include "controls/linefit.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <cmath>
#include <optional>

namespace {
// Lays the text out in one line, as a label or a text box does; returns that line.
QTextLine layOutOneLine(QTextLayout& layout)
{
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line;
}

QChar zeroOf(QChar digit)
{
    return QChar(digit.unicode() - digit.digitValue());
}

// The text with every digit of each script it uses.
QString withSiblingDigits(const QString& text)
{
    QString out = text;
    QString zeros;
    for (const QChar c : text) {
        if (c.category() != QChar::Number_DecimalDigit || zeros.contains(zeroOf(c)))
            continue;
        zeros += zeroOf(c);
        for (int digit = 0; digit < 10; ++digit)
            out += QChar(zeros.back().unicode() + digit);
    }
    return out;
}

// The ink as the glyphs' outlines give it, from the start of the line at its baseline (the top
// negative); null where the text has no ink.
QRectF inkOf(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    const qreal ascent = layOutOneLine(layout).ascent();
    QRectF ink;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            ink |= raw.pathForGlyph(glyphs[i]).boundingRect().translated(positions[i]);
    }
    return ink.translated(0, -ascent);
}

// The ink's top and bottom, from the baseline (the top negative).
std::pair<qreal, qreal> inkBand(const QString& text, const QFont& font)
{
    const QRectF ink = inkOf(text, font);
    if (ink.isEmpty()) {
        const QFontMetricsF metrics(font);
        return {-metrics.ascent(), metrics.descent()};
    }
    return {ink.top(), ink.bottom()};
}
} // namespace

QString withDigitsAsZero(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.category() == QChar::Number_DecimalDigit)
            c = zeroOf(c);
    }
    return out;
}

namespace {
// The baseline that centres the ink, if its pixels fit the height. Hinting may move an outline's
// edge by up to half a pixel, and a pixel it touches is drawn.
std::optional<int> centredBaseline(std::pair<qreal, qreal> ink, int height)
{
    const auto [top, bottom] = ink;
    const int baseline = qRound((height - (bottom - top)) / 2 - top);
    if (std::floor(baseline + top - 0.5) < 0 || std::ceil(baseline + bottom + 0.5) > height)
        return std::nullopt;
    return baseline;
}
} // namespace

LineFit fitLine(const QString& specimen, const QFont& font, int height)
{
    const QString text = withSiblingDigits(specimen);
    QFont fitted = font;
    std::optional<int> baseline = centredBaseline(inkBand(text, fitted), height);
    // Smaller a pixel at a time: the outlines do not scale exactly with the size asked for.
    for (int pixels = QFontInfo(font).pixelSize() - 1; !baseline && pixels >= 6; --pixels) {
        fitted.setPixelSize(pixels);
        baseline = centredBaseline(inkBand(text, fitted), height);
    }
    if (!baseline) // too tall to read at any size: its middle shows
        return {fitted, qRound(height / 2.0 + QFontMetricsF(fitted).ascent() / 2)};
    return {fitted, *baseline};
}

QMargins inkOverhang(const QString& text, const QFont& font)
{
    const QRectF ink = inkOf(text, font);
    if (ink.isEmpty())
        return {};
    const qreal advance = QFontMetricsF(font).horizontalAdvance(text);
    // Half a pixel of hinting, as above.
    return {qMax(0, qCeil(-ink.left() + 0.5)), 0, qMax(0, qCeil(ink.right() + 0.5 - advance)), 0};
}

QString shownForm(const QString& text)
{
    constexpr QChar syriacAbbreviationMark(0x070F);
    if (!text.contains(syriacAbbreviationMark))
        return text;
    QString shown = text;
    return shown.remove(syriacAbbreviationMark);
}
