// The "Calls" window: list activation at load, list calls, NL calls, pacing.
#include "calls/CallForm.h"
#include "data/dataCall.h"
#include "main/frmMain.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTimer>

namespace {
const QString AllUsed = QStringLiteral("All calls have been used.  Please reset.");
}

class tst_callform : public QObject
{
    Q_OBJECT

private:
    // Picks a list on the main window and presses "Get List".
    static CallForm::Controls &getList(const QString &text)
    {
        frmMain::instance().show();
        frmMain::instance().ui().box_List->setEditText(text);
        QTest::mouseClick(frmMain::instance().ui().cmdGo, Qt::LeftButton);
        return CallForm::instance().ui();
    }
    static QStringList active(const TestDatabase &db)
    {
        return db.column("SELECT List FROM tblList WHERE List_Active = 1 ORDER BY List_ID");
    }
    static void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            CallForm::instance().Timer1_Timer();
    }

private slots:
    void startUpActivatesTheTickedLevels();
    void startUpEdgeCases();
    void reopeningReadsTheLevelsAgain();
    void startUpReadsAClosedMainWindowAsNew();
    void startUpInitialDisplay();

    void oneCallList();
    void usingAWholeList();
    void patternFollowsIncludeA1AndTheCombo();
    void resetMakesUsedCallsDrawableAndKeepsTheCount();
    void useWithoutACurrentCallDoesNothing();
    void useAfterTheCallWasRemoved();
    void drawIsUniform_data();
    void drawIsUniform();

    void nlCalls();
    void nlWithoutActiveListIsSilent();

    void pacingDefaults();
    void callDelayRestartsOnFind();
    void syncDrawsBothOnOneTick();
    void countersSurviveAClose();
    void oneMessageBoxAtATime();

    void lockedDatabaseIsToldAndNothingIsHalfWritten();
    void failedResetOrStartUpWritesNothing();
};

