#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// Finds which entries of the caller's lists a call line names, the entries
// taken as they are stored ("Run / Cross Run", "Trade Family (...)",
// "(Anything) & Roll"). Who does a call, how many hands, "Left" and the like are
// read past; where names overlap, the longest wins.
class Recogniser
{
public:
    struct List
    {
        QString name;
        QStringList entries;
    };
    struct Found
    {
        int list = 0;  // index into lists()
        int entry = 0; // index into that list's entries
        QString seen;  // the name the line used, e.g. a family member's
        bool operator==(const Found &o) const { return list == o.list && entry == o.entry && seen == o.seen; }
    };

    explicit Recogniser(const QList<List> &lists);

    // The entries a line names, by list order, then by place in the line.
    QList<Found> find(const QString &callText) const;
    const QList<List> &lists() const { return m_lists; }
    QString entryText(const Found &f) const { return m_lists[f.list].entries[f.entry]; }

    // The names an entry answers to, "*" standing for any call.
    static QStringList namesOf(const QString &entry);
    // Words as compared: folded, "&" as "and", numbers as digits and fractions.
    static QStringList words(const QString &text);

private:
    struct Name
    {
        int list;
        int entry;
        QString shown;
        QVector<QString> parts; // literal parts as keys, between wildcards
        bool leadWild;
        bool tailWild;
        bool formation; // the entry is the call from one formation: "Recycle (from a wave only)"
    };
    struct Part
    {
        int name;
        int part;
    };
    void add(int list, int entry, const QString &name, bool formation);

    QList<List> m_lists;
    QVector<Name> m_names;
    QHash<QString, QVector<Part>> m_parts;
    QSet<QString> m_prefixes;
};
