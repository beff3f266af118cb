#include "localedigits.h"

#include <QChar>

bool isZeroOfTenDigits(QStringView zero)
{
    const QList<uint> codePoints = zero.toUcs4();
    if (codePoints.size() != 1)
        return false;
    for (uint digit = 0; digit <= 9; ++digit) {
        if (QChar::digitValue(char32_t(codePoints.front() + digit)) != int(digit))
            return false;
    }
    return true;
}

QLocale withWholeDigits(const QLocale& locale)
{
    if (isZeroOfTenDigits(locale.zeroDigit()))
        return locale;
    return QLocale(locale.language(), locale.script(), locale.territory());
}
