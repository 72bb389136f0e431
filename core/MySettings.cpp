#include "MySettings.h"

#include "DiskCleanupOpener.h"

#include "lib/DeviceCode.h"
#include "lib/Tools.h"

#include <QBluetoothAddress>
#include <QBluetoothLocalDevice>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QMarginsF>
#include <QMetaType>
#include <QPoint>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

// The embedded resource bundles are compiled into static libraries; their
// initialisers must be called by name, outside any namespace.
static void initEmbeddedResources()
{
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(translations);
}

namespace {

std::function<void(MySettings&)>& channelsSetupLoader()
{
    static std::function<void(MySettings&)> loader;
    return loader;
}

std::function<void()>& diskCleanupOpener()
{
    static std::function<void()> opener;
    return opener;
}

// The ini file and its backups hold Base64 passwords: owner-only access.
void restrictToOwner(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        ::close(fd);
    ::chmod(local.constData(), S_IRUSR | S_IWUSR);
}

const QStringList& controllerBoardLabels()
{
    static const QStringList labels{QStringLiteral("ZR5"), QStringLiteral("ZR5E4"), QStringLiteral("ZR5L"),
                                    QStringLiteral("ZR6"), QStringLiteral("ZR6L")};
    return labels;
}

void registerTypes()
{
    qRegisterMetaType<uint8_t>("uint8_t");
    qRegisterMetaType<uint16_t>("uint16_t");
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<uint64_t>("uint64_t");
    qRegisterMetaType<int8_t>("int8_t");
    qRegisterMetaType<int16_t>("int16_t");
    qRegisterMetaType<int32_t>("int32_t");
    qRegisterMetaType<int64_t>("int64_t");
    // The frame records of the controller link and the run file register
    // themselves with the layers that define them.
    qRegisterMetaType<QPoint>("QPoint");
    qRegisterMetaType<QList<QPointF>>("QVector<QPointF>");
    qRegisterMetaType<QList<double>>("QVector<double>");
    qRegisterMetaType<QList<int>>("QVector<int>");
    qRegisterMetaType<QList<int>>("QList<int>");
    qRegisterMetaType<QMarginsF>("QMarginsF");
    if (!QMetaType::hasRegisteredConverterFunction<QList<double>, QString>()) {
        QMetaType::registerConverter<QList<double>, QString>(&stringFromQVectorDouble);
        QMetaType::registerConverter<QString, QList<double>>(&qVectorDoubleFromString);
    }
}

} // namespace

QTranslator theTranslator;
MySettings theSettings;

QString MySettings::iniFileFor(const QString& home)
{
    return QDir(home).filePath(QStringLiteral(".zembo/settings.ini"));
}

MySettings::MySettings()
    : QSettings(iniFileFor(QDir::homePath()), QSettings::IniFormat)
{
    construct(QDir::homePath(), QStringLiteral("/"), QStringLiteral("/home/pi"));
}

MySettings::MySettings(const QString& home, const QString& filesystemRoot, const QString& rootUserHome)
    : QSettings(iniFileFor(home), QSettings::IniFormat)
{
    construct(home, filesystemRoot, rootUserHome);
}

void MySettings::construct(const QString& home, const QString& filesystemRoot, const QString& rootUserHome)
{
    keyPrefix = QStringLiteral("UserSetting/");
    version = AppVersion("6.28.3");

    headerSaveTimer = new QTimer(this);
    headerSaveTimer->setSingleShot(true);
    connect(headerSaveTimer, &QTimer::timeout, this, &MySettings::setting_QHeaderView_ChangedSlot_Apply);

    registerTypes();

    settingsDir = QDir(home);
    if (QDir::cleanPath(settingsDir.absolutePath()) == QDir::cleanPath(QDir(filesystemRoot).absolutePath()))
        settingsDir = QDir(rootUserHome);
    if (!settingsDir.cd(QStringLiteral(".zembo"))) {
        qDebug() << "Home dir" << settingsDir.absolutePath();
        if (!settingsDir.mkpath(QStringLiteral(".zembo")))
            qFatal("Can't enter or create '.zembo' directory");
        settingsDir.cd(QStringLiteral(".zembo"));
    }
    createSettingSubDir(runsDir, QStringLiteral("runs"));
    createSettingSubDir(mediaDir, QStringLiteral("media"));
    createSettingSubDir(desktopsDir, QStringLiteral("desktops"));
    createSettingSubDir(closedDesktopsDir, QStringLiteral("closedDesktops"));
    createSettingSubDir(desktopsAnalyzeDir, QStringLiteral("desktops_analyze"));
    createSettingSubDir(closedDesktopsAnalyzeDir, QStringLiteral("closedDesktops_analyze"));
    createSettingSubDir(translationsDir, QStringLiteral("translations"));
    storageInfo = QStorageInfo(runsDir.absolutePath());
    settingsDir.mkdir(QStringLiteral("log"));

    // The ini file may lie outside the configuration folder (home "/").
    QDir().mkpath(QFileInfo(fileName()).absolutePath());
    restrictToOwner(fileName());

    initEmbeddedResources();
    bluetoothDevice = new QBluetoothLocalDevice(this);
}

