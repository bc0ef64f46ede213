// The "Calls" window: list activation at load, list calls, NL calls, pacing.
#include "testsupport.h"

#include "ui/kit/Message.h"
#include "ui/calls/Floor.h"
#include "core/history/History.h"

#include <QFontMetricsF>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>

namespace {
const QString AllUsed = QStringLiteral("All calls have been used.  Please reset.");

QStringList active(const TestDatabase &db)
{
    return db.column("SELECT List FROM tblList WHERE List_Active = 1 ORDER BY List_ID");
}

void ticks(int n)
{
    for (int i = 0; i < n; ++i)
        CallForm::instance().Timer1_Timer();
}

QSet<QString> drawn(const CallForm::Controls &c)
{
    QSet<QString> names;
    for (int i = 0; i < 60; ++i) {
        c.cmdStart->click();
        names.insert(c.lblCall->text());
    }
    return names;
}
} // namespace

class tst_callform : public QObject
{
    Q_OBJECT

private slots:
    void loadActivatesTheTickedLevels_data();
    void loadActivatesTheTickedLevels();
    void levelsReadAtEachLoadAndLastWindowEnds();
    void usingAWholeListThenReset();
    void patternFollowsIncludeA1AndTheCombo();
    void useWithoutAUsableCurrentCall();
    void acceleratorsActAtOnce();
    void callLabelsShowEveryNameWhole();
    void drawPicksTheRowOfTheWholeResult_data();
    void drawPicksTheRowOfTheWholeResult();
    void nlCalls();
    void pacing();
    void wakingForDrawsOnlyKeepsEveryTick_data();
    void wakingForDrawsOnlyKeepsEveryTick();
    void oneMessageBoxAtATime();
    void boxesAndQuestionsHoldThePacingClock();
    void databaseFailuresAreToldAndWriteNothing();
    void undoAfterReset_data();
    void undoAfterReset();
};

void tst_callform::loadActivatesTheTickedLevels_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<bool>("programs2026");
    QTest::addColumn<QString>("active"); // List_Active of B ms B MS P A1 "Mainstream 2026" "Plus 2026" Party
    QTest::newRow("B: the first of two, stale marks gone") << "B" << false << "100000000";
    QTest::newRow("A1: tags in their own case") << "A1" << false << "100111000";
    QTest::newRow("A1, 2026 programs") << "A1" << true << "000001110";
    QTest::newRow("MS, 2026 programs") << "MS" << true << "000000100";
    QTest::newRow("a non-level list unticks every level") << "Party" << false << "000000000";
    QTest::newRow("Party, 2026 programs") << "Party" << true << "000000000";
}

