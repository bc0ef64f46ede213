#pragma once

#include <QString>
#include <functional>

class QPagedPaintDevice;

// A PDF drawn in memory and written whole or not at all (SafeFile): a full
// disk leaves an older file as it was, and a failed write is never told as done.
namespace PdfFile {

// Empty when written, else why not ("the disk is full"). draw returns the
// number of pages drawn, 0 when it could not draw.
QString save(const QString &path, const QString &title, const std::function<int(QPagedPaintDevice &)> &draw);

} // namespace PdfFile