MySettings::~MySettings()
{
    qDeleteAll(enumLabels);
    enumLabels.clear();
}

QVariant MySettings::value(QAnyStringView key, const QVariant& defaultValue) const
{
    const QVariant stored = QSettings::value(key, defaultValue);
    return stored.isValid() ? stored : defaultValue;
}

void MySettings::createSettingSubDir(QDir& dir, const QString& name)
{
    dir = settingsDir;
    if (dir.cd(name))
        return;
    if (!settingsDir.mkdir(name) && !settingsDir.exists(name))
        qFatal("Can't enter or create '%s' directory", qPrintable(name));
    dir.cd(name);
}

void MySettings::initTranslator()
{
    const QString key = QStringLiteral("UserSetting/comboBox_settings_language");
    if (!contains(key))
        return;
    const QString code = value(key).toString();
    if (code == QStringLiteral("en"))
        return;
    const QString name = QStringLiteral("zembo_") + code + QStringLiteral(".qm");
    QString path = translationsDir.filePath(name);
    if (!QFile::exists(path)) {
        path = QStringLiteral(":/translations/") + name;
        if (!QFile::exists(path))
            return;
    }
    if (theTranslator.load(path))
        QCoreApplication::installTranslator(&theTranslator);
    else
        qDebug() << "Error loading translation" << path;
}

void MySettings::initChannelsSetup()
{
    if (channelsSetupLoader())
        channelsSetupLoader()(*this);
}

void MySettings::initEnumLabels()
{
    qDeleteAll(enumLabels);
    enumLabels.clear();
    for (int i = 0; i < 6; ++i)
        enumLabels.append(nullptr);

    enumLabels[0] = new QStringList{QStringLiteral("-"), QStringLiteral("DIN 70020"), QStringLiteral("EC 95-1"),
                                    QStringLiteral("ISO 1585"), QStringLiteral("JIS D1001"),
                                    QStringLiteral("SAE J1349"), QStringLiteral("EEC 80/1269"),
                                    QStringLiteral("SAE J607"), QStringLiteral("FOS")};
    enumLabels[1] = new QStringList{QStringLiteral("-"), QStringLiteral("USB / Serial"), QStringLiteral("Bluetooth"),
                                    QStringLiteral("USB / UsbSerial")};
    enumLabels[2] = new QStringList{QStringLiteral("-"), tr("inertia"), tr("manual"), tr("steady"), tr("ramp"),
                                    tr("acc."), tr("road"), tr("advanced"), tr("ramp"), tr("sequence"),
                                    tr("MOI calib."), tr("custom acc."), tr("sim"), tr("log")};
    enumLabels[3] = new QStringList(controllerBoardLabels());
    enumLabels[4] = new QStringList{tr("Road speed mode"), tr("Engine speed mode")};
    enumLabels[5] = new QStringList{tr("Top speed to local minimum backward"), tr("Top speed to local minimum forward"),
                                    tr("Whole run")};
}

void MySettings::setDeviceCode(DeviceCode code)
{
    const int number = static_cast<int>(code);
    // Called from the controller-link thread: the write is handed to the store's
    // own thread, so the store is never used by two threads at once.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, number] { storeDeviceCode(number); }, Qt::QueuedConnection);
        return;
    }
    storeDeviceCode(number);
}

void MySettings::storeDeviceCode(int code)
{
    // The board labels are fixed and untranslated, so they are known even
    // before the label lists are built.
    const QStringList& labels = controllerBoardLabels();
    if (code < 0 || code >= labels.size()) {
        qDebug() << "device code" << code << "is no known controller board; not stored";
        return;
    }
    const QString label = labels.at(code);
    setValue(QStringLiteral("deviceCode"), label);
    qDebug() << "device code" << label;
}

QString MySettings::encrypt(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString MySettings::decrypt(const QString& text)
{
    return QString::fromUtf8(QByteArray::fromBase64(text.toUtf8()));
}

void MySettings::makeSettingsBackup()
{
    const QString target = QFileInfo(fileName()).absoluteDir().filePath(
        QStringLiteral("settings_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"))
        + QStringLiteral("_backup.ini"));
    if (QFile::exists(target))
        return;
    if (QFile::copy(fileName(), target))
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool MySettings::isStorageSpaceLow(qint64 bytesAvailable)
{
    return bytesAvailable / 1048576 < 1024;
}

void MySettings::checkStorageSpace()
{
    storageInfo.refresh();
    if (!isStorageSpaceLow(storageInfo.bytesAvailable()))
        return;
    Tools::showInfo(tr("Disk space is running low.\nFree some space or install a bigger storage."));
    if (diskCleanupOpener())
        diskCleanupOpener()();
}

void MySettings::setChannelsSetupLoader(std::function<void(MySettings&)> loader)
{
    channelsSetupLoader() = std::move(loader);
}

void openRegisteredDiskCleanup()
{
    if (diskCleanupOpener())
        diskCleanupOpener()();
}

void MySettings::setDiskCleanupOpener(std::function<void()> opener)
{
    diskCleanupOpener() = std::move(opener);
}

void MySettings::slot_pairBluetoothDevice(const QBluetoothAddress& address)
{
    bluetoothDevice->requestPairing(address, QBluetoothLocalDevice::Paired);
}
