#include "ui/lists/Lists.h"

#include "ui/lists/ImportPreview.h"

#include "ui/kit/FileDialogs.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/calls/CallsSession.h"
#include "core/history/History.h"
#include "ui/history/Progress.h"
#include "core/lists/ListStore.h"
#include "ui/main/frmMain.h"
#include "ui/sequences/Sequences.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTableView>

namespace {
constexpr int IdRole = Qt::UserRole + 1;

// The local files among what is dragged.
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    return files;
}

// Calls are dragged as copies only: after a move the view would take the rows
// out of the model itself, wherever they were dropped.
class CallsModel : public QStandardItemModel
{
public:
    using QStandardItemModel::QStandardItemModel;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
};

bool listFileName(const QString &path)
{
    return path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)
           || path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

QString plural(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}
} // namespace

Lists::Lists()
{
    prompts.text = [this](const QString &label, const QString &text) -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getText(window(), QStringLiteral("Lists"), label, QLineEdit::Normal, text, &ok);
        return ok ? std::optional<QString>(answer) : std::nullopt;
    };
    prompts.lines = [this](const QString &label, const QString &text) -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getMultiLineText(window(), QStringLiteral("Lists"), label, text, &ok);
        return ok ? std::optional<QString>(answer) : std::nullopt;
    };
    prompts.confirm = [this](const QString &question) {
        return QMessageBox::question(window(), QStringLiteral("Lists"), question) == QMessageBox::Yes;
    };
    prompts.preview = [this](const ListFile::Preview &preview, const QString &fileName) -> std::optional<ListFile::Preview> {
        ImportPreview dialog(preview, fileName, window());
        return dialog.exec() == QDialog::Accepted ? std::optional(dialog.chosen()) : std::nullopt;
    };
    prompts.pick = [this](const QString &label, const QStringList &items) -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getItem(window(), QStringLiteral("Lists"), label, items, 0, false, &ok);
        return ok ? std::optional<QString>(answer) : std::nullopt;
    };
    prompts.file = [this](const QString &caption, const QString &filter, bool save, const QString &suggested) {
        return save ? FileDialogs::saveFile(window(), caption, suggested, filter)
                    : FileDialogs::openFile(window(), caption, filter);
    };
}

Lists::~Lists() = default;

