#pragma once

#include <QProcessEnvironment>
#include <QString>

// The user's data folder, where an installed Vorlet keeps Call_List.db, and the
// first start's copy of the default database into it.
namespace DataFolder {

// $XDG_DATA_HOME/vorlet, else $HOME/.local/share/vorlet: a data home that is
// unset, empty or relative is ignored, as the XDG rules say. Empty, with the
// reason in *error, when neither names a folder.
QString locate(const QProcessEnvironment &env, QString *error);

// Makes the folder and copies the template into it as Call_List.db unless one
// is there; an existing one is never replaced. The copy appears whole or not at
// all, and of two starts at once each ends with the one file. False, with a
// message naming the folder and the cause in *error, when it cannot be done.
bool provide(const QString &folder, const QString &templatePath, QString *error);

} // namespace DataFolder
