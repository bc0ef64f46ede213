// The Hall window driven as a caller would: names typed, statuses marked, tips
// danced and taken back, on a real Call_Evening.db beside the test's call database.
#include "testsupport.h"

#include "core/rotation/EveningFile.h"
#include "ui/hall/Hall.h"
#include "ui/hall/TipView.h"
#include "ui/kit/FileDialogs.h"
#include "ui/kit/Message.h"

#include <QAbstractItemModel>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTableView>

using namespace Rotation;

namespace {

Hall::Controls &openHall()
{
    Hall &hall = Hall::instance();
    hall.show();
    return hall.ui();
}

void add(Hall::Controls &c, const QString &name, int kind = 0)
{
    c.cboKind->setCurrentIndex(kind);
    c.txtName->setFocus();
    QTest::keyClicks(c.txtName, name);
    QTest::keyClick(c.txtName, Qt::Key_Return);
}

void select(Hall::Controls &c, const QList<int> &rows)
{
    c.grdDancers->clearSelection();
    for (int row : rows)
        c.grdDancers->selectionModel()->select(c.grdDancers->model()->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QString cell(Hall::Controls &c, int row, int column)
{
    return c.grdDancers->model()->index(row, column).data().toString();
}

} // namespace

class tst_RotationHall : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_db = std::make_unique<TestDatabase>(QList<CallDatabase::CallList>{list("B", 3)}); }
    void cleanup()
    {
        Message::setObserver({});
        Message::setAnswerer({});
        m_db.reset();
    }
    void typedNamesBecomeDancers_data();
    void typedNamesBecomeDancers();
    void tipsDancedAndTakenBack();
    void statusesFromTheButtons_data();
    void statusesFromTheButtons();
    void questions_data();
    void questions();
    void floorViewFullScreen();
    void unusableFileSaysSo();
    void savePdf_data();
    void savePdf();

private:
    std::unique_ptr<TestDatabase> m_db;
};

void tst_RotationHall::typedNamesBecomeDancers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name"); // empty: nothing added
    QTest::addColumn<QString>("kindShown");
    QTest::newRow("a couple") << "Ann & Bob" << 0 << "Ann & Bob" << "couple";
    QTest::newRow("a solo boy, spaces dropped") << "  Carl  " << 1 << "Carl" << "boy";
    QTest::newRow("a solo girl") << "Dora" << 2 << "Dora" << "girl";
    QTest::newRow("either") << "Eli" << 3 << "Eli" << "either";
    QTest::newRow("markup stays text") << "<b>Fay</b>" << 2 << "<b>Fay</b>" << "girl";
    QTest::newRow("only spaces") << "   " << 0 << "" << "";
    QTest::newRow("an escape, pasted") << "Gus\x1b[31m" << 1 << "" << "";
}

void tst_RotationHall::typedNamesBecomeDancers()
{
    QFETCH(QString, typed);
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, kindShown);
    Hall::Controls &c = openHall();
    MessageLog log;
    const bool pasted = typed.contains(u'\x1b');
    if (pasted) {
        c.txtName->setText(typed);
        QTest::keyClick(c.txtName, Qt::Key_Return);
    } else {
        add(c, typed, kind);
    }
    QCOMPARE(c.grdDancers->model()->rowCount(), name.isEmpty() ? 0 : 1);
    QCOMPARE(log.messages.size(), pasted ? 1 : 0);
    if (name.isEmpty())
        return;
    QCOMPARE(cell(c, 0, 0), name);
    QCOMPARE(cell(c, 0, 1), kindShown);
    QCOMPARE(cell(c, 0, 2), QString("present"));
    QVERIFY(c.txtName->text().isEmpty()); // ready for the next name
    EveningFile file(EveningFile::pathBeside(m_db->path()));
    file.open();
    QCOMPARE(file.evening().dancers().size(), 1);
    QCOMPARE(file.evening().dancers()[0].name, name);
}

