#include "testsupport.h"

#include "app/Form.h"
#include "app/Launcher.h"
#include "app/Registry.h"
#include "app/frmAbout.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>

namespace {
const QByteArray ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// A registry of a few keys, answering like the Windows calls do.
class FakeRegistry : public Registry
{
public:
    struct Value
    {
        quint32 type;
        QByteArray data;
    };
    QMap<QByteArray, QMap<QByteArray, Value>> keys;
    QSet<QByteArray> denied;
    QList<QByteArray> opened;
    QSet<Key> open;
    QList<quint32> roots;
    QList<quint32> accesses;

    void setString(const QByteArray &key, const QByteArray &name, const QByteArray &text)
    {
        keys[key][name] = {TypeString, text + '\0'};
    }

    qint32 openKey(quint32 root, const QByteArray &subKey, quint32 access, Key *key) override
    {
        opened.append(subKey);
        roots.append(root);
        accesses.append(access);
        *key = 0;
        if (denied.contains(subKey))
            return AccessDenied;
        if (root != LocalMachine || !keys.contains(subKey))
            return FileNotFound;
        *key = Key(1000 + opened.size());
        m_paths[*key] = subKey;
        open.insert(*key);
        return Success;
    }

    qint32 queryValue(Key key, const QByteArray &valueName, quint32 *type, char *data, quint32 *size) override
    {
        if (!open.contains(key))
            return InvalidHandle;
        const auto values = keys.value(m_paths.value(key));
        if (!values.contains(valueName))
            return FileNotFound;
        const Value v = values.value(valueName);
        *type = v.type;
        if (quint32(v.data.size()) > *size) {
            *size = quint32(v.data.size());
            return MoreData;
        }
        memcpy(data, v.data.constData(), size_t(v.data.size()));
        *size = quint32(v.data.size());
        return Success;
    }

    qint32 closeKey(Key key) override { return open.remove(key) ? Success : InvalidHandle; }

private:
    QMap<Key, QByteArray> m_paths;
};

class FakeLauncher : public Launcher
{
public:
    QSet<QString> files;    // ordinary files that exist
    QSet<QString> programs; // what starts
    QStringList asked;
    QStringList started;

    bool fileExists(const QString &path) override
    {
        asked.append(path);
        return files.contains(path);
    }
    bool start(const QString &path) override
    {
        if (!programs.contains(path))
            return false;
        started.append(path);
        return true;
    }
};
} // namespace

class tst_About : public QObject
{
    Q_OBJECT

private slots:
    void opensModelessOnce();
    void closes_data();
    void closes();
    void enterOnSysInfoRunsIt();
    void getKeyValue_data();
    void getKeyValue();
    void emptyValueIsAnError();
    void startSysInfo_data();
    void startSysInfo();
    void sysInfoTwiceStartsTwice();
    void systemRegistryHere();
};

void tst_About::opensModelessOnce()
{
    TestDatabase db({list("B", 2)});
    MessageLog log;
    frmMain::instance().show();
    auto *about = frmMain::instance().window()->findChild<QPushButton *>("cmdAbout");
    QTest::mouseClick(about, Qt::LeftButton);
    QVERIFY(frmAbout::instance().isShown());
    QPointer<QWidget> box = frmAbout::instance().window();
    QCOMPARE(box->windowTitle(), QString("About Vorlet"));
    QCOMPARE(box->findChild<QLabel *>("lblTitle")->text(), QString("Vorlet"));
    QCOMPARE(box->findChild<QLabel *>("lblVersion")->text(), QString("Version 1.0.1"));
    QVERIFY(!box->findChild<QLabel *>("picIcon")->pixmap().isNull());
    QVERIFY(!box->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!box->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(frmMain::instance().isShown());

    // A second press finds the box open and leaves it as it is.
    box->findChild<QLabel *>("lblTitle")->setText("changed");
    QTest::mouseClick(about, Qt::LeftButton);
    QCOMPARE(frmAbout::instance().window(), box.data());
    QCOMPARE(box->findChild<QLabel *>("lblTitle")->text(), QString("changed"));
    QVERIFY(log.messages.isEmpty());
}

void tst_About::closes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "OK";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("close box") << "close";
}

