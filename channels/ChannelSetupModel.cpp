#include "ChannelSetupModel.h"

#include "Argument.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupDialog.h"
#include "Channels.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "lib/DialogAnswerer.h"
#include "PathSaver.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QBrush>
#include <QCoreApplication>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QXmlStreamWriter>

ChannelSetupModel theRunChannelSetupModel(ChannelSetupType_run);
ChannelSetupModel theVectorChannelSetupModel(ChannelSetupType_analyze);

namespace {

const QColor kLightGrey(220, 220, 220);
const QColor kLightGreen(178, 223, 138);

} // namespace

ChannelSetupModel::ChannelSetupModel(ChannelSetupType type, QObject* parent)
    : QAbstractTableModel(parent)
{
    if (type == ChannelSetupType_run) {
        modelKey = QStringLiteral("run");
        libraryFolder = QStringLiteral("channelsettings");
    } else {
        modelKey = QStringLiteral("analyze");
        libraryFolder = QStringLiteral("channelsettings_analyze");
    }
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &ChannelSetupModel::slot_saveToFile);
    for (int i = 0; i < ChannelGroupCount; ++i)
        groups.append(QList<ChannelSetup*>());
}

ChannelSetupModel::~ChannelSetupModel()
{
    QMutexLocker locker(&mutex);
    qDeleteAll(pending);
    pending.clear();
}

void ChannelSetupModel::registerStartupLoader()
{
    MySettings::setChannelsSetupLoader([](MySettings& settings) {
        theChannelSetupDescriptor.init();
        theRunChannelSetupModel.initLoadFromFile(settings.settingsDir.filePath(QStringLiteral("runVariables.xml")),
                                                 QStringLiteral(":/resources/runVariables.xml"));
        theVectorChannelSetupModel.initLoadFromFile(
            settings.settingsDir.filePath(QStringLiteral("analyzeVariables.xml")),
            QStringLiteral(":/resources/analyzeVariables.xml"));
    });
}

// ---------------------------------------------------------------- loading

void ChannelSetupModel::initLoadFromFile(const QString& userPath, const QString& defaultPath)
{
    defaultFilePath = defaultPath;
    userFilePath = userPath;
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &ChannelSetupModel::slot_saveIfPending, Qt::UniqueConnection);

    bool userLoaded = false;
    if (QFile::exists(userPath)) {
        QFile file(userPath);
        if (!file.open(QIODevice::ReadOnly)) {
            keepMalformedUserFile(file.errorString());
        } else {
            const QByteArray bytes = file.readAll();
            file.close();
            QDomDocument document;
            QString error;
            int line = 0;
            int column = 0;
            if (!document.setContent(bytes, &error, &line, &column)) {
                keepMalformedUserFile(tr("line %1, column %2: %3").arg(line).arg(column).arg(error));
            } else if (document.documentElement().tagName() != QLatin1String("variables")) {
                keepMalformedUserFile(tr("no channel setups in it"));
            } else {
                loadDocument(document, false);
                userLoaded = true;
            }
        }
    }
    if (!userLoaded) {
        QFile defaults(defaultPath);
        parseFile(&defaults, false);
    }
}

bool ChannelSetupModel::keepMalformedUserFile(const QString& reason)
{
    // The next save would replace the only copy of the operator's setups: move
    // it aside first. When it cannot be moved or copied, this run saves nothing.
    const QString badPath = Tools::keepMalformedFile(userFilePath);
    const bool kept = !badPath.isEmpty();
    qDebug().noquote() << "Channel setup file" << userFilePath << "unreadable:" << reason;
    if (kept) {
        Tools::showError(tr("The channel setup file %1 could not be read (%2).\nIt was kept as %3 and the default "
                            "channel setups were loaded.")
                             .arg(userFilePath, reason, badPath));
    } else {
        Tools::showError(tr("The channel setup file %1 could not be read (%2).\nThe default channel setups were "
                            "loaded; changes will not be saved until the file is repaired or removed.")
                             .arg(userFilePath, reason));
        userFilePath.clear();
    }
    return kept;
}

