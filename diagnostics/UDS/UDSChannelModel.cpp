#include "UDSChannelModel.h"

#include "ChannelSetup.h"
#include "PriorityGroup.h"
#include "RunChannel.h"
#include "UDSChannel.h"

#include <limits>

UDSChannelModel theUDSChannelModel;

UDSChannelModel::UDSChannelModel()
{
    connect(this, &UDSChannelModel::signal_channelChanged, this, &UDSChannelModel::slot_channelChanged,
            Qt::QueuedConnection);
}

UDSChannelModel::~UDSChannelModel()
{
    // The channels die with the process; their setups may already be gone.
}

int UDSChannelModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list.size();
}

int UDSChannelModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UDSChannelModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list.size() || role != Qt::DisplayRole)
        return QVariant();
    const UDSChannel* channel = list.at(index.row());
    switch (index.column()) {
    case ColumnName: return channel->setup->getName();
    case ColumnCommand: return QString::fromLatin1(channel->udsSetup.command);
    case ColumnAutoHeader: return QString::fromLatin1(channel->udsSetup.automaticHeader);
    case ColumnStatus: return int(channel->status());
    case ColumnValue: return channel->getValue();
    default: return QVariant();
    }
}

QVariant UDSChannelModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColumnName: return tr("Name");
    case ColumnCommand: return tr("Command");
    case ColumnAutoHeader: return tr("Auto\nheader");
    case ColumnStatus: return tr("Status");
    case ColumnValue: return tr("Value");
    default: return QVariant();
    }
}

void UDSChannelModel::addChannels(const QList<UDSChannel*>& channels)
{
    if (channels.isEmpty())
        return;
    QMutexLocker locker(&mutex);
    beginInsertRows(QModelIndex(), list.size(), list.size() + channels.size() - 1);
    for (UDSChannel* channel : channels) {
        list.append(channel);
        channel->updateRegistrationInIterator();
    }
    endInsertRows();
}

void UDSChannelModel::clear()
{
    QMutexLocker locker(&mutex);
    beginResetModel();
    for (UDSChannel* channel : std::as_const(list)) {
        channel->udsSetup.priorityGroup = -1;
        channel->updateRegistrationInIterator();
        delete channel;
    }
    list.clear();
    endResetModel();
}

QList<UDSChannel*> UDSChannelModel::listChannelsForCommand(const QByteArray& command) const
{
    QList<UDSChannel*> result;
    for (UDSChannel* channel : list) {
        if (channel->udsSetup.command.startsWith(command))
            result.append(channel);
    }
    return result;
}

void UDSChannelModel::channelStatusChanged(UDSChannel* channel)
{
    emit signal_channelChanged(channel);
}

void UDSChannelModel::channelHeaderChanged(UDSChannel* channel)
{
    emit signal_channelChanged(channel);
}

void UDSChannelModel::slot_channelChanged(UDSChannel* channel)
{
    const int row = list.indexOf(channel);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void UDSChannelModel::slot_resetChannelStatusAndValues()
{
    QMutexLocker locker(&mutex);
    const qint64 now = RunChannel::wallClock();
    for (UDSChannel* channel : std::as_const(list)) {
        channel->slot_setStatus(NotSupported);
        channel->slot_setHeader(QByteArray());
        channel->setData(std::numeric_limits<double>::quiet_NaN(), now);
    }
}