void tst_callform::startUpActivatesTheTickedLevels()
{
    TestDatabase db({list("B", 2), list("MS", 2), list("P", 2), list("A1", 2), list("Party", 1)});
    MessageLog log;
    // Stale marks from an earlier evening are cleared.
    db.exec("UPDATE tblList SET List_Active = 1 WHERE List IN ('P', 'Party')");
    getList("B");
    QCOMPARE(active(db), QStringList{"B"});
    CallForm::instance().unload();

    getList("A1");
    QCOMPARE(active(db), (QStringList{"B", "MS", "P", "A1"}));
    CallForm::instance().unload();

    // Hand ticks count as they stand at load; the combo's text plays no part.
    frmMain::instance().ui().CheckA1->setChecked(false);
    frmMain::instance().ui().CheckB->setChecked(false);
    getList("Party"); // unticks everything first
    QCOMPARE(active(db), QStringList{});
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::startUpEdgeCases()
{
    // Two lists named "B": only the first becomes active. "ms" differs from
    // the tag "MS" in letter case only and stays inactive; "P" has no list.
    TestDatabase db({list("B", 1), list("ms", 1), list("B", 1)});
    MessageLog log;
    getList("P");
    QCOMPARE(db.column("SELECT List_Active FROM tblList ORDER BY List_ID"), (QStringList{"1", "0", "0"}));
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::reopeningReadsTheLevelsAgain()
{
    TestDatabase db({list("B", 1), list("MS", 1), list("P", 1)});
    getList("MS");
    QCOMPARE(active(db), (QStringList{"B", "MS"}));
    // "Get List" on a loaded window does not read the boxes again.
    getList("P");
    QCOMPARE(active(db), (QStringList{"B", "MS"}));
    CallForm::instance().unload();
    getList("P");
    QCOMPARE(active(db), (QStringList{"B", "MS", "P"}));
}

void tst_callform::startUpReadsAClosedMainWindowAsNew()
{
    TestDatabase db({list("B", 1), list("MS", 1), list("P", 1)});
    getList("P");
    CallForm::instance().unload();
    frmMain::instance().unload();
    QVERIFY(!frmMain::instance().isLoaded());
    CallForm::instance().show();
    QVERIFY(frmMain::instance().isLoaded());
    QVERIFY(!frmMain::instance().isShown());
    QCOMPARE(active(db), QStringList{"B"});
}

void tst_callform::startUpInitialDisplay()
{
    TestDatabase db({list("B", 1)});
    CallForm::Controls &c = getList("B");
    QCOMPARE(c.lblCallDelay->text(), QStringLiteral("0"));
    QCOMPARE(c.lblDelay->text(), QStringLiteral("5"));
    QVERIFY(c.lblCall->isHidden());
    QVERIFY(c.lblNLCall1->isHidden());
    QVERIFY(c.lblNLCall2->isHidden());
    QVERIFY(c.cmdGetNOL->isHidden());
    QVERIFY(c.lblCallsLeft->text().isEmpty());
    QVERIFY(c.Timer1->isActive());
    QCOMPARE(c.cmdUse->text(), QStringLiteral("&Use"));
    QCOMPARE(tabOrder(c.cmdUse->window()),
             (QStringList{"cmdUse", "cmdStart", "cmdReset", "hscrDelay", "hscrCall", "cmdGetNOL", "chkSync"}));
    QCOMPARE(c.cmdUse->window()->focusWidget(), c.cmdUse);
}

void tst_callform::oneCallList()
{
    TestDatabase db({list("B", 1), list("MS", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    for (int i = 0; i < 3; ++i) {
        c.cmdStart->click();
        QCOMPARE(c.lblCall->text(), QStringLiteral("B #1"));
        QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
    }
    QVERIFY(!c.lblCall->isHidden());
    c.cmdUse->click();
    QCOMPARE(log.messages, QStringList{AllUsed});
    QCOMPARE(c.lblCall->text(), QStringLiteral("B #1"));
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
    QCOMPARE(db.value("SELECT Used FROM tblCalls WHERE Call_Name = 'B #1'").toInt(), 1);
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 1);
}

void tst_callform::usingAWholeList()
{
    TestDatabase db({list("B", 2), list("MS", 6), list("P", 2)});
    MessageLog log;
    CallForm::Controls &c = getList("MS");
    c.cmdStart->click();
    QSet<QString> shown;
    QStringList counts;
    for (int i = 0; i < 6; ++i) {
        shown.insert(c.lblCall->text());
        counts.append(c.lblCallsLeft->text());
        QCOMPARE(log.messages, QStringList{});
        c.cmdUse->click();
    }
    QCOMPARE(counts, (QStringList{"6", "5", "4", "3", "2", "1"}));
    QCOMPARE(shown, (QSet<QString>{"MS #1", "MS #2", "MS #3", "MS #4", "MS #5", "MS #6"}));
    QCOMPARE(log.messages, QStringList{AllUsed});
    // Only the calls used are marked, none of another list.
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1 AND Call_Name NOT LIKE 'MS%'"), QStringList{});
    QCOMPARE(db.value("SELECT COUNT(*) FROM tblCalls WHERE Used = 1").toInt(), 6);
}

void tst_callform::patternFollowsIncludeA1AndTheCombo()
{
    TestDatabase db({list("B", 3), list("A1", 3), list("A2", 3), list("C1", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    frmMain::Controls &main = frmMain::instance().ui();

    auto drawnLists = [&c] {
        QSet<QString> lists;
        for (int i = 0; i < 60; ++i) {
            c.cmdStart->click();
            lists.insert(c.lblCall->text().section(' ', 0, 0));
        }
        return lists;
    };
    QCOMPARE(drawnLists(), QSet<QString>{"B"});

    // The combo is read at every draw.
    main.box_List->setEditText("C1");
    QCOMPARE(drawnLists(), QSet<QString>{"C1"});
    main.box_List->setEditText("%");
    QCOMPARE(drawnLists(), (QSet<QString>{"B", "A1", "A2", "C1"}));

    // "Include A1" ticked means every A list, shown or hidden, whatever the combo says.
    main.box_List->setEditText("A2");
    main.chkAdv->setChecked(true);
    main.box_List->setEditText("B");
    QVERIFY(main.chkAdv->isHidden());
    QCOMPARE(drawnLists(), (QSet<QString>{"A1", "A2"}));
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("6"));
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::resetMakesUsedCallsDrawableAndKeepsTheCount()
{
    TestDatabase db({list("B", 3), list("MS", 2)});
    MessageLog log;
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name IN ('B #1', 'B #2', 'MS #1')");
    CallForm::Controls &c = getList("B");
    c.cmdStart->click();
    QCOMPARE(c.lblCall->text(), QStringLiteral("B #3"));
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
    CallForm::instance().CallTicks = 42;

    c.cmdReset->click();
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0); // every list, not only "B"
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
    QCOMPARE(c.lblCall->text(), QStringLiteral("B #3"));
    QCOMPARE(CallForm::instance().CallTicks, 42);

    QSet<QString> drawn;
    for (int i = 0; i < 60; ++i) {
        c.cmdStart->click();
        drawn.insert(c.lblCall->text());
    }
    QCOMPARE(drawn, (QSet<QString>{"B #1", "B #2", "B #3"}));
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("3"));
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::useWithoutACurrentCallDoesNothing()
{
    TestDatabase db({list("B", 2), list("Empty", 0)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.cmdUse->click(); // nothing drawn yet
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
    QVERIFY(c.lblCall->isHidden());
    QCOMPARE(log.messages, QStringList{});

    c.cmdStart->click();
    frmMain::instance().ui().box_List->setEditText("Empty");
    c.cmdStart->click(); // fails: the list has no call
    QCOMPARE(log.messages, QStringList{AllUsed});
    c.cmdUse->click(); // the call still shown is not the current one any more
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
    QCOMPARE(log.messages, QStringList{AllUsed});
}

void tst_callform::useAfterTheCallWasRemoved()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.cmdStart->click();
    const QString removed = c.lblCall->text();
    db.exec("DELETE FROM tblCalls WHERE Call_Name = ?", {removed});
    c.cmdUse->click();
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
    QVERIFY(c.lblCall->text() != removed);
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("2"));
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::drawIsUniform_data()
{
    QTest::addColumn<int>("calls");
    QTest::addColumn<double>("chiSquareLimit"); // the 0.1 % point of chi-square with calls - 1 degrees
    QTest::newRow("2 calls") << 2 << 10.83;
    QTest::newRow("3 calls") << 3 << 13.82;
    QTest::newRow("10 calls") << 10 << 27.88;
}

void tst_callform::drawIsUniform()
{
    QFETCH(int, calls);
    QFETCH(double, chiSquareLimit);
    TestDatabase db({list("B", calls)});
    CallForm::Controls &c = getList("B");
    const int draws = 3000 * calls;
    auto chiSquare = [&](auto drawOne) {
        QHash<QString, int> seen;
        for (int i = 0; i < draws; ++i)
            ++seen[drawOne()];
        if (seen.size() != calls)
            return 1e9;
        const double expected = double(draws) / calls;
        double sum = 0;
        for (int n : std::as_const(seen))
            sum += (n - expected) * (n - expected) / expected;
        return sum;
    };
    CallForm::instance().seedGenerator(20261206);
    const double list = chiSquare([&c] {
        c.cmdStart->click();
        return c.lblCall->text();
    });
    QVERIFY2(list < chiSquareLimit, qPrintable(QString::number(list)));

    db.exec("UPDATE tblList SET List_Active = 1");
    const double nl = chiSquare([&c] {
        c.cmdGetNOL->click();
        return c.lblNLCall1->text();
    });
    QVERIFY2(nl < chiSquareLimit, qPrintable(QString::number(nl)));
}

void tst_callform::nlCalls()
{
    TestDatabase db({list("B", 1), list("MS", 4)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    // Used calls are NL calls all the same.
    db.exec("UPDATE tblCalls SET Used = 1");
    c.cmdGetNOL->click();
    QVERIFY(!c.lblNLCall1->isHidden());
    QVERIFY(c.lblNLCall2->isHidden());
    QCOMPARE(c.lblNLCall1->text(), QStringLiteral("B #1"));
    c.cmdGetNOL->click();
    QVERIFY(!c.lblNLCall2->isHidden());
    QCOMPARE(c.lblNLCall2->text(), QStringLiteral("B #1"));

    // Ticking more levels after the load changes nothing in the NL pool.
    frmMain::instance().ui().CheckMS->setChecked(true);
    for (int i = 0; i < 20; ++i) {
        const QString before = c.lblNLCall1->text();
        c.cmdGetNOL->click();
        QCOMPARE(c.lblNLCall2->text(), before);
        QCOMPARE(c.lblNLCall1->text(), QStringLiteral("B #1"));
    }
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 5);
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::nlWithoutActiveListIsSilent()
{
    TestDatabase db({list("B", 2), list("Party", 2)});
    MessageLog log;
    CallForm::Controls &c = getList("Party");
    c.cmdGetNOL->click();
    QVERIFY(!c.lblNLCall1->isHidden());
    QVERIFY(c.lblNLCall1->text().isEmpty());
    QVERIFY(c.lblNLCall2->isHidden());
    c.cmdGetNOL->click();
    QVERIFY(!c.lblNLCall2->isHidden());
    QVERIFY(c.lblNLCall2->text().isEmpty());
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::pacingDefaults()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.Timer1->stop(); // ticks come from the test alone
    ticks(499);
    QVERIFY(c.lblNLCall1->isHidden());
    QVERIFY(c.lblCall->isHidden()); // call delay 0: no list calls
    ticks(1);
    QVERIFY(!c.lblNLCall1->isHidden());
    QVERIFY(c.lblNLCall1->text().startsWith("B #"));
    QCOMPARE(CallForm::instance().NLTicks, 0);
    QVERIFY(c.cmdGetNOL->isHidden());

    // NL delay 0 offers "Get Next" at the next tick and stops the NL draws.
    c.hscrDelay->setValue(0);
    QCOMPARE(c.lblDelay->text(), QStringLiteral("0"));
    ticks(1);
    QVERIFY(!c.cmdGetNOL->isHidden());
    const QString shown = c.lblNLCall2->text();
    ticks(1000);
    QCOMPARE(c.lblNLCall2->text(), shown);
    // Back to 2 units: the counter ran on meanwhile, so the draw comes at once.
    c.hscrDelay->setValue(2);
    ticks(1);
    QVERIFY(c.cmdGetNOL->isHidden());
    QCOMPARE(CallForm::instance().NLTicks, 0);
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::callDelayRestartsOnFind()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.Timer1->stop();
    c.hscrCall->setValue(3);
    QCOMPARE(c.lblCallDelay->text(), QStringLiteral("3"));
    ticks(299);
    QVERIFY(c.lblCall->isHidden());
    ticks(1);
    QVERIFY(!c.lblCall->isHidden());
    QCOMPARE(CallForm::instance().CallTicks, 0);

    ticks(250);
    c.cmdStart->click();
    QCOMPARE(CallForm::instance().CallTicks, 0);
    ticks(299);
    QCOMPARE(CallForm::instance().CallTicks, 299);
    ticks(1);
    QCOMPARE(CallForm::instance().CallTicks, 0);
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::syncDrawsBothOnOneTick()
{
    TestDatabase db({list("B", 50)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.Timer1->stop();
    c.hscrCall->setValue(2);
    c.chkSync->setChecked(true);
    ticks(199);
    QVERIFY(c.hscrDelay->isHidden());
    QVERIFY(c.lblDelay2->isHidden());
    QCOMPARE(c.lblDelay->text(), QStringLiteral("2"));
    QVERIFY(c.lblCall->isHidden());
    QVERIFY(c.lblNLCall1->isHidden());
    ticks(1);
    QVERIFY(!c.lblCall->isHidden());
    QVERIFY(!c.lblNLCall1->isHidden());
    QCOMPARE(CallForm::instance().CallTicks, 0);
    QCOMPARE(CallForm::instance().NLTicks, 0);

    // Off again: the NL row returns; the copied delay stays until the bar moves.
    c.chkSync->setChecked(false);
    ticks(1);
    QVERIFY(!c.hscrDelay->isHidden());
    QCOMPARE(c.lblDelay->text(), QStringLiteral("2"));
    QCOMPARE(c.hscrDelay->value(), 5);
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::countersSurviveAClose()
{
    TestDatabase db({list("B", 3)});
    CallForm::Controls &c = getList("B");
    c.Timer1->stop();
    ticks(120);
    c.cmdGetNOL->click();
    CallForm::instance().unload();
    QVERIFY(!CallForm::instance().isLoaded());
    QCOMPARE(CallForm::instance().CallTicks, 120);
    QCOMPARE(CallForm::instance().NLTicks, 120);

    CallForm::Controls &again = getList("B");
    QVERIFY(again.Timer1->isActive());
    QVERIFY(again.lblNLCall1->text().isEmpty()); // controls start afresh
    // NLShown survived: the first draw after the reload shows both labels.
    again.cmdGetNOL->click();
    QVERIFY(!again.lblNLCall2->isHidden());
    QVERIFY(again.lblNLCall2->text().isEmpty());
}

void tst_callform::oneMessageBoxAtATime()
{
    TestDatabase db({list("B", 1)});
    db.exec("UPDATE tblCalls SET Used = 1");
    CallForm::Controls &c = getList("B");
    c.Timer1->stop();
    c.hscrCall->setValue(1);

    int boxesSeen = -1;
    qint64 ticksDuringBox = -1;
    QTimer::singleShot(0, this, [&] {
        // Inside the box's own event loop: a running delay must not stack boxes.
        ticks(1000);
        QTest::qWait(50);
        boxesSeen = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            boxesSeen += (qobject_cast<QMessageBox *>(w) && w->isVisible()) ? 1 : 0;
        ticksDuringBox = CallForm::instance().CallTicks;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->text(), AllUsed);
        QCOMPARE(box->windowTitle(), QStringLiteral("Vorlet"));
        box->button(QMessageBox::Ok)->click();
    });
    // Should boxes pile up, this closes the extra ones so that the test fails instead of hanging.
    int extraBoxes = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&extraBoxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            ++extraBoxes;
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(2000);
    ticks(100); // the hundredth tick draws, fails, and opens the box
    closer.stop();
    QCOMPARE(extraBoxes, 0);
    QCOMPARE(boxesSeen, 1);
    QCOMPARE(ticksDuringBox, 100);
    QCOMPARE(CallForm::instance().CallTicks, 0);

    // Pacing goes on once the box is gone.
    MessageLog log;
    ticks(100);
    QCOMPARE(log.messages, QStringList{AllUsed});
}

void tst_callform::lockedDatabaseIsToldAndNothingIsHalfWritten()
{
    TestDatabase db({list("B", 3), list("MS", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    dataCall::instance().setTimeouts(50, 50);
    c.cmdStart->click();
    const QString shown = c.lblCall->text();

    db.exec("BEGIN IMMEDIATE"); // another program holds the write lock
    c.cmdUse->click();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY2(log.messages[0].contains(shown), qPrintable(log.messages[0]));
    QVERIFY2(log.messages[0].contains("locked"), qPrintable(log.messages[0]));
    QCOMPARE(c.lblCall->text(), shown); // still current, not drawn anew

    c.cmdReset->click();
    QCOMPARE(log.messages.size(), 2);
    QVERIFY(log.messages[1].contains("reset"));
    CallForm::instance().unload();
    getList("MS");
    QCOMPARE(log.messages.size(), 3);
    QVERIFY(log.messages[2].contains("active"));
    db.exec("ROLLBACK");
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);

    // Once the lock is gone the same window works again.
    CallForm::instance().unload();
    CallForm::Controls &again = getList("B");
    again.cmdStart->click();
    again.cmdUse->click();
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 1);
    QCOMPARE(active(db), QStringList{"B"});
    QCOMPARE(log.messages.size(), 3);
}

void tst_callform::failedResetOrStartUpWritesNothing()
{
    TestDatabase db({list("B", 4), list("MS", 2), list("P", 2)});
    MessageLog log;
    db.exec("UPDATE tblCalls SET Used = 1");
    db.exec("UPDATE tblList SET List_Active = 1 WHERE List = 'P'");
    // A row that refuses the write, halfway through each table.
    db.exec("CREATE TRIGGER refuseCall BEFORE UPDATE OF Used ON tblCalls WHEN OLD.Call_Name = 'B #3' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    db.exec("CREATE TRIGGER refuseList BEFORE UPDATE OF List_Active ON tblList WHEN OLD.List = 'MS' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");

    CallForm::Controls &c = getList("MS");
    QCOMPARE(log.messages.size(), 1);
    QCOMPARE(active(db), QStringList{"P"}); // as before: no list cleared, none activated
    c.cmdReset->click();
    QCOMPARE(log.messages.size(), 2);
    QVERIFY(log.messages[1].contains("refused"));
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 8);

    db.exec("DROP TRIGGER refuseCall");
    c.cmdReset->click();
    QCOMPARE(db.value("SELECT SUM(Used) FROM tblCalls").toInt(), 0);
    QCOMPARE(log.messages.size(), 2);
}

QTEST_MAIN(tst_callform)
#include "tst_callform.moc"
