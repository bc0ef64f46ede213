#include "ui/main/frmMain.h"

#include "core/app/AppIdentity.h"
#include "core/app/Settings.h"
#include "ui/kit/Look.h"
#include "ui/kit/Message.h"
#include "ui/app/frmAbout.h"
#include "ui/boards/Corners.h"
#include "ui/boards/HomePositions.h"
#include "ui/calls/CallForm.h"
#include "ui/hall/Hall.h"
#include "core/data/CallDatabase.h"
#include "core/data/DataError.h"
#include "core/data/dataCall.h"
#include "ui/editor/CallEdit.h"
#include "ui/lists/Lists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyle>

const QStringList &frmMain::levelTags()
{
    return CallDatabase::levelTags();
}

namespace {
const QString Programs2026Key = QStringLiteral("programs2026");
} // namespace

QList<QCheckBox *> frmMainControls::levels() const
{
    return {CheckB, CheckMS, CheckP, CheckA1, CheckA2, CheckC1, CheckC2, CheckC3A, CheckC3B};
}

FormWindow *frmMain::createWindow()
{
    auto *w = newWindow(QStringLiteral("frmMain"), AppIdentity::title());
    Look::setClientSize(w, 5535, 3330);
    Controls &c = *m_ui;

    auto check = [w](const char *name, const char *caption, const char *tag, int l, int t) {
        auto *b = Look::make<QCheckBox>(w, name, caption, l, t, 855, 375);
        b->setProperty("Tag", QString::fromLatin1(tag));
        return b;
    };

    c.box_List = Look::make<QComboBox>(w, "box_List", 480, 360, 1695, 315);
    c.box_List->setEditable(true);
    c.box_List->setInsertPolicy(QComboBox::NoInsert);
    // The text stays exactly as typed: Qt would otherwise complete it, and on
    // Enter swap it for a list entry that matches in another letter case, while
    // the ladder tells "b" from "B".
    c.box_List->setCompleter(nullptr);
    c.box_List->setAccessibleName(QStringLiteral("List"));
    c.box_List->lineEdit()->setAccessibleName(QStringLiteral("List"));
    c.box_List->view()->setAccessibleName(QStringLiteral("Lists"));
    c.box_List->setDuplicatesEnabled(true);

    c.cmdGo = Look::make<QPushButton>(w, "cmdGo", "Get List", 2520, 240, 1335, 495);
    c.chkAdv = Look::make<QCheckBox>(w, "chkAdv", "Include A1", 720, 720, 1575, 255);

    c.CheckMS = check("CheckMS", "MS", "MS", 600, 2280);
    c.CheckB = check("CheckB", "Basic", "B", 600, 1800);
    c.CheckP = check("CheckP", "Plus", "P", 600, 2760);
    c.CheckA1 = check("CheckA1", "A1", "A1", 1800, 1800);
    c.CheckA2 = check("CheckA2", "A2", "A2", 1800, 2280);
    c.CheckC1 = check("CheckC1", "C1", "C1", 1800, 2760);
    c.CheckC2 = check("CheckC2", "C2", "C2", 3000, 1800);
    c.CheckC3A = check("CheckC3A", "C3A", "C3A", 3000, 2280);
    c.CheckB->setChecked(true);

    c.Label1 = Look::make<QLabel>(w, "Label1", "Non-Level lists to show", 840, 1320, 2535, 375);
    c.Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    c.Label1->setFont(Look::sansSerif(12));

    c.cmdShowHome = Look::make<QPushButton>(w, "cmdShowHome", "Home Positions", 3960, 240, 1335, 495);
    // Part of the ladder, but never shown: only picking "C3B" ticks it.
    c.CheckC3B = check("CheckC3B", "C3B", "C3B", 3000, 2760);
    c.CheckC3B->setVisible(false);
    c.Command2 = Look::make<QPushButton>(w, "Command2", "Corners", 3960, 840, 1335, 495);
    c.cmdEdit = Look::make<QPushButton>(w, "cmdEdit", "Edit Calls", 3960, 1440, 1335, 495);
    c.cmdAbout = Look::make<QPushButton>(w, "cmdAbout", "About", 3960, 2760, 1335, 495);
    w->setCancelButton(c.cmdAbout);
    c.chk2026 = Look::make<QCheckBox>(w, "chk2026", "2026 programs", 2520, 840, 1395, 255);
    c.chk2026->setToolTip(QStringLiteral("The levels B and MS draw their NL calls from \"Mainstream 2026\", "
                                         "P from \"Plus 2026\""));
    c.cmdLists = Look::make<QPushButton>(w, "cmdLists", "&Lists", 3960, 2100, 1335, 495);
    // The hall's rotation; in the free space over the never-shown "Include A1", last in tab order.
    c.cmdHall = Look::make<QPushButton>(w, "cmdHall", "&Hall", 720, 720, 1335, 495);
    c.cmdHall->setAccessibleName(QStringLiteral("Hall"));

    Look::tabOrder({c.box_List, c.cmdGo, c.chkAdv, c.CheckMS, c.CheckB, c.CheckP, c.CheckA1, c.CheckA2, c.CheckC1, c.CheckC2, c.CheckC3A, c.cmdShowHome, c.CheckC3B, c.Command2, c.cmdEdit, c.cmdAbout, c.chk2026, c.cmdLists, c.cmdHall});

    c.box_List->installEventFilter(this);
    connect(c.box_List, &QComboBox::currentTextChanged, this, &frmMain::box_List_Change);
    connect(c.cmdGo, &QPushButton::clicked, this, &frmMain::cmdGo_Click);
    connect(c.cmdShowHome, &QPushButton::clicked, this, &frmMain::cmdShowHome_Click);
    connect(c.Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(c.cmdEdit, &QPushButton::clicked, this, &frmMain::cmdEdit_Click);
    connect(c.cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(c.chk2026, &QCheckBox::clicked, this, &frmMain::chk2026_Click);
    connect(c.cmdLists, &QPushButton::clicked, this, &frmMain::cmdLists_Click);
    connect(c.cmdHall, &QPushButton::clicked, this, [] { Hall::instance().show(); });
    return w;
}

void frmMain::Form_Load()
{
    Controls &c = *m_ui;
    c.chkAdv->hide();
    const std::unique_ptr<QSettings> settings = Settings::open();
    c.chk2026->setChecked(settings && settings->value(Programs2026Key, false).toBool());

    // The combo lists every list of the database; its text starts as "B"
    // without a ladder update, which would give the same ticks anyway.
    const QSignalBlocker quiet(c.box_List);
    fillLists();
    c.box_List->setCurrentIndex(-1);
    c.box_List->setEditText(QStringLiteral("B"));
}

void frmMain::refreshLists()
{
    const QSignalBlocker quiet(m_ui->box_List);
    const QString text = m_ui->box_List->currentText();
    m_ui->box_List->clear();
    m_ui->box_List->setEditText(text);
    fillLists();
}

void frmMain::fillLists()
{
    dataCall &data = dataCall::instance();
    Recordset &lists = data.rstblList();
    QStringList names;
    try {
        data.run(Waiting::Patience::Command, [&] {
            names.clear();
            if (lists.isOpen())
                lists.close();
            data.tblList();
            for (lists.moveFirst(); !lists.eof(); lists.moveNext())
                names.append(lists.field(QStringLiteral("List")).toString());
            lists.close();
        });
        m_listsMissing = false;
    } catch (const DataError &e) {
        if (lists.isOpen())
            lists.close();
        m_listsMissing = e.isBusy() || e.isCancelled();
        if (!e.isCancelled())
            Message::show(e.message());
        return;
    }
    const QSignalBlocker quiet(m_ui->box_List);
    const QString text = m_ui->box_List->currentText();
    m_ui->box_List->addItems(names);
    m_ui->box_List->setCurrentIndex(-1);
    m_ui->box_List->setEditText(text);
    // The popup shows whole names, however narrow the box, with room for its scroll bar.
    QAbstractItemView *view = m_ui->box_List->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth()
                          + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view));
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // A list the file refused at load is asked for again when the caller reaches for it.
    if (m_listsMissing && m_ui && watched == m_ui->box_List
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        fillLists();
    return false;
}

QString frmMain::activationList(const QString &tag)
{
    if (!ui().chk2026->isChecked())
        return tag;
    if (tag == QLatin1String("B") || tag == QLatin1String("MS"))
        return QStringLiteral("Mainstream 2026");
    if (tag == QLatin1String("P"))
        return QStringLiteral("Plus 2026");
    return tag;
}

void frmMain::chk2026_Click()
{
    if (const std::unique_ptr<QSettings> settings = Settings::open())
        settings->setValue(Programs2026Key, m_ui->chk2026->isChecked());
}

void frmMain::cmdLists_Click()
{
    Lists::instance().show();
}

void frmMain::box_List_Change()
{
    Controls &c = *m_ui;
    const QList<QCheckBox *> ladder = c.levels();
    for (QCheckBox *box : ladder)
        box->setChecked(false);
    c.chkAdv->setVisible(c.box_List->currentText() == QLatin1String("A2"));
    for (int rung = 0; rung < ladder.size(); ++rung) {
        if (c.box_List->currentText() == ladder[rung]->property("Tag").toString()) {
            for (int below = 0; below <= rung; ++below)
                ladder[below]->setChecked(true);
        }
    }
}

void frmMain::cmdGo_Click()
{
    if (m_ui->box_List->currentText() == QLatin1String("Select List"))
        return;
    CallForm::instance().show();
}

void frmMain::cmdShowHome_Click()
{
    HomePositions::instance().show();
}

void frmMain::Command2_Click()
{
    Corners::instance().show();
}

void frmMain::cmdEdit_Click()
{
    CallEdit::instance().show();
}

void frmMain::cmdAbout_Click()
{
    frmAbout::instance().show();
}
