#include "UDSChannelModel.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "MultipleSortFilterProxyModel.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "ObdThread.h"
#include "PathSaver.h"
#include "RunChannel.h"
#include "UDSChannel.h"
#include "UDSChannelDialog.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QAbstractItemView>
#include <QBrush>
#include <QContextMenuEvent>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QSaveFile>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <limits>

UDSChannelModel theUDSChannelModel;

namespace {

const QString kFileName = QStringLiteral("UDSChannels.xml");

} // namespace

UDSChannelModel::UDSChannelModel(QObject* parent, bool runData)
    : QAbstractTableModel(parent)
    , forRunData(runData)
{
    if (!forRunData) {
        saveTimer = new QTimer(this);
        saveTimer->setSingleShot(true);
        saveTimer->setInterval(saveDelayMs);
        connect(saveTimer, &QTimer::timeout, this, &UDSChannelModel::slot_saveToFile);
    }
    connect(this, &UDSChannelModel::signal_channelChanged, this, &UDSChannelModel::slot_channelChanged,
            Qt::QueuedConnection);
}

UDSChannelModel::~UDSChannelModel()
{
    QMutexLocker locker(&mutex);
    qDeleteAll(channels);
    channels.clear();
}

// ---------------------------------------------------------------- table

int UDSChannelModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(channels.size());
}

int UDSChannelModel::columnCount(const QModelIndex& parent) const
{
    return ColumnCount;
}

QVariant UDSChannelModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || index.row() >= channels.size())
        return QVariant();
    const UDSChannel* channel = channels.at(index.row());
    const UDSChannelSetup& uds = channel->udsSetup;
    if (role == Qt::BackgroundRole) {
        switch (int(channel->status())) {
        case -1: return QVariant();
        case 0: return QBrush(QColor(175, 255, 175));
        case 1:
        case 2: return QBrush(QColor(255, 255, 175));
        default: return QBrush(QColor(255, 175, 175));
        }
    }
    if (role == Qt::FontRole) {
        if (uds.priorityGroup == 0)
            return QVariant();
        QFont font;
        font.setWeight(QFont::Bold);
        return font;
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    switch (index.column()) {
    case ColumnPriority: {
        const int group = int(uds.priorityGroup);
        if (group < 0 || group >= thePriorityGroupDescriptor.names.size())
            return tr("invalid");
        return thePriorityGroupDescriptor.names.at(group);
    }
    case ColumnAutoHeader: return uds.automaticHeader;
    case ColumnHeader: return uds.header;
    case ColumnCommand: return uds.command;
    case ColumnName: return channel->getChildName();
    case ColumnSupportBit: return uds.supportBit < 0 ? QString() : QString::number(uds.supportBit);
    case ColumnEquation:
        return uds.equation + QLatin1Char('[') + (uds.inputUnit ? uds.inputUnit->name : QString()) + QLatin1Char(']');
    case ColumnTimestamp: return channel->getTimestampString();
    case ColumnValue: return channel->getDataTranslatedWithUnit();
    case ColumnOverrides:
        if (uds.vehicleParamId < 0)
            return QString();
        return theChannels.getVehicleParam(uds.vehicleParamId)->setup->key;
    case ColumnAvailability: return int(channel->status());
    default: return QVariant();
    }
}

QVariant UDSChannelModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section);
    switch (section) {
    case ColumnPriority: return tr("Priority");
    case ColumnAutoHeader: return tr("Auto\nheader");
    case ColumnHeader: return tr("Header");
    case ColumnCommand: return tr("Command");
    case ColumnName: return tr("Name");
    case ColumnSupportBit: return tr("SB");
    case ColumnEquation: return tr("Equation");
    case ColumnTimestamp: return tr("Last\ntimestamp");
    case ColumnValue: return tr("Last\nvalue");
    case ColumnOverrides: return tr("Overrides");
    case ColumnAvailability: return tr("Availability");
    default: return QVariant();
    }
}

Qt::ItemFlags UDSChannelModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsEnabled | Qt::ItemIsEditable;
    return QAbstractTableModel::flags(index);
}

