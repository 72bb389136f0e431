#include "SerialInputDevicesModel.h"

#include "SerialInputChannel.h"
#include "SerialInputDevice.h"
#include "SerialInputDeviceDialog.h"
#include "ChannelFrameSorting.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QTimer>

SerialInputDevicesModel theSerialDevicesModel;

bool (*SerialInputDevicesModel::runRecording)() = nullptr;

namespace {
const QString kFileName = QStringLiteral("serialInputDevices.xml");
}

SerialInputDevicesModel::SerialInputDevicesModel(bool forRunData, QObject* parent)
    : QAbstractTableModel(parent)
    , forRunData(forRunData)
{
}

SerialInputDevicesModel::~SerialInputDevicesModel()
{
    qDeleteAll(devices);
}

void SerialInputDevicesModel::initLive()
{
    if (forRunData || saveTimer)
        return;
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &SerialInputDevicesModel::slot_saveToFile);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SerialInputDevicesModel::slot_saveToFile);
    loadFromFile();
}

int SerialInputDevicesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(devices.size());
}

int SerialInputDevicesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant SerialInputDevicesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= devices.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const SerialInputDevice* i = devices.at(index.row());
    switch (index.column()) {
    case 0: return i->def.name;
    case 1: return i->def.serialPort;
    case 2: return i->portSettingsDescription();
    default: return QVariant();
    }
}

QVariant SerialInputDevicesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1").arg(section);
    switch (section) {
    case 0: return tr("Name");
    case 1: return tr("Serial port");
    case 2: return tr("Setup");
    default: return QVariant();
    }
}

bool SerialInputDevicesModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count - 1 >= devices.size())
        return false;
    if (!forRunData && runRecording && runRecording()) {
        emit signal_emitError(tr("Serial devices cannot be removed while a run is recorded"));
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        delete devices.takeAt(row);
    endRemoveRows();
    scheduleSave();
    return true;
}

void SerialInputDevicesModel::loadFromFile()
{
    fileName = theSettings.settingsDir.filePath(kFileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (document.setContent(text, &message, &line, &column)) {
        loadFromString(text);
        return;
    }
    // The next save would replace the operator's only copy.
    const QString badPath = Tools::keepMalformedFile(fileName);
    qDebug().noquote() << "Serial devices file" << fileName << "unreadable:" << message << line << column;
    if (badPath.isEmpty()) {
        saveAllowed = false;
        emit signal_emitError(tr("The serial devices file %1 could not be read.\nChanges will not be saved until it is "
                                 "repaired or removed.")
                                  .arg(fileName));
    } else {
        emit signal_emitError(
            tr("The serial devices file %1 could not be read.\nIt was kept as %2; no devices were loaded.")
                .arg(fileName, badPath));
    }
}

void SerialInputDevicesModel::loadFromString(const QString& text)
{
    QDomDocument document;
    if (!document.setContent(text))
        return;
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.nodeName() != QLatin1String("serialInputDevices"))
            continue;
        QList<QString> namesInUse;
        for (QDomElement element = node.firstChildElement(QStringLiteral("device")); !element.isNull();
             element = element.nextSiblingElement(QStringLiteral("device"))) {
            if (devices.size() >= maxDevices)
                break;
            auto* device = new SerialInputDevice;
            device->parseDomElement(&element, namesInUse);
            addDevice(device);
        }
    }
}

QString SerialInputDevicesModel::setupToString() const
{
    QList<int> rows;
    for (int i = 0; i < devices.size(); ++i)
        rows.append(i);
    return setupToString(rows);
}

