#include "ui/kit/PdfFile.h"

#include "core/app/SafeFile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>

namespace PdfFile {

void keepMargins(QPagedPaintDevice &device)
{
    const QMarginsF now = device.pageLayout().margins(QPageLayout::Millimeter);
    const qreal least = 12; // 10 mm and room for rounding and glyphs
    device.setPageMargins(QMarginsF(qMax(now.left(), least), qMax(now.top(), least), qMax(now.right(), least),
                                    qMax(now.bottom(), least)),
                          QPageLayout::Millimeter);
}

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