void UDSChannelModel::notifyRows(int first, int last, int firstColumn, int lastColumn, const QList<int>& roles)
{
    if (first > last || channels.isEmpty())
        return;
    emit dataChanged(index(first, firstColumn), index(last, lastColumn), roles);
}

void UDSChannelModel::startSaveTimer()
{
    if (saveTimer)
        saveTimer->start();
}

// ---------------------------------------------------------------- look-ups

RunChannel* UDSChannelModel::getChannelByKey(const QString& key) const
{
    for (UDSChannel* channel : channels) {
        if (channel->setup->key == key)
            return channel;
    }
    return nullptr;
}

QList<AbstractChannel*> UDSChannelModel::listChannelsForArgument(Quantity quantity) const
{
    return listForArgument(quantity);
}

QList<AbstractChannel*> UDSChannelModel::listForArgument(Quantity quantity) const
{
    QList<AbstractChannel*> list;
    for (UDSChannel* channel : channels) {
        if (int(quantity) == -1 || channel->setup->quantity == quantity)
            list.append(channel);
    }
    return list;
}

QList<AbstractChannel*> UDSChannelModel::getListForChannels() const
{
    QList<AbstractChannel*> list;
    for (UDSChannel* channel : channels) {
        if (!channel->setup->hide)
            list.append(channel);
    }
    return list;
}

QList<QString> UDSChannelModel::listInputNames() const
{
    QList<QString> names;
    for (const UDSChannel* channel : channels)
        names.append(channel->getChildName());
    return names;
}

QList<UDSChannel*> UDSChannelModel::listChannelsForCommand(const QByteArray& prefix) const
{
    QList<UDSChannel*> result;
    for (UDSChannel* channel : channels) {
        if (channel->udsSetup.command.startsWith(prefix))
            result.append(channel);
    }
    return result;
}

// ---------------------------------------------------------------- changes

void UDSChannelModel::addChannels(const QList<UDSChannel*>& newChannels, bool fromRunFile)
{
    if (newChannels.isEmpty())
        return;
    QMutexLocker locker(&mutex);
    const int n = int(channels.size());
    const int k = int(newChannels.size());
    if (!fromRunFile) {
        // Run files key the samples by the low 16 bits of the id: two live
        // channels sharing them would have their samples mixed in every run.
        QSet<quint16> taken;
        for (const UDSChannel* channel : std::as_const(channels))
            taken.insert(channel->logId());
        for (UDSChannel* channel : newChannels) {
            quint16 id = channel->logId();
            while (taken.contains(id))
                ++id;
            if (id != channel->logId())
                channel->setLogId(id);
            taken.insert(id);
        }
    }
    beginInsertRows(QModelIndex(), n, n + k - 1);
    for (UDSChannel* channel : newChannels) {
        channels.append(channel);
        if (!fromRunFile)
            channel->updateRegistrationInIterator();
    }
    endInsertRows();
    notifyRows(n, n + k - 1, 0, ColumnCount - 1);
}

void UDSChannelModel::clear()
{
    QMutexLocker locker(&mutex);
    beginResetModel();
    for (UDSChannel* channel : std::as_const(channels)) {
        if (!forRunData && theObdThread)
            theObdThread->channelIterator.moveChannel(channel, -1);
        delete channel;
    }
    channels.clear();
    endResetModel();
}

void UDSChannelModel::channelStatusChanged(UDSChannel* channel)
{
    emit signal_channelChanged(channel, false);
}

void UDSChannelModel::channelHeaderChanged(UDSChannel* channel)
{
    emit signal_channelChanged(channel, true);
}

