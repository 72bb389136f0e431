#include "InputChannelsModel.h"

#include "ChannelSetup.h"
#include "GamepadEvent.h"
#include "InputChannel.h"
#include "InputChannelDialog.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QSaveFile>
#include <QShortcut>
#include <QTimer>
#include <QXmlStreamWriter>

#include <algorithm>

InputChannelsModel theInputChannelsModel;

namespace {

const QString kFileName = QStringLiteral("inputChannels.xml");
constexpr int kColumnCount = 8;

QString sequenceText(const QShortcut* shortcut)
{
    return shortcut ? shortcut->key().toString(QKeySequence::PortableText) : QString();
}

} // namespace

InputChannelsModel::InputChannelsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &InputChannelsModel::slot_saveToFile);
}

InputChannelsModel::~InputChannelsModel()
{
    QMutexLocker locker(&listMutex);
    qDeleteAll(channels);
    channels.clear();
}

// ---------------------------------------------------------------- table

int InputChannelsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    QMutexLocker locker(&listMutex);
    return int(channels.size());
}

int InputChannelsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

InputChannel* InputChannelsModel::input(int row) const
{
    QMutexLocker locker(&listMutex);
    return channels.at(row);
}

QVariant InputChannelsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= channels.size())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const InputChannel* channel = channels.at(index.row());
    switch (index.column()) {
    case 0:
        return sequenceText(channel->onUpShortcut);
    case 1:
        return sequenceText(channel->offDownShortcut);
    case 2:
        return sequenceText(channel->toggleShortcut);
    case 3:
        return sequenceText(channel->pulseShortcut);
    case 4:
        return channel->gamepadEvent ? channel->gamepadEvent->getDescription() : QString();
    case 5:
        return channel->setup->getStringWithUnitFromValue(channel->step);
    case 6:
        return channel->getDataTranslatedWithUnit();
    case 7:
        return channel->getChildName();
    default:
        return QVariant();
    }
}

QVariant InputChannelsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section;
    switch (section) {
    case 0:
        return tr("ON/UP");
    case 1:
        return tr("OFF/DOWN");
    case 2:
        return tr("TOGGLE");
    case 3:
        return tr("PULSE");
    case 4:
        return tr("Gamepad");
    case 5:
        return tr("Step");
    case 6:
        return tr("Value");
    case 7:
        return tr("Name");
    default:
        return QVariant();
    }
}

Qt::ItemFlags InputChannelsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

bool InputChannelsModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count - 1 >= channels.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    QList<InputChannel*> removed;
    {
        QMutexLocker locker(&listMutex);
        for (int i = 0; i < count; ++i)
            removed.append(channels.takeAt(row));
    }
    for (InputChannel* channel : std::as_const(removed)) {
        channel->removeShortcuts();
        delete channel;
    }
    endRemoveRows();
    return true;
}

// ---------------------------------------------------------------- family

RunChannel* InputChannelsModel::getChannelByKey(const QString& key) const
{
    QMutexLocker locker(&listMutex);
    for (InputChannel* channel : channels) {
        if (channel->setup->key == key)
            return channel;
    }
    return nullptr;
}

QList<AbstractChannel*> InputChannelsModel::listChannelsForArgument(Quantity quantity) const
{
    return listForArgument(quantity);
}

QList<AbstractChannel*> InputChannelsModel::listForArgument(Quantity quantity) const
{
    QMutexLocker locker(&listMutex);
    QList<AbstractChannel*> list;
    for (InputChannel* channel : channels) {
        if (int(quantity) == -1 || channel->setup->quantity == quantity)
            list.append(channel);
    }
    return list;
}

QList<AbstractChannel*> InputChannelsModel::getListForChannels() const
{
    QMutexLocker locker(&listMutex);
    QList<AbstractChannel*> list;
    for (InputChannel* channel : channels) {
        if (!channel->setup->hide)
            list.append(channel);
    }
    return list;
}

QList<QString> InputChannelsModel::listInputNames() const
{
    QMutexLocker locker(&listMutex);
    QList<QString> names;
    for (const InputChannel* channel : channels)
        names.append(channel->getChildName());
    return names;
}

