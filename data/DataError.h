#pragma once

#include <QString>
#include <stdexcept>

// A failed database operation, raised to the handler that asked for it.
class DataError : public std::runtime_error
{
public:
    explicit DataError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
