#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One Vorlet at a time per call database: two copies writing one file would
// overwrite each other's active lists. The lock file is named after the
// database's canonical path and kept in the user's runtime folder, never beside
// the database. A lock left by a copy that was killed is taken over.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &databasePath);
    ~InstanceLock();

    // False when another running copy holds the lock.
    bool tryLock();
    // Why the lock could not be taken or checked, for a copy that goes on without it.
    QString problem() const { return m_problem; }
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_problem;
};
