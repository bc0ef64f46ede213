#include "core/app/DataFolder.h"

#include "core/app/SafeFile.h"
#include "core/data/CallDatabase.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DataFolder {

namespace {
QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// mkdir -p, saying which part of the path stood in the way and why.
QString makePath(const QString &folder)
{
    QString part;
    for (const QString &name : QDir::cleanPath(folder).split(u'/', Qt::SkipEmptyParts)) {
        part += u'/' + name;
        if (::mkdir(native(part).constData(), 0777) == 0)
            continue;
        const int error = errno;
        struct stat st;
        if (error == EEXIST && ::stat(native(part).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (error == EEXIST)
            return QStringLiteral("\"%1\" is a file, not a folder").arg(QDir::toNativeSeparators(part));
        return QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(part), SafeFile::cause(error));
    }
    return {};
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Copies the bytes to target through a file no one else sees until it is whole,
// never over an existing target. Empty when target exists now, else the cause.
QString publish(const QString &folder, const QString &target, const QByteArray &bytes)
{
    // A file without a name vanishes by itself however the copy ends; where the
    // file system has none, a hidden temporary file of this process stands in.
    QString temporary;
    int fd = ::open(native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        temporary = QDir(folder).filePath(QStringLiteral(".%1.%2.new").arg(CallDatabase::FileName).arg(::getpid()));
        ::unlink(native(temporary).constData()); // left by a killed process that had our number
        fd = ::open(native(temporary).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    }
    if (fd < 0)
        return SafeFile::cause(errno);
    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    // A link never replaces what is there: of two starts at once the loser
    // finds the winner's whole file, which is just as good.
    else if (temporary.isEmpty()
                 ? ::linkat(AT_FDCWD, QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), AT_FDCWD,
                            native(target).constData(), AT_SYMLINK_FOLLOW) != 0
                 : ::link(native(temporary).constData(), native(target).constData()) != 0)
        error = errno == EEXIST ? 0 : errno;
    ::close(fd);
    if (!temporary.isEmpty())
        ::unlink(native(temporary).constData());
    if (error != 0)
        return SafeFile::cause(error);
    if (const int dir = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir); // the new name reaches the disk too
        ::close(dir);
    }
    return {};
}
} // namespace

QString locate(const QProcessEnvironment &env, QString *error)
{
    QString home = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (!home.startsWith(u'/')) {
        const QString user = env.value(QStringLiteral("HOME"));
        if (!user.startsWith(u'/')) {
            *error = QStringLiteral("Vorlet has no data folder to keep its calls in: neither XDG_DATA_HOME nor HOME "
                                    "names a folder. Set HOME to your home folder and start Vorlet again.");
            return {};
        }
        home = user + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(home + QStringLiteral("/vorlet"));
}

bool provide(const QString &folder, const QString &templatePath, QString *error)
{
    const QString target = QDir(folder).filePath(CallDatabase::FileName);
    const QString shown = QDir::toNativeSeparators(folder);
    struct stat st;
    if (::lstat(native(target).constData(), &st) == 0)
        return true;
    if (const QString cause = makePath(folder); !cause.isEmpty()) {
        *error = QStringLiteral("Vorlet could not make its data folder \"%1\": %2.").arg(shown, cause);
        return false;
    }
    if (::lstat(native(target).constData(), &st) == 0)
        return true;
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The default call database \"%1\" cannot be read (%2), so Vorlet has none to copy "
                                "into \"%3\". Reinstall Vorlet.")
                     .arg(QDir::toNativeSeparators(templatePath), source.errorString(), shown);
        return false;
    }
    if (const QString cause = publish(folder, target, source.readAll()); !cause.isEmpty()) {
        *error = QStringLiteral("Vorlet could not copy the default call database into its data folder \"%1\": %2.")
                     .arg(shown, cause);
        return false;
    }
    return true;
}

} // namespace DataFolder
