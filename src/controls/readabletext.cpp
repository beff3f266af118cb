#include "readabletext.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QPalette>
#include <QTextCharFormat>
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

QColor readableTint(const QColor& background, const QColor& colour)
{
    if (contrastRatio(background, colour) >= minimumContrast)
        return colour;
    const QColor from = colour.toRgb();
    const QColor end = readableOn(background, colour);
    // Contrast grows steadily on the way to black or white: the first step, in whole channel
    // values as it is drawn, that reaches the threshold keeps the most of the colour.
    for (int step = 1;; ++step) {
        const double share = std::min(1.0, step / 255.0);
        const auto channel = [&](double a, double b) {
            return qRound((a + (b - a) * share) * 255);
        };
        const QColor tint(channel(from.redF(), end.redF()), channel(from.greenF(), end.greenF()),
                          channel(from.blueF(), end.blueF()));
        if (share == 1.0 || contrastRatio(background, tint) >= minimumContrast)
            return tint;
    }
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

void keepCalendarReadable(QCalendarWidget& calendar)
{
    QPalette palette = calendar.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        // The month's header and the chosen day stand on the theme's highlight.
        palette.setColor(group, QPalette::HighlightedText,
                         readableOn(palette.color(group, QPalette::Highlight),
                                    palette.color(group, QPalette::HighlightedText)));
    }
    // The days of the months before and after are drawn faint on purpose, yet they can be picked.
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     readableTint(palette.color(QPalette::Base),
                                  palette.color(QPalette::Disabled, QPalette::Text)));
    calendar.setPalette(palette);
    // A day's own colour stands on the days' background and on the weekday names' row.
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        const auto dayOfWeek = static_cast<Qt::DayOfWeek>(day);
        QTextCharFormat format = calendar.weekdayTextFormat(dayOfWeek);
        if (!format.hasProperty(QTextFormat::ForegroundBrush))
            continue;
        const QColor onDays =
            readableTint(palette.color(QPalette::Base), format.foreground().color());
        format.setForeground(readableTint(palette.color(QPalette::AlternateBase), onDays));
        calendar.setWeekdayTextFormat(dayOfWeek, format);
    }
}