FormWindow *Lists::createWindow()
{
    auto *w = newWindow(QStringLiteral("Lists"), QStringLiteral("Lists"));
    Controls &c = *m_ui;

    auto button = [w, this](QPushButton *&member, const char *name, const QString &caption, void (Lists::*click)()) {
        member = new QPushButton(caption, w);
        member->setObjectName(QString::fromLatin1(name));
        member->setAutoDefault(false);
        if (click)
            connect(member, &QPushButton::clicked, this, click);
    };
    auto view = [w](QTableView *&member, const char *name, QStandardItemModel *model, const QString &accessible) {
        member = new QTableView(w);
        member->setObjectName(QString::fromLatin1(name));
        member->setAccessibleName(accessible);
        member->setModel(model);
        member->setSelectionBehavior(QAbstractItemView::SelectRows);
        member->setEditTriggers(QAbstractItemView::NoEditTriggers);
        member->setTabKeyNavigation(false);
        member->verticalHeader()->hide();
        member->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        member->verticalHeader()->setDefaultSectionSize(member->fontMetrics().height() + 6);
        member->setWordWrap(false);
        member->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        member->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    };

    c.lists = new QStandardItemModel(0, 3, w);
    c.lists->setHorizontalHeaderLabels({QStringLiteral("List"), QStringLiteral("Calls"), QStringLiteral("Used")});
    c.calls = new CallsModel(0, 2, w);
    c.calls->setHorizontalHeaderLabels({QStringLiteral("Call"), QStringLiteral("Used")});

    c.lblLists = new QLabel(QStringLiteral("Li&sts"), w);
    c.lblLists->setObjectName(QStringLiteral("lblLists"));
    c.lblCalls = new QLabel(QStringLiteral("&Calls"), w);
    c.lblCalls->setObjectName(QStringLiteral("lblCalls"));
    view(c.tblLists, "tblLists", c.lists, QStringLiteral("Lists"));
    c.tblLists->setSelectionMode(QAbstractItemView::SingleSelection);
    view(c.tblCalls, "tblCalls", c.calls, QStringLiteral("Calls of the list"));
    c.tblCalls->setSelectionMode(QAbstractItemView::ExtendedSelection);
    c.lblLists->setBuddy(c.tblLists);
    c.lblCalls->setBuddy(c.tblCalls);

    button(c.cmdNewList, "cmdNewList", QStringLiteral("&New List"), &Lists::cmdNewList_Click);
    button(c.cmdRenameList, "cmdRenameList", QStringLiteral("&Rename List"), &Lists::cmdRenameList_Click);
    button(c.cmdDeleteList, "cmdDeleteList", QStringLiteral("&Delete List"), &Lists::cmdDeleteList_Click);
    button(c.cmdAddCall, "cmdAddCall", QStringLiteral("&Add Call"), &Lists::cmdAddCall_Click);
    button(c.cmdRenameCall, "cmdRenameCall", QStringLiteral("Rena&me Call"), &Lists::cmdRenameCall_Click);
    button(c.cmdDeleteCall, "cmdDeleteCall", QStringLiteral("Dele&te Calls"), &Lists::cmdDeleteCall_Click);
    button(c.cmdMoveCalls, "cmdMoveCalls", QStringLiteral("Mo&ve Calls..."), &Lists::cmdMoveCalls_Click);
    button(c.cmdCopyCalls, "cmdCopyCalls", QStringLiteral("Cop&y Calls..."), &Lists::cmdCopyCalls_Click);
    button(c.cmdUsed, "cmdUsed", QStringLiteral("Toggle &Used"), &Lists::cmdUsed_Click);
    button(c.cmdProgress, "cmdProgress", QStringLiteral("&Progress"), &Lists::cmdProgress_Click);
    button(c.cmdSequences, "cmdSequences", QStringLiteral("Se&quences..."), &Lists::cmdSequences_Click);
    button(c.cmdImport, "cmdImport", QStringLiteral("&Import..."), &Lists::cmdImport_Click);
    button(c.cmdExport, "cmdExport", QStringLiteral("&Export..."), &Lists::cmdExport_Click);
    button(c.cmdExportAll, "cmdExportAll", QStringLiteral("E&xport All as CSV..."), &Lists::cmdExportAll_Click);
    button(c.cmdClose, "cmdClose", QStringLiteral("Cl&ose"), nullptr);
    w->setCancelButton(c.cmdClose);
    c.lblSearch = new QLabel(QStringLiteral("&Find:"), w);
    c.lblSearch->setObjectName(QStringLiteral("lblSearch"));
    c.txtSearch = new QLineEdit(w);
    c.txtSearch->setObjectName(QStringLiteral("txtSearch"));
    c.txtSearch->setAccessibleName(QStringLiteral("Find calls"));
    c.txtSearch->setPlaceholderText(QStringLiteral("Part of a call's name"));
    c.txtSearch->setClearButtonEnabled(true);
    c.lblSearch->setBuddy(c.txtSearch);
    c.lblFound = new QLabel(w);
    c.lblFound->setObjectName(QStringLiteral("lblFound"));
    c.lblFound->setAccessibleName(QStringLiteral("Calls found"));

    // Lists on the left, calls on the right; the views take every extra pixel.
    auto pane = [](QLabel *label, QTableView *table, const QList<QList<QPushButton *>> &rows) {
        auto *column = new QVBoxLayout;
        column->addWidget(label);
        column->addWidget(table, 1);
        for (const QList<QPushButton *> &row : rows) {
            auto *line = new QHBoxLayout;
            for (QPushButton *b : row)
                line->addWidget(b);
            line->addStretch(1);
            column->addLayout(line);
        }
        return column;
    };
    auto *panes = new QHBoxLayout(w);
    auto *search = new QHBoxLayout;
    search->addWidget(c.lblSearch);
    search->addWidget(c.txtSearch, 1);
    search->addWidget(c.lblFound);
    panes->addLayout(pane(c.lblLists, c.tblLists,
                          {{c.cmdNewList, c.cmdRenameList, c.cmdDeleteList}, {c.cmdImport, c.cmdExport, c.cmdExportAll}}),
                     2);
    panes->addLayout(pane(c.lblCalls, c.tblCalls,
                          {{c.cmdAddCall, c.cmdRenameCall, c.cmdDeleteCall, c.cmdMoveCalls, c.cmdCopyCalls}, {c.cmdUsed, c.cmdProgress, c.cmdClose, c.cmdSequences}}),
                     3);
    static_cast<QVBoxLayout *>(panes->itemAt(1)->layout())->insertLayout(0, search);
    w->resize(760, 480);

    w->setAcceptDrops(true);
    w->installEventFilter(this);

    Look::tabOrder({c.tblLists, c.cmdNewList, c.cmdRenameList, c.cmdDeleteList, c.cmdImport, c.cmdExport,
                    c.cmdExportAll, c.txtSearch, c.tblCalls, c.cmdAddCall, c.cmdRenameCall, c.cmdDeleteCall, c.cmdMoveCalls,
                    c.cmdCopyCalls,
                    c.cmdUsed, c.cmdProgress, c.cmdClose, c.cmdSequences});

    connect(c.tblLists->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &Lists::showCalls);
    connect(c.calls, &QStandardItemModel::itemChanged, this, &Lists::calls_ItemChanged);
    // Double-click renames, Delete deletes, as in a file manager.
    connect(c.tblLists, &QTableView::doubleClicked, this, &Lists::cmdRenameList_Click);
    connect(c.tblCalls, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() == 0)
            cmdRenameCall_Click();
    });
    c.tblLists->installEventFilter(this);
    c.tblCalls->installEventFilter(this);
    // Calls are dragged within their table to a new place; the drop is ours, not the model's.
    c.tblCalls->setDragEnabled(true);
    c.tblCalls->setDefaultDropAction(Qt::CopyAction);
    c.tblCalls->viewport()->setAcceptDrops(true);
    c.tblCalls->viewport()->installEventFilter(this);
    connect(c.txtSearch, &QLineEdit::textChanged, this, &Lists::filterCalls);
    auto *find = new QShortcut(QKeySequence::Find, w);
    connect(find, &QShortcut::activated, c.txtSearch, [&c] {
        c.txtSearch->setFocus(Qt::ShortcutFocusReason);
        c.txtSearch->selectAll();
    });
    connect(c.cmdClose, &QPushButton::clicked, w, &QWidget::close);
    // Marks change in the Calls window, Progress and the editor; other programs are
    // caught when the caller comes back to the window, without watching the file.
    connect(&History::notifier(), &History::Notifier::marksChanged, w, [this] { followSoon(); });
    connect(&CallsSession::instance(), &CallsSession::callsReset, w, [this] { followSoon(); });
    return w;
}

