#include "LogCapture.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

namespace {

const QStringList kSubFolders{"runs",   "media",        "desktops", "closedDesktops", "desktops_analyze",
                              "closedDesktops_analyze", "translations", "log"};

int modeOf(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_mode & 0777;
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void staticStoreCreatesFolders();
    void existingFoldersAreReusedAndMissingOnesCreated();
    void rootHomeMovesTheConfigurationFolder();
    void iniFileAndBackupsAreOwnerOnly();
    void backupsWithinOneSecond();
    void base64_data();
    void base64();
    void deviceCode();
    void deviceCodeFromAnotherThread();
    void enumLabels();
    void translatorChoice();
    void storageSpaceThreshold_data();
    void storageSpaceThreshold();
    void listOfDoublesIsStoredWithoutCount();
    void badValuesGiveDefaults();
};

void TestSettingsStore::staticStoreCreatesFolders()
{
    const QDir home(QDir::homePath());
    QVERIFY(home.exists(QStringLiteral(".zembo")));
    for (const QString& sub : kSubFolders)
        QVERIFY2(home.exists(QStringLiteral(".zembo/") + sub), qPrintable(sub));
    QVERIFY(!home.exists(QStringLiteral(".zembo/saved")));
    QCOMPARE(theSettings.runsDir.absolutePath(), home.absoluteFilePath(QStringLiteral(".zembo/runs")));
    QCOMPARE(theSettings.iniFilePath(), home.absoluteFilePath(QStringLiteral(".zembo/settings.ini")));
    QCOMPARE(theSettings.keyPrefix, QStringLiteral("UserSetting/"));
    QCOMPARE(theSettings.version.versionText, QStringLiteral("6.28.3"));
    QVERIFY(QFile::exists(QStringLiteral(":/resources/icons/ZB_32.png")));
    QVERIFY(QFile::exists(QStringLiteral(":/translations/zembo_template.ts")));
}

void TestSettingsStore::existingFoldersAreReusedAndMissingOnesCreated()
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath(QStringLiteral(".zembo/runs"));
    QFile marker(tmp.filePath(QStringLiteral(".zembo/runs/keep.h5")));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    LogCapture log;
    MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
    for (const QString& sub : kSubFolders)
        QVERIFY2(QDir(tmp.path()).exists(QStringLiteral(".zembo/") + sub), qPrintable(sub));
    QVERIFY(QFile::exists(tmp.filePath(QStringLiteral(".zembo/runs/keep.h5"))));
    QCOMPARE(log.count(QStringLiteral("Home dir")), 0);
}

void TestSettingsStore::rootHomeMovesTheConfigurationFolder()
{
    // A stand-in file system: "root" plays "/" and "root/home/pi" the board user's home.
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("root"));
    const QString piHome = root + QStringLiteral("/home/pi");
    QDir().mkpath(piHome);
    {
        MySettings store(root, root, piHome);
        QCOMPARE(store.settingsDir.absolutePath(), QDir(piHome).absoluteFilePath(QStringLiteral(".zembo")));
        QCOMPARE(store.runsDir.absolutePath(), QDir(piHome).absoluteFilePath(QStringLiteral(".zembo/runs")));
        QCOMPARE(store.iniFilePath(), QDir(root).absoluteFilePath(QStringLiteral(".zembo/settings.ini")));
        store.setValue(QStringLiteral("deviceCode"), QStringLiteral("ZR6"));
        store.sync();
        QCOMPARE(store.status(), QSettings::NoError);
        store.makeSettingsBackup();
        const QStringList backups =
            QDir(root + QStringLiteral("/.zembo")).entryList(QStringList{QStringLiteral("settings_*_backup.ini")});
        QCOMPARE(backups.size(), 1);
    }
    for (const QString& sub : kSubFolders)
        QVERIFY2(QDir(piHome).exists(QStringLiteral(".zembo/") + sub), qPrintable(sub));
    QVERIFY(!QDir(root).exists(QStringLiteral(".zembo/runs")));
}

