#include "app/Form.h"
#include "app/Look.h"
#include "boards/Corners.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
QWidget *board()
{
    return Corners::instance().window();
}

template<class T = QWidget>
T *control(const QString &name)
{
    auto *widget = board()->findChild<T *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

QLineEdit *field(int index)
{
    return control<QLineEdit>(QStringLiteral("txtM_%1").arg(index));
}

QString texts()
{
    QStringList all;
    for (int i = 0; i < 8; ++i)
        all.append(field(i)->text());
    return all.join(u'|');
}
} // namespace

class tst_Corners : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }

    void opensEmptyEveryTime();
    void layout_data();
    void layout();
    void tabOrder();
    void clearEmptiesEveryField_data();
    void clearEmptiesEveryField();
};

void tst_Corners::opensEmptyEveryTime()
{
    for (int opening = 0; opening < 2; ++opening) {
        Corners::instance().show();
        QVERIFY(QTest::qWaitForWindowActive(board()));
        QCOMPARE(board()->windowTitle(), QStringLiteral("Corners"));
        QCOMPARE(QApplication::focusWidget(), control(QStringLiteral("cmdClear")));
        QCOMPARE(texts(), QStringLiteral("|||||||"));
        QCOMPARE(control<QLabel>(QStringLiteral("lblTimer"))->text(), QStringLiteral("0:00"));

        QTest::keyClicks(field(4), QStringLiteral("Sue"));
        QTest::keyClicks(field(7), QStringLiteral("Bob"));
        QVERIFY(board()->close());
        QVERIFY(!Corners::instance().isLoaded());
    }
}

void tst_Corners::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("font"); // 0: the window's own, 1: 18 pt, 2: 18 pt bold
    QTest::newRow("cmdClear") << "cmdClear" << "Clear" << QRect(0, 0, 1575, 375) << 0;
    QTest::newRow("llblTimerNote") << "llblTimerNote" << "Time Since Last Clear" << QRect(3360, 120, 1215, 375) << 0;
    QTest::newRow("lblTimer") << "lblTimer" << "0:00" << QRect(4800, 120, 1455, 375) << 1;
    const int grid[4][2] = {{4, 0}, {1, 2}, {3, 5}, {6, 7}};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 2; ++column) {
            const int i = grid[row][column];
            QTest::addRow("txtM_%d", i) << QStringLiteral("txtM_%1").arg(i) << QString()
                                        << QRect(column == 0 ? 120 : 3360, 600 + 600 * row, 3135, 555) << 2;
        }
    }
}

void tst_Corners::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(int, font);
    QWidget *widget = control(name);
    QCOMPARE(widget->property("text").toString(), caption);
    const QRect expected(Look::twips(twips.x()), Look::twips(twips.y()), Look::twips(twips.width()),
                         Look::twips(twips.height()));
    QCOMPARE(widget->geometry(), expected);
    if (font == 0)
        QVERIFY(!widget->testAttribute(Qt::WA_SetFont));
    else
        QCOMPARE(widget->font(), Look::sansSerif(18, font == 2));
}

void tst_Corners::tabOrder()
{
    Corners::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(board()));
    const QStringList expected = {"txtM_4", "txtM_0", "txtM_1", "txtM_2", "txtM_3",
                                  "txtM_5", "txtM_6", "txtM_7", "cmdClear"};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, expected);
}

void tst_Corners::clearEmptiesEveryField_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("mouse") << false;
    QTest::newRow("space on the focused button") << true;
}

void tst_Corners::clearEmptiesEveryField()
{
    QFETCH(bool, byKey);
    Corners::instance().show();
    QVERIFY(QTest::qWaitForWindowActive(board()));
    for (int i = 0; i < 8; ++i)
        QTest::keyClicks(field(i), QStringLiteral("Corner %1").arg(i));
    // Far more than the field shows: the part scrolled out of view goes too.
    QTest::keyClicks(field(7), QString(300, u'x'));
    field(7)->setCursorPosition(0);
    QCOMPARE(field(7)->text().size(), 308);

    auto *clear = control<QPushButton>(QStringLiteral("cmdClear"));
    if (byKey) {
        clear->setFocus();
        QTest::keyClick(clear, Qt::Key_Space);
    } else {
        QTest::mouseClick(clear, Qt::LeftButton);
    }
    QCOMPARE(texts(), QStringLiteral("|||||||"));
}

QTEST_MAIN(tst_Corners)
#include "tst_corners.moc"
