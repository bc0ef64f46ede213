#pragma once

#include <QByteArray>
#include <QtGlobal>

// The three registry calls the About box makes, with the Windows calling
// shapes: 0 on success, a Windows error code otherwise. Text goes in and
// comes out in the ANSI code page. Tests put a fake in its place.
class Registry
{
public:
    using Key = quintptr;

    static constexpr quint32 LocalMachine = 0x80000002u;
    static constexpr qint32 Success = 0;
    static constexpr qint32 FileNotFound = 2;
    static constexpr qint32 AccessDenied = 5;
    static constexpr qint32 InvalidHandle = 6;
    static constexpr qint32 MoreData = 234;

    static constexpr quint32 TypeString = 1;
    static constexpr quint32 TypeNumber = 4;

    virtual ~Registry() = default;

    virtual qint32 openKey(quint32 root, const QByteArray &subKey, quint32 access, Key *key) = 0;
    // size: the buffer's size in, the number of bytes written out.
    virtual qint32 queryValue(Key key, const QByteArray &valueName, quint32 *type, char *data, quint32 *size) = 0;
    virtual qint32 closeKey(Key key) = 0;

    // The real registry on Windows; elsewhere one whose keys are never found.
    static Registry &system();
};