void Lists::Form_Load()
{
    showLists();
    m_ui->tblLists->setFocus();
}

void Lists::Form_Unload()
{
    m_store.reset();
    FormWith<ListsControls>::Form_Unload();
}

ListStore &Lists::store()
{
    if (!m_store)
        m_store = std::make_unique<ListStore>(CallDatabase::path());
    return *m_store;
}

void Lists::change(const std::function<void()> &work, bool listsChanged)
{
    try {
        work();
    } catch (const DataError &e) {
        if (e.isCancelled())
            return;
        // A refused name is about the window's own work: the database's path adds nothing there.
        QString text = e.message();
        if (e.isRefusal()) {
            text = e.cause() + QLatin1Char('.');
            text[0] = text[0].toUpper();
        }
        Message::show(text, m_ui ? m_ui->tblLists->window() : nullptr);
    }
    if (!m_ui)
        return;
    showLists(currentListId());
    // The main window's combo lists every list: it follows new and renamed ones.
    if (frmMain *main = Form::existing<frmMain>(); listsChanged && main && main->isLoaded())
        main->refreshLists();
}

void Lists::showLists(std::optional<int> selectId)
{
    Controls &c = *m_ui;
    QList<ListStore::List> all;
    try {
        all = store().lists();
    } catch (const DataError &e) {
        if (!e.isCancelled())
            Message::show(e.message(), c.tblLists->window());
    }
    {
        const QSignalBlocker quiet(c.tblLists->selectionModel());
        c.lists->removeRows(0, c.lists->rowCount());
        for (const ListStore::List &list : std::as_const(all)) {
            auto *name = new QStandardItem(list.name);
            name->setToolTip(list.name); // a long name is cut off in its cell
            name->setData(list.id, IdRole);
            auto *calls = new QStandardItem(QString::number(list.calls));
            auto *used = new QStandardItem(QString::number(list.used));
            calls->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            used->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            c.lists->appendRow({name, calls, used});
        }
    }
    int row = all.isEmpty() ? -1 : 0;
    for (int i = 0; selectId && i < all.size(); ++i) {
        if (all[i].id == *selectId)
            row = i;
    }
    if (row >= 0)
        c.tblLists->setCurrentIndex(c.lists->index(row, 0));
    showCalls();
}

