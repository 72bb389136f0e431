#include "CanInputsModel.h"

#include "CanInput.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RunThread.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <cmath>

CanInputsModel theCanInputsModel;

namespace {

const QString kFileName = QStringLiteral("canInputs.xml");

} // namespace

CanInputsModel::CanInputsModel(bool runData, QObject* parent)
    : QAbstractTableModel(parent)
    , forRunData(runData)
{
    if (forRunData)
        return;
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &CanInputsModel::slot_saveToFile);
    timeoutTimer = new QTimer(this);
    timeoutTimer->setInterval(10);
    connect(timeoutTimer, &QTimer::timeout, this, &CanInputsModel::slot_checkTimeouts);
    displayTimer = new QTimer(this);
    displayTimer->setInterval(500);
    connect(displayTimer, &QTimer::timeout, this, &CanInputsModel::slot_updateValueDisplay);
    simulationTimer = new QTimer(this);
    simulationTimer->setInterval(1);
    simulationTimer->setTimerType(Qt::PreciseTimer);
    connect(simulationTimer, &QTimer::timeout, this, &CanInputsModel::slot_frameSimulationTick);
}

CanInputsModel::~CanInputsModel()
{
    clearParsingMap();
    qDeleteAll(inputs);
    inputs.clear();
}

// ---------------------------------------------------------------- table

int CanInputsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(inputs.size());
}

int CanInputsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal;
}

QVariant CanInputsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= inputs.size())
        return QVariant();
    const CanInput* input = inputs.at(index.row());
    if (role == Qt::BackgroundRole)
        return input->received() ? QVariant(QColor(140, 255, 140)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::UserRole)
        return QVariant();
    const CanInputDefinition& d = input->def;
    switch (index.column()) {
    case 0:
        return input->getChildName();
    case 1:
        return input->getDataTranslatedWithUnit();
    case 2:
        return d.channelId + 1;
    case 3:
        return input->canIdAndCompoundString();
    case 4:
        return d.endianness == Endianness_little ? QStringLiteral("LE") : QStringLiteral("BE");
    case 5:
        return d.bitCount;
    case 6:
        return d.byteOffset;
    case 7:
        return d.bitOffset;
    case 8:
        return d.isSigned == Signedness_signed ? QStringLiteral("S") : QStringLiteral("U");
    case 9:
        return d.multiplier;
    case 10:
        return d.divider;
    case 11:
        return d.offset;
    case 12: {
        const RunChannel* param = d.vehicleParamId >= 0 ? theChannels.getVehicleParam(d.vehicleParamId) : nullptr;
        return param && param->setup ? param->setup->key : QString();
    }
    case 13:
        return input->timeoutString();
    default:
        return QVariant();
    }
}

QVariant CanInputsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section;
    static const char* const titles[columnTotal] = {"Name",    "Value", "Ch.",   "CAN ID", "End.",
                                                    "Bits",    "Byte <<", "Bit <<", "Sign.", "Mul.",
                                                    "Div.",    "Offset", "Overrides", "Timeout"};
    if (section < 0 || section >= columnTotal)
        return QVariant();
    return tr(titles[section]);
}

bool CanInputsModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count - 1 >= inputs.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    // The map must never point at a deleted input; routing it anew at once
    // (not at the next save) keeps the other inputs fed in between.
    clearParsingMap();
    for (int i = 0; i < count; ++i)
        delete inputs.takeAt(row);
    endRemoveRows();
    rebuildParsingMap();
    return true;
}

// ---------------------------------------------------------------- registry

CanInput* CanInputsModel::getInputByKey(const QString& key) const
{
    for (CanInput* input : inputs) {
        if (input->setup && input->setup->key == key)
            return input;
    }
    return nullptr;
}

RunChannel* CanInputsModel::getChannelByKey(const QString& key) const
{
    return getInputByKey(key);
}

QList<AbstractChannel*> CanInputsModel::listInputsForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> list;
    for (CanInput* input : inputs) {
        if (int(quantity) == -1 || input->setup->quantity == quantity)
            list.append(input);
    }
    return list;
}

QList<AbstractChannel*> CanInputsModel::listChannelsForArgument(Quantity quantity) const
{
    return listInputsForArgument(quantity);
}

QList<AbstractChannel*> CanInputsModel::getListForChannels() const
{
    QList<AbstractChannel*> list;
    for (CanInput* input : inputs) {
        if (!input->setup->hide)
            list.append(input);
    }
    return list;
}

