// The evening's own file: each change written before it counts, each tip whole,
// the same evening and tip after a kill -9, and files that cannot serve refused.
#include "core/data/DataError.h"
#include "core/data/Waiting.h"
#include "core/rotation/EveningFile.h"
#include "core/rotation/Plan.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Rotation;

namespace {

// Everything a face shows of an evening, as text to compare.
QString snapshot(const Evening &e)
{
    QString text = csv(e);
    for (int d = 0; d < e.dancers().size(); ++d)
        text += QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                    .arg(e.dancers()[d].name)
                    .arg(static_cast<int>(e.dancers()[d].status))
                    .arg(e.tipsDanced(d))
                    .arg(e.tipsPresent(d))
                    .arg(e.heads(d))
                    .arg(e.sides(d));
    return text + QStringLiteral("seed %1 squares %2\n").arg(e.seed()).arg(e.squareLimit());
}

void fill(EveningFile &file)
{
    file.startNew(42);
    for (int i = 1; i <= 10; ++i)
        file.addDancer(QStringLiteral("Couple %1").arg(i), Kind::Couple);
    file.addDancer("Bo", Kind::Boy);
    file.addDancer("Gia", Kind::Girl);
    file.addDancer("Eli", Kind::Either);
}

// A file of the filled evening with tips danced, closed again.
void played(const QString &path, int tips)
{
    EveningFile file(path);
    file.open();
    fill(file);
    for (int t = 0; t < tips; ++t)
        file.nextTip();
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The child of killedBetweenTips: plays tips into the file until it is killed.
int playUntilKilled(const QString &path)
{
    EveningFile file(path);
    file.open();
    for (int tip = 0; tip < 100000; ++tip) {
        file.nextTip();
        printf("%d\n", static_cast<int>(file.evening().tips().size()));
        fflush(stdout);
    }
    return 0;
}

} // namespace

class tst_RotationFile : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Waiting::setTimeouts(15000, 30000); }
    void reopensOnTheSameTip();
    void unusableFiles_data();
    void unusableFiles();
    void lockedFileChangesNothing();
    void killedBetweenTips();
};

// Each change is in the file at once: opened again after each step, the same
// evening, on the same tip, with undo and a new evening written like the rest.
void tst_RotationFile::reopensOnTheSameTip()
{
    QCOMPARE(EveningFile::pathBeside("/halls/club/Call_List.db"), QString("/halls/club/Call_Evening.db"));
    QTemporaryDir dir;
    const QString path = dir.filePath("Call_Evening.db");
    QString before;
    Evening carriedOn;
    {
        EveningFile file(path);
        file.open();
        QVERIFY(file.evening().dancers().isEmpty());
        QVERIFY(!QFileInfo::exists(path)); // opening alone creates nothing
        QVERIFY(!file.undoTip());
        fill(file);
        QVERIFY(QFileInfo::exists(path));
        file.nextTip();
        file.setStatus(3, Status::Out);
        file.nextTip();
        QCOMPARE(file.evening().dancers()[3].status, Status::Present); // out for one tip only
        file.addDancer("Late", Kind::Couple);
        file.setStatus(0, Status::Absent);
        file.setStatus(5, Status::MustDance);
        file.setStatus(2, Status::Out);
        file.setSquareLimit(2);
        before = snapshot(file.evening());
        carriedOn = file.evening();
    }
    EveningFile again(path);
    again.open();
    QCOMPARE(snapshot(again.evening()), before);
    // The evening goes on as it would have without the file in between.
    carriedOn.nextTip();
    again.nextTip();
    QCOMPARE(snapshot(again.evening()), snapshot(carriedOn));
    QCOMPARE(again.evening().tips().last().squares, 2);
    QCOMPARE(again.evening().dancers()[2].status, Status::Present);
    // The tip taken back gives the statuses it used up back, in the file too.
    QVERIFY(again.undoTip());
    EveningFile third(path);
    third.open();
    QCOMPARE(snapshot(third.evening()), before);

    third.startNew(7, 3);
    QVERIFY(third.evening().dancers().isEmpty());
    EveningFile fourth(path);
    fourth.open();
    QVERIFY(fourth.evening().dancers().isEmpty());
    QVERIFY(fourth.evening().tips().isEmpty());
    QCOMPARE(fourth.evening().seed(), 7u);
    QCOMPARE(fourth.evening().squareLimit(), 3);
}

