#include "testsupport.h"

#include "ui/kit/Presses.h"

#include "ui/kit/Message.h"
#include "ui/kit/WaitingWindow.h"
#include "core/data/dataCall.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>

namespace {
const QString CheckConnection = QStringLiteral("test-check");

QSqlQuery run(const QString &path, const QString &sql, const QVariantList &params)
{
    QSqlDatabase db = QSqlDatabase::contains(CheckConnection)
                          ? QSqlDatabase::database(CheckConnection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CheckConnection);
    if (db.databaseName() != path || !db.isOpen()) {
        db.close();
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
    }
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &p : params)
        q.addBindValue(p);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}
} // namespace

TestDatabase::TestDatabase()
{
    WaitingWindow::install();
    Form::destroyAll();
    dataCall::destroy();
    m_previousDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    // Remembered choices start afresh too, and never reach the user's own settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    CallDatabase::setPath(path());
}

TestDatabase::TestDatabase(const QList<CallDatabase::CallList> &lists)
    : TestDatabase()
{
    QString error;
    if (!CallDatabase::create(path(), lists, &error))
        qFatal("cannot build the test database: %s", qPrintable(error));
}

TestDatabase::~TestDatabase()
{
    Form::destroyAll();
    dataCall::destroy();
    if (QSqlDatabase::contains(CheckConnection)) {
        QSqlDatabase::database(CheckConnection, false).close();
        QSqlDatabase::removeDatabase(CheckConnection);
    }
    QDir::setCurrent(m_previousDir);
}

QVariant TestDatabase::value(const QString &sql, const QVariantList &params) const
{
    QSqlQuery q = run(path(), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

QStringList TestDatabase::column(const QString &sql, const QVariantList &params) const
{
    QSqlQuery q = run(path(), sql, params);
    QStringList values;
    while (q.next())
        values.append(q.value(0).toString());
    return values;
}

CallDatabase::CallList list(const QString &name, int calls)
{
    CallDatabase::CallList l{name, {}};
    for (int i = 1; i <= calls; ++i)
        l.calls.append(QStringLiteral("%1 #%2").arg(name).arg(i));
    return l;
}

Run run(const QString &program, const QStringList &args, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}, QStringLiteral("%1 did not finish").arg(program)};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

QString privileged(const QStringList &command)
{
    const Run r = run(command.first(), command.mid(1));
    if (r.status != 0)
        return QStringLiteral("this machine refuses \"%1\": %2").arg(command.join(u' '), r.err.trimmed());
    return {};
}

QStringList cells(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts;
}

QStringList tabOrder(QWidget *window)
{
    QStringList names;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (!w->objectName().isEmpty() && w->window() == window && (w->focusPolicy() & Qt::TabFocus))
            names.append(w->objectName());
    }
    return names;
}

MessageLog::MessageLog()
{
    Message::setObserver([this](const QString &text) { messages.append(text); });
    Message::setAnswerer([this](const QString &text) {
        questions.append(text);
        return answer;
    });
}

MessageLog::~MessageLog()
{
    Message::setObserver({});
    Message::setAnswerer({});
}

CallFormControls &getList(const QString &text)
{
    frmMain::instance().show();
    frmMain::instance().ui().box_List->setEditText(text);
    QTest::mouseClick(frmMain::instance().ui().cmdGo, Qt::LeftButton);
    return CallForm::instance().ui();
}

int used(const TestDatabase &db)
{
    return db.value(QStringLiteral("SELECT SUM(Used) FROM tblCalls")).toInt();
}

QList<CallDatabase::CallList> defaultLists()
{
    QFile file(QStringLiteral(VORLET_DEFAULT_CALLS));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", VORLET_DEFAULT_CALLS);
    QString error;
    const QList<CallDatabase::CallList> lists = CallDatabase::parse(QString::fromUtf8(file.readAll()), &error);
    if (!error.isEmpty())
        qFatal("%s: %s", VORLET_DEFAULT_CALLS, qPrintable(error));
    return lists;
}

QStringList defaultCallNames()
{
    QStringList names;
    for (const CallDatabase::CallList &l : defaultLists())
        names += l.calls;
    return names;
}

bool pressAccessibly(QWidget *control)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
    if (!a || !a->actionInterface() || a->actionInterface()->actionNames().isEmpty())
        return false;
    a->actionInterface()->doAction(a->actionInterface()->actionNames().constFirst());
    return QTest::qWaitFor([] { return Presses::pending() == 0; }, 2000);
}

QStringList wordsNearEdge(const QString &pdf, double mm)
{
    const Run r = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (r.status != 0)
        return {QStringLiteral("pdftotext failed: ") + r.err};
    const double least = mm * 72 / 25.4;
    double width = 0, height = 0;
    QStringList near;
    const QRegularExpression tag(QStringLiteral(R"x(<page width="([\d.]+)" height="([\d.]+)"|)x"
                                                R"x(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*))x"));
    for (const QRegularExpressionMatch &m : tag.globalMatch(r.out)) {
        if (!m.captured(1).isEmpty()) {
            width = m.captured(1).toDouble(), height = m.captured(2).toDouble();
            continue;
        }
        if (m.captured(3).toDouble() < least || m.captured(4).toDouble() < least
            || m.captured(5).toDouble() > width - least || m.captured(6).toDouble() > height - least)
            near << m.captured(7);
    }
    return near;
}
