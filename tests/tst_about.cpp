#include "testsupport.h"

#include "app/Launcher.h"
#include "app/Registry.h"
#include "app/frmAbout.h"

#include <QLabel>
#include <QMap>
#include <QSet>
#include <QTest>

const QByteArray ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"; // lookup A: the program's path
const QByteArray FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location"; // lookup B: its folder
const QString PathA = "C:\\A\\msinfo32.exe", FileInB = "C:\\B\\MSINFO32.EXE";

// A registry of a few keys answering like the Windows calls do, and files and programs.
struct FakePlatform : Registry, Launcher
{
    QMap<QByteArray, QMap<QByteArray, QPair<quint32, QByteArray>>> keys; // value name: type and bytes
    QList<QByteArray> opened; // key i + 1 is opened[i]
    QSet<Key> open;
    QSet<QString> files, programs; // files that exist, programs that start
    QStringList started;
    FakePlatform() { frmAbout::instance().setPlatform(this, this); }
    qint32 openKey(quint32 root, const QByteArray &subKey, quint32, Key *key) override
    {
        opened.append(subKey);
        *key = root == LocalMachine && keys.contains(subKey) ? Key(opened.size()) : 0;
        return *key ? (open.insert(*key), Success) : FileNotFound;
    }
    qint32 queryValue(Key key, const QByteArray &name, quint32 *type, char *data, quint32 *size) override
    {
        const auto [valueType, bytes] = keys.value(opened.value(int(key) - 1)).value(name);
        if (!open.contains(key) || !valueType)
            return FileNotFound;
        *type = valueType;
        if (std::exchange(*size, quint32(bytes.size())) < *size)
            return MoreData;
        memcpy(data, bytes.constData(), *size);
        return Success;
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
    void box();
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
};

void tst_About::box()
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) { // OK is the default and the cancel button
        frmAbout::instance().show();
        QWidget *box = frmAbout::instance().window();
        QCOMPARE(box->windowTitle(), QString("About Vorlet"));
        QCOMPARE(box->findChild<QLabel *>("lblTitle")->text(), QString("Vorlet"));
        QCOMPARE(box->findChild<QLabel *>("lblVersion")->text(), QString("Version 1.0.1"));
        QTest::keyClick(box, key);
        QTRY_VERIFY(!frmAbout::instance().isLoaded());
    }
}

void tst_About::getKeyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");
    QTest::newRow("trailing NUL dropped") << 1u << PathA.toLatin1() + '\0' << true << PathA;
    QTest::newRow("last character kept") << 1u << PathA.toLatin1() << true << PathA;
    QTest::newRow("1024 bytes") << 1u << QByteArray(1024, 'x') << true << QString(1024, 'x');
    QTest::newRow("1025 bytes") << 1u << QByteArray(1025, 'x') << false << QString();
    QTest::newRow("number as text") << 4u << QByteArray("\x05\x01\x00\x00", 4) << true << "261";
    QTest::newRow("other type leaves the text") << 2u << QByteArray("%WINDIR%\0", 9) << true << "before";
}

void tst_About::getKeyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    FakePlatform fake;
    fake.keys[ToolKey] = {{"OTHER", {1, "other"}}, {"PATH", {type, data}}};
    QString value = "before";
    QTEST(frmAbout::instance().GetKeyValue(Registry::LocalMachine, ToolKey, "PATH", value), "read");
    QTEST(value, "text");
    QVERIFY(fake.open.isEmpty()); // every key opened is closed again
}

void tst_About::startSysInfo_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("started");
    QTest::newRow("A wins though B is there") << QStringList{"A", "A starts", "B", "file in B"} << PathA;
    QTest::newRow("A's program fails to start") << QStringList{"A", "B", "file in B"} << QString();
    QTest::newRow("A holds no bytes: an error") << QStringList{"A", "no bytes", "B", "file in B"} << QString();
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
    if (setup.contains("A"))
        fake.keys[ToolKey]["PATH"] = {1, setup.contains("no bytes") ? QByteArray() : PathA.toLatin1() + '\0'};
    if (setup.contains("B"))
        fake.keys[FolderKey]["MSINFO"] = {1, QByteArray("C:\\B\0", 5)};
    fake.files = {setup.contains("file in B") ? FileInB : QString()};
    fake.programs = {FileInB, setup.contains("A starts") ? PathA : QString()};
    frmAbout::instance().show();
    QTest::mouseClick(frmAbout::instance().window()->findChild<QWidget *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(fake.started.join(u'|'), started);
    QCOMPARE(log.messages.join(u'|'), started.isEmpty() ? "System Information Is Unavailable At This Time" : "");
    QVERIFY(fake.open.isEmpty() && frmAbout::instance().isShown());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