void UDSChannelModel::slot_channelChanged(UDSChannel* channel, bool headerOnly)
{
    const int row = int(channels.indexOf(channel));
    if (row < 0)
        return;
    if (headerOnly)
        emit dataChanged(index(row, ColumnAutoHeader), index(row, ColumnAutoHeader), {Qt::DisplayRole});
    else
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void UDSChannelModel::slot_resetChannelStatusAndValues()
{
    {
        QMutexLocker locker(&mutex);
        const qint64 now = RunChannel::wallClock();
        for (UDSChannel* channel : std::as_const(channels)) {
            channel->setData(std::numeric_limits<double>::quiet_NaN(), now);
            channel->available = false;
            channel->slot_setStatus(NotSupported);
            channel->slot_setHeader(QByteArray());
        }
    }
    notifyRows(0, int(channels.size()) - 1, 0, ColumnCount - 1);
}

void UDSChannelModel::slot_updateValueDisplay()
{
    if (!valuesChanged.exchange(false))
        return;
    notifyRows(0, int(channels.size()) - 1, ColumnTimestamp, ColumnValue, {Qt::DisplayRole});
}

// ---------------------------------------------------------------- file

QString UDSChannelModel::documentText(const QList<int>& rows) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("UDSChannels"));
    document.appendChild(root);
    for (int row : rows) {
        if (row < 0 || row >= channels.size())
            continue;
        QDomElement element = document.createElement(QStringLiteral("UDSChannel"));
        channels.at(row)->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

QString UDSChannelModel::setupToString() const
{
    // The run recorder calls this from its own thread at run stop; the lock
    // keeps the list still while the document is built (the OBD thread never
    // writes the stored definitions, so polling only pauses for this moment).
    QMutexLocker locker(const_cast<QMutex*>(&mutex));
    QList<int> rows;
    for (int row = 0; row < channels.size(); ++row)
        rows.append(row);
    return documentText(rows);
}

void UDSChannelModel::loadFromString(const QString& text, bool fromRunFile)
{
    QDomDocument document;
    if (!document.setContent(text))
        return;
    QList<UDSChannel*> loaded;
    const QDomNodeList roots = document.childNodes();
    for (int r = 0; r < roots.size(); ++r) {
        const QDomNode root = roots.at(r);
        if (root.nodeName() != QLatin1String("UDSChannels"))
            continue;
        for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
            const QDomElement element = node.toElement();
            if (element.isNull() || element.tagName() != QLatin1String("UDSChannel"))
                continue;
            auto* channel = new UDSChannel;
            channel->setChildName(
                Tools::generateUniqueName(listInputNames(), element.attribute(QStringLiteral("name"))));
            channel->parseDomElement(&element, fromRunFile);
            loaded.append(channel);
        }
    }
    addChannels(loaded, fromRunFile);
}

void UDSChannelModel::loadFromFile()
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
        loadFromString(text, false);
        return;
    }
    // Loading nothing and saving over it later would lose the only copy of
    // the operator's channels.
    const QString badPath = Tools::keepMalformedFile(fileName);
    const QString where = tr("line %1, column %2: %3").arg(line).arg(column).arg(message);
    qDebug().noquote() << "UDS channel file" << fileName << "unreadable:" << where;
    if (badPath.isEmpty()) {
        saveAllowed = false;
        emit signal_emitError(tr("The channel file %1 could not be read (%2). No channels were loaded; changes "
                                 "will not be saved until the file is repaired or removed.")
                                  .arg(fileName, where));
    } else {
        emit signal_emitError(tr("The channel file %1 could not be read (%2). It was kept as %3; no channels "
                                 "were loaded.")
                                  .arg(fileName, where, badPath));
    }
}

void UDSChannelModel::slot_saveToFile()
{
    if (forRunData || fileName.isEmpty() || !saveAllowed) {
        if (!forRunData)
            qDebug() << "Error writing UDSChannels.xml file";
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing UDSChannels.xml file";
        return;
    }
    file.write(setupToString().toUtf8());
    if (!file.commit())
        qDebug() << "Error writing UDSChannels.xml file";
}

