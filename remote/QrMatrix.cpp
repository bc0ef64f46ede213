#include "remote/QrMatrix.h"

#include <qrencode.h>

#include <memory>

QVector<QVector<bool>> qrMatrix(const QByteArray &text)
{
    // Medium error correction: a phone reads it off a laptop screen at an angle.
    std::unique_ptr<QRcode, void (*)(QRcode *)> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), QRcode_free);
    QVector<QVector<bool>> rows;
    if (!code)
        return rows;
    const int width = code->width;
    rows.reserve(width);
    for (int y = 0; y < width; ++y) {
        QVector<bool> row(width);
        for (int x = 0; x < width; ++x)
            row[x] = code->data[y * width + x] & 1;
        rows.append(row);
    }
    return rows;
}
