#include "testsupport.h"

#include "app/Form.h"
#include "data/dataCall.h"
#include "editor/CallEdit.h"
#include "editor/NavigationBar.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTest>
#include <QToolButton>

namespace {
// Five calls: B #1..B #3 then MS #1, MS #2, in key order.
QList<CallDatabase::CallList> fiveCalls()
{
    return {list("B", 3), list("MS", 2)};
}

QWidget *editor()
{
    return CallEdit::instance().window();
}

QLineEdit *field(int i)
{
    return editor()->findChild<QLineEdit *>(QStringLiteral("txtFields_%1").arg(i));
}

QString caption()
{
    return editor()->findChild<NavigationBar *>("datPrimaryRS")->caption();
}

void navigate(const QString &button)
{
    auto *b = editor()->findChild<QToolButton *>(button);
    QVERIFY2(b, qPrintable(button));
    QTest::mouseClick(b, Qt::LeftButton);
}

void retype(int i, const QString &text)
{
    field(i)->selectAll();
    QTest::keyClick(field(i), Qt::Key_Delete);
    QTest::keyClicks(field(i), text);
}

int drawable(const QString &list)
{
    dataCall &data = dataCall::instance();
    data.sqlCallNames(list);
    const int count = data.rssqlCallNames().recordCount();
    data.rssqlCallNames().close();
    return count;
}

// A person's "save": a move to the next row, or "&Update".
void save(const QString &how)
{
    if (how == "move")
        navigate("btnNext");
    else
        QTest::mouseClick(editor()->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
}
} // namespace

class tst_CallEdit : public QObject
{
    Q_OBJECT

private slots:
    void opens();
    void navigation_data();
    void navigation();
    void emptyTable();
    void missingDatabase();
    void savedChange_data();
    void savedChange();
    void refusedValue_data();
    void refusedValue();
    void changeElsewhereAfterReopen();
    void closeRestoresPointer_data();
    void closeRestoresPointer();
};

void tst_CallEdit::opens()
{
    TestDatabase db(fiveCalls());
    MessageLog log;
    // The main window's data component holds its own connection meanwhile.
    QCOMPARE(drawable("B"), 3);
    QTest::mouseClick(frmMain::instance().window()->findChild<QPushButton *>("cmdEdit"), Qt::LeftButton);
    QVERIFY(CallEdit::instance().isShown());
    QCOMPARE(editor()->windowTitle(), QString("tblCalls"));
    QCOMPARE(caption(), QString("Record: 1"));
    QCOMPARE(field(0)->text(), QString("B #1"));
    QCOMPARE(field(1)->text(), QString("0"));
    QVERIFY(QSqlDatabase::contains(CallEdit::ConnectionName));
    QVERIFY(CallEdit::ConnectionName != dataCall::instance().dcCalls().connectionName());
    QCOMPARE(QSqlDatabase::database(CallEdit::ConnectionName, false).databaseName().section('?', 0, 0),
             QUrl::fromLocalFile(db.path()).toString(QUrl::FullyEncoded));
    QVERIFY(log.messages.isEmpty());
}

void tst_CallEdit::navigation_data()
{
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::newRow("next") << QStringList{"btnNext"} << "Record: 2" << "B #2";
    QTest::newRow("third row") << QStringList{"btnNext", "btnNext"} << "Record: 3" << "B #3";
    QTest::newRow("last") << QStringList{"btnLast"} << "Record: 5" << "MS #2";
    QTest::newRow("last, previous") << QStringList{"btnLast", "btnPrevious"} << "Record: 4" << "MS #1";
    QTest::newRow("previous at first") << QStringList{"btnPrevious"} << "Record: 1" << "B #1";
    QTest::newRow("next at last") << QStringList{"btnLast", "btnNext"} << "Record: 5" << "MS #2";
    QTest::newRow("back to first") << QStringList{"btnNext", "btnNext", "btnFirst"} << "Record: 1" << "B #1";
}

void tst_CallEdit::navigation()
{
    QFETCH(QStringList, moves);
    TestDatabase db(fiveCalls());
    MessageLog log;
    CallEdit::instance().show();
    for (const QString &move : moves)
        navigate(move);
    QTEST(caption(), "caption");
    QTEST(field(0)->text(), "name");
    // Passing over rows writes nothing.
    QCOMPARE(db.column("select Call_Name from tblCalls order by Call_ID"),
             QStringList({"B #1", "B #2", "B #3", "MS #1", "MS #2"}));
    QVERIFY(log.messages.isEmpty());
}

void tst_CallEdit::emptyTable()
{
    TestDatabase db({list("B", 0)});
    MessageLog log;
    CallEdit::instance().show();
    QCOMPARE(caption(), QStringLiteral("Record: %1").arg(CallEdit::NoCurrentRow));
    QVERIFY(CallEdit::NoCurrentRow < 0);
    navigate("btnNext");
    QTest::mouseClick(editor()->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QCOMPARE(caption(), QString("Record: -1"));
    QVERIFY(log.messages.isEmpty());
}

void tst_CallEdit::missingDatabase()
{
    TestDatabase db;
    MessageLog log;
    CallEdit::instance().show();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY2(log.messages[0].startsWith("Data error event hit err:The call database"), qPrintable(log.messages[0]));
    QVERIFY(log.messages[0].contains(CallDatabase::FileName));
    QVERIFY(!QFile::exists(db.path()));
    QCOMPARE(caption(), QString());
    navigate("btnNext");
    QTest::mouseClick(editor()->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QCOMPARE(log.messages.size(), 1);
}

void tst_CallEdit::savedChange_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("move") << "move";
    QTest::newRow("update") << "update";
}

void tst_CallEdit::savedChange()
{
    QFETCH(QString, how);
    TestDatabase db(fiveCalls());
    MessageLog log;
    db.exec("update tblCalls set Used = 1 where Call_Name = ?", {"B #1"});
    QCOMPARE(drawable("B"), 2);
    CallEdit::instance().show();
    QCOMPARE(field(1)->text(), QString("1"));

    retype(1, "0");
    save(how);
    QCOMPARE(caption(), how == "move" ? QString("Record: 2") : QString("Record: 1"));
    QCOMPARE(db.value("select typeof(Used) || ':' || Used from tblCalls where Call_Name = ?", {"B #1"}),
             QVariant("integer:0"));
    // The call can be drawn again, by the other connection.
    QCOMPARE(drawable("B"), 3);

    // A renamed call and a used mark typed as text "1" land as text and as the number 1.
    navigate("btnLast");
    retype(0, "MS #2 renamed");
    retype(1, "1");
    save(how);
    QCOMPARE(db.value("select Call_Name || ':' || typeof(Used) || ':' || Used from tblCalls where Call_ID = 5"),
             QVariant("MS #2 renamed:integer:1"));
    QCOMPARE(drawable("MS"), 1);
    QCOMPARE(field(0)->text(), QString("MS #2 renamed"));
    QVERIFY(log.messages.isEmpty());
}

void tst_CallEdit::refusedValue_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("move") << "move" << "Data error event hit err:";
    QTest::newRow("update") << "update" << "";
}

void tst_CallEdit::refusedValue()
{
    QFETCH(QString, how);
    QFETCH(QString, prefix);
    TestDatabase db(fiveCalls());
    MessageLog log;
    CallEdit::instance().show();
    navigate("btnNext");
    retype(0, "B #2 renamed");
    retype(1, "abc");
    save(how);

    QCOMPARE(log.messages.size(), 1);
    const QString message = log.messages[0];
    QVERIFY2(prefix.isEmpty() ? !message.startsWith("Data error event hit err:") : message.startsWith(prefix),
             qPrintable(message));
    // The description says what to type instead.
    QVERIFY2(message.mid(prefix.size()).startsWith("Used must be a whole number"), qPrintable(message));
    // Nothing is written and nothing typed is lost: the row stays current.
    QCOMPARE(db.value("select Call_Name || ':' || typeof(Used) || ':' || Used from tblCalls where Call_ID = 2"),
             QVariant("B #2:integer:0"));
    QCOMPARE(caption(), QString("Record: 2"));
    QCOMPARE(field(0)->text(), QString("B #2 renamed"));
    QCOMPARE(field(1)->text(), QString("abc"));

    // Mended, the same row goes through with both changes.
    retype(1, "1");
    save(how);
    QCOMPARE(log.messages.size(), 1);
    QCOMPARE(db.value("select Call_Name || ':' || typeof(Used) || ':' || Used from tblCalls where Call_ID = 2"),
             QVariant("B #2 renamed:integer:1"));
    QCOMPARE(db.value("select count(*) from tblCalls where Used <> 0"), QVariant(1));
}

void tst_CallEdit::changeElsewhereAfterReopen()
{
    TestDatabase db(fiveCalls());
    MessageLog log;
    CallEdit::instance().show();
    // Written by another connection while the editor is open.
    db.exec("update tblCalls set Call_Name = ?, Used = 1 where Call_ID = 2", {"Elsewhere"});
    navigate("btnNext");
    QCOMPARE(field(0)->text(), QString("B #2"));
    QCOMPARE(field(1)->text(), QString("0"));
    // Passing over the stale row leaves the other change in place.
    navigate("btnNext");
    QCOMPARE(db.value("select Call_Name || ':' || Used from tblCalls where Call_ID = 2"), QVariant("Elsewhere:1"));

    QTest::mouseClick(editor()->findChild<QPushButton *>("cmdClose"), Qt::LeftButton);
    QVERIFY(!CallEdit::instance().isLoaded());
    CallEdit::instance().show();
    QCOMPARE(caption(), QString("Record: 1"));
    navigate("btnNext");
    QCOMPARE(field(0)->text(), QString("Elsewhere"));
    QCOMPARE(field(1)->text(), QString("1"));
    QVERIFY(log.messages.isEmpty());
}

void tst_CallEdit::closeRestoresPointer_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("&Close") << false;
    QTest::newRow("close box") << true;
}

void tst_CallEdit::closeRestoresPointer()
{
    QFETCH(bool, closeBox);
    TestDatabase db(fiveCalls());
    MessageLog log;
    CallEdit::instance().show();
    retype(0, "never saved");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    if (closeBox)
        editor()->close();
    else
        QTest::mouseClick(editor()->findChild<QPushButton *>("cmdClose"), Qt::LeftButton);
    QVERIFY(!CallEdit::instance().isLoaded());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!QSqlDatabase::contains(CallEdit::ConnectionName));
    // Closing drops what was typed and not written.
    QCOMPARE(db.value("select Call_Name from tblCalls where Call_ID = 1"), QVariant("B #1"));
    QVERIFY(log.messages.isEmpty());
}

QTEST_MAIN(tst_CallEdit)
#include "tst_calledit.moc"
