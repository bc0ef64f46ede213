#include "core/app/Registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32")
#endif

namespace {
class WindowsRegistry : public Registry
{
public:
    qint32 openKey(quint32 root, const QByteArray &subKey, quint32 access, Key *key) override
    {
        // Root handles are 32-bit values, sign-extended like the predefined HKEYs.
        const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(rootKey, subKey.constData(), 0, access, &opened);
        *key = reinterpret_cast<Key>(opened);
        return status;
    }

    qint32 queryValue(Key key, const QByteArray &valueName, quint32 *type, char *data, quint32 *size) override
    {
        DWORD valueType = 0;
        DWORD bytes = *size;
        const LONG status = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr,
                                             &valueType, reinterpret_cast<LPBYTE>(data), &bytes);
        *type = valueType;
        *size = bytes;
        return status;
    }

    qint32 closeKey(Key key) override { return RegCloseKey(reinterpret_cast<HKEY>(key)); }
};
} // namespace

Registry &Registry::system()
{
    static WindowsRegistry registry;
    return registry;
}

#else

namespace {
// No registry here: every lookup fails as a missing key does.
class NoRegistry : public Registry
{
public:
    qint32 openKey(quint32, const QByteArray &, quint32, Key *key) override
    {
        *key = 0;
        return FileNotFound;
    }
    qint32 queryValue(Key, const QByteArray &, quint32 *, char *, quint32 *) override { return InvalidHandle; }
    qint32 closeKey(Key) override { return InvalidHandle; }
};
} // namespace

Registry &Registry::system()
{
    static NoRegistry registry;
    return registry;
}

#endif