void InputChannelsModel::addChannel(InputChannel* channel)
{
    const int row = int(channels.size());
    beginInsertRows(QModelIndex(), row, row);
    {
        QMutexLocker locker(&listMutex);
        channels.append(channel);
    }
    connect(channel, &RunChannel::signal_newData, this, &InputChannelsModel::slot_channelDataChanged);
    endInsertRows();
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void InputChannelsModel::slot_channelDataChanged()
{
    if (channels.isEmpty())
        return;
    emit dataChanged(index(0, 6), index(int(channels.size()) - 1, 6));
}

// ---------------------------------------------------------------- actions

void InputChannelsModel::action_new()
{
    if (channels.size() > 254) {
        Tools::showError(tr("Maximum 256 channels per device possible"));
        return;
    }
    auto* channel = new InputChannel;
    channel->setData(0.0, RunChannel::wallClock());
    bool accepted = false;
    {
        // The editors hand their last edits to the channel as they close, so
        // the dialog goes before a cancelled channel is deleted.
        InputChannelDialog dialog(nullptr, channel);
        dialog.existingNames = listInputNames();
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted) {
        addChannel(channel);
        saveTimer->start();
    } else {
        delete channel;
    }
}

bool InputChannelsModel::action_edit(int row, bool checkOnly)
{
    if (row < 0 || row >= channels.size())
        return false;
    if (checkOnly)
        return true;
    InputChannel* channel = channels.at(row);
    InputChannelDialog dialog(nullptr, channel);
    QList<QString> names = listInputNames();
    names.removeOne(channel->getChildName());
    dialog.existingNames = names;
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
        saveTimer->start();
    }
    return true;
}

void InputChannelsModel::action_duplicate(const QList<int>& rows)
{
    for (int row : rows) {
        if (row < 0 || row >= channels.size())
            continue;
        InputChannel* source = channels.at(row);
        auto* channel = new InputChannel;
        channel->set(source);
        channel->setChildName(Tools::generateUniqueName(listInputNames(), source->getChildName()));
        addChannel(channel);
    }
    saveTimer->start();
}

void InputChannelsModel::action_remove(const QList<int>& rows)
{
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= channels.size())
            continue;
        if (!channels.at(row)->confirmChannelRemoval()) {
            removeRows(row, 1);
            saveTimer->start();
        }
    }
}

void InputChannelsModel::swapRows(int first, int second)
{
    {
        QMutexLocker locker(&listMutex);
        channels.swapItemsAt(first, second);
    }
    emit dataChanged(index(first, 0), index(second, kColumnCount - 1));
    saveTimer->start();
}

bool InputChannelsModel::action_moveUp(int row, bool checkOnly)
{
    if (row < 1 || row >= channels.size())
        return false;
    if (!checkOnly)
        swapRows(row - 1, row);
    return true;
}

bool InputChannelsModel::action_moveDown(int row, bool checkOnly)
{
    if (row < 0 || row >= channels.size() - 1)
        return false;
    if (!checkOnly)
        swapRows(row, row + 1);
    return true;
}

void InputChannelsModel::action_import()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openXml, tr("Import input channels configuration files"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        loadFromString(QString::fromUtf8(file.readAll()), false);
    }
}

void InputChannelsModel::action_export(const QList<int>& rows)
{
    const QString path = thePathSaver.getSaveFileName(Path::saveXml, tr("Export input channels setup"), kFileName);
    if (path.isEmpty())
        return;
    // Written beside the target and renamed over it at the end: a failed
    // export leaves an existing file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Tools::showError(tr("Error opening output file"));
        return;
    }
    file.write(documentText(rows).toUtf8());
    if (!file.commit())
        Tools::showError(tr("Error opening output file"));
}

void InputChannelsModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}

// ---------------------------------------------------------------- keys and menu

QList<int> InputChannelsModel::selectedRows(QAbstractItemView* view) const
{
    QList<int> rows;
    if (QItemSelectionModel* selection = view->selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void InputChannelsModel::moveCurrent(QAbstractItemView* view, int row)
{
    if (QItemSelectionModel* selection = view->selectionModel())
        selection->setCurrentIndex(index(row, 0), QItemSelectionModel::SelectCurrent | QItemSelectionModel::Rows);
}

bool InputChannelsModel::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if (!view)
        return QAbstractTableModel::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int row = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
        const bool alt = keyEvent->modifiers() & Qt::AltModifier;
        switch (keyEvent->key()) {
        case Qt::Key_D:
            action_duplicate(selectedRows(view));
            return true;
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
                break;
            if (action_moveUp(row, false))
                moveCurrent(view, row - 1);
            return true;
        case Qt::Key_Down:
            if (!alt)
                break;
            if (action_moveDown(row, false))
                moveCurrent(view, row + 1);
            return true;
        default:
            break;
        }
        return QAbstractTableModel::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ContextMenu) {
        contextMenu(view, static_cast<QContextMenuEvent*>(event)->pos());
        return true;
    }
    return QAbstractTableModel::eventFilter(watched, event);
}

