#include "core/app/Settings.h"

#include "core/app/AppIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace Settings {

namespace {
// Every file QSettings(title, title) reads: the application's and the
// organisation's, user and system wide. Found through an organisation with
// no files, so that finding them opens nothing.
QStringList files()
{
    const QString title = AppIdentity::title();
    const QString probe = QStringLiteral("vorlet-probe-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QStringList found;
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
        const QString app = QSettings(QSettings::NativeFormat, scope, probe, title).fileName().replace(probe, title);
        const QFileInfo info(app);
        found << app << info.absolutePath() + QLatin1Char('.') + info.suffix();
    }
    return found;
}

// What a path is when it is neither a regular file nor absent, or nothing.
QString oddKind(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    if (info.isDir())
        return QStringLiteral("a folder");
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (S_ISFIFO(st.st_mode))
            return QStringLiteral("a named pipe (FIFO)");
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            return QStringLiteral("a device");
        if (S_ISSOCK(st.st_mode))
            return QStringLiteral("a socket");
    }
#endif
    return QStringLiteral("not a regular file");
}
} // namespace

QString problem()
{
    for (const QString &file : files()) {
        if (const QString kind = oddKind(file); !kind.isEmpty())
            return QStringLiteral("The settings file \"%1\" is %2, not a file; %3 starts with its default settings "
                                  "and keeps no changes to them. Remove or rename it to keep settings again.")
                .arg(QDir::toNativeSeparators(file), kind, AppIdentity::title());
    }
    return {};
}

std::unique_ptr<QSettings> open()
{
    if (!problem().isEmpty())
        return nullptr;
    return std::make_unique<QSettings>(AppIdentity::title(), AppIdentity::title());
}

} // namespace Settings
