#include "errortrap.h"

QString composeErrorReport(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + supportEmailAddress;
}

void ErrorTrap::report(const QString& description)
{
    if (m_beforeReport)
        m_beforeReport();
    m_messageBox.showWarning(errorReportTitle, composeErrorReport(description, m_location, m_line));
}