void tst_callform::loadActivatesTheTickedLevels()
{
    QFETCH(QString, level);
    QFETCH(bool, programs2026);
    TestDatabase db({list("B", 1), list("ms", 1), list("B", 1), list("MS", 1), list("P", 1), list("A1", 1),
                     list("Mainstream 2026", 1), list("Plus 2026", 1), list("Party", 1)});
    MessageLog log;
    db.exec("UPDATE tblList SET List_Active = 1 WHERE List IN ('P', 'Party')");
    frmMain::instance().show();
    if (programs2026)
        QTest::mouseClick(frmMain::instance().ui().chk2026, Qt::LeftButton);
    Form::destroyAll(); // the 2026 choice is remembered between runs
    QCOMPARE(frmMain::instance().ui().chk2026->isChecked(), programs2026);
    CallForm::Controls &c = getList(level);
    QTEST(db.column("SELECT List_Active FROM tblList ORDER BY List_ID").join(""), "active");
    QVERIFY(c.lblCall->isHidden());
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::levelsReadAtEachLoadAndLastWindowEnds()
{
    TestDatabase db({list("B", 1), list("MS", 1), list("P", 1)});
    int ended = 0;
    Form::setAllUnloadedHandler([&ended] { ++ended; });
    getList("MS");
    getList("P"); // already loaded: the boxes are not read again
    QCOMPARE(active(db), (QStringList{"B", "MS"}));
    CallForm::instance().unload();
    CallForm::Controls &c = getList("P");
    QCOMPARE(active(db), (QStringList{"B", "MS", "P"}));

    QVERIFY(frmMain::instance().window()->close());
    c.cmdStart->click(); // reads the main window: loads it, hidden, as new
    QVERIFY(frmMain::instance().isLoaded() && !frmMain::instance().isShown() && ended == 0);
    QVERIFY(c.cmdUse->window()->close()); // the last window on show takes the hidden one along
    QVERIFY(!frmMain::instance().isLoaded());
    Form::setAllUnloadedHandler({});
    QCOMPARE(ended, 1);
    CallForm::instance().show();
    QCOMPARE(active(db), QStringList{"B"});
}

void tst_callform::usingAWholeListThenReset()
{
    for (const int calls : {1, 6}) {
        TestDatabase db({list("B", 2), list("MS", calls)});
        MessageLog log;
        CallForm::Controls &c = getList("MS");
        c.cmdStart->click();
        QSet<QString> shown;
        for (int i = 0; i < calls; ++i) {
            shown.insert(c.lblCall->text());
            QCOMPARE(c.lblCallsLeft->text(), QString::number(calls - i));
            QCOMPARE(log.messages, QStringList{});
            QTest::keyClick(c.cmdUse->window(), Qt::Key_Return); // Enter presses "&Use", however fast
        }
        QCOMPARE(shown.size(), calls);
        QCOMPARE(log.messages, QStringList{AllUsed});
        // The failed draw keeps the last call and count on show; only this list is marked.
        QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
        QVERIFY(shown.contains(c.lblCall->text()));
        QCOMPARE(db.value("SELECT COUNT(*) FROM tblCalls WHERE Used = 1 AND Call_Name LIKE 'MS%'").toInt(), calls);
        QCOMPARE(used(db), calls);

        // Reset clears every list, keeps the pacing count and draws nothing itself.
        db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'B #1'");
        CallForm::instance().CallTicks = 42;
        c.cmdReset->click();
        QCOMPARE(used(db), 0);
        QCOMPARE(CallForm::instance().CallTicks, 42);
        QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("1"));
        QCOMPARE(drawn(c).size(), calls);
        QCOMPARE(c.lblCallsLeft->text(), QString::number(calls));
    }
}