void tst_RotationFile::unusableFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("a folder in its place") << "folder" << "is not a file";
    QTest::newRow("not an evening file") << "text" << "is not an evening file";
    QTest::newRow("from a newer Vorlet") << "newer" << "was written by a newer version of Vorlet";
    QTest::newRow("a tip without its dancers") << "damaged" << "is damaged: tip 1 does not hold every dancer";
    QTest::newRow("a status out of range") << "status" << "is damaged: dancer 2 has no known kind or status";
}

void tst_RotationFile::unusableFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("Call_Evening.db");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir("Call_Evening.db"));
    } else if (kind == QLatin1String("text")) {
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray("Tip 1\n  Square 1\n").repeated(200));
    } else {
        played(path, 1);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tamper");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        const QHash<QString, QString> tamper = {{"newer", "PRAGMA user_version = 99"},
                                                {"damaged", "DELETE FROM spot WHERE dancer = 4"},
                                                {"status", "UPDATE dancer SET status = 99 WHERE id = 1"}};
        QVERIFY2(q.exec(tamper.value(kind)), qPrintable(q.lastError().text()));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("tamper");
    }
    const QByteArray bytes = bytesOf(path);
    EveningFile file(path);
    try {
        file.open();
        file.addDancer("Ann & Bob", Kind::Couple);
        QFAIL("the file was taken");
    } catch (const DataError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QDir::toNativeSeparators(path)), qPrintable(e.message()));
        QCOMPARE(e.file(), path);
        QVERIFY(!e.line().contains('\n')); // the command line's form
    }
    QVERIFY(file.evening().dancers().isEmpty());
    QCOMPARE(bytesOf(path), bytes); // left as it was
}

void tst_RotationFile::lockedFileChangesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Call_Evening.db");
    EveningFile file(path);
    file.open();
    fill(file);
    file.nextTip();
    const QString before = snapshot(file.evening());

    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "holder");
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery hold(db);
    QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
    Waiting::setTimeouts(300, 300);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            attempt == 0 ? void(file.nextTip()) : file.setStatus(1, Status::Out);
            QFAIL("written through the lock");
        } catch (const DataError &e) {
            QVERIFY(e.isBusy());
            QVERIFY2(e.message().contains("is locked by another program"), qPrintable(e.message()));
        }
        QCOMPARE(snapshot(file.evening()), before);
    }
    QVERIFY(hold.exec("ROLLBACK"));
    hold = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("holder");
    file.nextTip(); // free again: the same evening goes on
    QCOMPARE(file.evening().tips().size(), 2);
    EveningFile again(path);
    again.open();
    QCOMPARE(snapshot(again.evening()), snapshot(file.evening()));
}

void tst_RotationFile::killedBetweenTips()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Call_Evening.db");
    Evening planned;
    {
        EveningFile file(path);
        file.open();
        fill(file);
        planned = file.evening();
    }
    for (int round = 0; round < 5; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORLET_PLAY_EVENING", path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        int reported = 0;
        const auto read = [&] {
            for (const QByteArray &line : child.readAll().split('\n')) {
                if (!line.isEmpty())
                    reported = line.toInt();
            }
        };
        // Killed after a few tips, at a moment of its own: mid-tip as often as not.
        const int until = 3 + round * 2;
        while (reported < until && child.waitForReadyRead(10000))
            read();
        QThread::msleep(round);
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        read();

        EveningFile file(path);
        file.open();
        const int tips = static_cast<int>(file.evening().tips().size());
        QVERIFY2(tips >= reported && tips >= until, qPrintable(QStringLiteral("%1 of %2").arg(tips).arg(reported)));
        // Every tip whole, and the one the seed gives.
        while (planned.tips().size() < tips)
            planned.nextTip();
        QCOMPARE(snapshot(file.evening()), snapshot(planned));
        QVERIFY(figures(file.evening(), 0).valid);
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString play = qEnvironmentVariable("VORLET_PLAY_EVENING");
    if (!play.isEmpty())
        return playUntilKilled(play);
    tst_RotationFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rotation_file.moc"
