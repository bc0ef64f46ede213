#pragma once

#include <QString>
#include <functional>

class QPagedPaintDevice;

// A PDF drawn in memory and written whole or not at all (SafeFile): a full
// disk leaves an older file as it was, and a failed write is never told as done.
namespace PdfFile {

// Empty when written, else why not ("the disk is full"). draw returns the
// number of pages drawn, 0 when it could not draw.
// Margins of at least 10 mm on every side, wider ones kept: most printers cannot
// print to the paper's edge, and what falls there is lost.
void keepMargins(QPagedPaintDevice &device);

QString save(const QString &path, const QString &title, const std::function<int(QPagedPaintDevice &)> &draw);

} // namespace PdfFile
