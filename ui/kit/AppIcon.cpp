#include "ui/kit/AppIcon.h"

#include <QtGlobal>

QPixmap appIcon()
{
    // The resources live in a static library: register them before the first use,
    // or the linker may leave them out.
    Q_INIT_RESOURCE(resources);
    return QPixmap(QStringLiteral(":/icons/vorlet.png"));
}
