#include "editor/CallEdit.h"

#include "app/Look.h"
#include "app/Message.h"
#include "data/CallDatabase.h"
#include "data/DataError.h"
#include "editor/NavigationBar.h"
#include "history/History.h"

#include <QApplication>
#include <QDataWidgetMapper>
#include <QDir>
#include <QItemDelegate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QUrl>

const QString CallEdit::ConnectionName = QStringLiteral("datPrimaryRS");

namespace {
// The rows of the row source, held as a snapshot that writes a changed row
// back by its key.
class CallRows : public QSqlTableModel
{
public:
    explicit CallRows(const QSqlDatabase &db)
        : QSqlTableModel(nullptr, db)
    {
    }

    QString selectStatement() const override
    {
        // The row source "select Call_Name,Used from tblCalls", with the key riding
        // along after the two shown columns: it says where a changed row goes.
        return QStringLiteral("select Call_Name,Used,Call_ID from tblCalls");
    }

    bool selectRow(int) override
    {
        // A written row keeps the values written; reading it again would mix
        // other connections' changes into the snapshot before it is reopened.
        return true;
    }

protected:
    // A used mark set here is recorded in the use history in the same
    // transaction: when the record cannot be written, the row is not either.
    bool updateRowInTable(int row, const QSqlRecord &values) override
    {
        const int used = values.indexOf(QStringLiteral("Used"));
        if (used < 0 || !values.isGenerated(used))
            return QSqlTableModel::updateRowInTable(row, values);
        QSqlDatabase db = database();
        const QVariant id = record(row).value(QStringLiteral("Call_ID"));
        auto usedNow = [&] {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT Used FROM tblCalls WHERE Call_ID = ?"));
            q.addBindValue(id);
            return q.exec() && q.next() ? q.value(0) : QVariant();
        };
        try {
            History::attach(db);
            if (!QSqlQuery(db).exec(QStringLiteral("BEGIN")))
                throw DataError(db.lastError().text());
            const QVariant before = usedNow();
            bool ok = QSqlTableModel::updateRowInTable(row, values);
            const QVariant after = usedNow();
            const bool marked = after.typeId() == QMetaType::LongLong && after.toLongLong() == 1
                                && !(before.typeId() == QMetaType::LongLong && before.toLongLong() == 1);
            if (ok && marked)
                History::recordUse(db, id);
            QSqlQuery commit(db);
            if (!ok || !commit.exec(QStringLiteral("COMMIT"))) {
                if (ok)
                    setLastError(commit.lastError());
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                return false;
            }
            if (marked)
                emit History::notifier().marksChanged();
            return true;
        } catch (const DataError &e) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            setLastError(QSqlError(QString(), e.message(), QSqlError::TransactionError));
            return false;
        }
    }
};

// Hands a text box's value to the row only when the person changed it, so a
// row merely passed over is never written back.
class ChangedOnly : public QItemDelegate
{
public:
    using QItemDelegate::QItemDelegate;

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const auto *box = qobject_cast<QLineEdit *>(editor);
        if (!box) {
            QItemDelegate::setModelData(editor, model, index);
            return;
        }
        if (box->text() != index.data(Qt::EditRole).toString())
            model->setData(index, box->text());
    }
};

QString describe(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // The database's own words for a refused used mark tell a caller little.
    if (text.contains(QLatin1String("typeof(Used)")))
        return QStringLiteral("Used must be a whole number, such as 0 or 1; the row is not written (%1).").arg(text);
    return text;
}
} // namespace

CallEdit::CallEdit() = default;
CallEdit::~CallEdit()
{
    closeRows();
}

