#pragma once

#include <QString>

// One Vorlet at a time per call database: two copies writing one file would
// overwrite each other's active lists. The lock is held by the kernel on the
// database file itself, so every path to the file (a hard link, a bind mount)
// meets it, and it goes with the process however that ends.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &databasePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False when another running copy holds the lock.
    bool tryLock();
    // Why the lock could not be taken, for a copy that goes on without it.
    QString problem() const { return m_problem; }

    // Whether some copy holds the lock on the file now; takes nothing.
    static bool isHeld(const QString &databasePath);

private:
    QString m_path;
    int m_fd = -1;
    QString m_problem;
};