void Lists::showCalls()
{
    Controls &c = *m_ui;
    const std::optional<int> listId = currentListId();
    QList<ListStore::Call> calls;
    try {
        if (listId)
            calls = store().calls(*listId);
    } catch (const DataError &e) {
        if (!e.isCancelled())
            Message::show(e.message(), c.tblLists->window());
    }
    const int keep = c.tblCalls->currentIndex().row();
    m_filling = true;
    c.calls->removeRows(0, c.calls->rowCount());
    for (const ListStore::Call &call : std::as_const(calls)) {
        auto *name = new QStandardItem(call.name);
        name->setToolTip(call.name);
        name->setData(call.id, IdRole);
        auto *used = new QStandardItem;
        used->setCheckable(true);
        used->setCheckState(call.used ? Qt::Checked : Qt::Unchecked);
        used->setData(call.id, IdRole);
        c.calls->appendRow({name, used});
    }
    m_filling = false;
    const QString listName = listId ? c.lists->index(c.tblLists->currentIndex().row(), 0).data().toString() : QString();
    c.lblCalls->setText(listId ? QStringLiteral("&Calls of \"%1\"").arg(listName) : QStringLiteral("&Calls"));
    if (c.calls->rowCount() > 0)
        c.tblCalls->setCurrentIndex(c.calls->index(qBound(0, keep, c.calls->rowCount() - 1), 0));
    filterCalls();
}

std::optional<int> Lists::currentListId() const
{
    if (!m_ui)
        return std::nullopt;
    const QModelIndex current = m_ui->tblLists->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_ui->lists->index(current.row(), 0).data(IdRole).toInt();
}

QList<int> Lists::selectedCallIds() const
{
    QList<int> ids;
    QModelIndexList rows = m_ui->tblCalls->selectionModel()->selectedRows();
    if (rows.isEmpty() && m_ui->tblCalls->currentIndex().isValid())
        rows.append(m_ui->tblCalls->currentIndex());
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &row : std::as_const(rows))
        if (!m_ui->tblCalls->isRowHidden(row.row())) // a search hides it: not chosen
            ids.append(m_ui->calls->index(row.row(), 0).data(IdRole).toInt());
    return ids;
}

void Lists::cmdNewList_Click()
{
    const std::optional<QString> name = prompts.text(QStringLiteral("Name of the new list:"), QString());
    if (!name)
        return;
    std::optional<int> created;
    change([&] { created = store().createList(*name); });
    if (created)
        showLists(created);
}

void Lists::cmdRenameList_Click()
{
    const std::optional<int> id = currentListId();
    if (!id)
        return;
    const QString old = m_ui->lists->index(m_ui->tblLists->currentIndex().row(), 0).data().toString();
    if (ListStore::isLevel(old)) {
        Message::show(QStringLiteral("\"%1\" is a level list; its name stays.").arg(old), m_ui->tblLists->window());
        return;
    }
    const std::optional<QString> name = prompts.text(QStringLiteral("New name of \"%1\":").arg(old), old);
    if (name)
        change([&] { store().renameList(*id, *name); });
}

void Lists::cmdDeleteList_Click()
{
    const std::optional<int> id = currentListId();
    if (!id)
        return;
    change([&] {
        const ListStore::List list = store().listById(*id);
        if (list.level)
            throw DataError(QStringLiteral("\"%1\" is a level list; it cannot be deleted.").arg(list.name));
        if (prompts.confirm(QStringLiteral("Delete the list \"%1\" and its %2?")
                                .arg(list.name, plural(list.calls, "call", "calls"))))
            store().deleteList(*id);
    });
}

void Lists::cmdAddCall_Click()
{
    const std::optional<int> id = currentListId();
    if (!id)
        return;
    const std::optional<QString> names =
        prompts.lines(QStringLiteral("Name of the new call (or several, one a line):"), QString());
    if (names)
        addLines(*names);
}

