#pragma once

#include "time/datetime.h"
#include "time/textreader.h"

#include <QLocale>
#include <QString>
#include <optional>

// Turns date-time values into the user's locale text and back: the short date with a four-digit
// year, a blank, and the long time with seconds and no time-zone name.
class DateTimeText
{
public:
    explicit DateTimeText(const QLocale& locale = QLocale());

    // The display formats (QDateTime format strings) that the pickers use.
    const QString& dateFormat() const { return m_dateFormat; }
    const QString& timeFormat() const { return m_timeFormat; }

    QString formatDate(DateTime value) const;
    QString formatTime(DateTime value) const;
    // The general rule: a time of day of zero gives the date alone, a value on the zero date the
    // time alone (midnight on the zero date is a time), anything else the date, a blank, the time.
    QString format(DateTime value) const;

    // Reads text in any of the three forms above, exactly as this locale writes it; raises
    // Failure("Type mismatch") otherwise.
    DateTime parse(const QString& text) const;

private:
    friend class TestDateTimeText;

    // The locale's formats made fit for zone-less values; each leaves quoted literals alone.
    static QString withFourDigitYear(const QString& format);
    static QString withoutTimeZone(const QString& format);
    static QString withAmPmForDayPeriod(const QString& format);
    static QString withAmPmAsTheUserWrote(const QString& format, const QLocale& locale);

    // The date and time together, the date alone, the time alone.
    enum class Form { Both, Date, Time };
    const TextReader& reader(Form form) const;
    QString write(DateTime value, Form form) const;
    // The value the text gives in that form, if it writes back as the same text.
    std::optional<DateTime> readBack(const QString& text, Form form) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    TextReader m_bothReader;
    TextReader m_dateReader;
    TextReader m_timeReader;
};
