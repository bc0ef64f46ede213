#include "app/AppIdentity.h"
#include "app/Form.h"
#include "app/Look.h"
#include "app/frmSplash.h"
#include "data/CallDatabase.h"
#include "data/dataCall.h"

#include <QApplication>

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
    CallDatabase::path();

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