QStringList CanInputsModel::listInputNames() const
{
    QStringList names;
    names.reserve(inputs.size());
    for (const CanInput* input : inputs)
        names.append(input->getChildName());
    return names;
}

// ---------------------------------------------------------------- list

void CanInputsModel::addInput(CanInput* input)
{
    const int row = int(inputs.size());
    beginInsertRows(QModelIndex(), row, row);
    inputs.append(input);
    endInsertRows();
    emit dataChanged(index(row, 0), index(row, columnTotal - 1));
}

// ---------------------------------------------------------------- files

void CanInputsModel::initLive()
{
    loadFromFile();
    connect(qApp, &QCoreApplication::aboutToQuit, this, &CanInputsModel::slot_saveToFile, Qt::UniqueConnection);
    if (timeoutTimer)
        timeoutTimer->start();
    if (displayTimer)
        displayTimer->start();
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &CanInputsModel::slot_newCanFrameBatch,
                Qt::UniqueConnection);
}

void CanInputsModel::keepMalformedFile(const QString& reason)
{
    // The next save would replace the operator's only copy with an empty list.
    const QString badPath = Tools::keepMalformedFile(fileName);
    qDebug().noquote() << "CAN inputs file" << fileName << "unreadable:" << reason;
    if (badPath.isEmpty()) {
        saveAllowed = false;
        emit signal_emitError(tr("The CAN inputs file %1 could not be read (%2).\nNo CAN inputs were loaded; "
                                 "changes will not be saved until the file is repaired or removed.")
                                  .arg(fileName, reason));
    } else {
        emit signal_emitError(
            tr("The CAN inputs file %1 could not be read (%2).\nIt was kept as %3; no CAN inputs were loaded.")
                .arg(fileName, reason, badPath));
    }
}

void CanInputsModel::loadFromFile()
{
    if (forRunData)
        return;
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
    if (document.setContent(text, &message, &line, &column))
        loadFromString(text);
    else
        keepMalformedFile(tr("line %1, column %2: %3").arg(line).arg(column).arg(message));
}

void CanInputsModel::loadFromString(const QString& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return;
    const QDomNodeList roots = document.childNodes();
    for (int r = 0; r < roots.size(); ++r) {
        const QDomNode root = roots.at(r);
        if (root.nodeName() != QLatin1String("canInputs"))
            continue;
        for (QDomElement element = root.firstChildElement(); !element.isNull();
             element = element.nextSiblingElement()) {
            if (element.tagName() != QLatin1String("canInput"))
                continue;
            auto* input = new CanInput();
            input->setChildName(Tools::generateUniqueName(listInputNames(), element.attribute(QStringLiteral("name"))));
            input->parseDomElement(&element);
            addInput(input);
        }
    }
    rebuildParsingMap();
}

QString CanInputsModel::setupToString() const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("canInputs"));
    document.appendChild(root);
    for (const CanInput* input : inputs) {
        QDomElement element = document.createElement(QStringLiteral("canInput"));
        input->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

void CanInputsModel::slot_saveToFile()
{
    if (forRunData)
        return;
    if (fileName.isEmpty() || !saveAllowed) {
        qDebug() << "Error writing canInputs.xml file";
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing canInputs.xml file";
        return;
    }
    file.write(setupToString().toUtf8());
    if (!file.commit()) {
        qDebug() << "Error writing canInputs.xml file";
        return;
    }
    rebuildParsingMap();
}

void CanInputsModel::action_import()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openXml, tr("Select CAN Input configuration files"));
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            loadFromString(QString::fromUtf8(file.readAll()));
    }
}

// ---------------------------------------------------------------- routing

void CanInputsModel::clearParsingMap()
{
    parsingMap.clear();
}

void CanInputsModel::rebuildParsingMap()
{
    parsingMap.clear();
    for (int row = 0; row < inputs.size(); ++row) {
        CanInput* input = inputs.at(row);
        const quint32 mask = input->def.canMask;
        auto it = std::lower_bound(parsingMap.begin(), parsingMap.end(), mask,
                                   [](const MaskRoutes& m, quint32 value) { return m.mask < value; });
        if (it == parsingMap.end() || it->mask != mask)
            it = parsingMap.insert(it, MaskRoutes {mask, {}});
        it->routes.push_back(Route {qint32(input->parsingMapKey()), row, input});
    }
    for (MaskRoutes& m : parsingMap) {
        std::stable_sort(m.routes.begin(), m.routes.end(), [](const Route& a, const Route& b) {
            return a.key != b.key ? a.key < b.key : a.row > b.row;
        });
    }
}

