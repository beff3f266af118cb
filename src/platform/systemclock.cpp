#include "systemclock.h"

#include <QDateTime>

DateTime SystemClock::now() const
{
    const qint64 utcSecond = QDateTime::currentSecsSinceEpoch();
    if (utcSecond != m_convertedUtcSecond) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(utcSecond);
        m_convertedLocal = DateTime::fromDateAndTime(local.date(), local.time());
        m_convertedUtcSecond = utcSecond;
    }
    return m_convertedLocal;
}

double SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
