#pragma once

#include <QDateTime>
#include <QDateTimeEdit>
#include <QTimeZone>

// Where the Qt releases we build with (6.4 to 6.8) differ: 6.5 names a zone where older Qt takes
// a Qt::TimeSpec, which 6.8 deprecates; an edit takes the zone itself from 6.7.

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
