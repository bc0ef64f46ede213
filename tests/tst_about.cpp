#include "core/app/AppIdentity.h"
#include "core/app/Launcher.h"
#include "core/app/Registry.h"
#include "ui/app/frmAbout.h"
#include "testsupport.h"

#include <QProcess>

const QByteArray ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"; // lookup A: the program's path
const QByteArray FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location"; // lookup B: its folder
const QString PathA = "C:\\A\\msinfo32.exe", FileInB = "C:\\B\\MSINFO32.EXE";

struct FakePlatform : Registry, Launcher // keys answering like the Windows calls do; files and programs
{
    QMap<QByteArray, QMap<QByteArray, QPair<quint32, QByteArray>>> keys; // value name: type and bytes
    QSet<Key> open; // key i + 1 is keys.keys()[i]
    QSet<QString> files, programs; // files that exist, programs that start
    QStringList started;
    FakePlatform() { frmAbout::instance().setPlatform(this, this); }
    qint32 openKey(quint32 root, const QByteArray &subKey, quint32, Key *key) override
    {
        *key = root == LocalMachine && keys.contains(subKey) ? Key(keys.keys().indexOf(subKey) + 1) : 0;
        return *key ? (open.insert(*key), Success) : FileNotFound;
    }
    qint32 queryValue(Key key, const QByteArray &name, quint32 *type, char *data, quint32 *size) override
    {
        const auto [valueType, bytes] = keys.value(keys.keys().value(int(key) - 1)).value(name);
        if (!open.contains(key) || !valueType)
            return FileNotFound;
        *type = valueType;
        const bool fits = std::exchange(*size, quint32(bytes.size())) >= *size;
        return fits ? (memcpy(data, bytes.constData(), *size), Success) : MoreData;
    }
    qint32 closeKey(Key key) override { return open.remove(key) ? Success : InvalidHandle; }
    bool fileExists(const QString &path) override { return files.contains(path); }
    bool start(const QString &path) override { return programs.contains(path) && (started.append(path), true); }
};

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Form::destroyAll(); }
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
    void everyProgramTellsItsVersion_data();
    void everyProgramTellsItsVersion();
};

void tst_About::everyProgramTellsItsVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
    QTest::newRow("the program") << VORLET_PROGRAM << "Vorlet";
    QTest::newRow("vorlet-lists") << VORLET_LISTS << "vorlet-lists";
    QTest::newRow("vorlet-makedb") << VORLET_MAKEDB << "vorlet-makedb";
    QTest::newRow("vorlet-rotate") << VORLET_ROTATE << "vorlet-rotate";
}

void tst_About::everyProgramTellsItsVersion()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    // No display either: the answer comes before any window.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"), env.remove("DISPLAY"), env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(program, {"--version"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), name + ' ' + AppIdentity::version() + '\n');
}

void tst_About::getKeyValue()
{
    FakePlatform fake;
    fake.keys[ToolKey] = {{"OTHER", {1, "other"}}, {"TEXT", {1, QByteArray(1024, 'x')}},
                          {"NUMBER", {4, QByteArray("\x05\x01\x00\x00", 4)}}, {"EXPAND", {2, "%WINDIR%"}}};
    const QPair<const char *, QString> reads[] = {
        {"TEXT", QString(1024, 'x')}, {"NUMBER", "261"}, {"EXPAND", "before"}}; // other types leave the text
    for (const auto &[name, text] : reads) {
        QString value = "before";
        QVERIFY2(frmAbout::instance().GetKeyValue(Registry::LocalMachine, ToolKey, name, value), name);
        QCOMPARE(value, text);
    }
}

void tst_About::startSysInfo_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("started");
    QTest::newRow("A wins though B is there") << QStringList{"A", "A starts", "B", "file in B"} << PathA;
    QTest::newRow("A's program fails to start") << QStringList{"A", "B", "file in B"} << QString();
    QTest::newRow("A holds no bytes: an error") << QStringList{"A", "no bytes", "B", "file in B"} << QString();
    QTest::newRow("A over 1024 bytes: B") << QStringList{"A", "too long", "B", "file in B"} << FileInB;
    QTest::newRow("B with the file") << QStringList{"B", "file in B"} << FileInB;
    QTest::newRow("B without the file") << QStringList{"B"} << QString();
    QTest::newRow("neither key") << QStringList() << QString();
}

void tst_About::startSysInfo()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, started);
    MessageLog log;
    FakePlatform fake;
    const QByteArray a = setup.contains("too long") ? QByteArray(1025, 'x') : PathA.toLatin1() + '\0';
    if (setup.contains("A"))
        fake.keys[ToolKey]["PATH"] = {1, setup.contains("no bytes") ? QByteArray() : a};
    if (setup.contains("B"))
        fake.keys[FolderKey]["MSINFO"] = {1, QByteArray("C:\\B\0", 5)};
    fake.files = {setup.contains("file in B") ? FileInB : QString()};
    fake.programs = {FileInB, setup.contains("A starts") ? PathA : QString()};
    frmAbout::instance().show();
    QTest::mouseClick(frmAbout::instance().window()->findChild<QWidget *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(fake.started.join(u'|'), started);
    QCOMPARE(log.messages.join(u'|'), started.isEmpty() ? "System Information Is Unavailable At This Time" : "");
    QVERIFY(fake.open.isEmpty() && frmAbout::instance().isShown()); // every key opened is closed again
    QTest::keyClick(frmAbout::instance().window(), Qt::Key_Escape); // OK is the cancel button
    QTRY_VERIFY(!frmAbout::instance().isLoaded());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
