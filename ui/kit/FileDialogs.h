#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every file dialog of the program starts where the caller's files are: in the
// folder of the last file chosen, at first in the Documents folder, never in
// the working directory, which for an installed copy is the hidden data folder.
namespace FileDialogs {

QString startFolder();
// Keeps the folder of a chosen file for the next dialog.
void remember(const QString &file);

// The file chosen to write, suggested under name; empty when cancelled.
QString saveFile(QWidget *parent, const QString &caption, const QString &name, const QString &filter);
// The file chosen to read; empty when cancelled.
QString openFile(QWidget *parent, const QString &caption, const QString &filter);

// Tests answer in the dialog's place, told where it would start (a folder, or a
// file in it to save); an empty answerer restores the real dialog.
using Answerer = std::function<QString(const QString &start)>;
void setAnswerer(Answerer answerer);

} // namespace FileDialogs