void tst_RotationHall::tipsDancedAndTakenBack()
{
    Hall::Controls &c = openHall();
    for (int i = 1; i <= 5; ++i)
        add(c, QStringLiteral("Couple %1").arg(i));
    add(c, "Gus", 1);
    add(c, "Hana", 2);
    QVERIFY(!c.cmdUndoTip->isEnabled());
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QCOMPARE(c.lblTips->text(), QString("Tips so far: 1"));
    // Six units for one square: two sit out, each named once.
    const QString out = c.lblSittingOut->text();
    QVERIFY(out.startsWith("Sitting out: "));
    QCOMPARE(out.mid(13).split(", ").size(), 2);
    const QString view = c.picTip->text();
    QVERIFY(view.startsWith("Tip 1\n"));
    QCOMPARE(view.count("Square 1 place"), 4);
    QVERIFY(!view.contains("Square 2"));
    int danced = 0;
    for (int row = 0; row < 7; ++row) {
        danced += cell(c, row, 3).toInt();
        QCOMPARE(cell(c, row, 3).toInt() + cell(c, row, 4).toInt(), 1);
        if (cell(c, row, 4) == QLatin1String("1"))
            QVERIFY(out.contains(cell(c, row, 0)));
    }
    // Four couples, or three and the pair of solos, each solo a row of its own.
    QCOMPARE(danced, cell(c, 5, 3) == QLatin1String("1") ? 5 : 4);
    QCOMPARE(cell(c, 5, 3), cell(c, 6, 3)); // a pair dances together or not at all
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QCOMPARE(c.lblTips->text(), QString("Tips so far: 2"));
    select(c, {3});
    QTest::mouseClick(c.cmdOut, Qt::LeftButton);
    const QString second = c.picTip->text(), secondOut = c.lblSittingOut->text();
    Hall::instance().window()->close();
    Form::destroyAll(); // as a new start of the program: the same evening, undo and all
    Hall::Controls &again = openHall();
    QCOMPARE(again.lblTips->text(), QString("Tips so far: 2"));
    QCOMPARE(again.picTip->text(), second);
    QCOMPARE(again.lblSittingOut->text(), secondOut);
    QCOMPARE(cell(again, 3, 2), QString("out"));
    QTest::mouseClick(again.cmdUndoTip, Qt::LeftButton);
    QCOMPARE(again.lblTips->text(), QString("Tips so far: 1"));
    QCOMPARE(again.picTip->text(), view);
    QCOMPARE(again.lblSittingOut->text(), out);
    QTest::mouseClick(again.cmdUndoTip, Qt::LeftButton);
    QCOMPARE(again.lblTips->text(), QString("Tips so far: 0"));
    QVERIFY(!again.cmdUndoTip->isEnabled());
    QVERIFY(again.picTip->text().startsWith("No tip yet"));
}

void tst_RotationHall::statusesFromTheButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("dances"); // in the next tip
    QTest::addColumn<QString>("after"); // the status after that tip
    QTest::addColumn<int>("couples");   // five: one sits out, but never a must-dance
    QTest::newRow("sit out") << "cmdOut" << "out" << false << "present" << 5;
    QTest::newRow("must dance") << "cmdMustDance" << "must dance" << true << "present" << 5;
    QTest::newRow("absent") << "cmdAbsent" << "absent" << false << "absent" << 5;
    QTest::newRow("present again") << "cmdPresent" << "present" << true << "present" << 4;
}

void tst_RotationHall::statusesFromTheButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, shown);
    QFETCH(bool, dances);
    QFETCH(QString, after);
    QFETCH(int, couples);
    Hall::Controls &c = openHall();
    for (int i = 1; i <= 4; ++i)
        add(c, QStringLiteral("Couple %1").arg(i));
    select(c, {1});
    QTest::mouseClick(c.cmdAbsent, Qt::LeftButton); // so "present again" has something to undo
    if (button != QLatin1String("cmdPresent"))
        QTest::mouseClick(c.cmdPresent, Qt::LeftButton);
    auto *b = Hall::instance().window()->findChild<QPushButton *>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(cell(c, 1, 2), shown);
    QCOMPARE(cell(c, 0, 2), QString("present")); // only the selected row
    if (couples == 5)
        add(c, "Couple 5");
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QCOMPARE(c.picTip->text().contains("Couple 2"), dances);
    QTest::mouseClick(c.cmdUndoTip, Qt::LeftButton);
    QCOMPARE(cell(c, 1, 2), shown); // the undone tip gives the status back
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QCOMPARE(cell(c, 1, 2), after);
}

