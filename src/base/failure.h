#pragma once

#include <QString>
#include <stdexcept>

// A run-time failure: what went wrong, in words a user can pass on. Handlers' error traps catch
// these and report the description; nothing else about a failure is shown.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {}
    const QString& description() const { return m_description; }

private:
    QString m_description;
};

// The span between two moments does not fit the signed 32-bit count of seconds.
class SpanOverflow : public Failure
{
public:
    SpanOverflow() : Failure(QStringLiteral("Overflow")) {}
};