FormWindow *CallEdit::createWindow()
{
    auto *w = newWindow(QStringLiteral("CallEdit"), QStringLiteral("tblCalls"), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                       | Qt::WindowCloseButtonHint);
    Look::place(w, 1095, 435, 5775, 1275);
    w->setFixedSize(w->size());
    Controls &c = *m_ui;

    const char *captions[2] = {"Call_Name:", "Used:"};
    const int tops[2] = {60, 380};
    for (int i = 0; i < 2; ++i) {
        c.lblLabels[i] = new QLabel(QString::fromLatin1(captions[i]), w);
        c.lblLabels[i]->setObjectName(QStringLiteral("lblLabels_%1").arg(i));
        Look::place(c.lblLabels[i], 120, tops[i], 1815, 255);
        c.txtFields[i] = new QLineEdit(w);
        c.txtFields[i]->setObjectName(QStringLiteral("txtFields_%1").arg(i));
        Look::place(c.txtFields[i], 2040, tops[i], 3375, 285);
    }

    c.picButtons = new QWidget(w);
    c.picButtons->setObjectName(QStringLiteral("picButtons"));
    Look::place(c.picButtons, 0, 645, 5775, 300);
    c.cmdUpdate = new QPushButton(QStringLiteral("&Update"), c.picButtons);
    c.cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    Look::place(c.cmdUpdate, 1213, 0, 1095, 300);
    c.cmdClose = new QPushButton(QStringLiteral("&Close"), c.picButtons);
    c.cmdClose->setObjectName(QStringLiteral("cmdClose"));
    Look::place(c.cmdClose, 3521, 0, 1095, 300);

    c.datPrimaryRS = new NavigationBar(w);
    c.datPrimaryRS->setObjectName(QStringLiteral("datPrimaryRS"));
    Look::place(c.datPrimaryRS, 0, 945, 5775, 330);

    Look::tabOrder({c.txtFields[0], c.txtFields[1], c.cmdUpdate, c.cmdClose});

    connect(c.cmdUpdate, &QPushButton::clicked, this, &CallEdit::cmdUpdate_Click);
    connect(c.cmdClose, &QPushButton::clicked, this, &CallEdit::cmdClose_Click);
    connect(c.datPrimaryRS, &NavigationBar::moveFirst, this, [this] { moveTo(0); });
    connect(c.datPrimaryRS, &NavigationBar::movePrevious, this, [this] { moveTo(currentRow() - 1); });
    connect(c.datPrimaryRS, &NavigationBar::moveNext, this, [this] { moveTo(currentRow() + 1); });
    connect(c.datPrimaryRS, &NavigationBar::moveLast, this, [this] { moveTo(m_rows ? m_rows->rowCount() - 1 : 0); });
    return w;
}

void CallEdit::Form_Load()
{
    openRows();
}

void CallEdit::openRows()
{
    const QString path = CallDatabase::path();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
        // mode=rw: the editor never creates a database where none is.
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=15000"));
        if (!db.open()) {
            datPrimaryRS_Error(QStringLiteral("The call database \"%1\" could not be opened: %2")
                                   .arg(QDir::toNativeSeparators(path), describe(db.lastError())));
            return;
        }
        QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = 30000"));
        m_rows = std::make_unique<CallRows>(db);
    }
    m_rows->setTable(QStringLiteral("tblCalls"));
    m_rows->setEditStrategy(QSqlTableModel::OnRowChange);
    if (!m_rows->select()) {
        datPrimaryRS_Error(describe(m_rows->lastError()));
        return;
    }
    // The whole snapshot at once: no statement stays open to block other writers.
    while (m_rows->canFetchMore())
        m_rows->fetchMore();

    m_mapper = std::make_unique<QDataWidgetMapper>();
    m_mapper->setItemDelegate(new ChangedOnly(m_mapper.get()));
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    m_mapper->setModel(m_rows.get());
    m_mapper->addMapping(m_ui->txtFields[0], 0);
    m_mapper->addMapping(m_ui->txtFields[1], 1);
    m_mapper->toFirst();
    datPrimaryRS_MoveComplete();
}

void CallEdit::closeRows()
{
    m_mapper.reset();
    m_rows.reset();
    if (QSqlDatabase::contains(ConnectionName)) {
        QSqlDatabase::database(ConnectionName, false).close();
        QSqlDatabase::removeDatabase(ConnectionName);
    }
}

int CallEdit::currentRow() const
{
    return m_mapper ? m_mapper->currentIndex() : NoCurrentRow;
}

void CallEdit::moveTo(int row)
{
    if (!m_mapper || m_rows->rowCount() == 0)
        return;
    // Leaving a row writes its changes; a refused write keeps the row current.
    if (!m_mapper->submit()) {
        datPrimaryRS_Error(describe(m_rows->lastError()));
        return;
    }
    m_mapper->setCurrentIndex(qBound(0, row, m_rows->rowCount() - 1));
    datPrimaryRS_MoveComplete();
}

void CallEdit::datPrimaryRS_MoveComplete()
{
    const int row = currentRow();
    m_ui->datPrimaryRS->setCaption(QStringLiteral("Record: ")
                                   + QString::number(row >= 0 ? row + 1 : NoCurrentRow));
}

void CallEdit::datPrimaryRS_Error(const QString &description)
{
    Message::show(QStringLiteral("Data error event hit err:") + description, m_ui ? m_ui->cmdClose->window() : nullptr);
}

void CallEdit::cmdUpdate_Click()
{
    // Without a current row nothing typed belongs to a row.
    if (currentRow() < 0)
        return;
    if (!m_mapper->submit())
        Message::show(describe(m_rows->lastError()), m_ui->cmdClose->window());
}

void CallEdit::cmdClose_Click()
{
    unload();
}

void CallEdit::Form_Unload()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    closeRows();
    m_ui.reset();
}
