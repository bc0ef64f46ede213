// The main window: the level ladder, the list combo, "Get List", and the
// lifecycle every window shares.
#include "app/Form.h"
#include "calls/CallForm.h"
#include "data/dataCall.h"
#include "main/frmMain.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class tst_mainwindow : public QObject
{
    Q_OBJECT

private:
    static QStringList ticked()
    {
        QStringList tags;
        for (const QCheckBox *box : frmMain::instance().ui().levels()) {
            if (box->isChecked())
                tags.append(box->property("Tag").toString());
        }
        return tags;
    }
    static QWidget *main() { return frmMain::instance().window(); }
    template<class T>
    static T *control(QWidget *window, const char *name)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

private slots:
    void loadsInItsInitialState();
    void ladder_data();
    void ladder();
    void handTicksLastUntilTheNextChange();
    void getListOpensCallsUnlessSelectList_data();
    void getListOpensCallsUnlessSelectList();
    void closeAndReopenRunsTheLoadAgain();
    void processEndsOnlyWhenNoWindowIsLoaded();
    void missingDatabaseIsToldOnceAndTheWindowWorks();
};

void tst_mainwindow::loadsInItsInitialState()
{
    TestDatabase db({list("B", 1), list("MS", 1), list("Singing calls", 2)});
    frmMain::instance().show();
    QWidget *w = main();
    QCOMPARE(w->windowTitle(), QStringLiteral("Vorlet"));
    auto *combo = control<QComboBox>(w, "box_List");
    QCOMPARE(combo->currentText(), QStringLiteral("B"));
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    QCOMPARE(items, (QStringList{"B", "MS", "Singing calls"}));
    QCOMPARE(ticked(), QStringList{"B"});
    QVERIFY(control<QCheckBox>(w, "chkAdv")->isHidden());
    QVERIFY(control<QCheckBox>(w, "CheckC3B")->isHidden());
    QCOMPARE(control<QPushButton>(w, "cmdGo")->text(), QStringLiteral("Get List"));
    QCOMPARE(control<QLabel>(w, "Label1")->text(), QStringLiteral("Non-Level lists to show"));

    QCOMPARE(tabOrder(w), (QStringList{"box_List", "cmdGo", "chkAdv", "CheckMS", "CheckB", "CheckP", "CheckA1",
                                       "CheckA2", "CheckC1", "CheckC2", "CheckC3A", "cmdShowHome", "CheckC3B",
                                       "Command2", "cmdEdit", "cmdAbout"}));
}

void tst_mainwindow::ladder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<bool>("adv");
    const QStringList ladder = frmMain::levelTags();
    for (int i = 0; i < ladder.size(); ++i)
        QTest::addRow("%s", qPrintable(ladder[i])) << ladder[i] << ladder.mid(0, i + 1) << (ladder[i] == "A2");
    QTest::newRow("non-level list") << "Singing calls" << QStringList{} << false;
    QTest::newRow("Select List") << "Select List" << QStringList{} << false;
    QTest::newRow("lower case b") << "b" << QStringList{} << false;
    QTest::newRow("lower case a2") << "a2" << QStringList{} << false;
    QTest::newRow("empty") << "" << QStringList{} << false;
    QTest::newRow("tag with a blank") << "P " << QStringList{} << false;
}

void tst_mainwindow::ladder()
{
    QFETCH(QString, text);
    QFETCH(QStringList, ticks);
    QFETCH(bool, adv);
    TestDatabase db({list("B", 1)});
    frmMain::instance().show();
    auto *combo = control<QComboBox>(main(), "box_List");
    // Start from something else, so that every row is a real change.
    combo->setEditText("C3B");
    combo->setEditText(text);
    QCOMPARE(ticked(), ticks);
    QCOMPARE(!control<QCheckBox>(main(), "chkAdv")->isHidden(), adv);
}

