#include "base/failure.h"
#include "promisedskip.h"
#include "time/datetimetext.h"
#include "time/localedigits.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <iterator>
#include <optional>

namespace {

const char* const localeNames[] = {"en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "zh_CN",
                                   "ko_KR", "ru_RU", "ar_EG", "fa_IR", "hi_IN", "C"};

// The pattern letters of a format, its quoted literals taken out.
QString unquoted(QString format)
{
    static const QRegularExpression quoted(QStringLiteral("'(?:[^']|'')*'"));
    return format.remove(quoted);
}

// Any script's digits as ASCII ones, so numbers can be looked for whatever the locale.
QString latinDigits(QString text)
{
    for (QChar& c : text) {
        if (const int value = c.digitValue(); value >= 0)
            c = QChar(u'0' + value);
    }
    return text;
}

std::optional<DateTime> tryParse(const DateTimeText& text, const QString& shown)
{
    try {
        return text.parse(shown);
    } catch (const Failure&) {
        return std::nullopt;
    }
}

QString describe(std::optional<DateTime> value)
{
    if (!value)
        return QStringLiteral("a failure");
    return value->date().toString(Qt::ISODate) + u'T' + value->time().toString(Qt::ISODate);
}

// Sets the process time zone for one test row and puts the old one back afterwards.
class ZoneScope
{
public:
    explicit ZoneScope(const QByteArray& zone)
        : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneScope()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    Q_DISABLE_COPY_MOVE(ZoneScope)

private:
    bool m_had;
    QByteArray m_old;
};

enum class Form { Date, Time, Both };

// A separator that stood only between the time and its zone, left behind when the zone went.
bool dangles(QChar c)
{
    return c.isSpace() || c == u',' || c == u'\u060C' || c == u'\u3001' || c == u'\uFF0C';
}

const QTime times[] = {QTime(0, 0, 0),  QTime(0, 0, 1),  QTime(9, 5, 30),   QTime(11, 59, 59),
                       QTime(12, 0, 0), QTime(13, 7, 1), QTime(23, 59, 59), QTime(12, 30, 45)};

} // namespace

#define CHECK_READS_BACK(text, shown, expected)                                                    \
    do {                                                                                           \
        const std::optional<DateTime> back = tryParse(text, shown);                                \
        if (back != (expected))                                                                    \
            QFAIL(qPrintable(QStringLiteral("\"%1\" read as %2, not %3")                           \
                                 .arg(shown, describe(back), describe(expected))));                \
    } while (false)

class TestDateTimeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatEdits_data()
    {
        QTest::addColumn<bool>("zone");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, bool zone, const char16_t* in, const char16_t* out) {
            QTest::newRow(name) << zone << QString::fromUtf16(in) << QString::fromUtf16(out);
        };
        row("two-digit year", false, u"M/d/yy", u"M/d/yyyy");
        row("year first with blanks", false, u"yy. M. d.", u"yyyy. M. d.");
        row("four-digit year kept", false, u"dd.MM.yyyy", u"dd.MM.yyyy");
        row("quoted yy kept", false, u"d 'yy' yy", u"d 'yy' yyyy");
        row("escaped quote inside quotes", false, u"'it''s' d/M/yy", u"'it''s' d/M/yyyy");
        row("escaped quote outside quotes", false, u"yy''MM", u"yyyy''MM");
        row("zone at the end", true, u"h:mm:ss AP t", u"h:mm:ss AP");
        row("zone at the start", true, u"t HH:mm:ss", u"HH:mm:ss");
        row("zone in brackets", true, u"H:mm:ss (t)", u"H:mm:ss");
        row("zone in padded brackets", true, u"HH:mm:ss [ t ]", u"HH:mm:ss");
        row("zone in the middle", true, u"HH (t) mm:ss", u"HH mm:ss");
        row("long zone token", true, u"HH:mm:ss tttt", u"HH:mm:ss");
        row("no-break space before zone", true, u"HH:mm:ss\u00A0t", u"HH:mm:ss");
        row("comma before zone", true, u"h:mm:ss AP, t", u"h:mm:ss AP");
        row("abbreviation's dot kept", true, u"H:mm:ss '\u0447'. t", u"H:mm:ss '\u0447'.");
        row("quoted t kept", true, u"HH:mm:ss 'at' t", u"HH:mm:ss 'at'");
        row("quoted literal first", true, u"'Klock' H.mm:ss (t)", u"'Klock' H.mm:ss");
        row("quoted literals joined", true, u"HH'h't'm' ss", u"HH'hm' ss");
        row("Korean", true, u"AP h시 m분 s초 t", u"AP h시 m분 s초");
        row("no zone", true, u"HH:mm:ss", u"HH:mm:ss");
    }
    void formatEdits()
    {
        QFETCH(bool, zone);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(zone ? DateTimeText::withoutTimeZone(format)
                      : DateTimeText::withFourDigitYear(format),
                 expected);
    }

    void localeFormats_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : localeNames)
            QTest::newRow(name) << QString::fromLatin1(name);
        // Real formats with quoted literals and brackets.
        for (const char* name : {"bg_BG", "fr_CA", "nds_DE", "nn_NO"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void localeFormats()
    {
        QFETCH(QString, name);
        const QLocale locale(name);
        const DateTimeText text(locale);

        const QRegularExpression yearRun(QStringLiteral("y+"));
        const QString datePattern = unquoted(text.dateFormat());
        QVERIFY2(datePattern.contains(QStringLiteral("yyyy")), qPrintable(text.dateFormat()));
        for (auto it = yearRun.globalMatch(datePattern); it.hasNext();)
            QCOMPARE(it.next().capturedLength(), 4);
        for (const int year : {1601, 1931, 2031, 9999}) {
            const QString shown = text.formatDate(DateTime::fromDate(QDate(year, 4, 5)));
            QVERIFY2(latinDigits(shown).contains(QString::number(year)), qPrintable(shown));
        }
        // Only the year differs from the locale's own short date.
        const QDate sample(2031, 4, 5);
        QString own = latinDigits(locale.toString(sample, locale.dateFormat(QLocale::ShortFormat)));
        if (!own.contains(u"2031"))
            own.replace(QStringLiteral("31"), QStringLiteral("2031"));
        QCOMPARE(latinDigits(text.formatDate(DateTime::fromDate(sample))), own);

        const QString timePattern = unquoted(text.timeFormat());
        QVERIFY2(!timePattern.contains(u't'), qPrintable(text.timeFormat()));
        QVERIFY2(timePattern.contains(u's'), qPrintable(text.timeFormat()));
        const QTime time(13, 47, 38);
        const QString shown = text.formatTime(DateTime::fromTime(time));
        QVERIFY2(latinDigits(shown).contains(u"38"), qPrintable(shown));
        QCOMPARE(shown.trimmed(), shown);
        QVERIFY(!shown.contains(u"  "));
        // The locale's own long time holds ours whole, plus the zone: nothing else went.
        const QString full = locale.toString(time, locale.timeFormat(QLocale::LongFormat));
        QVERIFY2(full.contains(shown) && full.size() > shown.size(), qPrintable(full));
    }

    // Every locale Qt knows, at the edges of the range and of the day; a wide sample of dates in
    // a few.
    void roundTrip_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QList<QDate>>("dates");
        QTest::addColumn<int>("timesPerDate");
        const QList<QDate> edges = {QDate(1601, 1, 1),  QDate(1899, 12, 30), QDate(1899, 12, 31),
                                    QDate(2000, 2, 29), QDate(2026, 12, 8),  QDate(9999, 12, 31)};
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            QTest::addRow("%s %s", qPrintable(locale.bcp47Name()),
                          qPrintable(QLocale::territoryToCode(locale.territory())))
                << locale << edges << int(std::size(times));
        }
        QList<QDate> sample;
        for (QDate day(1601, 1, 1); day <= QDate(9999, 12, 31); day = day.addDays(997))
            sample.append(day);
        // Two times a day, in turn, keep the wide sample quick yet cover every time.
        for (const char* name : localeNames)
            QTest::addRow("%s sample", name) << QLocale(QString::fromLatin1(name)) << sample << 2;
    }
    void roundTrip()
    {
        QFETCH(QLocale, locale);
        QFETCH(QList<QDate>, dates);
        QFETCH(int, timesPerDate);
        const DateTimeText text{locale};
        const qsizetype count = std::size(times);
        for (qsizetype i = 0; i < dates.size(); ++i) {
            for (qsizetype k = 0; k < timesPerDate; ++k) {
                const QTime time = times[(i + k * (count / timesPerDate)) % count];
                const DateTime value = DateTime::fromDateAndTime(dates[i], time);
                const QString timeText = text.formatTime(value);
                // The Moment's text: the date picker's text, a blank, the time picker's.
                CHECK_READS_BACK(text, text.formatDate(value) + u' ' + timeText, value);
                // The general rule's text is the same apart from its two short forms.
                CHECK_READS_BACK(text, text.format(value), value);
                QVERIFY2(!dangles(timeText.front()) && !dangles(timeText.back()),
                         qPrintable(timeText));
            }
        }
    }

    void generalRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<Form>("form");
        for (const char* name : {"en_US", "ko_KR", "C", "ar_EG"}) {
            const auto row = [name](const char* what, QDate date, QTime time, Form form) {
                QTest::addRow("%s %s", name, what)
                    << QString::fromLatin1(name) << date << time << form;
            };
            row("midnight", QDate(2026, 12, 7), QTime(0, 0), Form::Date);
            row("midnight after zero date", QDate(1899, 12, 31), QTime(0, 0), Form::Date);
            row("midnight before zero date", QDate(1899, 12, 29), QTime(0, 0), Form::Date);
            row("zero date afternoon", QDate(1899, 12, 30), QTime(13, 4, 5), Form::Time);
            row("zero date midnight", QDate(1899, 12, 30), QTime(0, 0), Form::Time);
            row("zero date last second", QDate(1899, 12, 30), QTime(23, 59, 59), Form::Time);
            row("second past midnight", QDate(2026, 12, 7), QTime(0, 0, 1), Form::Both);
            row("day before zero date", QDate(1899, 12, 29), QTime(23, 59, 59), Form::Both);
            row("first day noon", QDate(1601, 1, 1), QTime(12, 0), Form::Both);
        }
    }
    void generalRule()
    {
        QFETCH(QString, name);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(Form, form);
        const DateTimeText text{QLocale(name)};
        const DateTime value = DateTime::fromDateAndTime(date, time);
        const QString expected = form == Form::Date ? text.formatDate(value)
                                 : form == Form::Time
                                     ? text.formatTime(value)
                                     : text.formatDate(value) + u' ' + text.formatTime(value);
        QCOMPARE(text.format(value), expected);
        CHECK_READS_BACK(text, expected, value);
    }

    void rejects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const auto rows = [](const char* name, std::initializer_list<const char16_t*> texts) {
            for (const char16_t* text : texts)
                QTest::addRow("%s \"%s\"", name, qPrintable(QString::fromUtf16(text)))
                    << QString::fromLatin1(name) << QString::fromUtf16(text);
        };
        rows("en_US",
             {u"", u" ", u"garbage", u"13/45/2026", u"13/45/2026 1:04:05 PM", u"2/29/2001",
              u"12/31/1600", u"12/31/1600 11:59:59 PM", u"12/7/26", u"1:61:00 PM", u"13:04:05 PM",
              u"1:04 PM", u"1:04:05 PM UTC", u" 12/7/2026", u"12/7/2026 ", u"12/7/2026  1:04:05 PM",
              u"1:04:05 PM 12/7/2026", u"12/7/2026 1:04:05 PM 1:04:05 PM"});
        rows("C", {u"", u"garbage", u"7 Dec 2026 24:00:00", u"7 Dec 2026 23:59:60", u"31 Dec 1600",
                   u"1 Jan 10000"});
        rows("ko_KR", {u"2026. 13. 7.", u"2026. 12. 7.오후 1시 4분 5초"});
    }
    void rejects()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        try {
            const DateTime value = DateTimeText(QLocale(name)).parse(text);
            QFAIL(qPrintable(QStringLiteral("accepted as ") + describe(value)));
        } catch (const Failure& failure) {
            QCOMPARE(failure.description(), QStringLiteral("Type mismatch"));
        }
    }

    // Every hour of the day as Qt writes it reads back as that hour: 'h' beside AM/PM counts 1 to
    // 12, 'H' counts 0 to 23 even there.
    void hoursReadAsWritten_data()
    {
        QTest::addColumn<QString>("format");
        for (const char* format : {"h:mm AP", "hh:mm ap", "H:mm AP", "HH:mm", "AP h:mm"})
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    void hoursReadAsWritten()
    {
        QFETCH(QString, format);
        const QLocale locale(QLocale::English, QLocale::UnitedStates);
        const TextReader reader(locale, format);
        for (int hour = 0; hour < 24; ++hour) {
            const QString shown = locale.toString(QTime(hour, 7), format);
            const std::vector<DateTimeParts> read = reader.readAll(shown);
            QVERIFY2(std::any_of(read.begin(), read.end(),
                                 [hour](const DateTimeParts& p) { return p.hour == hour; }),
                     qPrintable(shown));
        }
    }

    void noZoneName_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("name");
        for (const char* zone : {"UTC", "America/New_York", "Europe/Berlin", "Asia/Tokyo"}) {
            for (const char* name : localeNames)
                QTest::addRow("%s %s", zone, name) << QByteArray(zone) << QString::fromLatin1(name);
        }
    }
    void noZoneName()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, name);
        const ZoneScope scope(zone);
        const QLocale locale(name);
        const QTime time(13, 47, 38);
        const QString zoneName = locale.toString(time, QStringLiteral("t"));
        QVERIFY(!zoneName.isEmpty());
        const QString shown = DateTimeText(locale).formatTime(DateTime::fromTime(time));
        QVERIFY2(!shown.contains(zoneName) && !shown.contains(u"UTC"), qPrintable(shown));
    }

    // Wall-clock times that local time skips must still read back: the values know no zone.
    void daylightSavingGap_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::newRow("New York spring")
            << QByteArray("America/New_York") << QDate(2026, 3, 8) << QTime(2, 30);
        QTest::newRow("Berlin spring")
            << QByteArray("Europe/Berlin") << QDate(2026, 3, 29) << QTime(2, 30);
        QTest::newRow("Sao Paulo midnight")
            << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4) << QTime(0, 0);
        QTest::newRow("Sao Paulo after midnight")
            << QByteArray("America/Sao_Paulo") << QDate(2018, 11, 4) << QTime(0, 30, 15);
        // The day Qt's own parser assumes when it reads a time alone.
        QTest::newRow("Cocos 1 January 1900")
            << QByteArray("Indian/Cocos") << QDate(1900, 1, 1) << QTime(0, 1, 30);
    }
    void daylightSavingGap()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        const ZoneScope scope(zone);
        // Qt before 6.7 calls a skipped time invalid; later releases move it past the gap.
        const QDateTime local(date, time);
        if (local.isValid() && local.time() == time)
            SKIP_UNLESS_PROMISED("the zone data here has no gap at that time (tzdata)");
        const DateTime value = DateTime::fromDateAndTime(date, time);
        for (const char* name : localeNames) {
            const DateTimeText text{QLocale(QString::fromLatin1(name))};
            CHECK_READS_BACK(text, text.format(value), value);
            CHECK_READS_BACK(text, text.formatDate(value) + u' ' + text.formatTime(value), value);
            CHECK_READS_BACK(text, text.formatDate(value), value.datePart());
            CHECK_READS_BACK(text, text.formatTime(value), value.timePart());
        }
    }

    // Each locale's zero begins its ten digits, and is kept; a zero whose neighbours are no digits
    // (Wine's Cantonese 〇, the superscript ⁰ whose ¹ lies elsewhere), or no zero, is refused.
    void zeroOfTenDigits_data()
    {
        QTest::addColumn<QString>("zero");
        QTest::addColumn<bool>("whole");
        QTest::newRow("ideographic zero") << QStringLiteral("\u3007") << false;
        QTest::newRow("superscript zero, no run after it") << QStringLiteral("\u2070") << false;
        QTest::newRow("none") << QString() << false;
        QTest::newRow("two zeros") << QStringLiteral("00") << false;
        QTest::newRow("Adlam, beyond 16 bits") << QString::fromUcs4(U"\U0001E950") << true;
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
            QTest::addRow("%s %s", qPrintable(locale.name()),
                          qPrintable(QLocale::scriptToCode(locale.script())))
                << locale.zeroDigit() << true;
    }
    void zeroOfTenDigits()
    {
        QFETCH(QString, zero);
        QFETCH(bool, whole);
        QCOMPARE(isZeroOfTenDigits(zero), whole);
    }

#ifdef Q_OS_WIN
    // The user's own words for the two halves of the day show as the user set them ("a.m.", not
    // "A.M."), and read back. The Windows suite runs this in a system whose words are lower case.
    void systemDayHalvesAsSet()
    {
        const QLocale system = QLocale::system();
        if (const QByteArray expected = qgetenv("SPAN_EXPECT_PM"); !expected.isEmpty())
            QCOMPARE(system.pmText(), QString::fromUtf8(expected));
        const DateTimeText text(system);
        QVERIFY2(text.timeFormat().contains(u'a', Qt::CaseInsensitive),
                 qPrintable(text.timeFormat()));
        const DateTime morning = DateTime::fromTime(QTime(9, 5, 30));
        const DateTime evening = DateTime::fromTime(QTime(21, 5, 30));
        QVERIFY2(text.formatTime(morning).contains(system.amText()),
                 qPrintable(text.formatTime(morning)));
        QVERIFY2(text.formatTime(evening).contains(system.pmText()),
                 qPrintable(text.formatTime(evening)));
        CHECK_READS_BACK(text, text.formatTime(evening), evening);
    }
#endif
};

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "tst_datetimetext.moc"
