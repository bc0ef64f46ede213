// The main window: the level ladder, the list combo, "Get List", and the
// lifecycle every window shares.
#include "testsupport.h"
#include "ui/hall/Hall.h"

namespace {
QStringList ticked()
{
    QStringList tags;
    for (const QCheckBox *box : frmMain::instance().ui().levels()) {
        if (box->isChecked())
            tags.append(box->property("Tag").toString());
    }
    return tags;
}
} // namespace

class tst_mainwindow : public QObject
{
    Q_OBJECT

private slots:
    void loadsInItsInitialState();
    void ladderAndGetList_data();
    void ladderAndGetList();
    void lifecycle();
    void missingDatabaseIsToldOnceAndTheWindowWorks();
};

void tst_mainwindow::loadsInItsInitialState()
{
    TestDatabase db({list("B", 1), list("MS", 1), list("Singing calls", 2)});
    frmMain::instance().show();
    frmMain::Controls &c = frmMain::instance().ui();
    QCOMPARE(cells(c.box_List->model()), (QStringList{"B", "MS", "Singing calls"}));
    QCOMPARE(c.box_List->currentText(), QStringLiteral("B"));
    QCOMPARE(ticked(), QStringList{"B"});
    QVERIFY(c.chkAdv->isHidden() && c.CheckC3B->isHidden());
    QCOMPARE(tabOrder(c.cmdGo->window()),
             (QStringList{"box_List", "cmdGo", "chkAdv", "CheckMS", "CheckB", "CheckP", "CheckA1", "CheckA2", "CheckC1",
                          "CheckC2", "CheckC3A", "cmdShowHome", "CheckC3B", "Command2", "cmdEdit", "cmdAbout", "chk2026",
                          "cmdLists", "cmdHall"}));
    // The hall's rotation opens from its button.
    QTest::mouseClick(c.cmdHall, Qt::LeftButton);
    QTRY_VERIFY(Hall::instance().isShown());
}

void tst_mainwindow::ladderAndGetList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("ticks");
    const QStringList ladder = frmMain::levelTags();
    for (int i = 0; i < ladder.size(); ++i)
        QTest::addRow("%s", qPrintable(ladder[i])) << ladder[i] << ladder.mid(0, i + 1);
    QTest::newRow("non-level list") << "Singing calls" << QStringList{};
    QTest::newRow("Select List") << "Select List" << QStringList{};
    QTest::newRow("select list in other case") << "select list" << QStringList{};
    QTest::newRow("lower case b") << "b" << QStringList{};
    QTest::newRow("lower case a2") << "a2" << QStringList{};
    QTest::newRow("tag with a blank") << "P " << QStringList{};
}

void tst_mainwindow::ladderAndGetList()
{
    QFETCH(QString, text);
    QFETCH(QStringList, ticks);
    TestDatabase db({list("B", 1)});
    MessageLog log;
    frmMain::instance().show();
    frmMain::Controls &c = frmMain::instance().ui();
    c.box_List->setEditText("A2");
    QVERIFY(!c.chkAdv->isHidden());
    QTest::mouseClick(c.chkAdv, Qt::LeftButton);
    QTest::mouseClick(c.CheckC3A, Qt::LeftButton); // hand ticks last until the next change
    QCOMPARE(ticked(), (QStringList{"B", "MS", "P", "A1", "A2", "C3A"}));

    if (text == c.box_List->currentText())
        c.box_List->setEditText(QString()); // a change is what overrides the hand ticks
    // Typed as a caller types it, ending with Enter: the text stays as typed.
    c.box_List->lineEdit()->selectAll();
    QTest::keyClicks(c.box_List->lineEdit(), text);
    QTest::keyClick(c.box_List->lineEdit(), Qt::Key_Return);
    QCOMPARE(c.box_List->currentText(), text);
    QCOMPARE(ticked(), ticks);
    QCOMPARE(c.chkAdv->isHidden(), text != "A2");
    QVERIFY(c.chkAdv->isChecked()); // hiding keeps the tick
    QTest::mouseClick(c.cmdGo, Qt::LeftButton); // opens the "Calls" window, unless "Select List" exactly
    QCOMPARE(CallForm::instance().isShown(), text != "Select List");
    QCOMPARE(log.messages, QStringList{});
}

void tst_mainwindow::lifecycle()
{
    TestDatabase db({list("B", 1), list("MS", 1)});
    int ends = 0;
    Form::setAllUnloadedHandler([&ends] { ++ends; });
    frmMain::instance().show();
    QPointer<QWidget> first = frmMain::instance().window();
    frmMain::instance().ui().box_List->setEditText("MS");
    frmMain::instance().show(); // showing a loaded window changes nothing in it
    QCOMPARE(frmMain::instance().window(), first.data());
    QCOMPARE(ticked(), (QStringList{"B", "MS"}));

    CallForm::instance().show();
    CallForm::instance().hide();
    first->close(); // the last window on show: the hidden "Calls" window goes with it
    QVERIFY(!frmMain::instance().isLoaded() && !CallForm::instance().isLoaded());
    QTRY_VERIFY(first.isNull());
    Form::setAllUnloadedHandler({});
    QCOMPARE(ends, 1);
}

void tst_mainwindow::missingDatabaseIsToldOnceAndTheWindowWorks()
{
    TestDatabase db;
    MessageLog log;
    frmMain::instance().show();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains(QDir::toNativeSeparators(db.folder())) && log.messages[0].contains("missing"));
    frmMain::instance().ui().box_List->setEditText("P");
    QCOMPARE(ticked(), (QStringList{"B", "MS", "P"}));
    QCOMPARE(log.messages.size(), 1);
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
