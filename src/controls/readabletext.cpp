#include "readabletext.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {
constexpr double minimumContrast = 4.5;

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// From 1 (the same luminance) to 21 (black against white).
double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
} // namespace

QColor readableOn(const QColor& background, const QColor& text)
{
    if (contrastRatio(background, text) >= minimumContrast)
        return text;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(background, black) >= contrastRatio(background, white) ? black : white;
}

void keepTextReadable(QWidget& widget)
{
    const QPalette::ColorRole textRole = widget.foregroundRole();
    const QPalette system = QApplication::palette(&widget);
    QPalette palette = widget.palette();
    bool changed = false;
    // Disabled text may stay faint; nothing of ours is ever disabled.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        const QColor background = palette.color(group, widget.backgroundRole());
        const QColor text = readableOn(background, system.color(group, textRole));
        // Only a needed change: a role set at all stops following the user's scheme.
        if (palette.color(group, textRole) != text) {
            palette.setColor(group, textRole, text);
            changed = true;
        }
    }
    if (changed)
        widget.setPalette(palette);
}
