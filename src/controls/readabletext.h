#pragma once

#include <QColor>

class QCalendarWidget;
class QWidget;

// Text must stay readable where the layout forces a background the user's colour scheme did not
// choose: a dark scheme's light text on a forced white cannot be read.

// The text colour to draw on a background: the given one when it reaches 4.5:1, else black or
// white, whichever reads better (one of them always reaches 4.5:1).
QColor readableOn(const QColor& background, const QColor& text);

// A colour that means something (a weekend's red) brought only as far towards black or white as
// it must go to reach 4.5:1, so that it keeps its hue.
QColor readableTint(const QColor& background, const QColor& colour);

// Gives the widget's own text the system's colour where that reads on the widget's background,
// and black or white where it does not.
void keepTextReadable(QWidget& widget);

// Holds every text of a calendar to the same rule: the header and the chosen day on the
// highlight, the other months' faint days, and the marked weekend.
void keepCalendarReadable(QCalendarWidget& calendar);
