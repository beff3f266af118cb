#pragma once

#include <QLocale>
#include <QStringView>

// Whether `zero` begins a run of the ten decimal digits, as Qt writes every digit from the zero
// a locale names. A system may name another zero (Wine's Cantonese names 〇, whose neighbours are
// brackets): its dates would be written in signs nobody reads, and read back as none.
bool isZeroOfTenDigits(QStringView zero);
// The locale, or where its zero begins no run of digits, Qt's own data for its language, script
// and territory.
QLocale withWholeDigits(const QLocale& locale);