void UDSChannelModel::action_import()
{
    const QList<QString> files = thePathSaver.getOpenFileNames(Path::openXml, tr("Import channels configuration file"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        loadFromString(QString::fromUtf8(file.readAll()), false);
    }
}

void UDSChannelModel::action_export(const QList<int>& rows)
{
    const QString path = thePathSaver.getSaveFileName(Path::saveXml, tr("Export channels setup"), kFileName);
    if (path.isEmpty())
        return;
    // Written beside the target and renamed over it: a failed export leaves
    // an existing file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Tools::showError(tr("Error opening output file"));
        return;
    }
    file.write(documentText(rows).toUtf8());
    if (!file.commit())
        Tools::showError(tr("Error writing output file") + QStringLiteral(": ") + file.errorString());
}

void UDSChannelModel::slot_action_importServer()
{
    const QString folder = QStringLiteral("udsinputs");
    NetworkFileBrowser browser(NetworkFileBrowser::listAddress(folder), NetworkFileBrowser::fileAddress(folder),
                               QStringLiteral("xml"), nullptr);
    if (!browser.fileContent.isEmpty())
        loadFromString(browser.fileContent, false);
}

// ---------------------------------------------------------------- actions

void UDSChannelModel::action_new()
{
    auto* channel = new UDSChannel;
    bool accepted = false;
    {
        UDSChannelDialog dialog(nullptr, channel);
        dialog.existingNames = listInputNames();
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted) {
        addChannels({channel}, false);
        startSaveTimer();
    } else {
        delete channel;
    }
}

bool UDSChannelModel::action_edit(int row, bool checkOnly)
{
    if (row < 0 || row >= channels.size())
        return false;
    if (checkOnly)
        return true;
    QMutexLocker locker(&mutex);
    UDSChannel* channel = channels.at(row);
    QList<QString> names = listInputNames();
    names.removeOne(channel->getChildName());
    bool accepted = false;
    {
        UDSChannelDialog dialog(nullptr, channel);
        dialog.existingNames = names;
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted) {
        notifyRows(row, row, 0, ColumnCount - 1);
        startSaveTimer();
        channel->updateRegistrationInIterator();
    }
    return true;
}

bool UDSChannelModel::action_duplicate(const QList<int>& rows)
{
    for (int row : rows) {
        if (row < 0 || row >= channels.size())
            continue;
        UDSChannel* source = channels.at(row);
        auto* copy = new UDSChannel;
        copy->set(source);
        copy->setChildName(Tools::generateUniqueName(listInputNames(), source->getChildName()));
        addChannels({copy}, false);
    }
    startSaveTimer();
    return true;
}

void UDSChannelModel::action_remove(const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    for (auto it = sorted.crbegin(); it != sorted.crend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= channels.size())
            continue;
        UDSChannel* channel = channels.at(row);
        // confirmChannelRemoval answers true when the user refused.
        if (channel->confirmChannelRemoval())
            continue;
        QMutexLocker locker(&mutex);
        beginRemoveRows(QModelIndex(), row, row);
        if (theObdThread)
            theObdThread->channelIterator.moveChannel(channel, -1);
        channels.removeAt(row);
        delete channel;
        endRemoveRows();
    }
    startSaveTimer();
}

bool UDSChannelModel::action_moveUp(int row, bool checkOnly)
{
    if (row < 1 || row >= channels.size())
        return false;
    if (checkOnly)
        return true;
    QMutexLocker locker(&mutex);
    channels.swapItemsAt(row - 1, row);
    notifyRows(row - 1, row, 0, ColumnCount - 1);
    startSaveTimer();
    return true;
}

bool UDSChannelModel::action_moveDown(int row, bool checkOnly)
{
    if (row < 0 || row >= channels.size() - 1)
        return false;
    if (checkOnly)
        return true;
    QMutexLocker locker(&mutex);
    channels.swapItemsAt(row, row + 1);
    notifyRows(row, row + 1, 0, ColumnCount - 1);
    startSaveTimer();
    return true;
}

void UDSChannelModel::action_setPriority(const QList<int>& rows, PriorityGroup group)
{
    {
        QMutexLocker locker(&mutex);
        for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
            if (*it < 0 || *it >= channels.size())
                continue;
            UDSChannel* channel = channels.at(*it);
            channel->udsSetup.priorityGroup = group;
            channel->updateRegistrationInIterator();
        }
    }
    notifyRows(0, int(channels.size()) - 1, 0, 0);
    startSaveTimer();
}

