#include "ui/kit/FileDialogs.h"

#include "core/app/Settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace FileDialogs {

namespace {
const QString FolderKey = QStringLiteral("files/folder");

Answerer &answerer()
{
    static Answerer answer;
    return answer;
}

QString chosen(const QString &file)
{
    if (!file.isEmpty())
        remember(file);
    return file;
}
} // namespace

QString startFolder()
{
    const std::unique_ptr<QSettings> settings = Settings::open();
    const QString kept = settings ? settings->value(FolderKey).toString() : QString();
    if (!kept.isEmpty() && QFileInfo(kept).isDir())
        return kept;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void remember(const QString &file)
{
    if (const std::unique_ptr<QSettings> settings = Settings::open())
        settings->setValue(FolderKey, QFileInfo(file).absolutePath());
}

QString saveFile(QWidget *parent, const QString &caption, const QString &name, const QString &filter)
{
    const QString start = QDir(startFolder()).filePath(QString(name).replace(QLatin1Char('/'), QLatin1Char('-')));
    return chosen(answerer() ? answerer()(start) : QFileDialog::getSaveFileName(parent, caption, start, filter));
}

QString openFile(QWidget *parent, const QString &caption, const QString &filter)
{
    const QString start = startFolder();
    return chosen(answerer() ? answerer()(start) : QFileDialog::getOpenFileName(parent, caption, start, filter));
}

void setAnswerer(Answerer answer)
{
    answerer() = std::move(answer);
}

} // namespace FileDialogs
