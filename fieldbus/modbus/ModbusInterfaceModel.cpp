#include "ModbusInterfaceModel.h"

#include "ModbusFunction.h"
#include "ModbusInterface.h"
#include "ModbusInterfaceDialog.h"
#include "ChannelFrameSorting.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QTimer>

ModbusInterfaceModel theModbusInterfacesModel;

bool (*ModbusInterfaceModel::runRecording)() = nullptr;

namespace {
const QString kFileName = QStringLiteral("modbus.xml");
}

ModbusInterfaceModel::ModbusInterfaceModel(bool forRunData, QObject* parent)
    : QAbstractTableModel(parent)
    , forRunData(forRunData)
{
}

ModbusInterfaceModel::~ModbusInterfaceModel()
{
    qDeleteAll(interfaces);
}

void ModbusInterfaceModel::initLive()
{
    if (forRunData || saveTimer)
        return;
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &ModbusInterfaceModel::slot_saveToFile);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ModbusInterfaceModel::slot_saveToFile);
    loadFromFile();
}

int ModbusInterfaceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(interfaces.size());
}

int ModbusInterfaceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ModbusInterfaceModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= interfaces.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const ModbusInterface* i = interfaces.at(index.row());
    switch (index.column()) {
    case 0: return i->name;
    case 1: return i->serialPort;
    case 2: return i->portSettingsDescription();
    default: return QVariant();
    }
}

QVariant ModbusInterfaceModel::headerData(int section, Qt::Orientation orientation, int role) const
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

bool ModbusInterfaceModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count - 1 >= interfaces.size())
        return false;
    if (!forRunData && runRecording && runRecording()) {
        emit signal_emitError(tr("Modbus interfaces cannot be removed while a run is recorded"));
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        delete interfaces.takeAt(row);
    endRemoveRows();
    scheduleSave();
    return true;
}

void ModbusInterfaceModel::loadFromFile()
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
    qDebug().noquote() << "Modbus file" << fileName << "unreadable:" << message << line << column;
    if (badPath.isEmpty()) {
        saveAllowed = false;
        emit signal_emitError(tr("The Modbus file %1 could not be read.\nChanges will not be saved until it is "
                                 "repaired or removed.")
                                  .arg(fileName));
    } else {
        emit signal_emitError(
            tr("The Modbus file %1 could not be read.\nIt was kept as %2; no interfaces were loaded.")
                .arg(fileName, badPath));
    }
}

void ModbusInterfaceModel::loadFromString(const QString& text)
{
    QDomDocument document;
    if (!document.setContent(text))
        return;
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.nodeName() != QLatin1String("modbus"))
            continue;
        QList<QString> namesInUse;
        for (QDomElement element = node.firstChildElement(QStringLiteral("interface")); !element.isNull();
             element = element.nextSiblingElement(QStringLiteral("interface"))) {
            if (interfaces.size() >= maxInterfaces)
                break;
            auto* interface = new ModbusInterface;
            interface->parseDomElement(&element, namesInUse);
            addInterface(interface);
        }
    }
}

QString ModbusInterfaceModel::setupToString() const
{
    QList<int> rows;
    for (int i = 0; i < interfaces.size(); ++i)
        rows.append(i);
    return setupToString(rows);
}

