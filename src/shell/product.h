#pragma once

#include <QString>

inline const QString productName =
    QStringLiteral("Tallyglass Hourwick Span Meter for Clockwise Reckoning");
// Reserved example domain until the product has an address of its own.
inline const QString supportEmailAddress = QStringLiteral("support@span-meter.example");