void Lists::cmdRenameCall_Click()
{
    const QModelIndex current = m_ui->tblCalls->currentIndex();
    if (!current.isValid())
        return;
    const QString old = m_ui->calls->index(current.row(), 0).data().toString();
    const int callId = m_ui->calls->index(current.row(), 0).data(IdRole).toInt();
    const std::optional<QString> name = prompts.text(QStringLiteral("New name of \"%1\":").arg(old), old);
    if (name)
        change([&] { store().renameCall(callId, *name); }, false);
}

void Lists::cmdDeleteCall_Click()
{
    const QList<int> ids = selectedCallIds();
    const std::optional<int> listId = currentListId();
    if (ids.isEmpty() || !listId)
        return;
    QString what = plural(int(ids.size()), "call", "calls");
    for (int row = 0; ids.size() == 1 && row < m_ui->calls->rowCount(); ++row) {
        if (m_ui->calls->index(row, 0).data(IdRole).toInt() == ids.first())
            what = QStringLiteral("\"%1\"").arg(m_ui->calls->index(row, 0).data().toString());
    }
    change([&] {
        if (prompts.confirm(QStringLiteral("Delete %1 from \"%2\"?").arg(what, store().listById(*listId).name)))
            store().deleteCalls(ids);
    }, false);
}

void Lists::cmdMoveCalls_Click()
{
    const QList<int> ids = selectedCallIds();
    const std::optional<int> from = currentListId();
    if (ids.isEmpty() || !from)
        return;
    if (const std::optional<int> target =
            pickTarget(QStringLiteral("Move %1 to the list:").arg(plural(int(ids.size()), "call", "calls"))))
        change([&] { store().moveCalls(ids, *target); }, false);
}

std::optional<int> Lists::pickTarget(const QString &label)
{
    const std::optional<int> from = currentListId();
    QStringList names;
    QList<int> targets;
    for (int row = 0; row < m_ui->lists->rowCount(); ++row) {
        const int id = m_ui->lists->index(row, 0).data(IdRole).toInt();
        if (id != from) {
            names.append(m_ui->lists->index(row, 0).data().toString());
            targets.append(id);
        }
    }
    const std::optional<QString> target = prompts.pick(label, names);
    if (!target || !names.contains(*target))
        return std::nullopt;
    return targets[names.indexOf(*target)];
}

void Lists::cmdCopyCalls_Click()
{
    const QList<int> ids = selectedCallIds();
    if (ids.isEmpty() || !currentListId())
        return;
    if (const std::optional<int> target =
            pickTarget(QStringLiteral("Copy %1 to the list:").arg(plural(int(ids.size()), "call", "calls"))))
        change([&] { store().copyCalls(ids, *target); });
}

void Lists::addLines(const QString &text)
{
    const std::optional<int> id = currentListId();
    if (!id)
        return;
    const QStringList lines = text.split(QLatin1Char('\n'));
    ListStore::Added added;
    change([&] {
        // Nothing but blanks: the single call's own refusal says why.
        if (text.trimmed().isEmpty())
            added.ids.append(store().addCall(*id, text));
        else
            added = store().addCalls(*id, lines);
    }, false);
    if (!m_ui)
        return;
    selectCalls(added.ids);
    if (!added.repeated.isEmpty())
        Message::show(QStringLiteral("Already in \"%1\", not added again:\n\n%2")
                          .arg(m_ui->lists->index(m_ui->tblLists->currentIndex().row(), 0).data().toString(),
                               added.repeated.join(QLatin1Char('\n'))),
                      m_ui->tblLists->window());
}

void Lists::selectCalls(const QList<int> &ids)
{
    Controls &c = *m_ui;
    bool first = true;
    for (int row = 0; row < c.calls->rowCount(); ++row) {
        if (!ids.contains(c.calls->index(row, 0).data(IdRole).toInt()) || c.tblCalls->isRowHidden(row))
            continue;
        const QModelIndex index = c.calls->index(row, 0);
        if (first)
            c.tblCalls->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            c.tblCalls->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        first = false;
    }
}