void InputChannelsModel::contextMenu(QAbstractItemView* view, const QPoint& position)
{
    const QModelIndex at = view->indexAt(view->viewport()->mapFrom(view, position));
    const int row = at.isValid() ? at.row() : -1;
    const QList<int> rows = selectedRows(view);
    MyMenu menu(view);
    QAction* edit = nullptr;
    QAction* remove = nullptr;
    QAction* duplicate = nullptr;
    QAction* up = nullptr;
    QAction* down = nullptr;
    QAction* exportAction = nullptr;
    if (row >= 0)
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
    if (!rows.isEmpty())
        exportAction = menu.addAction(tr("Export"));
    QAction* chosen = menu.exec(view->mapToGlobal(position));
    if (!chosen)
        return;
    if (chosen == edit)
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
    else if (chosen == exportAction)
        action_export(rows);
}

// ---------------------------------------------------------------- XML

bool InputChannelsModel::keyOfUnreadFile(const QString& key) const
{
    return fileUnreadable && key.startsWith(InputChannel::keyPrefix());
}

void InputChannelsModel::keepMalformedFile(const QString& reason)
{
    // The next save would replace the operator's only copy with an empty list.
    const QString badPath = Tools::keepMalformedFile(fileName);
    fileUnreadable = true;
    const bool kept = !badPath.isEmpty();
    qDebug().noquote() << "Input channels file" << fileName << "unreadable:" << reason;
    if (kept) {
        Tools::showError(tr("The input channels file %1 could not be read (%2).\nIt was kept as %3; no input "
                            "channels were loaded.")
                             .arg(fileName, reason, badPath));
    } else {
        saveAllowed = false;
        Tools::showError(tr("The input channels file %1 could not be read (%2).\nNo input channels were loaded; "
                            "changes will not be saved until the file is repaired or removed.")
                             .arg(fileName, reason));
    }
}

void InputChannelsModel::loadFromFile()
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
    if (document.setContent(text, &message, &line, &column))
        loadFromString(text, false);
    else
        keepMalformedFile(tr("line %1, column %2: %3").arg(line).arg(column).arg(message));
}

void InputChannelsModel::loadFromString(const QString& xml, bool forRunData)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return;
    const QDomNodeList roots = document.childNodes();
    for (int r = 0; r < roots.size(); ++r) {
        const QDomNode root = roots.at(r);
        if (root.nodeName() != QLatin1String("inputChannels"))
            continue;
        for (QDomElement element = root.firstChildElement(); !element.isNull();
             element = element.nextSiblingElement()) {
            if (element.tagName() != QLatin1String("inputChannel") || channels.size() >= maximumChannelCount)
                continue;
            auto* channel = new InputChannel(forRunData);
            channel->setChildName(
                Tools::generateUniqueName(listInputNames(), element.attribute(QStringLiteral("name"))));
            channel->parseDomElement(&element, forRunData);
            addChannel(channel);
        }
    }
}

QString InputChannelsModel::documentText(const QList<int>& rows) const
{
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(1);
    writer.writeStartElement(QStringLiteral("inputChannels"));
    for (int row : rows) {
        if (row < 0 || row >= channels.size())
            continue;
        writer.writeStartElement(QStringLiteral("inputChannel"));
        channels.at(row)->writeSetupToXmlStream(writer);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    // The writer opens with a line break of its own; the file starts with its root.
    if (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    return text;
}

QString InputChannelsModel::setupToString() const
{
    QList<int> rows;
    for (int row = 0; row < channels.size(); ++row)
        rows.append(row);
    return documentText(rows);
}

void InputChannelsModel::slot_saveToFile()
{
    if (fileName.isEmpty() || !saveAllowed) {
        qDebug() << "Error writing inputChannels.xml file";
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing inputChannels.xml file";
        return;
    }
    file.write(setupToString().toUtf8());
    if (!file.commit())
        qDebug() << "Error writing inputChannels.xml file";
}

void InputChannelsModel::parseFrames(QList<channelFrame_t>* frames, QList<QList<double>>* times,
                                     QList<QList<double>>* values) const
{
    const qsizetype count = channels.size();
    times->resize(count);
    values->resize(count);
    for (qsizetype i = 0; i < count; ++i) {
        const quint16 id = quint16(channels.at(i)->recordId() & 0xFFFF);
        QList<double>& channelTimes = (*times)[i];
        QList<double>& channelValues = (*values)[i];
        channelTimes.clear();
        channelValues.clear();
        for (const channelFrame_t& frame : std::as_const(*frames)) {
            if (frame.id == id) {
                channelTimes.append(frame.timestamp / 1000.0);
                channelValues.append(frame.value);
            }
        }
    }
}