void tst_RotationHall::questions_data()
{
    QTest::addColumn<bool>("remove"); // else a new evening
    QTest::addColumn<bool>("yes");
    QTest::newRow("no keeps the dancer") << true << false;
    QTest::newRow("yes removes for good") << true << true;
    QTest::newRow("no keeps the evening") << false << false;
    QTest::newRow("yes starts anew") << false << true;
}

void tst_RotationHall::questions()
{
    QFETCH(bool, remove);
    QFETCH(bool, yes);
    Hall::Controls &c = openHall();
    for (int i = 1; i <= 6; ++i)
        add(c, QStringLiteral("Couple %1").arg(i));
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QString asked;
    Message::setAnswerer([&asked, yes](const QString &text) {
        asked = text;
        return yes;
    });
    EveningFile file(EveningFile::pathBeside(m_db->path()));
    if (!remove) {
        QTest::mouseClick(c.cmdNewEvening, Qt::LeftButton);
        QVERIFY(asked.contains("new evening"));
        QCOMPARE(c.grdDancers->model()->rowCount(), yes ? 0 : 6);
        QCOMPARE(c.lblTips->text(), yes ? QString("Tips so far: 0") : QString("Tips so far: 1"));
        file.open();
        QCOMPARE(file.evening().dancers().size(), yes ? 0 : 6);
        return;
    }
    select(c, {1});
    QTest::mouseClick(c.cmdRemove, Qt::LeftButton);
    QVERIFY(asked.contains("Remove Couple 2"));
    QCOMPARE(c.grdDancers->model()->rowCount(), yes ? 5 : 6);
    // The rows after it still act on their own dancers.
    select(c, {2});
    QTest::mouseClick(c.cmdOut, Qt::LeftButton);
    QCOMPARE(cell(c, 2, 0), yes ? QString("Couple 4") : QString("Couple 3"));
    QCOMPARE(cell(c, 2, 2), QString("out"));
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    QTest::mouseClick(c.cmdUndoTip, Qt::LeftButton);
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    if (yes) // neither dancing nor named as sitting out
        QVERIFY(!c.picTip->text().contains("Couple 2") && !c.lblSittingOut->text().contains("Couple 2"));
    Form::destroyAll(); // the removal is in the file
    file.open();
    QCOMPARE(file.evening().dancers()[1].status, yes ? Status::Removed : Status::Present);
    QCOMPARE(file.evening().tipsPresent(1), yes ? 1 : 2);
}

void tst_RotationHall::floorViewFullScreen()
{
    Hall::Controls &c = openHall();
    for (int i = 1; i <= 8; ++i)
        add(c, QStringLiteral("Couple %1").arg(i));
    QTest::mouseClick(c.cmdFloor, Qt::LeftButton);
    QPointer<TipView> floor = Hall::instance().floorView();
    QVERIFY(floor);
    QVERIFY(floor->isFullScreen());
    QVERIFY(floor->text().startsWith("No tip yet"));
    QTest::mouseClick(c.cmdNextTip, Qt::LeftButton); // the floor follows
    QCOMPARE(floor->text(), c.picTip->text());
    QVERIFY(floor->text().contains("Square 2 place 1: Couple"));
    QTest::keyClick(floor, Qt::Key_Escape);
    QVERIFY(!floor->isFullScreen());
    QVERIFY(floor->isVisible());
    QTest::keyClick(floor, Qt::Key_F11);
    QVERIFY(floor->isFullScreen());
    QTest::keyClick(floor, Qt::Key_Escape);
    QTest::keyClick(floor, Qt::Key_Escape);
    QTRY_VERIFY(floor.isNull());
}

void tst_RotationHall::unusableFileSaysSo()
{
    QVERIFY(QDir(m_db->folder()).mkdir(EveningFile::FileName));
    QStringList said;
    Message::setObserver([&](const QString &text) { said << text; });
    Hall::Controls &c = openHall();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains("Call_Evening.db\" is not a file."), qPrintable(said[0]));
    add(c, "Ann & Bob");
    QCOMPARE(said.size(), 2);
    QCOMPARE(c.grdDancers->model()->rowCount(), 0);
}