void ChannelSetupModel::parseFile(QFile* file, bool strict)
{
    if (file->open(QIODevice::ReadOnly)) {
        loadFromString(QString::fromUtf8(file->readAll()), strict);
    } else {
        Tools::showError(tr("Can't open file ") + file->fileName() + tr(" for import."));
    }
    file->close();
}

void ChannelSetupModel::loadFromString(const QString& xmlText, bool strict)
{
    QDomDocument document;
    QString error;
    int line = 0;
    if (!document.setContent(xmlText, &error, &line)) {
        // A preset the operator picked that does not parse must say so; the
        // setups stay as they were.
        if (strict)
            Tools::showError(tr("Invalid channel preset format") + QStringLiteral("\n")
                             + tr("Line %1: %2").arg(line).arg(error));
        document = QDomDocument();
    }
    loadDocument(document, strict);
}

void ChannelSetupModel::loadDocument(const QDomDocument& document, bool strict)
{
    const QDomNodeList roots = document.childNodes();
    for (int r = 0; r < roots.size(); ++r) {
        const QDomElement root = roots.at(r).toElement();
        if (root.isNull() || root.tagName() != QLatin1String("variables"))
            continue;
        const QString rootKey = root.attribute(QStringLiteral("key"));
        if (strict && rootKey != modelKey) {
            qDebug() << rootKey << modelKey;
            Tools::showError(tr("Invalid channel preset format"));
            continue;
        }
        for (QDomElement element = root.firstChildElement(QStringLiteral("variable")); !element.isNull();
             element = element.nextSiblingElement(QStringLiteral("variable"))) {
            ChannelSetup* setup =
                getSetup(element.attribute(QStringLiteral("key")), QString(), Quantity::None, nullptr);
            if (!setup)
                continue;
            setup->parseChannelDomElement(&element);
            // Once the channels exist a gate read from a preset binds at once;
            // before, it keeps its key until resolveAlarmGates.
            if (theChannels.isInitialized())
                setup->alarmGate->updateChannelPointer();
        }
    }
}

void ChannelSetupModel::importPreset(const QString& fileName)
{
    QFile file(fileName);
    parseFile(&file, true);
}

void ChannelSetupModel::action_loadDefault()
{
    QFile file(defaultFilePath);
    parseFile(&file, true);
}

void ChannelSetupModel::action_importPreset()
{
    const QString fileName = thePathSaver.getOpenFileName(Path::openXml, tr("Load channels preset"));
    if (!fileName.isEmpty())
        importPreset(fileName);
}

void ChannelSetupModel::action_exportPreset()
{
    slot_saveToFile();
    const QString fileName =
        thePathSaver.getSaveFileName(Path::saveXml, tr("Save channels preset"), QStringLiteral("channelsPreset.xml"));
    if (fileName.isEmpty() || userFilePath.isEmpty())
        return;
    if (QFileInfo(fileName).absoluteFilePath() == QFileInfo(userFilePath).absoluteFilePath())
        return;
    // The old preset is replaced only once the new one is completely written.
    QFile source(userFilePath);
    QSaveFile target(fileName);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)
        || target.write(source.readAll()) < 0 || !target.commit())
        Tools::showError(tr("Can't write file ") + fileName);
}

void ChannelSetupModel::action_importPresetFromServer()
{
    NetworkFileBrowser browser(NetworkFileBrowser::listAddress(libraryFolder),
                               NetworkFileBrowser::fileAddress(libraryFolder), QStringLiteral("xml"), nullptr);
    if (!browser.fileContent.isEmpty())
        loadFromString(browser.fileContent, true);
}

void ChannelSetupModel::resolveAlarmGates()
{
    for (ChannelSetup* setup : std::as_const(setups))
        setup->alarmGate->updateChannelPointer();
}

// ---------------------------------------------------------------- lookup

ChannelSetup* ChannelSetupModel::makeSetup(const QString& key, const QString& displayName, Quantity quantity,
                                           const ChannelSetup* templateSetup) const
{
    auto* setup = new ChannelSetup(nullptr, templateSetup);
    if (templateSetup) {
        if (!displayName.isEmpty())
            setup->displayName = displayName;
    } else {
        setup->displayName = displayName;
        setup->quantity = quantity == -1 ? Quantity::None : quantity;
        setup->unit = theUnits.getDefaultUnit(setup->quantity);
    }
    setup->key = key;
    emit setup->signal_keyChanged();
    return setup;
}

