#pragma once

#include <QDateTime>
#include <QDateTimeEdit>
#include <QFontMetrics>
#include <QTimeZone>
#include <algorithm>

// Where the Qt releases we build with (6.4 to 6.11) differ: 6.5 names a zone where older Qt takes
// a Qt::TimeSpec, which 6.8 deprecates; an edit takes the zone itself from 6.7. And what all of
// them do that Qt does not document, which the picker leans on.

inline QDateTime utcDateTime(QDate date, QTime time)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime(date, time, QTimeZone::UTC);
#else
    return QDateTime(date, time, Qt::UTC);
#endif
}

inline void holdInUtc(QDateTimeEdit& edit)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    edit.setTimeZone(QTimeZone::UTC);
#else
    edit.setTimeSpec(Qt::UTC);
#endif
}

// The height of the line QLineEdit centres in its text area: the taller of its font's height and
// the bounding rectangle its font's metrics give the text, which counts the fonts the text falls
// back to. It puts the line's top at the area's top plus half the height left over, rounded up,
// and the baseline its own font's ascent below that, whatever the fonts falling back.
inline int lineEditCentredLineHeight(const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    return std::max(metrics.boundingRect(text).height(), metrics.height());
}
