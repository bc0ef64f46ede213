#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// The rows of one named command. The data component runs it on the connection
// it hands over; the row count is exact and any row can be reached by offset.
// A snapshot fetches every row at once; a drawn set only counts its rows and
// fetches the one row that is read. Both are read-only: every write goes
// through the call store.
class Recordset
{
public:
    // How a drawn set reaches the row at an offset of its source, in the
    // source's order (table order). The source is the calls of some lists.
    // Where the calls are indexed by list, each list is counted on its own,
    // and when no list's rows lie among another's the row is read from its own
    // list in index order, without sorting the whole source.
    struct OneRow
    {
        QString count;     // the source's rows
        QString perList;   // the list's rowid, rows, first and last rowid: one line a list
        QString rowInList; // the list's rowid and the offset within that list bound
        QString row;       // the source's parameters, then the offset bound
    };

    // A snapshot of source's rows, or with oneRow a drawn set over them.
    Recordset(QString name, QString source, OneRow oneRow = {});

    const QString &name() const { return m_name; }
    const QString &source() const { return m_source; }

    bool isOpen() const { return m_open; }
    void close();

    int recordCount() const;
    void moveFirst();
    void moveNext();
    void move(int rows);
    bool eof() const;

    QVariant field(const QString &name) const;

private:
    friend class dataCall;
    void run(const QSqlDatabase &db, const QVariantList &parameters, bool listIndexed = false);
    void requireOpen() const;
    int column(const QString &name) const;
    void goTo(int position);
    void fetchCurrentRow() const;

    QString m_name;
    QString m_source;
    OneRow m_oneRow; // empty for a snapshot
    bool isDrawn() const { return !m_oneRow.row.isEmpty(); }

    bool m_open = false;
    QSqlDatabase m_db; // the connection of the last run
    QVariantList m_parameters;
    mutable QStringList m_columns;
    const QVariant &cell(int row, int column) const
    {
        return m_values[qsizetype(row) * m_columns.size() + column];
    }

    // Row after row, one allocation for the whole snapshot; a drawn set holds
    // only the row at m_fetchedRow.
    mutable QList<QVariant> m_values;
    mutable int m_fetchedRow = -1;
    // A drawn set's lists in table order with their rows; empty when the
    // lists' rows interleave and only the whole source can be walked.
    QList<QPair<qint64, int>> m_lists;
    int m_rowCount = 0;
    int m_position = 0;
};
