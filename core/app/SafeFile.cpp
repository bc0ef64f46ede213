#include "core/app/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace SafeFile {

QString cause(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("the disk is full");
    return QString::fromLocal8Bit(std::strerror(error));
}

namespace {
// Every byte, unbuffered; errno says why when not.
bool writeAll(QFileDevice &file, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}
} // namespace

QString write(const QString &path, const QByteArray &bytes)
{
    // A device or a pipe (/dev/stdout, a FIFO) is written in place: it has no
    // older contents to keep, and a file beside it must never take its place.
    if (const QFileInfo target(path); target.exists() && !target.isFile() && !target.isDir()) {
        QFile device(path);
        errno = 0;
        if (device.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(device, bytes))
            return {};
        return errno != 0 ? cause(errno) : device.errorString();
    }
    QSaveFile file(path);
    // Unbuffered: a write the disk refuses fails here, where errno tells why,
    // instead of inside a buffer flushed at the commit.
    errno = 0;
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const bool whole = writeAll(file, bytes);
        const int writeError = errno;
        if (whole && file.commit())
            return {};
        file.cancelWriting();
        if (writeError != 0)
            return cause(writeError);
    }
    const int openError = errno;
    // The file beside it could not be made though the folder is there (/proc):
    // the target stays, and "no such file" would say it is missing.
    if (const QFileInfo folder(QFileInfo(path).absolutePath()); openError == ENOENT && folder.isDir())
        return QStringLiteral("its folder \"%1\" takes no new file, so the file cannot be replaced")
            .arg(folder.absoluteFilePath());
    return openError != 0 ? cause(openError) : file.errorString();
}

} // namespace SafeFile