void tst_About::closes()
{
    QFETCH(QString, how);
    TestDatabase db({list("B", 2)});
    MessageLog log;
    frmMain::instance().show();
    frmAbout &about = frmAbout::instance();
    about.show();
    QWidget *box = about.window();
    box->findChild<QLabel *>("lblTitle")->setText("changed");
    if (how == "OK")
        QTest::mouseClick(box->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    else if (how == "Esc")
        QTest::keyClick(box, Qt::Key_Escape);
    else if (how == "Enter")
        QTest::keyClick(box, Qt::Key_Return);
    else
        box->close();
    QTRY_VERIFY(!about.isLoaded());
    QVERIFY(frmMain::instance().isShown());

    // The next opening loads it afresh.
    QTest::mouseClick(frmMain::instance().window()->findChild<QPushButton *>("cmdAbout"), Qt::LeftButton);
    QCOMPARE(about.window()->findChild<QLabel *>("lblTitle")->text(), QString("Vorlet"));
    QVERIFY(log.messages.isEmpty());
}

void tst_About::enterOnSysInfoRunsIt()
{
    TestDatabase db({list("B", 2)});
    MessageLog log;
    FakeRegistry registry;
    FakeLauncher launcher;
    frmAbout &about = frmAbout::instance();
    about.setPlatform(&registry, &launcher);
    about.show();
    QVERIFY(QTest::qWaitForWindowActive(about.window()));
    auto *sysInfo = about.window()->findChild<QPushButton *>("cmdSysInfo");
    sysInfo->setFocus();
    QTest::keyClick(about.window(), Qt::Key_Return);
    QTRY_COMPARE(log.messages, QStringList{frmAbout::Unavailable});
    QVERIFY(about.isShown());
}

void tst_About::getKeyValue_data()
{
    QTest::addColumn<bool>("keyThere");
    QTest::addColumn<bool>("denied");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data"); // empty: the value is missing
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");

    const QByteArray path = "C:\\Tools\\msinfo32.exe";
    QTest::newRow("string with NUL") << true << false << 1u << path + '\0' << true << QString(path);
    QTest::newRow("string without NUL") << true << false << 1u << path << true << QString(path);
    QTest::newRow("only a NUL") << true << false << 1u << QByteArray(1, '\0') << true << QString();
    QTest::newRow("inner NUL kept") << true << false << 1u << QByteArray("ab\0cd", 5) << true
                                    << QString::fromLatin1("ab\0cd", 5);
    QTest::newRow("1024 bytes") << true << false << 1u << QByteArray(1024, 'x') << true
                                << QString(1024, 'x');
    QTest::newRow("1023 bytes and NUL") << true << false << 1u << QByteArray(1023, 'y') + '\0' << true
                                        << QString(1023, 'y');
    QTest::newRow("1025 bytes") << true << false << 1u << QByteArray(1025, 'x') << false << QString();
    QTest::newRow("number") << true << false << 4u << QByteArray("\x05\x01\x00\x00", 4) << true << "261";
    QTest::newRow("big number") << true << false << 4u << QByteArray("\x78\x56\x34\x12", 4) << true
                                << "305419896";
    QTest::newRow("expandable string") << true << false << 2u << QByteArray("%WINDIR%\0", 9) << true
                                       << "before";
    QTest::newRow("value missing") << true << false << 1u << QByteArray() << false << QString();
    QTest::newRow("key missing") << false << false << 1u << QByteArray() << false << QString();
    QTest::newRow("key denied") << true << true << 1u << path + '\0' << false << QString();
}

void tst_About::getKeyValue()
{
    QFETCH(bool, keyThere);
    QFETCH(bool, denied);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    TestDatabase db({list("B", 1)});
    FakeRegistry registry;
    FakeLauncher launcher;
    if (keyThere) {
        registry.keys[ToolKey]["OTHER"] = {1, "other"};
        if (!data.isEmpty())
            registry.keys[ToolKey]["PATH"] = {type, data};
    }
    if (denied)
        registry.denied.insert(ToolKey);
    frmAbout &about = frmAbout::instance();
    about.setPlatform(&registry, &launcher);

    QString value = "before";
    QTEST(about.GetKeyValue(Registry::LocalMachine, QString::fromLatin1(ToolKey), "PATH", value), "read");
    QTEST(value, "text");
    QCOMPARE(registry.opened, QList<QByteArray>{ToolKey});
    QCOMPARE(registry.roots, QList<quint32>{0x80000002u});
    QCOMPARE(registry.accesses, QList<quint32>{0x2003Fu});
    QVERIFY(registry.open.isEmpty()); // every key opened is closed again
    QVERIFY(!about.isLoaded());
}

void tst_About::emptyValueIsAnError()
{
    TestDatabase db({list("B", 1)});
    MessageLog log;
    FakeRegistry registry;
    FakeLauncher launcher;
    // An empty value reads as zero bytes, which has no last character to test.
    registry.keys[ToolKey]["PATH"] = {Registry::TypeString, QByteArray()};
    frmAbout &about = frmAbout::instance();
    about.setPlatform(&registry, &launcher);
    QString value = "before";
    QVERIFY_THROWS_EXCEPTION(std::exception,
                             about.GetKeyValue(Registry::LocalMachine, QString::fromLatin1(ToolKey), "PATH", value));
    QVERIFY(registry.open.isEmpty());

    registry.setString(FolderKey, "MSINFO", "C:\\Folder");
    launcher.files.insert("C:\\Folder\\MSINFO32.EXE");
    launcher.programs.insert("C:\\Folder\\MSINFO32.EXE");
    about.StartSysInfo();
    // The error ends the search: the folder key is never tried.
    QCOMPARE(log.messages, QStringList{frmAbout::Unavailable});
    QVERIFY(launcher.started.isEmpty());
    QVERIFY(!registry.opened.contains(FolderKey));
}

void tst_About::startSysInfo_data()
{
    QTest::addColumn<QString>("toolPath");   // value of lookup A; empty: no key
    QTest::addColumn<quint32>("toolType");
    QTest::addColumn<QString>("folderPath"); // value of lookup B; empty: no key
    QTest::addColumn<bool>("toolDenied");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("startable");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("folderTried");

    const QString tool = "C:\\A\\msinfo32.exe";
    const QString inFolder = "C:\\B\\MSINFO32.EXE";
    QTest::newRow("tool key wins") << tool << 1u << "C:\\B" << false << QStringList{inFolder}
                                   << QStringList{tool, inFolder} << QStringList{tool} << false;
    QTest::newRow("tool key path does not start") << tool << 1u << "C:\\B" << false << QStringList{inFolder}
                                                  << QStringList{inFolder} << QStringList() << false;
    QTest::newRow("folder with file") << QString() << 1u << "C:\\B" << false << QStringList{inFolder}
                                      << QStringList{inFolder} << QStringList{inFolder} << true;
    QTest::newRow("folder without file") << QString() << 1u << "C:\\B" << false << QStringList()
                                         << QStringList{inFolder} << QStringList() << true;
    QTest::newRow("neither key") << QString() << 1u << QString() << false << QStringList()
                                 << QStringList() << QStringList() << true;
    QTest::newRow("tool key denied") << tool << 1u << "C:\\B" << true << QStringList{inFolder}
                                     << QStringList{tool, inFolder} << QStringList{inFolder} << true;
    QTest::newRow("tool value of another type") << tool << 2u << "C:\\B" << false << QStringList{inFolder}
                                                << QStringList{tool, inFolder} << QStringList() << false;
}

void tst_About::startSysInfo()
{
    QFETCH(QString, toolPath);
    QFETCH(quint32, toolType);
    QFETCH(QString, folderPath);
    QFETCH(bool, toolDenied);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, startable);
    QFETCH(QStringList, started);
    QFETCH(bool, folderTried);
    TestDatabase db({list("B", 1)});
    MessageLog log;
    FakeRegistry registry;
    FakeLauncher launcher;
    if (!toolPath.isEmpty())
        registry.keys[ToolKey]["PATH"] = {toolType, toolPath.toLocal8Bit() + '\0'};
    if (toolDenied)
        registry.denied.insert(ToolKey);
    if (!folderPath.isEmpty())
        registry.setString(FolderKey, "MSINFO", folderPath.toLocal8Bit());
    launcher.files = QSet<QString>(existing.begin(), existing.end());
    launcher.programs = QSet<QString>(startable.begin(), startable.end());
    frmAbout &about = frmAbout::instance();
    about.setPlatform(&registry, &launcher);
    about.show();

    QTest::mouseClick(about.window()->findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(launcher.started, started);
    QCOMPARE(log.messages, started.isEmpty() ? QStringList{frmAbout::Unavailable} : QStringList());
    QCOMPARE(registry.opened.contains(FolderKey), folderTried);
    QVERIFY(registry.open.isEmpty());
    QVERIFY(about.isShown());
}

void tst_About::sysInfoTwiceStartsTwice()
{
    TestDatabase db({list("B", 1)});
    MessageLog log;
    FakeRegistry registry;
    FakeLauncher launcher;
    registry.setString(ToolKey, "PATH", "C:\\A\\msinfo32.exe");
    launcher.programs.insert("C:\\A\\msinfo32.exe");
    frmAbout &about = frmAbout::instance();
    about.setPlatform(&registry, &launcher);
    about.show();
    auto *sysInfo = about.window()->findChild<QPushButton *>("cmdSysInfo");
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QTest::mouseClick(sysInfo, Qt::LeftButton);
    QCOMPARE(launcher.started, QStringList({"C:\\A\\msinfo32.exe", "C:\\A\\msinfo32.exe"}));
    QVERIFY(log.messages.isEmpty());
}

void tst_About::systemRegistryHere()
{
#ifdef Q_OS_WIN
    QSKIP("the real registry may hold the tool's keys");
#else
    TestDatabase db({list("B", 1)});
    MessageLog log;
    frmAbout &about = frmAbout::instance();
    about.show();
    QTest::mouseClick(about.window()->findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(log.messages, QStringList{frmAbout::Unavailable});
    QVERIFY(about.isShown());
#endif
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
