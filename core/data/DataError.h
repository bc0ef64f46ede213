#pragma once

#include <QString>
#include <stdexcept>

// A failed database operation, raised to the handler that asked for it.
class DataError : public std::runtime_error
{
public:
    enum class Kind {
        Failed,    // the message says why
        Busy,      // another connection holds the lock: worth another attempt
        Cancelled, // the caller gave up waiting; nothing was changed
    };

    explicit DataError(const QString &message, Kind kind = Kind::Failed)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_kind(kind)
    {
    }
    const QString &message() const { return m_message; }
    Kind kind() const { return m_kind; }
    bool isBusy() const { return m_kind == Kind::Busy; }
    bool isCancelled() const { return m_kind == Kind::Cancelled; }

private:
    QString m_message;
    Kind m_kind;
};
