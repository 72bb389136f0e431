#include "SerialInputsModel.h"

#include "SerialInputChannel.h"
#include "SerialInputChannelDialog.h"
#include "SerialInputDevice.h"
#include "SerialInputDevicesModel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <algorithm>

SerialInputsModel::SerialInputsModel(QObject* parent) : QAbstractTableModel(parent) {}

QList<SerialInputChannel*> SerialInputsModel::channels() const
{
    return device ? device->channelList() : QList<SerialInputChannel*>();
}

void SerialInputsModel::connectChannel(SerialInputChannel* channel)
{
    connect(channel, &RunChannel::signal_newData, this, &SerialInputsModel::slot_channelDataAndTimestampChanged,
            Qt::UniqueConnection);
}

void SerialInputsModel::setDevice(SerialInputDevice* shown)
{
    beginResetModel();
    for (SerialInputChannel* c : channels())
        disconnect(c, nullptr, this, nullptr);
    if (device)
        disconnect(device, &QObject::destroyed, this, nullptr);
    device = shown;
    if (device) {
        for (SerialInputChannel* c : channels())
            connectChannel(c);
        // A removed device leaves an empty table, not a dangling one.
        connect(device, &QObject::destroyed, this, [this] {
            beginResetModel();
            device = nullptr;
            endResetModel();
        });
    }
    endResetModel();
}

int SerialInputsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(channels().size());
}

int SerialInputsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 8;
}

QVariant SerialInputsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const QList<SerialInputChannel*> list = channels();
    if (index.row() >= list.size())
        return QVariant();
    const SerialInputChannel* c = list.at(index.row());
    switch (index.column()) {
    case 0:
        return c->getChildName();
    case 1:
        return c->getTimestampString();
    case 2:
        return c->getDataTranslatedString();
    case 3:
        return c->inputUnit ? c->inputUnit->name : QString();
    case 4:
        return c->multiplier;
    case 5:
        return c->divider;
    case 6:
        return c->offset;
    case 7:
        return c->command;
    default:
        return QVariant();
    }
}

QVariant SerialInputsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QStringLiteral("%1").arg(section);
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Timestamp");
    case 2:
        return tr("Value");
    case 3:
        return tr("Unit");
    case 4:
        return tr("Mul.");
    case 5:
        return tr("Div.");
    case 6:
        return tr("Offset");
    case 7:
        return tr("Command");
    default:
        return QVariant();
    }
}

void SerialInputsModel::slot_channelDataAndTimestampChanged()
{
    const int row = int(channels().indexOf(qobject_cast<SerialInputChannel*>(sender())));
    if (row >= 0)
        emit dataChanged(index(row, 1), index(row, 2));
}

void SerialInputsModel::addChannel(SerialInputChannel* channel)
{
    if (!device)
        return;
    const int row = int(channels().size());
    beginInsertRows(QModelIndex(), row, row);
    const bool added = device->addChannel(channel);
    endInsertRows();
    if (!added)
        return;
    connectChannel(channel);
    emit dataChanged(index(row, 0), index(row, 7));
}

bool SerialInputsModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (!device || row < 0 || count < 1 || row + count - 1 >= channels().size())
        return false;
    // Later channels would be renumbered and their earlier samples filed
    // under other channels.
    if (SerialInputDevicesModel::runRecording && SerialInputDevicesModel::runRecording()) {
        Tools::showError(tr("Serial input channels cannot be removed while a run is recorded"));
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        device->removeChannel(row);
    endRemoveRows();
    return true;
}

void SerialInputsModel::action_new()
{
    if (!device)
        return;
    if (channels().size() >= SerialInputDevice::maxChannels) {
        Tools::showError(tr("Maximum 256 channels are available"));
        return;
    }
    SerialInputDevice* shown = device;
    shown->channelEditPause = true;
    auto* channel = new SerialInputChannel();
    bool accepted = false;
    {
        // Gone before a cancelled channel is deleted.
        SerialInputChannelDialog dialog(nullptr, channel, shown);
        dialog.existingNames = theSerialDevicesModel.getUsedChannelNames();
        accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    }
    if (accepted && device == shown) {
        addChannel(channel);
        emit signal_saveRequest();
    } else {
        delete channel;
    }
    shown->channelEditPause = false;
    shown->executeNextCommand();
}

bool SerialInputsModel::action_edit(int row, bool checkOnly)
{
    if (!device || row < 0 || row >= channels().size())
        return false;
    if (checkOnly)
        return true;
    SerialInputDevice* shown = device;
    SerialInputChannel* channel = channels().at(row);
    shown->channelEditPause = true;
    SerialInputChannelDialog dialog(nullptr, channel, shown);
    dialog.existingNames = theSerialDevicesModel.getUsedChannelNames();
    dialog.existingNames.removeOne(channel->getChildName());
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted) {
        emit dataChanged(index(row, 0), index(row, 7));
        emit signal_saveRequest();
    }
    shown->channelEditPause = false;
    shown->executeNextCommand();
    return true;
}

bool SerialInputsModel::action_remove(const QList<int>& rows)
{
    if (!device || rows.isEmpty())
        return false;
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    for (int row : sorted)
        removeRows(row, 1);
    emit signal_saveRequest();
    return true;
}

void SerialInputsModel::slot_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        action_edit(index.row(), false);
}
