#include "ui/kit/AppIcon.h"
#include "core/app/AppIdentity.h"
#include "core/app/DataFolder.h"
#include "core/app/SafeFile.h"
#include "core/app/Settings.h"
#include "ui/kit/Form.h"
#include "ui/kit/Look.h"
#include "ui/app/frmSplash.h"
#include "ui/kit/Message.h"
#include "ui/kit/WaitingWindow.h"
#include "core/data/CallDatabase.h"
#include "core/data/InstanceLock.h"
#include "core/data/dataCall.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QIcon>
#include <algorithm>
#include <cerrno>
#include <string_view>
#include <cstdio>
#include <unistd.h>

namespace {
// In a box, and on stderr for a start from a terminal or a test.
void tell(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    Message::show(text);
}
} // namespace

int main(int argc, char *argv[])
{
    // Answered before any window: it needs no display.
    if (std::find(argv + 1, argv + argc, std::string_view("--version")) != argv + argc) {
        std::printf("%s %s\n", qPrintable(AppIdentity::title()), qPrintable(AppIdentity::version()));
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::title());
    QApplication::setApplicationVersion(AppIdentity::version());
    // Told before any window reads the settings; the program goes on with its defaults.
    if (const QString problem = Settings::problem(); !problem.isEmpty()) {
        std::fprintf(stderr, "Vorlet: %s\n", qPrintable(problem));
        std::fflush(stderr);
        Message::show(problem);
    }
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vorlet.Vorlet"));
    QApplication::setWindowIcon(QIcon(appIcon()));
    Look::applyDefaultFont();
    WaitingWindow::install();
    // Started by the launcher: the program works in the user's data folder, and
    // the first start copies the default database there itself, so that what
    // stands in the way is told in a box, not on a terminal a desktop never shows.
    if (QCoreApplication::arguments().contains(QStringLiteral("--user-data"))) {
        QString error;
        const QString folder = DataFolder::locate(QProcessEnvironment::systemEnvironment(), &error);
        const QString installed =
            QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral(VORLET_TEMPLATE_DIR "/") + CallDatabase::FileName);
        if (folder.isEmpty() || !DataFolder::provide(folder, QDir::cleanPath(installed), &error)) {
            tell(error);
            return 1;
        }
        if (::chdir(QFile::encodeName(folder).constData()) != 0) {
            tell(QStringLiteral("Vorlet cannot work in its data folder \"%1\": %2.")
                     .arg(QDir::toNativeSeparators(folder), SafeFile::cause(errno)));
            return 1;
        }
    }
    // The file is the one in the working directory at start-up, wherever a
    // window later takes the process.
    const QString database = CallDatabase::path();
    InstanceLock lock(database);
    if (!lock.tryLock()) {
        tell(QStringLiteral("Vorlet is already running with %1.").arg(QDir::toNativeSeparators(database)));
        return 1;
    }
    // A desktop start has no terminal: what only stderr said went unseen.
    if (!lock.problem().isEmpty())
        tell(QStringLiteral("%1. A second Vorlet started on the same file will not be refused.").arg(lock.problem()));

    // The process ends when no window is loaded any more, hidden ones included.
    QApplication::setQuitOnLastWindowClosed(false);
    Form::setAllUnloadedHandler([] { QCoreApplication::quit(); });

    // The splash is the start-up window; it hands over to the main window itself.
    frmSplash::instance().show();
    const int status = QApplication::exec();
    Form::destroyAll();
    dataCall::destroy(); // its connection goes before the application object does
    return status;
}