void tst_callform::patternFollowsIncludeA1AndTheCombo()
{
    TestDatabase db({list("B", 1), list("A1", 1), list("A2", 1), list("C1", 1), list("MS", 100000)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    frmMain::Controls &main = frmMain::instance().ui();
    QCOMPARE(drawn(c), QSet<QString>{"B #1"});
    const QRect few = c.lblCallsLeft->geometry(); // a count of any size shows whole, in place
    main.box_List->setEditText("%");
    c.cmdStart->click();
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("100004"));
    QVERIFY(c.lblCallsLeft->width() >= c.lblCallsLeft->fontMetrics().horizontalAdvance("100004"));
    QVERIFY(c.lblCallsLeft->geometry().right() == few.right() && c.lblCallsLeft->x() >= 0);
    main.box_List->setEditText("c1"); // read at every draw
    QCOMPARE(drawn(c), QSet<QString>{"C1 #1"});

    // "Include A1" ticked means every A list, hidden or not, whatever the combo says.
    main.box_List->setEditText("A2");
    main.chkAdv->setChecked(true);
    main.box_List->setEditText("B");
    QVERIFY(main.chkAdv->isHidden());
    QCOMPARE(drawn(c), (QSet<QString>{"A1 #1", "A2 #1"}));
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("2"));
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::useWithoutAUsableCurrentCall()
{
    TestDatabase db({list("B", 3), list("Empty", 0)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.cmdUse->click(); // nothing drawn yet
    QCOMPARE(used(db), 0);
    QCOMPARE(log.messages, QStringList{});

    // The call on show was removed meanwhile: no other row is marked, the next one comes.
    c.cmdStart->click();
    const QString removed = c.lblCall->text();
    db.exec("DELETE FROM tblCalls WHERE Call_Name = ?", {removed});
    c.cmdUse->click();
    QCOMPARE(used(db), 0);
    QVERIFY(c.lblCall->text() != removed);
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("2"));

    // After a failed draw the call still shown is not current any more.
    frmMain::instance().ui().box_List->setEditText("Empty");
    c.cmdStart->click();
    c.cmdUse->click();
    QCOMPARE(used(db), 0);
    QCOMPARE(log.messages, QStringList{AllUsed});

    // A call drawn in an earlier showing is not on show in this one: Enter does nothing.
    frmMain::instance().ui().box_List->setEditText("B");
    c.cmdStart->click();
    CallForm::instance().unload();
    CallForm::Controls &again = getList("B");
    QVERIFY(again.lblCall->text().isEmpty());
    QTest::keyClick(again.cmdUse->window(), Qt::Key_Return);
    QCOMPARE(used(db), 0);
}

void tst_callform::acceleratorsActAtOnce()
{
    TestDatabase db({list("B", 7)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    QWidget *w = c.cmdUse->window();
    QVERIFY(QTest::qWaitForWindowActive(w));
    c.cmdReset->setFocus();
    QTest::keyClick(w, Qt::Key_F, Qt::AltModifier);
    const QString found = c.lblCall->text();
    QVERIFY(!found.isEmpty());
    QTest::keyClick(w, Qt::Key_Return); // at once: on the call the Find drew, not on "&Reset Calls"
    QCOMPARE(db.column("SELECT Call_Name FROM tblCalls WHERE Used = 1"), QStringList{found});
    QTest::keyClick(w, Qt::Key_U, Qt::AltModifier);
    QTest::keyClick(w, Qt::Key_U, Qt::AltModifier);
    QCOMPARE(used(db), 3);
    QCOMPARE(c.lblCallsLeft->text(), QStringLiteral("4"));
    // A press by assistive technology returns before its click, and two are two clicks.
    QAccessibleInterface *use = QAccessible::queryAccessibleInterface(c.cmdUse);
    QCOMPARE(use->text(QAccessible::Name), QStringLiteral("Use"));
    use->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    use->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(used(db), 3);
    QTRY_COMPARE(used(db), 5);
    QVERIFY(log.messages.isEmpty());
    // One whose click ends in a box has returned before the box is shown.
    use->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    use->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(log.messages.isEmpty());
    QTRY_COMPARE(log.messages.size(), 1);
    QCOMPARE(used(db), 7);
    QCOMPARE(log.messages.constFirst(), QStringLiteral("All calls have been used.  Please reset."));
}

void tst_callform::drawPicksTheRowOfTheWholeResult_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("nl");
    QTest::addColumn<QString>("layout");
    for (const char *layout : {"interleaved", "apart", "apart, no List_ID index", "apart, List_IDs as text"}) {
        QTest::addRow("one list, %s", layout) << "A1" << false << layout;
        QTest::addRow("every A list, %s", layout) << "A%" << false << layout;
        QTest::addRow("all lists, %s", layout) << "%" << false << layout;
        QTest::addRow("NL calls, %s", layout) << "B" << true << layout;
    }
}

// A draw picks evenly over the whole result and reads that row by its offset: the
// row that walking the result of the same statement reaches, whether the lists' rows lie apart in the
// file (and out of list order) or among each other's, with or without the index.
void tst_callform::drawPicksTheRowOfTheWholeResult()
{
    QFETCH(QString, pattern);
    QFETCH(bool, nl);
    QFETCH(QString, layout);
    TestDatabase db({list("B", 90), list("MS", 90), list("P", 90), list("A1", 90), list("A2", 90)});
    if (layout == "interleaved")
        db.exec("INSERT INTO tblCalls (Call_Name, List_ID) SELECT 'late ' || Call_Name, (Call_ID * 7) % 5 + 1 "
                "FROM tblCalls");
    else // A2's calls first in the file, B's last
        db.exec("UPDATE tblCalls SET List_ID = 6 - List_ID");
    if (layout.endsWith("no List_ID index"))
        db.exec("DROP INDEX idxCallsList");
    if (layout.endsWith("as text")) { // a file of other origin: the keys are only compared, never counted with
        for (const char *sql :
             {"CREATE TABLE l (List_ID TEXT PRIMARY KEY, List TEXT, List_Active INTEGER)",
              "INSERT INTO l SELECT 'L' || List_ID, List, List_Active FROM tblList",
              "CREATE TABLE c (Call_ID INTEGER PRIMARY KEY, Call_Name TEXT, List_ID TEXT, Used INTEGER)",
              "INSERT INTO c SELECT Call_ID, Call_Name, 'L' || List_ID, Used FROM tblCalls", "DROP TABLE tblCalls",
              "DROP TABLE tblList", "ALTER TABLE l RENAME TO tblList", "ALTER TABLE c RENAME TO tblCalls",
              "CREATE INDEX idxCallsList ON tblCalls (List_ID)"})
            db.exec(sql);
    }
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_ID % 3 = 0");
    db.exec("DELETE FROM tblCalls WHERE Call_ID % 11 = 0");
    MessageLog log;
    frmMain::instance().show();
    frmMain::instance().ui().CheckA2->setChecked(true);
    CallForm::Controls &c = getList(pattern);
    const QStringList whole = nl ? db.column(dataCall::instance().rssqlAllCalls().source())
                                 : db.column(dataCall::instance().rssqlCallNames().source(), {pattern});
    QVERIFY(whole.size() > 50);

    constexpr quint32 Seed = 4711;
    CallForm::instance().seedGenerator(Seed);
    std::mt19937 generator(Seed);
    for (int i = 0; i < 300; ++i) {
        (nl ? c.cmdGetNOL : c.cmdStart)->click();
        const int k = std::uniform_int_distribution<int>(0, int(whole.size()) - 1)(generator);
        QCOMPARE((nl ? c.lblNLCall1 : c.lblCall)->text(), whole[k]);
    }
}

void tst_callform::nlCalls()
{
    TestDatabase db({list("B", 2), list("MS", 3), list("P", 1), list("Party", 2)});
    MessageLog log;
    frmMain::instance().show();
    frmMain::instance().ui().box_List->setEditText("P");
    frmMain::instance().ui().CheckMS->setChecked(false);
    CallForm::Controls &c = getList("P");
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name IN ('B #2', 'P #1')"); // NL calls all the same
    c.cmdGetNOL->click();
    QVERIFY(!c.lblNLCall1->isHidden() && c.lblNLCall2->isHidden());
    frmMain::instance().ui().CheckMS->setChecked(true); // too late for this load
    QSet<QString> drawn{c.lblNLCall1->text()};
    for (int i = 0; i < 60; ++i) {
        const QString before = c.lblNLCall1->text();
        c.cmdGetNOL->click();
        QVERIFY(!c.lblNLCall2->isHidden() && c.lblNLCall2->text() == before);
        drawn.insert(c.lblNLCall1->text());
    }
    QCOMPARE(drawn, (QSet<QString>{"B #1", "B #2", "P #1"})); // the active lists only

    // No active list: the labels shift their (empty) text and nothing is said.
    CallForm::instance().unload();
    CallForm::Controls &none = getList("Party");
    none.cmdGetNOL->click();
    QVERIFY(!none.lblNLCall1->isHidden() && !none.lblNLCall2->isHidden()); // NLShown survived the close
    QVERIFY(none.lblNLCall1->text().isEmpty() && none.lblNLCall2->text().isEmpty());
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::pacing()
{
    TestDatabase db({list("B", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    c.Timer1->stop(); // ticks come from the test alone
    ticks(499);
    QVERIFY(c.lblNLCall1->isHidden());
    ticks(1);
    // Every 500 ticks an NL call; call delay 0: no list calls.
    QVERIFY(!c.lblNLCall1->isHidden() && c.lblCall->isHidden() && c.cmdGetNOL->isHidden());

    // NL delay 0 offers "Get Next" and stops the NL draws; the counter runs on.
    c.hscrDelay->setValue(0);
    ticks(1000);
    QVERIFY(!c.cmdGetNOL->isHidden());
    QCOMPARE(CallForm::instance().NLTicks, 1000);
    c.hscrDelay->setValue(2);
    ticks(1);
    QVERIFY(c.cmdGetNOL->isHidden());
    QCOMPARE(CallForm::instance().NLTicks, 0); // overdue: drawn at once

    // Call delay 3: "&Find" at tick 250 puts the next draw 300 ticks after it.
    c.hscrCall->setValue(3);
    CallForm::instance().CallTicks = 0;
    ticks(250);
    c.cmdStart->click();
    ticks(299);
    QCOMPARE(CallForm::instance().CallTicks, 299);
    ticks(1);
    QCOMPARE(CallForm::instance().CallTicks, 0);

    // The counters outlive a close and the next load.
    ticks(7);
    const qint64 nlTicks = CallForm::instance().NLTicks;
    CallForm::instance().unload();
    CallForm::Controls &again = getList("B");
    again.Timer1->stop();
    QCOMPARE(CallForm::instance().CallTicks, 7);
    QCOMPARE(CallForm::instance().NLTicks, nlTicks);

    // "Sync Delay": the NL calls go by the call delay, both drawn on one tick.
    CallForm::instance().CallTicks = 0;
    again.hscrCall->setValue(2);
    again.chkSync->setChecked(true);
    ticks(199);
    QVERIFY(again.hscrDelay->isHidden() && again.lblDelay2->isHidden());
    QCOMPARE(again.lblDelay->text(), QStringLiteral("2"));
    QVERIFY(again.lblCall->isHidden() && again.lblNLCall1->isHidden());
    ticks(1);
    QVERIFY(!again.lblCall->isHidden() && !again.lblNLCall1->isHidden());
    QCOMPARE(log.messages, QStringList{});
}

void tst_callform::wakingForDrawsOnlyKeepsEveryTick_data()
{
    // Steps "ms action": the caller's changes at that time on the pacing clock.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("stored delays") << QStringList{"12000 end"};
    QTest::newRow("call delay 3, Find in between") << QStringList{"0 call 3", "2505 find", "9999 find", "14000 end"};
    QTest::newRow("sync on and off") << QStringList{"100 sync 1", "150 call 2", "5050 sync 0", "5060 nl 1", "12000 end"};
    QTest::newRow("NL delay raised when overdue") << QStringList{"0 nl 0", "7003 nl 2", "7010 call 1", "9000 end"};
}

// The timer sleeps until the tick of the next draw; the draws, the counters and
// what the window shows come out as when every tick runs one by one.
void tst_callform::wakingForDrawsOnlyKeepsEveryTick()
{
    QFETCH(QStringList, steps);
    ManualClock clock;
    TestDatabase db({list("B", 40)});
    MessageLog log;
    CallForm &form = CallForm::instance();
    form.setTimeSource(&clock);

    auto run = [&](bool everyTick) {
        CallForm::Controls &c = getList("B");
        form.CallTicks = form.NLTicks = 0;
        form.seedGenerator(7);
        if (everyTick)
            c.Timer1->stop();
        const qint64 start = clock.now;
        qint64 armedAt = start, ticked = 0;
        int wakes = 0;
        QStringList seen;
        for (const QString &step : steps) {
            const qint64 at = start + step.section(' ', 0, 0).toLongLong();
            if (everyTick) {
                ticks(int((at - start) / CallForm::TickMs - ticked));
                ticked = (at - start) / CallForm::TickMs;
            } else {
                while (armedAt + c.Timer1->interval() <= at) {
                    clock.now = armedAt + c.Timer1->interval();
                    form.Timer1_Due();
                    armedAt = clock.now;
                    ++wakes;
                }
            }
            clock.now = at;
            const QString action = step.section(' ', 1, 1);
            const int value = step.section(' ', 2, 2).toInt();
            if (action == "call")
                c.hscrCall->setValue(value);
            else if (action == "nl")
                c.hscrDelay->setValue(value);
            else if (action == "sync")
                c.chkSync->setChecked(value);
            else if (action == "find")
                c.cmdStart->click();
            if (action != "end")
                armedAt = clock.now;
            else if (!everyTick)
                form.Timer1_Due(); // brings the counters up to date to be read
            seen.append(QStringLiteral("%1 %2 %3 [%4] [%5] %6%7").arg(step).arg(form.CallTicks).arg(form.NLTicks)
                            .arg(c.lblCall->text(), c.lblNLCall1->text())
                            .arg(c.cmdGetNOL->isHidden()).arg(c.hscrDelay->isHidden()));
        }
        CallForm::instance().unload();
        return std::pair{seen, wakes};
    };
    const auto [byTicks, unused] = run(true);
    const auto [byWakes, wakes] = run(false);
    QCOMPARE(byWakes, byTicks);
    // A wake per draw and per change at most: nothing like one per tick.
    QVERIFY2(wakes <= 2 * steps.size() + 12, qPrintable(QString::number(wakes)));
    QCOMPARE(log.messages, QStringList{});
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

    MessageLog log; // pacing goes on once the box is gone
    ticks(100);
    QCOMPARE(log.messages, QStringList{AllUsed});
}

// The time a box or a question holds the caller is left out of the paced clock.
void tst_callform::boxesAndQuestionsHoldThePacingClock()
{
    MessageLog log;
    for (bool question : {false, true}) {
        const qint64 before = Message::waitedMs();
        Message::setObserver([](const QString &) { QTest::qSleep(60); });
        Message::setAnswerer([](const QString &) { QTest::qSleep(60); return true; });
        question ? void(Message::ask("Reset?", nullptr)) : Message::show("Told", nullptr);
        QVERIFY2(Message::waitedMs() - before >= 60, question ? "question" : "box");
    }
}

void tst_callform::databaseFailuresAreToldAndWriteNothing()
{
    TestDatabase db({list("B", 4), list("MS", 2), list("P", 2)});
    MessageLog log;
    CallForm::Controls &c = getList("B");

    // A row that refuses the write halfway through: all or nothing.
    db.exec("UPDATE tblCalls SET Used = 1");
    db.exec("CREATE TRIGGER refuseCall BEFORE UPDATE OF Used ON tblCalls WHEN OLD.Call_Name = 'B #3' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    db.exec("CREATE TRIGGER refuseList BEFORE UPDATE OF List_Active ON tblList WHEN OLD.List = 'MS' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    c.cmdReset->click();
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains("reset") && log.messages[0].contains("refused"));
    QCOMPARE(used(db), 8);
    CallForm::instance().unload();
    getList("P");
    QCOMPARE(log.messages.size(), 2);
    QCOMPARE(active(db), QStringList{"B"}); // as before the failed load
}

void tst_callform::callLabelsShowEveryNameWhole()
{
    QStringList names = defaultCallNames();
    QVERIFY(names.size() > 500);
    const QString word = "Spin";
    const QString twoHundred = QStringList(200, word).join(' ');
    names += {word, "Swap Around", twoHundred};

    TestDatabase db({list("B", 1)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    for (FitLabel *label : {c.lblCall, c.lblNLCall1, c.lblNLCall2}) {
        const QRect box = label->contentsRect();
        for (const QString &name : std::as_const(names)) {
            label->setText(name);
            const FitLabel::Fit &fit = label->fit();
            const QFontMetricsF fm(fit.font);
            QVERIFY2(fit.font.pixelSize() >= 0.6 * label->basePixelSize(), qPrintable(name));
            QVERIFY2(fit.lines.size() * fm.lineSpacing() - fm.leading() <= box.height() + 0.5, qPrintable(name));
            for (const QString &line : fit.lines)
                QVERIFY2(fm.horizontalAdvance(line) <= box.width(), qPrintable(name));
            QCOMPARE(label->text(), name);
            // Cut short only past the smallest size, and then whole in the tooltip and for assistive technology.
            QCOMPARE(fit.elided, name == twoHundred);
            if (fit.elided)
                QVERIFY(label->toolTip() == name && label->accessibleDescription() == name);
            else
                QCOMPARE(fit.lines.join(' '), name.simplified());
            if (name.size() < 12) // short names keep the full size
                QCOMPARE(fit.font.pixelSize(), qRound(label->basePixelSize()));
        }
    }
}

void tst_callform::undoAfterReset_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("restored");
    QTest::newRow("Ctrl+Z in the Calls window") << "calls" << true;
    QTest::newRow("Ctrl+Z on the Floor view") << "floor" << true;
    QTest::newRow("the Undo button, by keyboard") << "link" << true;
    QTest::newRow("after a Use following the reset") << "use" << false;
    QTest::newRow("after the minute") << "late" << false;
}

void tst_callform::undoAfterReset()
{
    QFETCH(QString, how);
    QFETCH(bool, restored);
    TestDatabase db({list("B", 6), list("A1", 3)});
    MessageLog log;
    CallForm::Controls &c = getList("B");
    ManualClock clock;
    CallForm::instance().setTimeSource(&clock);
    const auto done = qScopeGuard([] { CallForm::instance().setTimeSource(nullptr); });
    c.cmdStart->click();
    c.cmdUse->click();
    c.cmdUse->click();
    db.exec("UPDATE tblCalls SET Used = 1 WHERE Call_Name = 'A1 #2'"); // another list, marked elsewhere
    const QString usedSql = "SELECT Call_ID FROM tblCalls WHERE Used = 1 ORDER BY Call_ID";
    const QStringList before = db.column(usedSql);
    QCOMPARE(before.size(), 3);
    const int records = int(History::records().size());
    Floor &floor = Floor::instance();
    if (how == "floor")
        c.cmdFloor->click();

    c.cmdReset->click();
    QCOMPARE(db.column(usedSql), QStringList{});
    QVERIFY(c.lblUndo->isVisible());
    QCOMPARE(c.lblUndo->text() + " " + c.cmdUndo->text(), QStringLiteral("All used marks cleared. Undo"));

    QStringList expected = restored ? before : QStringList{};
    if (how == "floor") {
        QTRY_VERIFY(floor.ui().lblUndo->isVisible());
        QCOMPARE(floor.ui().lblUndo->text().remove(QRegularExpression("<[^>]*>")), "All used marks cleared. Undo");
        QTest::keyClick(floor.ui().lblCall->window(), Qt::Key_Z, Qt::ControlModifier);
    } else if (how == "link") {
        QVERIFY(QTest::qWaitForWindowActive(c.cmdUse->window()));
        c.cmdReset->setFocus();
        QTest::keyClick(c.cmdReset, Qt::Key_Tab); // it follows the reset in the tab order
        QVERIFY(c.cmdUndo->hasFocus());
        QTest::keyClick(c.cmdUndo, Qt::Key_Space);
    } else {
        if (how == "use") {
            c.cmdUse->click();
            expected = db.column(usedSql);
            QCOMPARE(expected.size(), 1);
        }
        if (how == "late")
            clock.now += 60'000;
        QTest::keyClick(c.cmdUse, Qt::Key_Z, Qt::ControlModifier);
    }
    QCOMPARE(db.column(usedSql), expected);
    // The marks come back as they were; their use is in the history once already.
    QCOMPARE(int(History::records().size()), records + (how == "use" ? 1 : 0));
    QVERIFY(c.lblUndo->isHidden() && c.cmdUndo->isHidden());
    QTRY_VERIFY(!floor.isShown() || floor.ui().lblUndo->isHidden());
    QTest::keyClick(c.cmdUse, Qt::Key_Z, Qt::ControlModifier); // the offer is over
    QCOMPARE(db.column(usedSql), expected);
    QCOMPARE(log.messages, QStringList{});
}

QTEST_MAIN(tst_callform)
#include "tst_callform.moc"
