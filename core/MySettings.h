#pragma once

#include "AppVersion.h"
#include "lib/DeviceCode.h"

#include <QDir>
#include <QList>
#include <QSettings>
#include <QStorageInfo>
#include <QStringList>
#include <QTimer>
#include <QTranslator>

#include <functional>

class QBluetoothLocalDevice;
class QBluetoothAddress;

// The program's settings store: "settings.ini" in the configuration folder, plus
// the handles of that folder and its sub-folders. One object, theSettings,
// constructed before main so that every later stage finds the folders ready.
class MySettings : public QSettings
{
    Q_OBJECT
public:
    // The real store: the home directory as the system reports it.
    MySettings();
    // A store for another home directory. When `home` is `filesystemRoot`, the
    // configuration folder moves to `rootUserHome` while the ini file stays
    // under the root; tests pass stand-ins for "/" and "/home/pi".
    MySettings(const QString& home, const QString& filesystemRoot, const QString& rootUserHome);
    ~MySettings() override;

    void createSettingSubDir(QDir& dir, const QString& name);
    void initTranslator();
    void initChannelsSetup();
    void initEnumLabels();
    void setDeviceCode(DeviceCode code);
    static QString encrypt(const QString& text);
    static QString decrypt(const QString& text);
    void makeSettingsBackup();
    void checkStorageSpace();
    // True when this many bytes free for the user are too few for recording runs.
    static bool isStorageSpaceLow(qint64 bytesAvailable);

    // A stored "@Invalid()" reads as missing: the caller's default answers.
    QVariant value(QAnyStringView key, const QVariant& defaultValue) const;
    QVariant value(QAnyStringView key) const { return QSettings::value(key); }

    QString iniFilePath() const { return fileName(); }

    // Hooks through which higher layers plug into the store without the store
    // linking them: the channel-setup models load in initChannelsSetup, the disk
    // clean-up dialog opens when storage runs low.
    static void setChannelsSetupLoader(std::function<void(MySettings&)> loader);
    static void setDiskCleanupOpener(std::function<void()> opener);

public Q_SLOTS:
    void slot_pairBluetoothDevice(const QBluetoothAddress& address);
    // Deferred save of the bound header views that were moved or resized.
    void setting_QHeaderView_ChangedSlot_Apply();

public:
    QList<QStringList*> enumLabels;
    bool oldComboBoxFormat = false;
    QList<QObject*> pendingHeaderViews;
    QTimer* headerSaveTimer = nullptr;
    QString keyPrefix;
    QBluetoothLocalDevice* bluetoothDevice = nullptr;
    AppVersion version;
    QDir settingsDir;
    QDir runsDir;
    QDir mediaDir;
    QDir desktopsDir;
    QDir closedDesktopsDir;
    QDir desktopsAnalyzeDir;
    QDir closedDesktopsAnalyzeDir;
    QDir translationsDir;
    QStorageInfo storageInfo;

private:
    void construct(const QString& home, const QString& filesystemRoot, const QString& rootUserHome);
    void storeDeviceCode(int code);
    static QString iniFileFor(const QString& home);
};

extern QTranslator theTranslator;
extern MySettings theSettings;
