#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class dataCall;

// The rows of one named command, fetched at once into a client-side snapshot:
// the row count is exact and any row can be reached by offset. An updatable
// one writes a changed row back when it is saved, and on every move.
class Recordset
{
public:
    enum class Kind { Query, Table };

    Recordset(dataCall &owner, QString name, Kind kind, QString source, QString table, bool updatable);

    const QString &name() const { return m_name; }
    const QString &source() const { return m_source; }

    bool isOpen() const { return m_open; }
    // Runs the command again with its stored definition.
    void open();
    void close();

    int recordCount() const;
    void moveFirst();
    void moveNext();
    void move(int rows);
    bool eof() const;

    QVariant field(const QString &name) const;
    void setField(const QString &name, const QVariant &value);
    void update(); // saves the current row

private:
    friend class dataCall;
    void run(const QVariantList &parameters);
    void requireOpen() const;
    int column(const QString &name) const;
    void goTo(int position);
    QString selectText() const;

    dataCall &m_owner;
    QString m_name;
    Kind m_kind;
    QString m_source;
    QString m_table;
    bool m_updatable;

    bool m_open = false;
    QStringList m_columns;
    QVariant &cell(int row, int column) { return m_values[qsizetype(row) * m_columns.size() + column]; }
    const QVariant &cell(int row, int column) const { return m_values[qsizetype(row) * m_columns.size() + column]; }

    QList<QVariant> m_values; // row after row, one allocation for the whole snapshot
    int m_rowCount = 0;
    QList<qint64> m_rowIds; // where each row lives, for writing back
    int m_position = 0;
    QList<int> m_changed; // columns of the current row not yet saved
};