void tst_mainwindow::handTicksLastUntilTheNextChange()
{
    TestDatabase db({list("B", 1)});
    frmMain::instance().show();
    QWidget *w = main();
    auto *combo = control<QComboBox>(w, "box_List");
    auto *adv = control<QCheckBox>(w, "chkAdv");

    combo->setEditText("A2");
    QVERIFY(!adv->isHidden());
    QTest::mouseClick(adv, Qt::LeftButton);
    QVERIFY(adv->isChecked());
    QTest::mouseClick(control<QCheckBox>(w, "CheckC2"), Qt::LeftButton);
    QCOMPARE(ticked(), (QStringList{"B", "MS", "P", "A1", "A2", "C2"}));

    // Another pick overrides the hand ticks and hides "Include A1", keeping its tick.
    combo->setEditText("MS");
    QCOMPARE(ticked(), (QStringList{"B", "MS"}));
    QVERIFY(adv->isHidden());
    QVERIFY(adv->isChecked());
}

void tst_mainwindow::getListOpensCallsUnlessSelectList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("opens");
    QTest::newRow("level") << "P" << true;
    QTest::newRow("Select List") << "Select List" << false;
    QTest::newRow("select list in other case") << "select list" << true;
    QTest::newRow("non-level list") << "Singing calls" << true;
}

void tst_mainwindow::getListOpensCallsUnlessSelectList()
{
    QFETCH(QString, text);
    QFETCH(bool, opens);
    TestDatabase db({list("B", 1), list("MS", 1), list("P", 1)});
    MessageLog log;
    frmMain::instance().show();
    control<QComboBox>(main(), "box_List")->setEditText(text);
    QTest::mouseClick(control<QPushButton>(main(), "cmdGo"), Qt::LeftButton);
    QCOMPARE(CallForm::instance().isShown(), opens);
    QCOMPARE(log.messages, QStringList{});
}

void tst_mainwindow::closeAndReopenRunsTheLoadAgain()
{
    TestDatabase db({list("B", 1), list("MS", 1)});
    frmMain::instance().show();
    QPointer<QWidget> first = main();
    auto *combo = control<QComboBox>(first, "box_List");
    combo->setEditText("MS");
    QTest::mouseClick(control<QCheckBox>(first, "CheckC1"), Qt::LeftButton);

    // Showing a loaded window changes nothing in it.
    frmMain::instance().show();
    QCOMPARE(main(), first.data());
    QCOMPARE(ticked(), (QStringList{"B", "MS", "C1"}));

    first->close();
    QVERIFY(!frmMain::instance().isLoaded());
    QTRY_VERIFY(first.isNull());
    // Reading a control of the unloaded window loads it, hidden, as new.
    QCOMPARE(ticked(), QStringList{"B"});
    QVERIFY(frmMain::instance().isLoaded());
    QVERIFY(!frmMain::instance().isShown());
    QCOMPARE(control<QComboBox>(main(), "box_List")->currentText(), QStringLiteral("B"));
}

void tst_mainwindow::processEndsOnlyWhenNoWindowIsLoaded()
{
    TestDatabase db({list("B", 1)});
    int ends = 0;
    Form::setAllUnloadedHandler([&ends] { ++ends; });
    frmMain::instance().show();
    CallForm::instance().show();
    CallForm::instance().hide();
    frmMain::instance().unload();
    QCOMPARE(ends, 0); // the hidden "Calls" window is still loaded
    CallForm::instance().unload();
    QCOMPARE(ends, 1);
    Form::setAllUnloadedHandler({});
}

void tst_mainwindow::missingDatabaseIsToldOnceAndTheWindowWorks()
{
    TestDatabase db;
    MessageLog log;
    frmMain::instance().show();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains("Call_List.db"));
    QVERIFY(log.messages[0].contains(QDir::toNativeSeparators(db.folder())));
    QVERIFY(log.messages[0].contains("missing"));
    // The ladder still works without a database.
    control<QComboBox>(main(), "box_List")->setEditText("P");
    QCOMPARE(ticked(), (QStringList{"B", "MS", "P"}));
    QCOMPARE(log.messages.size(), 1);
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
