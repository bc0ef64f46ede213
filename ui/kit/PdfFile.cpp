#include "ui/kit/PdfFile.h"

#include "core/app/SafeFile.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrinter>

namespace PdfFile {

QString save(const QString &path, const QString &title, const std::function<int(QPagedPaintDevice &)> &draw)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        // The page and resolution a PDF printer would have, as before.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        QPdfWriter writer(&bytes);
        writer.setResolution(printer.resolution());
        writer.setPageLayout(printer.pageLayout());
        writer.setTitle(title);
        if (draw(writer) == 0)
            return QStringLiteral("the pages could not be drawn");
    } // the writer ends the document here
    return SafeFile::write(path, bytes.data());
}

} // namespace PdfFile
