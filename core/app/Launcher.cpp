#include "core/app/Launcher.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
class SystemLauncher : public Launcher
{
public:
    bool fileExists(const QString &path) override
    {
        const QFileInfo file(path);
        if (path.isEmpty() || !file.isFile() || file.isHidden())
            return false; // NOLINT(readability-simplify-boolean-expr): Windows adds a test below
#ifdef Q_OS_WIN
        const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_SYSTEM))
            return false;
#endif
        return true;
    }

    bool start(const QString &path) override
    {
        return !path.isEmpty() && QProcess::startDetached(path, {});
    }
};
} // namespace

Launcher &Launcher::system()
{
    static SystemLauncher launcher;
    return launcher;
}