void TestSettingsStore::iniFileAndBackupsAreOwnerOnly()
{
    const mode_t old = ::umask(022);
    QTemporaryDir tmp;
    {
        MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
        QCOMPARE(modeOf(store.iniFilePath()), 0600);
        store.setValue(QStringLiteral("UserSetting/lineEdit_settings_smtpPassword"), MySettings::encrypt("secret"));
        store.sync();
        QCOMPARE(modeOf(store.iniFilePath()), 0600);
        store.makeSettingsBackup();
        const QDir dir(tmp.filePath(QStringLiteral(".zembo")));
        const QStringList backups = dir.entryList(QStringList{QStringLiteral("settings_*_backup.ini")});
        QCOMPARE(backups.size(), 1);
        QCOMPARE(modeOf(dir.filePath(backups.first())), 0600);
        QFile backup(dir.filePath(backups.first()));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QVERIFY(backup.readAll().contains("c2VjcmV0"));
    }
    // A file left readable by an older version is tightened at the next start.
    const QString ini = tmp.filePath(QStringLiteral(".zembo/settings.ini"));
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    MySettings again(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
    QCOMPARE(modeOf(ini), 0600);
    QCOMPARE(MySettings::decrypt(again.value("UserSetting/lineEdit_settings_smtpPassword").toString()),
             QStringLiteral("secret"));
    ::umask(old);
}

void TestSettingsStore::backupsWithinOneSecond()
{
    QTemporaryDir tmp;
    MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
    store.setValue(QStringLiteral("a"), 1);
    store.sync();
    const QDir dir(tmp.filePath(QStringLiteral(".zembo")));
    // Wait for the start of a second so both copies fall into the same one.
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    while (QDateTime::currentMSecsSinceEpoch() / 1000 == start / 1000)
        QThread::msleep(5);
    store.makeSettingsBackup();
    store.setValue(QStringLiteral("a"), 2);
    store.sync();
    store.makeSettingsBackup();
    const QStringList backups = dir.entryList(QStringList{QStringLiteral("settings_*_backup.ini")});
    QCOMPARE(backups.size(), 1);
    QSettings first(dir.filePath(backups.first()), QSettings::IniFormat);
    QCOMPARE(first.value(QStringLiteral("a")).toInt(), 1);
}

void TestSettingsStore::base64_data()
{
    // RFC 4648, section 10.
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("f") << "f" << "Zg==";
    QTest::newRow("fo") << "fo" << "Zm8=";
    QTest::newRow("foo") << "foo" << "Zm9v";
    QTest::newRow("foob") << "foob" << "Zm9vYg==";
    QTest::newRow("fooba") << "fooba" << "Zm9vYmE=";
    QTest::newRow("foobar") << "foobar" << "Zm9vYmFy";
    QTest::newRow("utf-8") << QString::fromUtf8("é") << "w6k=";
}

void TestSettingsStore::base64()
{
    QFETCH(QString, plain);
    QFETCH(QString, encoded);
    QCOMPARE(MySettings::encrypt(plain), encoded);
    QCOMPARE(MySettings::decrypt(encoded), plain);
}

void TestSettingsStore::deviceCode()
{
    theSettings.initEnumLabels();
    theSettings.remove(QStringLiteral("deviceCode"));
    theSettings.setDeviceCode(DeviceCode_ZR6);
    QCOMPARE(theSettings.value(QStringLiteral("deviceCode")).toString(), QStringLiteral("ZR6"));
    LogCapture log;
    theSettings.setDeviceCode(static_cast<DeviceCode>(7));
    theSettings.setDeviceCode(static_cast<DeviceCode>(-1));
    QCOMPARE(theSettings.value(QStringLiteral("deviceCode")).toString(), QStringLiteral("ZR6"));
    QCOMPARE(log.count(QStringLiteral("not stored")), 2);
}

void TestSettingsStore::deviceCodeFromAnotherThread()
{
    theSettings.initEnumLabels();
    theSettings.remove(QStringLiteral("deviceCode"));
    QThread* worker = QThread::create([] { theSettings.setDeviceCode(DeviceCode_ZR6L); });
    worker->start();
    QVERIFY(worker->wait(5000));
    delete worker;
    QTRY_COMPARE(theSettings.value(QStringLiteral("deviceCode")).toString(), QStringLiteral("ZR6L"));
}

void TestSettingsStore::enumLabels()
{
    theSettings.initEnumLabels();
    QCOMPARE(theSettings.enumLabels.size(), 6);
    for (const QStringList* list : theSettings.enumLabels)
        QVERIFY(list && !list->isEmpty());
    QCOMPARE(theSettings.enumLabels[3]->at(4), QStringLiteral("ZR6L"));
    QCOMPARE(theSettings.enumLabels[2]->at(13), QStringLiteral("log"));
    QCOMPARE(theSettings.enumLabels[2]->size(), 14);
    QCOMPARE(theSettings.enumLabels[0]->size(), 9);
    QCOMPARE(theSettings.enumLabels[2]->at(4), theSettings.enumLabels[2]->at(8));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(theSettings.enumLabels[i]->at(0), QStringLiteral("-"));
    QCOMPARE(theSettings.enumLabels[5]->at(2), QStringLiteral("Whole run"));
}

void TestSettingsStore::translatorChoice()
{
    LogCapture log;
    const QString key = QStringLiteral("UserSetting/comboBox_settings_language");
    auto errorText = [] { return QCoreApplication::translate("Tools", "Error"); };

    theSettings.remove(key);
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Error"));
    theSettings.setValue(key, QStringLiteral("en"));
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Error"));
    theSettings.setValue(key, QStringLiteral("xx"));
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Error"));
    QCOMPARE(log.messages().size(), 0);

    // The embedded French translation.
    theSettings.setValue(key, QStringLiteral("fr"));
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Erreur"));
    QCoreApplication::removeTranslator(&theTranslator);

    // A user file of the same name wins over the embedded one.
    const QString userFile = theSettings.translationsDir.filePath(QStringLiteral("zembo_fr.qm"));
    QVERIFY(QFile::copy(QStringLiteral(":/translations/zembo_hu.qm"), userFile));
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Hiba"));
    QCoreApplication::removeTranslator(&theTranslator);

    // A present but broken file is logged and ignored.
    QFile::remove(userFile);
    QFile broken(userFile);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a translation");
    broken.close();
    theSettings.initTranslator();
    QCOMPARE(errorText(), QStringLiteral("Error"));
    QCOMPARE(log.count(QStringLiteral("Error loading translation")), 1);
    QFile::remove(userFile);
    theSettings.remove(key);
}

void TestSettingsStore::storageSpaceThreshold_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("low");
    const qint64 mib = 1048576;
    QTest::newRow("exactly 1024 MiB") << 1024 * mib << false;
    QTest::newRow("1023 MiB and some bytes") << 1024 * mib - 1 << true;
    QTest::newRow("nothing") << qint64(0) << true;
    QTest::newRow("plenty") << 500000 * mib << false;
}

