#include "core/data/DataError.h"

DataError::DataError(Kind kind, QString file, QString subject, QString cause, QString advice)
    : std::runtime_error((subject + QLatin1Char(' ') + cause).toStdString())
    , m_kind(kind)
    , m_file(std::move(file))
    , m_subject(std::move(subject))
    , m_cause(std::move(cause))
    , m_advice(std::move(advice))
{
}

DataError::DataError(const QString &message, Kind kind)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_cause(message)
{
}

DataError DataError::refused(const QString &file, const QString &cause)
{
    return DataError(Kind::Failed, file, file + QLatin1Char(':'), cause);
}

QString DataError::join(const QString &gap) const
{
    QString text = m_subject.isEmpty() ? m_cause : m_subject + QLatin1Char(' ') + m_cause;
    if (!m_advice.isEmpty())
        text += gap + m_advice;
    return text;
}

QString DataError::message() const
{
    return join(QStringLiteral("\n\n"));
}

QString DataError::line() const
{
    return join(QStringLiteral(" "));
}
