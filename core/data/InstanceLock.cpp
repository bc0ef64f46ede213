#include "core/data/InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {
QString lockFileFor(const QString &databasePath)
{
    const QFileInfo file(databasePath);
    const QString key = file.exists() ? file.canonicalFilePath() : QDir::cleanPath(file.absoluteFilePath());
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("vorlet-%1.lock").arg(QString::fromLatin1(hash)));
}
} // namespace

InstanceLock::InstanceLock(const QString &databasePath)
    : m_path(lockFileFor(databasePath))
    , m_lock(std::make_unique<QLockFile>(m_path))
{
    // A live owner is never stale, however long it runs; a dead one always is.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        return false;
    m_problem = QStringLiteral("the lock file %1 could not be written").arg(m_path);
    return true;
}
