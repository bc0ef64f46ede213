#include "app/frmAbout.h"

FormWindow *frmAbout::createWindow()
{
    auto *w = new FormWindow(this);
    w->setObjectName(QStringLiteral("frmAbout"));
    w->setWindowTitle(QStringLiteral("About Vorlet"));
    return w;
}
