#pragma once

#include <QByteArray>
#include <QString>

// Writing an export: the whole file or nothing. The bytes go beside the target
// and replace it only once every one of them reached the disk, so a full disk
// or a failed write leaves an older file exactly as it was.
namespace SafeFile {

// Empty when written, else why not ("the disk is full").
QString write(const QString &path, const QByteArray &bytes);

// Why a write failed with this errno, in the caller's words.
QString cause(int error);

} // namespace SafeFile
