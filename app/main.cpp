#include "app/AppIdentity.h"
#include "app/Form.h"
#include "app/Look.h"
#include "app/frmSplash.h"
#include "app/Message.h"
#include "data/CallDatabase.h"
#include "data/InstanceLock.h"
#include "data/dataCall.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::title());
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(AppIdentity::Major)
                                            .arg(AppIdentity::Minor)
                                            .arg(AppIdentity::Revision));
    Look::applyDefaultFont();
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
