#pragma once

#include <QByteArray>
#include <QVector>

// The modules of a QR code of text, row by row, true for dark; the caller adds
// the quiet zone when painting. Empty when the text does not fit in one.
QVector<QVector<bool>> qrMatrix(const QByteArray &text);
