#include "data/Recordset.h"

#include "data/DataError.h"
#include "data/dataCall.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
bool isInteger(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return true;
    default:
        return false;
    }
}

// Equal in what the database would store: 0 read back as a 64-bit number is
// the 0 the program writes, while the text "0" is not.
bool sameValue(const QVariant &stored, const QVariant &value)
{
    if (isInteger(stored) && isInteger(value))
        return stored.toLongLong() == value.toLongLong();
    return stored.typeId() == value.typeId() && stored == value;
}
} // namespace

Recordset::Recordset(dataCall &owner, QString name, Kind kind, QString source, QString table, bool updatable)
    : m_owner(owner)
    , m_name(std::move(name))
    , m_kind(kind)
    , m_source(std::move(source))
    , m_table(std::move(table))
    , m_updatable(updatable)
{
}

QString Recordset::selectText() const
{
    const QString select = m_kind == Kind::Table ? QStringLiteral("SELECT * FROM ") + m_source : m_source;
    if (!m_updatable)
        return select;
    // An updatable command reads one table; its rows also carry their rowid so
    // that a saved row finds its way back.
    return QStringLiteral("SELECT rowid AS vorlet_rowid, ") + select.mid(QStringLiteral("SELECT ").size());
}

void Recordset::open()
{
    run({});
}

void Recordset::run(const QVariantList &parameters)
{
    if (m_open)
        throw DataError(QStringLiteral("%1 is open already").arg(m_name));
    QSqlQuery query(m_owner.dcCalls());
    query.setForwardOnly(true);
    if (!query.prepare(selectText()))
        throw m_owner.failure(query.lastError());
    for (const QVariant &p : parameters)
        query.addBindValue(p);
    if (!query.exec())
        throw m_owner.failure(query.lastError());

    const QSqlRecord record = query.record();
    const int first = m_updatable ? 1 : 0;
    QStringList columns;
    for (int i = first; i < record.count(); ++i)
        columns.append(record.fieldName(i));
    QList<QVariant> values;
    QList<qint64> rowIds;
    const int width = record.count();
    int rows = 0;
    while (query.next()) {
        for (int i = first; i < width; ++i)
            values.append(query.value(i));
        if (m_updatable)
            rowIds.append(query.value(0).toLongLong());
        ++rows;
    }
    if (query.lastError().isValid())
        throw m_owner.failure(query.lastError());

    m_columns = std::move(columns);
    m_values = std::move(values);
    m_rowIds = std::move(rowIds);
    m_rowCount = rows;
    m_position = 0;
    m_changed.clear();
    m_open = true;
}

void Recordset::close()
{
    if (!m_open)
        throw DataError(QStringLiteral("%1 is not open").arg(m_name));
    m_open = false;
    m_values.clear();
    m_rowIds.clear();
    m_rowCount = 0;
    m_changed.clear();
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw DataError(QStringLiteral("%1 is not open").arg(m_name));
}

int Recordset::recordCount() const
{
    requireOpen();
    return m_rowCount;
}

void Recordset::goTo(int position)
{
    requireOpen();
    update();
    m_position = qBound(0, position, m_rowCount);
}

void Recordset::moveFirst()
{
    goTo(0);
}

void Recordset::moveNext()
{
    requireOpen();
    if (eof())
        throw DataError(QStringLiteral("%1: no row after the last one").arg(m_name));
    goTo(m_position + 1);
}

void Recordset::move(int rows)
{
    requireOpen();
    const qint64 target = qint64(m_position) + rows;
    if (target < 0 || target > m_rowCount)
        throw DataError(QStringLiteral("%1: no row %2 places on").arg(m_name).arg(rows));
    goTo(int(target));
}

bool Recordset::eof() const
{
    requireOpen();
    return m_position >= m_rowCount;
}

int Recordset::column(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw DataError(QStringLiteral("%1 has no column %2").arg(m_name, name));
}

QVariant Recordset::field(const QString &name) const
{
    if (eof())
        throw DataError(QStringLiteral("%1: no current row").arg(m_name));
    return cell(m_position, column(name));
}

void Recordset::setField(const QString &name, const QVariant &value)
{
    if (!m_updatable)
        throw DataError(QStringLiteral("%1 cannot be changed").arg(m_name));
    if (eof())
        throw DataError(QStringLiteral("%1: no current row").arg(m_name));
    const int c = column(name);
    // Writing back a value the row already holds would only cost time: a reset
    // of a large table mostly meets calls that were never used.
    if (sameValue(cell(m_position, c), value))
        return;
    cell(m_position, c) = value;
    if (!m_changed.contains(c))
        m_changed.append(c);
}

void Recordset::update()
{
    requireOpen();
    if (m_changed.isEmpty())
        return;
    QStringList assignments;
    QVariantList values;
    for (int c : std::as_const(m_changed)) {
        assignments.append(m_columns[c] + QStringLiteral(" = ?"));
        values.append(cell(m_position, c));
    }
    values.append(m_rowIds[m_position]);
    const QString statement = QStringLiteral("UPDATE ") + m_table + QStringLiteral(" SET ")
                              + assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?");
    // The change stays pending when the write fails, so nothing is lost silently.
    m_owner.execute(statement, values);
    m_changed.clear();
}
