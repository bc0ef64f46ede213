#include "core/data/InstanceLock.h"

#include "core/app/SafeFile.h"
#include "core/data/CallDatabase.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
// An open-file-description lock on one byte far from those SQLite locks (from
// 1 GiB on): it never meets SQLite's own POSIX locks, and SQLite closing one of
// its descriptors does not drop it, as it would drop a classic fcntl lock.
constexpr off_t LockByte = 0x60000000;

struct flock lockByte(short type)
{
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = LockByte;
    range.l_len = 1;
    return range;
}
} // namespace

InstanceLock::InstanceLock(const QString &databasePath)
    : m_path(databasePath)
{
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InstanceLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        // A missing file has nothing to guard; the window says it is missing.
        if (errno != ENOENT)
            m_problem = SafeFile::cause(errno);
    } else if (struct flock range = lockByte(F_WRLCK); ::fcntl(fd, F_OFD_SETLK, &range) == 0) {
        m_fd = fd;
        return true;
    } else {
        const int error = errno;
        ::close(fd);
        if (error == EAGAIN || error == EACCES)
            return false;
        m_problem = SafeFile::cause(error);
    }
    if (!m_problem.isEmpty())
        m_problem = QStringLiteral("%1 could not be locked against a second copy of Vorlet (%2)")
                        .arg(CallDatabase::where(m_path), m_problem);
    return true;
}

bool InstanceLock::isHeld(const QString &databasePath)
{
    const int fd = ::open(QFile::encodeName(databasePath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock range = lockByte(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
