#include "core/app/AppIdentity.h"

namespace AppIdentity {

QString title()
{
    return QStringLiteral("Vorlet");
}

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString versionText()
{
    return QStringLiteral("Version ") + version();
}

QString version()
{
    return QStringLiteral("%1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

} // namespace AppIdentity
