#pragma once

#include "core/app/TimeSource.h"
#include "ui/calls/CallForm.h"
#include "core/data/CallDatabase.h"
#include "core/data/dataCall.h"
#include "ui/main/frmMain.h"

// What nearly every suite drives or reads.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// A temporary folder as the working directory, holding its own Call_List.db
// (or none at all); the window objects and the data component start afresh
// and are dropped again at the end.
class TestDatabase
{
public:
    explicit TestDatabase(const QList<CallDatabase::CallList> &lists);
    TestDatabase(); // a folder without a database
    ~TestDatabase();

    QString path() const { return m_dir.filePath(CallDatabase::FileName); }
    QString folder() const { return m_dir.path(); }

    // Checks and changes through a connection of the test's own.
    QVariant value(const QString &sql, const QVariantList &params = {}) const;
    QStringList column(const QString &sql, const QVariantList &params = {}) const;
    void exec(const QString &sql, const QVariantList &params = {}) const { value(sql, params); }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

// Picks a list on the main window and presses "Get List": the "Calls" window's controls.
CallForm::Controls &getList(const QString &text);
// Calls marked used in the test database.
int used(const TestDatabase &db);
// The default call data, and every call name in it.
QList<CallDatabase::CallList> defaultLists();
QStringList defaultCallNames();

// Lists of calls named after their list: list("A1", 3) is A1 #1 .. A1 #3.
CallDatabase::CallList list(const QString &name, int calls);

// A program run to its end in folder: exit status, standard output and error.
struct Run
{
    int status;
    QString out, err;
};
Run run(const QString &program, const QStringList &args, const QString &folder = {});

// A monotonic reading the test moves by hand.
struct ManualClock : TimeSource
{
    qint64 nowMs() const override { return now; }
    qint64 now = 5'000'000;
};

// Runs a command that needs the machine's consent (chattr, mount): empty when it
// worked, else why not, for the test to skip with.
QString privileged(const QStringList &command);

// One column of a model (a combo box's too), row by row.
QStringList cells(const QAbstractItemModel *model, int column = 0);

// The named controls of a window in the order Tab visits them.
QStringList tabOrder(QWidget *window);

// Records every message instead of showing a box.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    QStringList messages;
    QStringList questions; // answered with answer
    bool answer = false;
};

// A press (or toggle) as assistive technology sends it: it returns at once,
// and the click lands when the event loop has run; false if it never did.
bool pressAccessibly(QWidget *control);

// The words of a PDF (pdftotext -bbox) nearer than mm to an edge of their page,
// or why the PDF could not be read.
QStringList wordsNearEdge(const QString &pdf, double mm);
