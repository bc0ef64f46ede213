#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// The per-call counts of the sequence files loaded last, for one list: the
// "Sequences" window sets them, other views read them and follow changed().
class LoadedSequences : public QObject
{
    Q_OBJECT
public:
    static LoadedSequences &instance();

    // How many sequences use each call of list, by the call's name.
    void set(const QString &list, const QHash<QString, int> &counts);
    void clear();
    // Nothing unless files are loaded for that list.
    const QHash<QString, int> *countsOf(const QString &list) const;

signals:
    void changed();

private:
    bool m_loaded = false;
    QString m_list;
    QHash<QString, int> m_counts;
};
