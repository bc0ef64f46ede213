#pragma once

#include <QSettings>
#include <QString>
#include <memory>

// The program's remembered choices. QSettings reads its files as it is made,
// and a FIFO in a file's place would block the start until someone writes to it.
namespace Settings {

// Why the settings cannot be read (a file is a FIFO, a device or a folder), or nothing.
QString problem();

// The program's settings; null when problem() says they cannot be read.
std::unique_ptr<QSettings> open();

} // namespace Settings
