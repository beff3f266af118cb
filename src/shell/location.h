#pragma once

#include <QString>

// The location text an error report names a handler by: "in", the project, window and handler,
// and the blank that separates it from "at line".
inline QString locationText(const char* window, const char* handler)
{
    return QStringLiteral("in Tallyglass_Hourwick2021/08/31.%1.%2 ")
        .arg(QLatin1String(window), QLatin1String(handler));
}
