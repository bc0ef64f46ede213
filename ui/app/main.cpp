#include "ui/kit/AppIcon.h"
#include "core/app/AppIdentity.h"
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
#include <QIcon>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::title());
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(AppIdentity::Major)
                                            .arg(AppIdentity::Minor)
                                            .arg(AppIdentity::Revision));
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
    // The file is the one in the working directory at start-up, wherever a
    // window later takes the process.
    const QString database = CallDatabase::path();
    InstanceLock lock(database);
    if (!lock.tryLock()) {
        const QString text = QStringLiteral("Vorlet is already running with %1.").arg(QDir::toNativeSeparators(database));
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::fflush(stderr);
        Message::show(text);
        return 1;
    }
    if (!lock.problem().isEmpty())
        std::fprintf(stderr, "Vorlet: %s; a second copy on the same file is not refused.\n", qPrintable(lock.problem()));

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