void tst_RotationHall::savePdf_data()
{
    QTest::addColumn<int>("tips");
    QTest::addColumn<int>("ahead"); // planned, not danced
    QTest::addColumn<QString>("target"); // in the database's folder; {full}: on a disk all but full
    QTest::addColumn<QString>("said");   // the message, when one
    QTest::addColumn<QString>("first");  // the first couple's name, when not "Couple 1"
    QTest::newRow("one tip, one page") << 1 << 0 << "evening.pdf" << "" << "";
    QTest::newRow("three tips, three cards") << 3 << 0 << "evening.pdf" << "" << "";
    QTest::newRow("a whole evening planned ahead") << 0 << 4 << "evening.pdf" << "" << "";
    QTest::newRow("two danced, three planned") << 2 << 3 << "evening.pdf" << "" << "";
    QTest::newRow("a long name wraps on the cards")
        << 3 << 0 << "evening.pdf" << "" << "Bartholomew and Wilhelmina Featherstonehaugh-Montgomery of the Promenaders";
    QTest::newRow("a folder that is not there") << 2 << 0 << "gone/evening.pdf" << "could not be written" << "";
    QTest::newRow("an older file on a full disk") << 2 << 0 << "{full}/evening.pdf"
                                                  << "evening.pdf\" could not be written: the disk is full." << "";
}

void tst_RotationHall::savePdf()
{
    QFETCH(int, tips);
    QFETCH(int, ahead);
    QFETCH(QString, target);
    QFETCH(QString, said);
    QFETCH(QString, first);
    QTemporaryDir full;
    const bool onTmpfs = target.startsWith("{full}");
    if (onTmpfs) {
        if (const QString refused = privileged({"mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", full.path()});
            !refused.isEmpty())
            QSKIP(qPrintable(refused));
    }
    const auto unmount = qScopeGuard([&] {
        if (onTmpfs)
            privileged({"umount", full.path()});
    });
    const QString file = onTmpfs ? target.replace("{full}", full.path()) : QDir(m_db->folder()).filePath(target);
    const QByteArray older = "%PDF an older evening";
    if (onTmpfs) {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(older) == older.size());
        old.close();
        QFile filler(full.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(512, 'x')) == 512 && filler.flush()) {
        }
    }
    Hall::Controls &c = openHall();
    QVERIFY(!c.cmdSavePdf->isEnabled()); // nothing to print yet
    for (int i = 1; i <= 9; ++i)
        add(c, i == 1 && !first.isEmpty() ? first : QStringLiteral("Couple %1").arg(i));
    for (int t = 0; t < tips; ++t)
        QTest::mouseClick(c.cmdNextTip, Qt::LeftButton);
    c.spnAhead->setFocus();
    for (int t = 0; t < ahead; ++t)
        QTest::keyClick(c.spnAhead, Qt::Key_Up);
    QCOMPARE(c.cmdSavePdf->isEnabled(), tips + ahead > 0);
    QStringList told;
    Message::setObserver([&](const QString &text) { told << text; });
    FileDialogs::setAnswerer([&](const QString &) { return file; });
    const auto real = qScopeGuard([] { FileDialogs::setAnswerer({}); });
    QTest::mouseClick(c.cmdSavePdf, Qt::LeftButton);
    QCOMPARE(told.size(), said.isEmpty() ? 0 : 1);
    QCOMPARE(QFileInfo::exists(file), !target.startsWith("gone"));
    QFile pdf(file);
    QVERIFY(!pdf.exists() || pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    if (!said.isEmpty()) {
        QVERIFY2(told[0].contains(said) && told[0].contains(QDir::toNativeSeparators(file)), qPrintable(told[0]));
        if (onTmpfs) { // the older file whole, nothing left beside it
            QCOMPARE(bytes, older);
            QCOMPARE(QDir(full.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"evening.pdf", "filler"}));
        }
        return;
    }
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page[^s]")), tips + ahead);
    QCOMPARE(Hall::instance().evening()->tips().size(), tips); // planning danced nothing
    QCOMPARE(c.lblTips->text(), QStringLiteral("Tips so far: %1").arg(tips));
    const QString words = run("pdftotext", {file, "-"}).out;
    for (const QString &word : first.split(' ', Qt::SkipEmptyParts)) // wrapped, not cut short
        QVERIFY2(words.contains(word), qPrintable(word));
    QCOMPARE(wordsNearEdge(file, 10), QStringList());
}

QTEST_MAIN(tst_RotationHall)
#include "tst_rotation_hall.moc"