void ChannelSetupModel::adjustSetup(ChannelSetup* setup, Quantity quantity, const ChannelSetup* templateSetup)
{
    // The registry's fixed quantities win over a stored file; channels of free
    // quantity (-1) keep the stored one.
    if (quantity != -1 && quantity != setup->quantity) {
        setup->quantity = quantity;
        setup->unit = theUnits.getDefaultUnit(quantity);
    }
    if (templateSetup)
        setup->flags = templateSetup->flags;
    setup->sanitize();
}

ChannelSetup* ChannelSetupModel::getSetup(const QString& key, const QString& displayName, Quantity quantity,
                                          const ChannelSetup* templateSetup)
{
    if (key.isEmpty())
        return nullptr;
    if (QThread::currentThread() != thread())
        return getSetupFromWorker(key, displayName, quantity, templateSetup);

    adoptPending();
    ChannelSetup* setup = setups.value(key, nullptr);
    const bool isNew = !setup;
    if (isNew)
        setup = makeSetup(key, displayName, quantity, templateSetup);
    adjustSetup(setup, quantity, templateSetup);
    if (isNew)
        insertSetup(setup);
    return setup;
}

ChannelSetup* ChannelSetupModel::getSetupFromWorker(const QString& key, const QString& displayName,
                                                    Quantity quantity, const ChannelSetup* templateSetup)
{
    QMutexLocker locker(&mutex);
    // An existing setup belongs to the GUI thread: it is handed out as it is.
    if (ChannelSetup* existing = setups.value(key, nullptr))
        return existing;
    if (ChannelSetup* waiting = pending.value(key, nullptr))
        return waiting;
    ChannelSetup* setup = makeSetup(key, displayName, quantity, templateSetup);
    adjustSetup(setup, quantity, templateSetup);
    setup->moveToThread(thread());
    pending.insert(key, setup);
    QMetaObject::invokeMethod(this, &ChannelSetupModel::adoptPending, Qt::QueuedConnection);
    return setup;
}

void ChannelSetupModel::adoptPending()
{
    QList<ChannelSetup*> adopted;
    {
        QMutexLocker locker(&mutex);
        if (pending.isEmpty())
            return;
        // In creation order would need more bookkeeping; key order is as good
        // for setups that nobody had yet.
        adopted = pending.values();
        pending.clear();
    }
    for (ChannelSetup* setup : adopted)
        insertSetup(setup);
}

void ChannelSetupModel::insertSetup(ChannelSetup* setup)
{
    setup->setParent(this);
    const int row = int(keys.size());
    beginInsertRows(QModelIndex(), row, row);
    {
        QMutexLocker locker(&mutex);
        setups.insert(setup->key, setup);
        keys.append(setup->key);
    }
    endInsertRows();
    connect(setup, &ChannelSetup::signal_setupChanged, this, &ChannelSetupModel::slot_channelSetupChanged);
    saveTimer->start();
}

void ChannelSetupModel::addSetupToGroup(int group, const QString& key, ChannelSetup* templateSetup)
{
    if (key.isEmpty())
        return;
    if (group < 0 || group >= ChannelGroupCount) {
        qDebug() << "addSetupToGroup invalid group ID" << group << key;
        return;
    }
    ChannelSetup* setup = getSetup(key, QString(), static_cast<Quantity>(-1), templateSetup);
    setup->groupId = quint32(group);
    if (!groups[group].contains(setup))
        groups[group].append(setup);
    emit setup->signal_setupChanged();
}

QList<ChannelSetup*> ChannelSetupModel::getChannelsSetupsList() const
{
    return setups.values();
}

// ---------------------------------------------------------------- saving

bool ChannelSetupModel::isSavePending() const
{
    return saveTimer->isActive();
}

void ChannelSetupModel::slot_saveIfPending()
{
    if (saveTimer->isActive())
        slot_saveToFile();
}

