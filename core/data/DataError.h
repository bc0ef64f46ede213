#pragma once

#include <QString>
#include <stdexcept>

// A failed database operation, raised to the handler that asked for it. It
// carries its parts as fields, so each face words them its own way: a window
// shows message(), a command-line tool line().
class DataError : public std::runtime_error
{
public:
    enum class Kind {
        Failed,    // the cause says why
        Busy,      // another connection holds the lock: worth another attempt
        Cancelled, // the caller gave up waiting; nothing was changed
    };

    // file: the file concerned; subject: the words that name it in a message
    // ("The call database ... in the folder ..."); cause: what is wrong with it;
    // advice: what to do about it.
    DataError(Kind kind, QString file, QString subject, QString cause, QString advice = QString());
    // A failure that is all cause.
    explicit DataError(const QString &message, Kind kind = Kind::Failed);

    // A rule of a file refused the work: "file: cause".
    static DataError refused(const QString &file, const QString &cause);

    const QString &file() const { return m_file; }
    const QString &subject() const { return m_subject; }
    const QString &cause() const { return m_cause; }
    const QString &advice() const { return m_advice; }

    // Subject and cause, then the advice after a blank line.
    QString message() const;
    // The same on one line.
    QString line() const;

    Kind kind() const { return m_kind; }
    bool isBusy() const { return m_kind == Kind::Busy; }
    bool isCancelled() const { return m_kind == Kind::Cancelled; }
    // Raised by refused(): about the work asked for, not the file as a whole.
    bool isRefusal() const { return !m_file.isEmpty() && m_subject == m_file + QLatin1Char(':'); }

private:
    QString join(const QString &gap) const;

    Kind m_kind;
    QString m_file;
    QString m_subject;
    QString m_cause;
    QString m_advice;
};