QString ModbusInterfaceModel::setupToString(const QList<int>& rows) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("modbus"));
    document.appendChild(root);
    for (int row : rows) {
        if (row < 0 || row >= interfaces.size())
            continue;
        QDomElement element = document.createElement(QStringLiteral("interface"));
        interfaces.at(row)->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

void ModbusInterfaceModel::slot_saveToFile()
{
    if (forRunData || !saveAllowed)
        return;
    if (fileName.isEmpty())
        fileName = theSettings.settingsDir.filePath(kFileName);
    QSaveFile file(fileName);
    const QByteArray bytes = setupToString().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qDebug() << "Error writing modbus.xml file";
}

void ModbusInterfaceModel::scheduleSave()
{
    if (saveTimer)
        saveTimer->start();
}

bool ModbusInterfaceModel::addInterface(ModbusInterface* interface)
{
    if (interfaces.size() >= maxInterfaces) {
        emit signal_emitError(tr("Maximum 256 interfaces are available"));
        delete interface;
        return false;
    }
    const int row = int(interfaces.size());
    beginInsertRows(QModelIndex(), row, row);
    interface->setParent(nullptr);
    interfaces.append(interface);
    endInsertRows();
    if (!forRunData) {
        connect(interface, &ModbusInterface::signal_newData, this, &ModbusInterfaceModel::slot_newInterfaceData);
        interface->slot_interfaceInit();
    }
    return true;
}

void ModbusInterfaceModel::slot_newInterfaceData(double data, uint8_t channelId, qint64 timestamp)
{
    const int index = int(interfaces.indexOf(qobject_cast<ModbusInterface*>(sender())));
    if (index < 0)
        return;
    emit signal_newData(data, uint16_t(index * 256 + channelId), timestamp);
}

QList<ModbusFunction*> ModbusInterfaceModel::allFunctions() const
{
    QList<ModbusFunction*> list;
    for (const ModbusInterface* i : interfaces)
        list += i->functionList();
    return list;
}

RunChannel* ModbusInterfaceModel::getChannelByKey(const QString& key) const
{
    for (const ModbusInterface* i : interfaces)
        for (ModbusFunction* f : i->functionList())
            if (f->setup && f->setup->key == key)
                return f;
    return nullptr;
}

QList<AbstractChannel*> ModbusInterfaceModel::listChannelsForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> list;
    for (ModbusFunction* f : allFunctions())
        if (int(quantity) == -1 || (f->setup && f->setup->quantity == quantity))
            list.append(f);
    return list;
}

QList<AbstractChannel*> ModbusInterfaceModel::getListForChannels() const
{
    QList<AbstractChannel*> list;
    for (ModbusFunction* f : allFunctions())
        list.append(f);
    return list;
}

int ModbusInterfaceModel::channelCount() const
{
    int n = 0;
    for (const ModbusInterface* i : interfaces)
        n += int(i->functionList().size());
    return n;
}

QList<QString> ModbusInterfaceModel::getUsedChannelNames() const
{
    QList<QString> names;
    for (ModbusFunction* f : allFunctions())
        names.append(f->getChildName());
    return names;
}

void ModbusInterfaceModel::updateArgumentPointers()
{
    for (ModbusFunction* f : allFunctions())
        f->updateArgumentPointer();
}

void ModbusInterfaceModel::sortFrames(const QList<channelFrame_t>* frames, QList<QList<QList<double>>>* times,
                                      QList<QList<QList<double>>>* values) const
{
    QList<int> seriesPerGroup;
    for (const ModbusInterface* group : interfaces)
        seriesPerGroup.append(int(group->functionList().size()));
    sortChannelFrames(*frames, seriesPerGroup, times, values);
}

// ------------------------------------------------------------ table actions

void ModbusInterfaceModel::action_new()
{
    if (interfaces.size() >= maxInterfaces) {
        Tools::showError(tr("Maximum 256 interfaces are available"));
        return;
    }
    auto* interface = new ModbusInterface();
    interface->held = true;
    bool accepted = false;
    {
        ModbusInterfaceDialog dialog(nullptr, interface);
        emit signal_selectLast();
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (!accepted) {
        delete interface;
        return;
    }
    if (!addInterface(interface))
        return;
    scheduleSave();
    interface->held = false;
    interface->slot_interfaceInit();
}

bool ModbusInterfaceModel::action_edit(int row, bool checkOnly)
{
    if (row < 0 || row >= interfaces.size())
        return false;
    if (checkOnly)
        return true;
    ModbusInterface* interface = interfaces.at(row);
    interface->beginEdit(-1);
    ModbusInterfaceDialog dialog(nullptr, interface);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, 2));
        scheduleSave();
    }
    // Port settings changed here take effect when the interface is next started.
    interface->endEdit();
    return true;
}

bool ModbusInterfaceModel::action_remove(const QList<int>& rows)
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

void ModbusInterfaceModel::action_import()
{
    const QList<QString> files = thePathSaver.getOpenFileNames(Path::openXml, tr("Import Modbus interface setup"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        loadFromString(QString::fromUtf8(file.readAll()));
    }
}

void ModbusInterfaceModel::action_export(const QList<int>& rows)
{
    const QString path =
        thePathSaver.getSaveFileName(Path::saveXml, tr("Export Modbus interface setup"), QStringLiteral("modbus.xml"));
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

void ModbusInterfaceModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}