void ChannelSetupModel::slot_saveToFile()
{
    saveTimer->stop();
    // Nothing is written before the start-up load has named the file: a save
    // then would replace the operator's file with a partial one.
    if (userFilePath.isEmpty())
        return;
    QSaveFile file(userFilePath);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug().noquote() << "Error writing " + userFilePath + " file";
        return;
    }
    QXmlStreamWriter writer(&file);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(1);
    writer.writeStartElement(QStringLiteral("variables"));
    writer.writeAttribute(QStringLiteral("key"), modelKey);
    for (const QString& key : std::as_const(keys)) {
        writer.writeStartElement(QStringLiteral("variable"));
        writer.writeAttribute(QStringLiteral("key"), key);
        setups.value(key)->writeSetupToXmlStream(writer);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    if (writer.hasError() || !file.commit())
        qDebug().noquote() << "Error writing " + userFilePath + " file";
}

void ChannelSetupModel::slot_channelSetupChanged()
{
    auto* setup = qobject_cast<ChannelSetup*>(sender());
    if (!setup)
        return;
    if (!propagating && setup->groupId >= 1 && setup->groupId < quint32(ChannelGroupCount)) {
        propagating = true;
        for (ChannelSetup* member : std::as_const(groups[int(setup->groupId)])) {
            if (member == setup)
                continue;
            member->decimals = setup->decimals;
            member->unit = setup->unit;
            member->filter = setup->filter;
            emit member->signal_setupChanged();
        }
        propagating = false;
    }
    const int row = int(keys.indexOf(setup->key));
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ChannelSetupPropCount - 1));
    saveTimer->start();
}

// ---------------------------------------------------------------- table

int ChannelSetupModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(keys.size());
}

int ChannelSetupModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ChannelSetupPropCount;
}

QVariant ChannelSetupModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= keys.size())
        return QVariant();
    const ChannelSetup* setup = setups.value(keys.at(index.row()));
    const int column = index.column();
    const double factor = setup->unit ? setup->unit->factor : 1.0;
    auto shown = [setup](double si) { return setup->unit ? setup->unit->getUnitValue(si) : si; };
    auto unitName = [setup]() { return setup->unit ? setup->unit->name : QString(); };

    switch (role) {
    case Qt::DisplayRole:
    case Qt::UserRole:
        if (column >= ChannelSetupPropId_minAutorangeSpan && column <= ChannelSetupPropId_alarmHigh) {
            double value = 0.0;
            switch (column) {
            case ChannelSetupPropId_minAutorangeSpan:
                value = setup->minAutorangeSpan * factor; // a difference: no offset
                break;
            case ChannelSetupPropId_rangeMin:
                value = shown(setup->rangeMin);
                break;
            case ChannelSetupPropId_rangeMax:
                value = shown(setup->rangeMax);
                break;
            case ChannelSetupPropId_warningLow:
                value = shown(setup->warningLow);
                break;
            case ChannelSetupPropId_warningHigh:
                value = shown(setup->warningHigh);
                break;
            case ChannelSetupPropId_alarmLow:
                value = shown(setup->alarmLow);
                break;
            default:
                value = shown(setup->alarmHigh);
                break;
            }
            return Tools::stringFromDouble(value, setup->decimals) + QLatin1Char(' ') + unitName();
        }
        return data(index, Qt::EditRole);
    case Qt::EditRole:
        switch (column) {
        case ChannelSetupPropId_key:
            return setup->key;
        case ChannelSetupPropId_groupId:
            return setup->groupId;
        case ChannelSetupPropId_unitType:
            return theUnits.quantityNames.value(setup->quantity);
        case ChannelSetupPropId_labels:
            return ChannelSetup::stringFromLabels(setup->labels);
        case ChannelSetupPropId_hide:
            return setup->hide;
        case ChannelSetupPropId_displayName:
            return setup->displayName;
        case ChannelSetupPropId_unit:
            return unitName();
        case ChannelSetupPropId_decimals:
            return setup->decimals;
        case ChannelSetupPropId_color:
            return setup->color.name();
        case ChannelSetupPropId_autorangeMin:
            return setup->autorangeMin;
        case ChannelSetupPropId_autorangeMax:
            return setup->autorangeMax;
        case ChannelSetupPropId_minAutorangeSpan:
            return setup->minAutorangeSpan;
        case ChannelSetupPropId_rangeMin:
            return setup->rangeMin;
        case ChannelSetupPropId_rangeMax:
            return setup->rangeMax;
        case ChannelSetupPropId_warningLow:
            return setup->warningLow;
        case ChannelSetupPropId_warningHigh:
            return setup->warningHigh;
        case ChannelSetupPropId_alarmLow:
            return setup->alarmLow;
        case ChannelSetupPropId_alarmHigh:
            return setup->alarmHigh;
        case ChannelSetupPropId_alarmDelay:
            return setup->alarmDelay;
        case ChannelSetupPropId_filter:
            return setup->filter;
        case ChannelSetupPropId_sampling:
            return setup->sampling == SamplingMode::Interpolate ? QStringLiteral("I") : QStringLiteral("SH");
        case ChannelSetupPropId_timeOffset:
            return setup->timeOffset;
        case ChannelSetupPropId_comment:
            return setup->comment;
        default:
            return QVariant();
        }
    case Qt::TextAlignmentRole:
        if (column == ChannelSetupPropId_key || column == ChannelSetupPropId_displayName)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (column == ChannelSetupPropId_color)
            return QBrush(setup->color);
        if (setup->hide)
            return QBrush(kLightGrey);
        if (column == ChannelSetupPropId_autorangeMin && setup->autorangeMin)
            return QBrush(kLightGreen);
        if (column == ChannelSetupPropId_autorangeMax && setup->autorangeMax)
            return QBrush(kLightGreen);
        if (column == ChannelSetupPropId_minAutorangeSpan && !setup->autorangeMin && !setup->autorangeMax)
            return QBrush(kLightGrey);
        if (column == ChannelSetupPropId_rangeMin && setup->autorangeMin)
            return QBrush(kLightGrey);
        if (column == ChannelSetupPropId_rangeMax && setup->autorangeMax)
            return QBrush(kLightGrey);
        return QVariant();
    case Qt::ForegroundRole:
        if (column == ChannelSetupPropId_color)
            return QBrush(QColor(Tools::getContrastColor(setup->color, 0.5f)));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant ChannelSetupModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return theChannelSetupDescriptor.titles.value(section);
    return section;
}