void Lists::reorder(const std::function<QList<int>(const QList<int> &, const QList<int> &)> &how)
{
    const std::optional<int> listId = currentListId();
    const QList<int> chosen = selectedCallIds();
    if (!listId || chosen.isEmpty())
        return;
    // Calls a search hides keep their places; the shown ones move among themselves.
    Controls &c = *m_ui;
    QList<int> all;
    QList<int> shown;
    for (int row = 0; row < c.calls->rowCount(); ++row) {
        all.append(c.calls->index(row, 0).data(IdRole).toInt());
        if (!c.tblCalls->isRowHidden(row))
            shown.append(all.last());
    }
    const QList<int> moved = how(shown, chosen);
    if (moved == shown)
        return;
    QList<int> order;
    auto next = moved.begin();
    for (int row = 0; row < all.size(); ++row)
        order.append(c.tblCalls->isRowHidden(row) ? all[row] : *next++);
    QHash<int, int> rekeyed;
    change([&] { rekeyed = store().reorderCalls(*listId, order); }, false);
    if (!m_ui)
        return;
    QList<int> now;
    for (const int id : chosen)
        now.append(rekeyed.value(id, id));
    selectCalls(now);
}

bool Lists::shapingKey(QObject *watched, QKeyEvent *key)
{
    const Controls &c = *m_ui;
    const bool ctrl = key->modifiers() == Qt::ControlModifier;
    if (watched == c.tblCalls && ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        const int step = key->key() == Qt::Key_Up ? -1 : 1;
        reorder([step](const QList<int> &order, const QList<int> &chosen) { return ListStore::shifted(order, chosen, step); });
        return true;
    }
    if (watched == c.tblCalls && key->matches(QKeySequence::Paste)) {
        if (const QString text = QGuiApplication::clipboard()->text(); !text.trimmed().isEmpty())
            addLines(text);
        return true;
    }
    if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier && (watched == c.tblCalls || watched == c.tblLists)) {
        if (watched == c.tblCalls)
            cmdRenameCall_Click();
        else
            cmdRenameList_Click();
        return true;
    }
    return false;
}

bool Lists::callsDrag(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    Controls &c = *m_ui;
    auto *drag = static_cast<QDropEvent *>(event);
    // Only rows of this table; a dropped file goes on to the window.
    if (!drag->mimeData() || !drag->mimeData()->hasFormat(c.calls->mimeTypes().value(0)))
        return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type != QEvent::Drop)
        return true;
    const int under = c.tblCalls->indexAt(drag->position().toPoint()).row();
    int place = 0; // among the shown rows
    for (int row = 0; row < (under < 0 ? c.calls->rowCount() : under); ++row)
        place += c.tblCalls->isRowHidden(row) ? 0 : 1;
    reorder([place](const QList<int> &order, const QList<int> &chosen) { return ListStore::placed(order, chosen, place); });
    return true;
}

void Lists::filterCalls()
{
    Controls &c = *m_ui;
    const QString text = c.txtSearch->text().trimmed();
    int shown = 0;
    for (int row = 0; row < c.calls->rowCount(); ++row) {
        const bool match = c.calls->index(row, 0).data().toString().contains(text, Qt::CaseInsensitive);
        c.tblCalls->setRowHidden(row, !match);
        shown += match ? 1 : 0;
    }
    c.lblFound->setText(text.isEmpty() ? QString()
                                       : QStringLiteral("%1 of %2").arg(shown).arg(c.calls->rowCount()));
    const QModelIndex current = c.tblCalls->currentIndex();
    if (current.isValid() && c.tblCalls->isRowHidden(current.row())) {
        for (int row = 0; row < c.calls->rowCount(); ++row) {
            if (!c.tblCalls->isRowHidden(row)) {
                c.tblCalls->setCurrentIndex(c.calls->index(row, 0));
                break;
            }
        }
    }
}

void Lists::cmdProgress_Click()
{
    const QModelIndex current = m_ui->tblLists->currentIndex();
    Progress::instance().showList(current.isValid() ? current.siblingAtColumn(0).data().toString() : QString());
}

void Lists::cmdSequences_Click()
{
    const QModelIndex current = m_ui->tblLists->currentIndex();
    Sequences::instance().showList(current.isValid() ? current.siblingAtColumn(0).data().toString() : QString());
}

void Lists::refresh()
{
    if (m_ui)
        showLists(currentListId());
}