void CanInputsModel::parseLiveCanFrame(const canFrame_t& frame, qint64 now)
{
    for (const MaskRoutes& m : parsingMap) {
        const qint32 key = qint32(frame.canChannelAndId & (m.mask | 0xE0000000u));
        auto it = std::lower_bound(m.routes.begin(), m.routes.end(), key,
                                   [](const Route& r, qint32 value) { return r.key < value; });
        for (; it != m.routes.end() && it->key == key; ++it)
            it->input->newData(frame.canData, now);
    }
}

void CanInputsModel::slot_newCanFrameBatch(QList<canFrame_t> frames)
{
    const qint64 now = RunChannel::wallClock();
    for (const canFrame_t& frame : std::as_const(frames))
        parseLiveCanFrame(frame, now);
}

void CanInputsModel::slot_checkTimeouts()
{
    const qint64 now = RunChannel::wallClock();
    for (CanInput* input : std::as_const(inputs))
        input->update(now);
}

void CanInputsModel::slot_updateValueDisplay()
{
    if (inputs.isEmpty())
        return;
    emit dataChanged(index(0, 1), index(int(inputs.size()) - 1, 1), {Qt::DisplayRole});
}

void CanInputsModel::slot_updateDescriptions()
{
    if (inputs.isEmpty())
        return;
    emit dataChanged(index(0, 0), index(int(inputs.size()) - 1, columnTotal - 1));
}

void CanInputsModel::parseCanFrames(const QList<canFrame_t>* frames, QList<QList<double>>* times,
                                    QList<QList<double>>* values) const
{
    const qsizetype count = inputs.size();
    times->resize(count);
    values->resize(count);
    for (qsizetype i = 0; i < count; ++i) {
        const CanInput* input = inputs.at(i);
        const CanInputDefinition& d = input->def;
        const quint32 key = input->parsingMapKey();
        const quint32 mask = d.canMask | 0xE0000000u;
        QList<double>& t = (*times)[i];
        QList<double>& v = (*values)[i];
        double previous = 0.0;
        for (const canFrame_t& frame : *frames) {
            if ((frame.canChannelAndId & mask) != key)
                continue;
            bool ok = false;
            const double value = input->parseData(frame.canData, &ok);
            if (!ok)
                continue;
            const double time = double(frame.timestamp) / 1000.0;
            if (d.timeoutEnable && time - previous > d.timeoutTime) {
                t.append((time + previous) / 2.0);
                v.append(std::nan(""));
            }
            t.append(time);
            v.append(value);
            previous = time;
        }
    }
}

// ---------------------------------------------------------------- readdressing

bool CanInputsModel::changeSourceAddress(const QList<int>& rows, const QString& sourceAddress)
{
    if (sourceAddress.size() != 2) {
        qDebug() << "You should only enter one byte (two characters)";
        return false;
    }
    bool ok = false;
    const uint address = sourceAddress.toUInt(&ok, 16);
    if (!ok) {
        qDebug() << "Error parsing source address number";
        return false;
    }
    for (int row : rows) {
        if (row < 0 || row >= inputs.size())
            continue;
        CanInputDefinition& d = inputs.at(row)->def;
        d.canId = qint32((quint32(d.canId) & ~0xFFu) | (address & 0xFFu));
    }
    if (!inputs.isEmpty())
        emit dataChanged(index(0, 3), index(int(inputs.size()) - 1, 3));
    if (saveTimer)
        saveTimer->start();
    return true;
}

bool CanInputsModel::action_j1939ChangeSourceAddress(const QList<int>& rows)
{
    const QString answer = QInputDialog::getText(nullptr, tr("New source address"),
                                                 tr("Enter new source address byte in hex format"));
    return changeSourceAddress(rows, answer);
}

bool CanInputsModel::action_swapChannel(const QList<int>& rows)
{
    for (int row : rows) {
        if (row < 0 || row >= inputs.size())
            continue;
        CanInputDefinition& d = inputs.at(row)->def;
        d.channelId = (d.channelId + 1) % 2;
    }
    if (!inputs.isEmpty())
        emit dataChanged(index(0, 2), index(int(inputs.size()) - 1, 2));
    if (saveTimer)
        saveTimer->start();
    return true;
}
