#pragma once

#include <QLocale>
#include <QTest>

// A "locale" column with a row for every locale Qt knows. Each row is named by the locale's
// language, territory and script: a language written in two scripts in one territory (Uzbek in
// Uzbekistan) shares its name() between them.
inline void addEveryLocaleRow()
{
    QTest::addColumn<QLocale>("locale");
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        QTest::addRow("%s %s", qPrintable(locale.name()),
                      qPrintable(QLocale::scriptToCode(locale.script())))
            << locale;
}
