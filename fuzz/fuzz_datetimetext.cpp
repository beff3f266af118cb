// Feeds arbitrary text to the date-time reader in several locales. Whatever it accepts must be a
// value the program can hold, and must read back unchanged from the text the program shows for
// it; otherwise a value typed, shown and typed again would drift.
//
// The first byte picks how the rest is used:
//   0x01  the next eight bytes choose a value in range, which is shown and read back;
//   0x02  the rest is UTF-16 (little-endian), so lone surrogates reach the reader too;
//   else  the whole input is UTF-8 text.
#include "base/failure.h"
#include "time/datetime.h"
#include "time/datetimetext.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct LocaleText
{
    QString name;
    DateTimeText text;
};

// Latin and non-Latin digits (Chakma's and Adlam's outside the Basic Multilingual Plane),
// day-first and month-first orders, blanks inside the date, and day-period words before and after
// the time.
const std::vector<LocaleText>& locales()
{
    static const std::vector<LocaleText> all = [] {
        std::vector<LocaleText> out;
        for (const char* name : {"en_US", "de_DE", "ko_KR", "ar_EG", "fa_IR", "hi_IN", "sq_AL",
                                 "as_IN", "ccp_BD", "ff_Adlm_GM", "C"}) {
            const QLocale locale(QString::fromLatin1(name));
            out.push_back({QString::fromLatin1(name), DateTimeText(locale)});
        }
        return out;
    }();
    return all;
}

const DateTime firstValue = DateTime::fromDate(QDate(1601, 1, 1));
const DateTime lastValue = DateTime::fromDateAndTime(QDate(9999, 12, 31), QTime(23, 59, 59));

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

[[noreturn]] void violated(const LocaleText& locale, const char* what, const QString& input,
                           DateTime value, const QString& shown)
{
    std::fprintf(stderr,
                 "fuzz_datetimetext: %s\n  locale: %s\n  input: \"%s\"\n  value: %lld s (%s %s)\n"
                 "  shown: \"%s\"\n",
                 what, qUtf8Printable(locale.name), qUtf8Printable(input),
                 static_cast<long long>(value.seconds()),
                 qUtf8Printable(value.date().toString(Qt::ISODate)),
                 qUtf8Printable(value.time().toString(Qt::ISODate)), qUtf8Printable(shown));
    std::abort();
}

// Reads text that the program itself produced for value: it has to come back as value.
void expectReadBack(const LocaleText& locale, const QString& input, DateTime value,
                    const QString& shown, DateTime expected)
{
    DateTime again;
    try {
        again = locale.text.parse(shown);
    } catch (const Failure&) {
        violated(locale, "shown text is rejected", input, value, shown);
    }
    if (again != expected) {
        std::fprintf(stderr, "  read back: %lld s\n", static_cast<long long>(again.seconds()));
        violated(locale, "shown text reads back as another value", input, value, shown);
    }
}

void checkAccepted(const LocaleText& locale, const QString& input, DateTime value)
{
    // A time alone lies on the zero date, which is inside the range too.
    if (value < firstValue || value > lastValue)
        violated(locale, "accepted a value outside 1601-01-01 to 9999-12-31", input, value, {});
    if (!value.date().isValid() || !value.time().isValid())
        violated(locale, "accepted a value without a valid date and time", input, value, {});
    expectReadBack(locale, input, value, locale.text.format(value), value);
}

void fuzzText(const QString& input)
{
    for (const LocaleText& locale : locales()) {
        DateTime value;
        try {
            value = locale.text.parse(input);
        } catch (const Failure&) {
            continue;
        }
        checkAccepted(locale, input, value);
    }
}

std::uint32_t word(const std::uint8_t* data, std::size_t size, std::size_t at)
{
    std::uint32_t out = 0;
    for (std::size_t i = 0; i < 4; ++i)
        out |= std::uint32_t(at + i < size ? data[at + i] : 0) << (8 * i);
    return out;
}

// Every value in range, in every form the program shows it, reads back as what was shown.
void fuzzValue(const std::uint8_t* data, std::size_t size)
{
    const std::int64_t days = lastValue.dayNumber() - firstValue.dayNumber() + 1;
    const std::int64_t day = firstValue.dayNumber() + std::int64_t(word(data, size, 0)) % days;
    const std::int64_t second = std::int64_t(word(data, size, 4)) % DateTime::secondsPerDay;
    const DateTime value = DateTime::fromSeconds(day * DateTime::secondsPerDay + second);
    for (const LocaleText& locale : locales()) {
        const QString date = locale.text.formatDate(value);
        const QString time = locale.text.formatTime(value);
        expectReadBack(locale, {}, value, date + u' ' + time, value);
        expectReadBack(locale, {}, value, date, value.datePart());
        expectReadBack(locale, {}, value, time, value.timePart());
        expectReadBack(locale, {}, value, locale.text.format(value), value);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(ignoreMessage);
    locales();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 0 && data[0] == 0x01) {
        fuzzValue(data + 1, size - 1);
    } else if (size > 0 && data[0] == 0x02) {
        const qsizetype units = qsizetype((size - 1) / 2);
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(char16_t(data[1 + 2 * i] | data[2 + 2 * i] << 8));
        fuzzText(text);
    } else {
        fuzzText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    }
    return 0;
}
