// Windows at the scale the run starts with: CTest runs this suite at 1, 1.5 and
// 2 times (QT_SCALE_FACTOR) on the offscreen 800 x 600 screen, which leaves 800 x
// 600, 533 x 400 and 400 x 300 to lay out in. Our own windows open within the
// screen (scrolling when they must), no button or frame is cut off at a window's
// edge, the list combo's popup shows whole names, and the delay bars show focus.
#include "ui/boards/HomePositions.h"
#include "ui/hall/Hall.h"
#include "ui/history/Progress.h"
#include "ui/lists/Lists.h"
#include "ui/remote/Remote.h"
#include "ui/sequences/Sequences.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace {

using Opener = QWidget *(*)();

template<class T>
QWidget *open()
{
    Form::instance<T>().show();
    return Form::instance<T>().window();
}

// What the window shows of a control, in the window's coordinates: every parent clips it.
QRect shownPart(const QWidget *control)
{
    QRect part = control->rect();
    const QWidget *at = control;
    while (!at->isWindow()) {
        part.translate(at->pos());
        at = at->parentWidget();
        part &= at->rect();
    }
    return part;
}

// Scrolls the window's contents, if they scroll, to bring the control into view.
void bringIntoView(QWidget *control)
{
    for (QWidget *at = control->parentWidget(); at && !at->isWindow(); at = at->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(at)) {
            area->ensureWidgetVisible(control, 0, 0);
            return;
        }
    }
}

QString where(const QWidget *w)
{
    const auto text = [](const QRect &r) { return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); };
    return QStringLiteral("%1: frame %2 on %3").arg(w->objectName(), text(w->frameGeometry()), text(w->screen()->availableGeometry()));
}

} // namespace

Q_DECLARE_METATYPE(Opener)

class tst_scale : public QObject
{
    Q_OBJECT

private slots:
    void windowsFitAndShowTheirControls_data();
    void windowsFitAndShowTheirControls();
    void listPopupShowsWholeNames();
    void focusShows_data();
    void focusShows();
};

void tst_scale::windowsFitAndShowTheirControls_data()
{
    QTest::addColumn<Opener>("open");
    QTest::addColumn<bool>("ours"); // the fixed layouts keep their size whatever the screen
    QTest::newRow("Lists") << Opener(&open<Lists>) << true;
    QTest::newRow("Progress") << Opener(&open<Progress>) << true;
    QTest::newRow("Sequences") << Opener(&open<Sequences>) << true;
    QTest::newRow("Hall") << Opener(&open<Hall>) << true;
    QTest::newRow("Remote") << Opener(&open<Remote>) << true;
    QTest::newRow("Home Positions") << Opener(&open<HomePositions>) << false;
}

void tst_scale::windowsFitAndShowTheirControls()
{
    QFETCH(Opener, open);
    QFETCH(bool, ours);
    TestDatabase db({list("B", 3), list("A1", 2)});
    MessageLog log;
    QWidget *w = open();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (ours)
        QVERIFY2(w->screen()->availableGeometry().contains(w->frameGeometry()), qPrintable(where(w)));
    int seen = 0;
    for (QWidget *control : w->findChildren<QWidget *>()) {
        if (!control->isVisible() || !(qobject_cast<QAbstractButton *>(control) || qobject_cast<QGroupBox *>(control)))
            continue;
        bringIntoView(control);
        const QRect whole(control->mapTo(w, QPoint()), control->size());
        QVERIFY2(shownPart(control) == whole, qPrintable(control->objectName() + QStringLiteral(" cut off in ") + where(w)));
        ++seen;
    }
    QVERIFY(seen > 0);
}

void tst_scale::listPopupShowsWholeNames()
{
    QList<CallDatabase::CallList> lists;
    for (int i = 0; i < 12; ++i) // more than the popup shows at once: it scrolls
        lists.append(list(QStringLiteral("Workshop %1").arg(i), 1));
    lists.append(list(QStringLiteral("Plus, with the Thursday evening workshop's extra calls"), 1));
    TestDatabase db(lists);
    frmMain::instance().show();
    QComboBox *box = frmMain::instance().ui().box_List;
    const QSize fixed = box->size();
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    QVERIFY2(view->viewport()->width() >= view->sizeHintForColumn(0),
             qPrintable(QStringLiteral("%1 < %2").arg(view->viewport()->width()).arg(view->sizeHintForColumn(0))));
    QCOMPARE(box->size(), fixed);
    box->hidePopup();
}

void tst_scale::focusShows_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("NL call delay") << QStringLiteral("hscrDelay");
    QTest::newRow("list call delay") << QStringLiteral("hscrCall");
}

void tst_scale::focusShows()
{
    QFETCH(QString, name);
    TestDatabase db({list("B", 3)});
    CallForm::Controls &c = getList("B");
    QWidget *w = c.cmdUse->window();
    auto *bar = w->findChild<QScrollBar *>(name);
    QVERIFY(bar && QTest::qWaitForWindowActive(w));
    c.cmdUse->setFocus(Qt::TabFocusReason);
    const QRect place = bar->geometry();
    // The strips just outside the bar, where a ring shows.
    const QRect above(place.left(), place.top() - 2, place.width(), 2);
    const QRect below(place.left(), place.bottom() + 1, place.width(), 2);
    const QImage plainAbove = w->grab(above).toImage(), plainBelow = w->grab(below).toImage();
    bar->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(bar->hasFocus());
    QTRY_VERIFY(w->grab(above).toImage() != plainAbove && w->grab(below).toImage() != plainBelow);
    QCOMPARE(bar->geometry(), place);
    c.cmdUse->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(w->grab(above).toImage(), plainAbove);
}

QTEST_MAIN(tst_scale)
#include "tst_scale.moc"