void TestSettingsStore::storageSpaceThreshold()
{
    QFETCH(qint64, bytes);
    QFETCH(bool, low);
    QCOMPARE(MySettings::isStorageSpaceLow(bytes), low);
}

void TestSettingsStore::listOfDoublesIsStoredWithoutCount()
{
    QTemporaryDir tmp;
    const QList<double> coefficients{0.5, -1.25, 3e-3, 0, 42};
    {
        MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
        store.setValue(QStringLiteral("UserSetting/DynoSetting/lossModel"), QVariant::fromValue(coefficients));
        store.setValue(QStringLiteral("UserSetting/points"), QVariant::fromValue(QList<QPointF>{{1, 2}}));
    }
    QFile ini(tmp.filePath(QStringLiteral(".zembo/settings.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    QVERIFY2(text.contains("lossModel=@Variant("), text.constData());
    MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
    const QVariant back = store.value(QStringLiteral("UserSetting/DynoSetting/lossModel"));
    QCOMPARE(back.value<QList<double>>(), coefficients);
    QCOMPARE(store.value(QStringLiteral("UserSetting/points")).value<QList<QPointF>>(), (QList<QPointF>{{1, 2}}));
    // The registered converters turn the list into text and back.
    QCOMPARE(back.toString(), QStringLiteral("0.5 -1.25 0.003 0 42 "));
    QCOMPARE(QVariant(QStringLiteral("1 2.5")).value<QList<double>>(), (QList<double>{1, 2.5}));
}

void TestSettingsStore::badValuesGiveDefaults()
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath(QStringLiteral(".zembo"));
    QFile ini(tmp.filePath(QStringLiteral(".zembo/settings.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    // A list payload cut short after one and a half doubles, an invalid value,
    // a number where a list is expected and plain garbage.
    ini.write("[UserSetting]\n"
              "truncated=\"@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QVector<double>\\0?\\xf8\\0\\0\\0\\0\\0\\0\\x40\\0)\"\n"
              "invalid=@Invalid()\n"
              "number=12\n"
              "garbage=\"@Variant(\\xff\\xff)\"\n");
    ini.close();
    LogCapture log;
    MySettings store(tmp.path(), QStringLiteral("/"), QStringLiteral("/nonexistent"));
    QCOMPARE(store.value(QStringLiteral("UserSetting/truncated")).value<QList<double>>(), (QList<double>{1.5}));
    QCOMPARE(store.value(QStringLiteral("UserSetting/invalid"), 7).toInt(), 7);
    QVERIFY(!store.value(QStringLiteral("UserSetting/invalid")).isValid());
    QCOMPARE(store.value(QStringLiteral("UserSetting/number")).value<QList<double>>(), (QList<double>{12}));
    QCOMPARE(store.value(QStringLiteral("UserSetting/missing"), 3.5).toDouble(), 3.5);
    const QVariant garbage = store.value(QStringLiteral("UserSetting/garbage"));
    QVERIFY(garbage.value<QList<double>>().isEmpty());
    QVERIFY(log.messages().size() <= 2);
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