Qt::ItemFlags ChannelSetupModel::flags(const QModelIndex&) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

bool ChannelSetupModel::setData(const QModelIndex&, const QVariant&, int)
{
    return true;
}

bool ChannelSetupModel::removeRows(int, int, const QModelIndex&)
{
    return true;
}

void ChannelSetupModel::action_editChannel(int row)
{
    if (row < 0 || row >= keys.size())
        return;
    ChannelSetup* setup = setups.value(keys.at(row), nullptr);
    if (!setup)
        return;
    ChannelSetupDialog dialog(setup, nullptr, true, modelKey == QLatin1String("analyze"));
    DialogAnswerer::exec(&dialog);
}

void ChannelSetupModel::slot_keyEvent(const QList<int>& rows, int row, int key)
{
    Q_UNUSED(rows);
    if (row >= 0 && (key == Qt::Key_Return || key == Qt::Key_Enter))
        action_editChannel(row);
}

void ChannelSetupModel::slot_doubleClickEvent(int row)
{
    if (row >= 0)
        action_editChannel(row);
}

void ChannelSetupModel::slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position)
{
    Q_UNUSED(column);
    const int first = rows.isEmpty() ? -1 : rows.first();
    MyMenu menu;
    QAction* edit = nullptr;
    if (first >= 0 && first < keys.size())
        edit = menu.addAction(tr("Edit"));
    QAction* exportAll = menu.addAction(QIcon::fromTheme(QStringLiteral("document-save")), tr("Export all"));
    QAction* importAll = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Import all"));
    QAction* importFromServer =
        menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Import from server"));
    QAction* loadDefault = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Load default"));
    QAction* picked = menu.exec(position);
    if (!picked)
        return;
    if (picked == edit)
        action_editChannel(first);
    else if (picked == exportAll)
        action_exportPreset();
    else if (picked == importAll)
        action_importPreset();
    else if (picked == importFromServer)
        action_importPresetFromServer();
    else if (picked == loadDefault)
        action_loadDefault();
}