QString SerialInputDevicesModel::setupToString(const QList<int>& rows) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("serialInputDevices"));
    document.appendChild(root);
    for (int row : rows) {
        if (row < 0 || row >= devices.size())
            continue;
        QDomElement element = document.createElement(QStringLiteral("device"));
        devices.at(row)->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

void SerialInputDevicesModel::slot_saveToFile()
{
    if (forRunData || !saveAllowed)
        return;
    if (fileName.isEmpty())
        fileName = theSettings.settingsDir.filePath(kFileName);
    QSaveFile file(fileName);
    const QByteArray bytes = setupToString().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qDebug() << "Error writing serialInputDevices.xml file";
}

void SerialInputDevicesModel::scheduleSave()
{
    if (saveTimer)
        saveTimer->start();
}

bool SerialInputDevicesModel::addDevice(SerialInputDevice* device)
{
    if (devices.size() >= maxDevices) {
        emit signal_emitError(tr("Maximum 256 devices are available"));
        delete device;
        return false;
    }
    const int row = int(devices.size());
    beginInsertRows(QModelIndex(), row, row);
    device->setParent(nullptr);
    devices.append(device);
    endInsertRows();
    if (!forRunData) {
        connect(device, &SerialInputDevice::signal_newData, this, &SerialInputDevicesModel::slot_newDeviceData);
        device->slot_deviceInit();
    }
    return true;
}

void SerialInputDevicesModel::slot_newDeviceData(double data, uint8_t channelId, qint64 timestamp)
{
    const int index = int(devices.indexOf(qobject_cast<SerialInputDevice*>(sender())));
    if (index < 0)
        return;
    emit signal_newData(data, uint16_t(index * 256 + channelId), timestamp);
}

QList<SerialInputChannel*> SerialInputDevicesModel::allChannels() const
{
    QList<SerialInputChannel*> list;
    for (const SerialInputDevice* i : devices)
        list += i->channelList();
    return list;
}

RunChannel* SerialInputDevicesModel::getChannelByKey(const QString& key) const
{
    for (const SerialInputDevice* i : devices)
        for (SerialInputChannel* f : i->channelList())
            if (f->setup && f->setup->key == key)
                return f;
    return nullptr;
}

QList<AbstractChannel*> SerialInputDevicesModel::listChannelsForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> list;
    for (SerialInputChannel* f : allChannels())
        if (int(quantity) == -1 || (f->setup && f->setup->quantity == quantity))
            list.append(f);
    return list;
}

QList<AbstractChannel*> SerialInputDevicesModel::getListForChannels() const
{
    QList<AbstractChannel*> list;
    for (SerialInputChannel* f : allChannels())
        list.append(f);
    return list;
}

int SerialInputDevicesModel::channelCount() const
{
    int n = 0;
    for (const SerialInputDevice* i : devices)
        n += int(i->channelList().size());
    return n;
}

QList<QString> SerialInputDevicesModel::getUsedChannelNames() const
{
    QList<QString> names;
    for (SerialInputChannel* f : allChannels())
        names.append(f->getChildName());
    return names;
}

void SerialInputDevicesModel::sortFrames(const QList<channelFrame_t>* frames, QList<QList<QList<double>>>* times,
                                         QList<QList<QList<double>>>* values) const
{
    QList<int> seriesPerGroup;
    for (const SerialInputDevice* group : devices)
        seriesPerGroup.append(int(group->channelList().size()));
    sortChannelFrames(*frames, seriesPerGroup, times, values);
}

// ------------------------------------------------------------ table actions

void SerialInputDevicesModel::action_new()
{
    if (devices.size() >= maxDevices) {
        Tools::showError(tr("Maximum 256 devices are available"));
        return;
    }
    auto* device = new SerialInputDevice();
    device->deviceEditPause = true;
    bool accepted = false;
    {
        SerialInputDeviceDialog dialog(nullptr, device);
        emit signal_selectLast();
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (!accepted) {
        delete device;
        return;
    }
    device->deviceEditPause = false;
    if (addDevice(device))
        scheduleSave();
}

bool SerialInputDevicesModel::action_edit(int row, bool checkOnly)
{
    if (row < 0 || row >= devices.size())
        return false;
    if (checkOnly)
        return true;
    SerialInputDevice* device = devices.at(row);
    device->deviceEditPause = true;
    SerialInputDeviceDialog dialog(nullptr, device);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, 2));
        scheduleSave();
    }
    device->deviceEditPause = false;
    // A new port with the settings as they now are, and the init commands again.
    device->slot_deviceInit();
    return true;
}

bool SerialInputDevicesModel::action_remove(const QList<int>& rows)
{
    if (rows.isEmpty())
        return false;
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    for (int row : sorted)
        removeRows(row, 1);
    scheduleSave();
    return true;
}

void SerialInputDevicesModel::action_import()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openXml, tr("Import serial input device setup"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        loadFromString(QString::fromUtf8(file.readAll()));
    }
}

void SerialInputDevicesModel::action_importServer()
{
    NetworkFileBrowser browser(NetworkFileBrowser::serviceAddress() + QStringLiteral("serialinputdevices/?list=all"),
                               NetworkFileBrowser::serviceAddress() + QStringLiteral("serialinputdevices/files/"),
                               QStringLiteral("xml"), nullptr);
    if (DialogAnswerer::exec(&browser) == QDialog::Accepted && !browser.fileContent.isEmpty())
        loadFromString(browser.fileContent);
}

void SerialInputDevicesModel::action_export(const QList<int>& rows)
{
    const QString path = thePathSaver.getSaveFileName(Path::saveXml, tr("Export serial input device setup"),
                                                      QStringLiteral("serialInputDevice.xml"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Tools::showError(tr("Error opening output file"));
        return;
    }
    file.write(setupToString(rows).toUtf8());
    if (!file.commit())
        Tools::showError(tr("Error opening output file"));
}

void SerialInputDevicesModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}