void UDSChannelModel::action_disableAll()
{
    {
        QMutexLocker locker(&mutex);
        for (UDSChannel* channel : std::as_const(channels)) {
            channel->udsSetup.priorityGroup = PriorityGroup_0;
            channel->updateRegistrationInIterator();
        }
    }
    notifyRows(0, int(channels.size()) - 1, 0, 0);
    startSaveTimer();
}

int UDSChannelModel::modelRow(const QModelIndex& viewIndex) const
{
    if (!viewIndex.isValid())
        return -1;
    if (proxyModel && viewIndex.model() == proxyModel)
        return proxyModel->mapToSource(viewIndex).row();
    return viewIndex.row();
}

QModelIndex UDSChannelModel::viewIndex(int row) const
{
    const QModelIndex source = const_cast<UDSChannelModel*>(this)->index(row, 0);
    return proxyModel ? proxyModel->mapFromSource(source) : source;
}

void UDSChannelModel::slot_doubleClicked(const QModelIndex& index)
{
    const int row = modelRow(index);
    if (row < 0 || row >= channels.size())
        return;
    if (index.column() != ColumnPriority) {
        action_edit(row, false);
        return;
    }
    {
        QMutexLocker locker(&mutex);
        UDSChannel* channel = channels.at(row);
        channel->udsSetup.priorityGroup = channel->udsSetup.priorityGroup == 0 ? PriorityGroup_1 : PriorityGroup_0;
        channel->updateRegistrationInIterator();
    }
    notifyRows(row, row, 0, 0);
    startSaveTimer();
}

// ---------------------------------------------------------------- keys and menu

QList<int> UDSChannelModel::selectedRows(QAbstractItemView* view) const
{
    QList<int> rows;
    if (QItemSelectionModel* selection = view->selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows(0))
            rows.append(modelRow(index));
    }
    return rows;
}

bool UDSChannelModel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ContextMenu)
        return false;
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if (!view)
        return false;
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        contextMenu(view, menuEvent->globalPos(), view->viewport()->mapFromGlobal(menuEvent->globalPos()));
        return true;
    }
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const QModelIndex current = view->selectionModel() ? view->selectionModel()->currentIndex() : QModelIndex();
    const int row = modelRow(current);
    const bool alt = keyEvent->modifiers() & Qt::AltModifier;
    auto moveCurrent = [&](int to) {
        if (QItemSelectionModel* selection = view->selectionModel()) {
            selection->setCurrentIndex(viewIndex(to), QItemSelectionModel::Select | QItemSelectionModel::Current
                                                           | QItemSelectionModel::Rows);
        }
    };
    switch (keyEvent->key()) {
    case Qt::Key_D: {
        QList<int> rows = selectedRows(view);
        std::sort(rows.begin(), rows.end());
        action_duplicate(rows);
        return true;
    }
    case Qt::Key_N:
        action_new();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        action_edit(row, false);
        return true;
    case Qt::Key_Delete:
        action_remove(selectedRows(view));
        return true;
    case Qt::Key_Up:
        if (!alt)
            return false;
        if (action_moveUp(row, false))
            moveCurrent(row - 1);
        return true;
    case Qt::Key_Down:
        if (!alt)
            return false;
        if (action_moveDown(row, false))
            moveCurrent(row + 1);
        return true;
    default:
        return false;
    }
}