void Lists::cmdUsed_Click()
{
    const QList<int> ids = selectedCallIds();
    if (ids.isEmpty())
        return;
    // All marked when any was unmarked; otherwise all cleared.
    bool anyUnused = false;
    for (int row = 0; row < m_ui->calls->rowCount(); ++row) {
        if (ids.contains(m_ui->calls->index(row, 0).data(IdRole).toInt())
            && m_ui->calls->item(row, 1)->checkState() == Qt::Unchecked)
            anyUnused = true;
    }
    change([&] { store().setUsed(ids, anyUnused); }, false);
}

void Lists::calls_ItemChanged(QStandardItem *item)
{
    if (m_filling || item->column() != 1)
        return;
    // A click on a Used box: the stored mark follows the box, and the list's
    // count follows the mark. The rows stay as they are under the click.
    const bool ticked = item->checkState() == Qt::Checked;
    try {
        store().setUsed({item->data(IdRole).toInt()}, ticked);
        const int row = m_ui->tblLists->currentIndex().row();
        m_ui->lists->item(row, 2)->setText(QString::number(store().listById(*currentListId()).used));
    } catch (const DataError &e) {
        m_filling = true;
        item->setCheckState(ticked ? Qt::Unchecked : Qt::Checked);
        m_filling = false;
        if (!e.isCancelled()) // the caller's own choice needs no box
            Message::show(e.message(), m_ui->tblLists->window());
    }
}

void Lists::importFile(const QString &path)
{
    QWidget *parent = m_ui ? m_ui->tblLists->window() : nullptr;
    const QString fileName = QFileInfo(path).fileName();
    // Opening a FIFO would wait for a writer with every window frozen.
    if (!QFileInfo(path).isFile()) {
        Message::show(path + QStringLiteral(": not a regular file (a pipe, a device or a folder); "
                                            "only a list file saved on disk can be imported here"),
                      parent);
        return;
    }
    const ListFile::Preview read = ListFile::previewFile(path);
    if (!read.ok()) {
        Message::show(DataError(read.error).message(), parent); // worded as every refused file is
        return;
    }
    const std::optional<ListFile::Preview> chosen = prompts.preview(read, fileName);
    if (!chosen)
        return;
    std::optional<QString> name;
    if (!chosen->csv) {
        name = prompts.text(QStringLiteral("Import \"%1\" as the list:").arg(fileName), ListStore::defaultName(path));
        if (!name)
            return;
    }
    std::optional<int> imported;
    change([&] {
        // Asked once, for every list the file would replace.
        QStringList replacing;
        int callsReplaced = 0;
        for (const ListFile::NamedList &list : chosen->lists()) {
            if (const auto existing = store().find(name ? *name : list.name)) {
                replacing.append(QStringLiteral("\"%1\"").arg(existing->name));
                callsReplaced += existing->calls;
            }
        }
        if (replacing.size() == 1
            && !prompts.confirm(QStringLiteral("A list named %1 exists already. Replace its %2 with the "
                                               "calls of \"%3\"? The calls whose names stay keep their used marks.")
                                    .arg(replacing.first(), plural(callsReplaced, "call", "calls"), fileName)))
            return;
        if (replacing.size() > 1
            && !prompts.confirm(QStringLiteral("The lists %1 exist already. Replace their %2 with the calls "
                                               "of \"%3\"? The calls whose names stay keep their used marks.")
                                    .arg(replacing.join(QStringLiteral(", ")), plural(callsReplaced, "call", "calls"),
                                         fileName)))
            return;
        const QList<ListStore::Imported> results = store().importPreview(*chosen, name.value_or(QString()), !replacing.isEmpty());
        imported = results.first().listId;
        QStringList text;
        for (const ListStore::Imported &result : results)
            text.append(QStringLiteral("%1 imported into \"%2\".")
                            .arg(plural(result.calls, "call", "calls"), store().listById(result.listId).name));
        if (!results.first().notes.isEmpty())
            text.append(QStringLiteral("\n") + results.first().notes.join(QLatin1Char('\n')));
        Message::show(text.join(QLatin1Char('\n')), parent);
    });
    if (imported && m_ui)
        showLists(imported);
}

void Lists::cmdImport_Click()
{
    const QString path =
        prompts.file(QStringLiteral("Import a list"), QStringLiteral("List files (*.txt *.csv);;All files (*)"), false, {});
    if (!path.isEmpty())
        importFile(path);
}

