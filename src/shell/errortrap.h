#pragma once

#include "base/failure.h"
#include "platform/platform.h"
#include "shell/product.h"

#include <QString>
#include <exception>
#include <functional>
#include <utility>

inline const QString errorReportTitle = QStringLiteral("Application Error");

// The report's text: the description, the handler's location and the line that failed, then the
// request to send a screenshot. Composed apart from showing it so that its exact text is testable.
QString composeErrorReport(const QString& description, const QString& location, int line);

// The error trap of one handler invocation: each numbered statement runs through it; a failed one
// is reported and the handler goes on with the next statement.
class ErrorTrap
{
public:
    ErrorTrap(MessageBox& messageBox, QString location)
        : m_messageBox(messageBox), m_location(std::move(location))
    {}
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Runs before each numbered statement, inside the trap, with the handler's location and the
    // statement's number: tests make chosen statements fail through it. The program sets none.
    using StatementProbe = std::function<void(const QString& location, int line)>;
    static void setStatementProbe(StatementProbe probe) { s_probe = std::move(probe); }

    template <typename Statement> void run(int line, Statement&& statement)
    {
        m_line = line;
        try {
            if (s_probe)
                s_probe(m_location, line);
            std::forward<Statement>(statement)();
        } catch (const Failure& failure) {
            report(failure.description());
        } catch (const std::exception& error) {
            report(QString::fromLocal8Bit(error.what()));
        }
    }

    // The test of a conditional. A test that fails is reported and counts as met, so the body runs.
    template <typename Condition> bool test(int line, Condition&& condition)
    {
        bool met = true;
        run(line, [&] { met = std::forward<Condition>(condition)(); });
        return met;
    }

    int currentLine() const { return m_line; }

    // Runs before each report: a handler whose failure would come back on every run of it puts
    // things right first, so the report is seen over a settled window. It must not fail itself.
    void setBeforeReport(std::function<void()> action) { m_beforeReport = std::move(action); }

private:
    void report(const QString& description);

    static inline StatementProbe s_probe;

    MessageBox& m_messageBox;
    QString m_location;
    int m_line = 0;
    std::function<void()> m_beforeReport;
};
