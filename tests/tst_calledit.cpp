#include "ui/editor/CallEdit.h"
#include "ui/editor/NavigationBar.h"
#include "testsupport.h"

const QList<CallDatabase::CallList> FiveCalls = {list("B", 3), list("MS", 2)}; // B #1 .. B #3, MS #1, MS #2
const QString Row = "select Call_Name || ':' || typeof(Used) || ':' || Used from tblCalls where Call_ID = ?";

QWidget *editor() { return CallEdit::instance().window(); }
QLineEdit *field(int i) { return editor()->findChild<QLineEdit *>(QStringLiteral("txtFields_%1").arg(i)); }
QString shown() { return field(0)->text() + u'|' + field(1)->text(); }
void retype(int i, const QString &text) { field(i)->selectAll(); QTest::keyClicks(field(i), text); }

void navigate(const QStringList &buttons)
{
    for (const QString &button : buttons) {
        if (button.startsWith(u'@')) { // pressed by assistive technology
            QVERIFY(pressAccessibly(editor()->findChild<QWidget *>(button.mid(1))));
        } else if (button.startsWith(u'#')) { // reached with Tab from the first field, pressed with Space
            QApplication::setActiveWindow(editor());
            field(0)->setFocus();
            for (int i = 0; i < 8 && QApplication::focusWidget()->objectName() != button.mid(1); ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        } else {
            QTest::mouseClick(editor()->findChild<QWidget *>(button), Qt::LeftButton);
        }
    }
}
void reopen() { navigate({"cmdClose"}); CallEdit::instance().show(); }

int drawable(const QString &list) // calls the main window's data component, on its own connection, can draw
{
    dataCall::instance().sqlCallNames(list);
    const int count = dataCall::instance().rssqlCallNames().recordCount();
    dataCall::instance().rssqlCallNames().close();
    return count;
}

class tst_CallEdit : public QObject
{
    Q_OBJECT
private slots:
    void navigation_data();
    void navigation();
    void editing();
    void viewedRowsStayAsStored();
};

void tst_CallEdit::navigation_data()
{
    QTest::addColumn<QString>("pasted"); // over the first row's name, before the moves
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("shown"); // the caption and the call's name
    QTest::newRow("last, previous") << "" << QStringList{"btnLast", "btnPrevious"} << "Record: 4|MS #1";
    QTest::newRow("previous at first") << "" << QStringList{"btnPrevious"} << "Record: 1|B #1";
    QTest::newRow("next at last") << "" << QStringList{"btnLast", "btnNext"} << "Record: 5|MS #2";
    QTest::newRow("two quick presses by assistive technology") << "" << QStringList{"@btnNext", "@btnNext"} << "Record: 3|B #3";
    QTest::newRow("keyboard: last, previous") << "" << QStringList{"#btnLast", "#btnPrevious"} << "Record: 4|MS #1";
    // Refused, told, the row kept current with what was typed.
    QTest::newRow("a tab in a name, updated") << "Swing\tThru" << QStringList{"cmdUpdate"} << "Record: 1|Swing\tThru";
    QTest::newRow("an escape in a name, moved") << "Swing\x1B[2J" << QStringList{"btnNext"} << "Record: 1|Swing\x1B[2J";
    QTest::newRow("a DEL in a name") << "Swing\x7F" << QStringList{"cmdUpdate"} << "Record: 1|Swing\x7F";
    QTest::newRow("a C1 control in a name") << "Swing\u0085" << QStringList{"cmdUpdate"} << "Record: 1|Swing\u0085";
}

void tst_CallEdit::navigation()
{
    QFETCH(QString, pasted);
    QFETCH(QStringList, moves);
    TestDatabase db(FiveCalls);
    MessageLog log;
    CallEdit::instance().show();
    if (!pasted.isEmpty()) {
        field(0)->selectAll();
        field(0)->insert(pasted);
    }
    navigate(moves);
    QTEST(editor()->findChild<NavigationBar *>("datPrimaryRS")->caption() + u'|' + field(0)->text(), "shown");
    QCOMPARE(db.value(Row, {1}), QVariant("B #1:integer:0"));
    QVERIFY2(pasted.isEmpty() ? log.messages.isEmpty()
                              : log.messages.size() == 1 && log.messages[0].contains("cannot hold a tab, a line break or another control character"),
             qPrintable(log.messages.join(u'|')));
}

void tst_CallEdit::editing()
{
    TestDatabase db(FiveCalls);
    MessageLog log;
    db.exec("update tblCalls set Used = 1 where Call_ID = 1");
    QCOMPARE(drawable("B"), 2);
    CallEdit::instance().show();
    retype(1, "0");
    navigate({"btnNext"}); // a move saves
    QCOMPARE(db.value(Row, {1}), QVariant("B #1:integer:0"));
    QCOMPARE(drawable("B"), 3);
    retype(0, "B #2 renamed");
    retype(1, "abc");
    navigate({"btnNext"});
    QVERIFY2(log.messages.size() == 1 && log.messages[0].startsWith("Data error event hit err:Used must be a whole"),
             qPrintable(log.messages.join(u'|')));
    QCOMPARE(db.value(Row, {2}), QVariant("B #2:integer:0")); // nothing written
    QCOMPARE(shown(), QString("B #2 renamed|abc"));          // nothing typed lost, the row still current
    retype(1, "1"); // mended, the row goes through with both changes
    navigate({"btnNext"});
    QCOMPARE(db.value(Row, {2}), QVariant("B #2 renamed:integer:1"));
    db.exec("update tblCalls set Call_Name = ?, Used = 1 where Call_ID = 4", {"Elsewhere"});
    navigate({"btnNext"});
    QCOMPARE(shown(), QString("MS #1|0")); // a change made elsewhere shows only after reopening
    navigate({"btnNext"});
    QCOMPARE(db.value(Row, {4}), QVariant("Elsewhere:integer:1")); // passing over the stale row writes nothing
    reopen();
    navigate({"btnLast", "btnPrevious"});
    QCOMPARE(shown(), QString("Elsewhere|1"));
    QVERIFY(QFile::remove(db.path())); // without its database the editor tells so, and makes none
    reopen();
    QVERIFY2(log.messages.size() == 2 && log.messages[1].startsWith("Data error event hit err:The call database")
                 && log.messages[1].contains(CallDatabase::FileName), qPrintable(log.messages.join(u'|')));
    QVERIFY(!QFile::exists(db.path()));
}

void tst_CallEdit::viewedRowsStayAsStored()
{
    // A file made elsewhere: no checks on Used, which holds text and a real number.
    TestDatabase db;
    db.exec("create table tblList (List_ID integer primary key, List text, List_Active integer)");
    db.exec("create table tblType (Type_ID integer primary key)");
    db.exec("create table tblCalls (Call_ID integer primary key, Call_Name text, List_ID integer, Used)");
    db.exec("insert into tblList values (1, 'B', 0)");
    const QString longName = QString(40000, 'x') + "end";
    db.exec("insert into tblCalls values (1, ?, 1, '1'), (2, ?, 1, 1.0), (3, 'Tab\there', 1, ' 0')",
            {longName, QString("Two\nlines")});
    const QString all = "select group_concat(typeof(Call_Name) || length(Call_Name) || Call_Name || typeof(Used) "
                        "|| Used, '|') from tblCalls";
    const QString stored = db.value(all).toString();
    MessageLog log;
    CallEdit::instance().show();
    QCOMPARE(field(0)->text(), longName);
    navigate({"btnNext", "btnNext", "btnFirst", "btnLast", "cmdUpdate"});
    reopen();
    navigate({"btnNext", "btnPrevious"});
    QCOMPARE(db.value(all).toString(), stored);

    QTest::keyClick(field(0), Qt::Key_End); // an edit of a long name keeps all of it
    QTest::keyClicks(field(0), "!");
    navigate({"btnNext"});
    QCOMPARE(db.value("select Call_Name from tblCalls where Call_ID = 1").toString(), longName + "!");
    QCOMPARE(db.value("select typeof(Used) || Used from tblCalls where Call_ID = 1").toString(), QString("text1"));
    QCOMPARE(log.messages, QStringList{});
}

QTEST_MAIN(tst_CallEdit)
#include "tst_calledit.moc"