void Lists::exportTo(std::optional<int> listId, const QString &suggested)
{
    const QString path = prompts.file(listId ? QStringLiteral("Export the list") : QStringLiteral("Export every list"),
                                      listId ? QStringLiteral("Text files (*.txt);;CSV files (*.csv)")
                                             : QStringLiteral("CSV files (*.csv)"),
                                      true, suggested);
    if (path.isEmpty())
        return;
    change([&] {
        const bool csv = !listId || path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
        const QByteArray bytes = csv ? store().exportCsv(listId) : store().exportText(*listId);
        if (const QString error = ListFile::save(path, bytes); !error.isEmpty())
            throw DataError(error);
        const QStringList problems = csv ? QStringList() : ListFile::problems(store().callNames(*listId));
        if (!problems.isEmpty())
            Message::show(QStringLiteral("\"%1\" is written. These names will not come back as they are when "
                                         "it is imported:\n\n%2")
                              .arg(QFileInfo(path).fileName(), problems.join(QLatin1Char('\n'))),
                          m_ui->tblLists->window());
    }, false);
}

void Lists::cmdExport_Click()
{
    if (const std::optional<int> id = currentListId())
        exportTo(id, store().listById(*id).name + QStringLiteral(".txt"));
}

void Lists::cmdExportAll_Click()
{
    exportTo(std::nullopt, QStringLiteral("lists.csv"));
}

void Lists::followSoon()
{
    // Once the change that told it is over: a reset tells more than once.
    if (std::exchange(m_followPending, true))
        return;
#ifndef __clang_analyzer__
    QMetaObject::invokeMethod(this, &Lists::followCounts, Qt::QueuedConnection);
#endif
}

void Lists::followCounts()
{
    m_followPending = false;
    if (!m_ui)
        return;
    Controls &c = *m_ui;
    QList<ListStore::List> all;
    try {
        all = store().lists();
    } catch (const DataError &) {
        return; // quiet: nobody asked; the next change or visit tries again
    }
    bool sameLists = all.size() == c.lists->rowCount();
    for (int i = 0; sameLists && i < all.size(); ++i)
        sameLists = c.lists->item(i, 0)->data(IdRole).toInt() == all[i].id;
    if (!sameLists)
        return showLists(currentListId());
    const std::optional<int> current = currentListId();
    bool currentChanged = false;
    for (int i = 0; i < all.size(); ++i) {
        const QStringList now = {all[i].name, QString::number(all[i].calls), QString::number(all[i].used)};
        for (int column = 0; column < 3; ++column) {
            QStandardItem *item = c.lists->item(i, column);
            if (item->text() == now[column])
                continue;
            item->setText(now[column]);
            if (column == 0)
                item->setToolTip(now[column]);
            currentChanged = currentChanged || all[i].id == current;
        }
    }
    if (currentChanged)
        showCalls();
}

bool Lists::eventFilter(QObject *watched, QEvent *event)
{
    if (m_ui && event->type() == QEvent::KeyPress && shapingKey(watched, static_cast<QKeyEvent *>(event)))
        return true;
    if (m_ui && watched == m_ui->tblCalls->viewport() && callsDrag(event))
        return true;
    if (m_ui && watched == m_ui->tblLists->window() && event->type() == QEvent::WindowActivate)
        followSoon();
    if (m_ui && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Delete)) {
        if (watched == m_ui->tblLists)
            cmdDeleteList_Click();
        else if (watched == m_ui->tblCalls)
            cmdDeleteCall_Click();
        return watched == m_ui->tblLists || watched == m_ui->tblCalls;
    }
    if (m_ui && watched == m_ui->tblLists->window()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *drag = static_cast<QDropEvent *>(event);
            if (!droppedFiles(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto *drop = static_cast<QDropEvent *>(event);
            const QStringList files = droppedFiles(drop->mimeData());
            drop->acceptProposedAction();
            for (const QString &file : files) {
                if (listFileName(file))
                    importFile(file);
                else
                    Message::show(QFileInfo(file).fileName() + QStringLiteral(": not imported; only list files "
                                                                              "(.txt) and CSV files (.csv) can be"),
                                  m_ui->tblLists->window());
            }
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}