void UDSChannelModel::contextMenu(QAbstractItemView* view, const QPoint& globalPos, const QPoint& viewportPos)
{
    const int row = modelRow(view->indexAt(viewportPos));
    QList<int> rows = selectedRows(view);
    MyMenu menu(view);
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    QAction* duplicate = nullptr;
    QAction* up = nullptr;
    QAction* down = nullptr;
    QAction* exportAction = nullptr;
    QList<QAction*> priorities;
    if (!rows.isEmpty()) {
        QMenu* priorityMenu = menu.addSubMenu(tr("Priority"));
        for (int group = 0; group < thePriorityGroupDescriptor.names.size(); ++group) {
            QAction* action = priorityMenu->addAction(thePriorityGroupDescriptor.names.at(group));
            action->setProperty("priority", group);
            priorities.append(action);
        }
        menu.addSeparator();
    }
    if (action_edit(row, true))
        edit = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Edit       -  Enter"));
    if (!rows.isEmpty()) {
        remove = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete     -  Del"));
        duplicate = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Duplicate  -  D"));
    }
    QAction* add = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New        -  N"));
    menu.addSeparator();
    if (action_moveUp(row, true))
        up = menu.addAction(QIcon::fromTheme(QStringLiteral("go-up")), tr("Move up    -  Alt+Up"));
    if (action_moveDown(row, true))
        down = menu.addAction(QIcon::fromTheme(QStringLiteral("go-down")), tr("Move down  -  Alt+Down"));
    menu.addSeparator();
    QAction* importAction = menu.addAction(tr("Import file"));
    QAction* importServer = menu.addAction(tr("Import from server"));
    QAction* disableAll = menu.addAction(tr("Disable all"));
    if (!rows.isEmpty())
        exportAction = menu.addAction(tr("Export"));

    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPos);
    if (!chosen)
        return;
    std::sort(rows.begin(), rows.end());
    if (priorities.contains(chosen))
        action_setPriority(rows, PriorityGroup(chosen->property("priority").toInt()));
    else if (chosen == edit)
        action_edit(row, false);
    else if (chosen == remove)
        action_remove(rows);
    else if (chosen == duplicate)
        action_duplicate(rows);
    else if (chosen == add)
        action_new();
    else if (chosen == up)
        action_moveUp(row, false);
    else if (chosen == down)
        action_moveDown(row, false);
    else if (chosen == importAction)
        action_import();
    else if (chosen == importServer)
        slot_action_importServer();
    else if (chosen == disableAll)
        action_disableAll();
    else if (chosen == exportAction)
        action_export(rows);
}

// ---------------------------------------------------------------- recorded data

void UDSChannelModel::parseFrames(QList<channelFrame_t>* frames, QList<QList<double>>* times,
                                  QList<QList<double>>* values) const
{
    QList<quint16> ids;
    for (const UDSChannel* channel : channels)
        ids.append(channel->logId());
    parseFrames(ids, frames->constData(), frames->size(), times, values);
}

void UDSChannelModel::parseFrames(const QList<quint16>& rowIds, const channelFrame_t* frames, qsizetype frameCount,
                                  QList<QList<double>>* times, QList<QList<double>>* values)
{
    const qsizetype n = rowIds.size();
    times->resize(n);
    values->resize(n);
    if (n == 0)
        return;
    // Distinct ids within a run; the first row wins should a file repeat one.
    std::vector<qint32> rowOfId(65536, -1);
    for (qsizetype row = n - 1; row >= 0; --row)
        rowOfId[rowIds.at(row)] = qint32(row);
    // Counted first, then sized once per row: sizing every row to the whole
    // frame count would hold rows x frames doubles until the end.
    std::vector<qsizetype> counts(size_t(n), 0);
    for (qsizetype i = 0; i < frameCount; ++i) {
        const qint32 row = rowOfId[frames[i].id];
        if (row >= 0)
            ++counts[size_t(row)];
    }
    std::vector<double*> timeOut(size_t(n), nullptr);
    std::vector<double*> valueOut(size_t(n), nullptr);
    for (qsizetype row = 0; row < n; ++row) {
        QList<double>& t = (*times)[row];
        QList<double>& v = (*values)[row];
        t.resize(counts[size_t(row)]);
        v.resize(counts[size_t(row)]);
        timeOut[size_t(row)] = t.data();
        valueOut[size_t(row)] = v.data();
    }
    for (qsizetype i = 0; i < frameCount; ++i) {
        const qint32 row = rowOfId[frames[i].id];
        if (row < 0)
            continue;
        *timeOut[size_t(row)]++ = frames[i].timestamp / 1000.0;
        *valueOut[size_t(row)]++ = frames[i].value;
    }
}
