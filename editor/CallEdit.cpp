#include "editor/CallEdit.h"

FormWindow *CallEdit::createWindow()
{
    auto *w = new FormWindow(this);
    w->setObjectName(QStringLiteral("CallEdit"));
    w->setWindowTitle(QStringLiteral("tblCalls"));
    return w;
}
