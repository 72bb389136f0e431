#include "ObdChannelIterator.h"

#include "ObdOptions.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"

ObdChannelIterator::ObdChannelIterator(QObject* parent)
    : QObject(parent)
{
    for (bool& done : cycleDone)
        done = true;
}

UDSChannel* ObdChannelIterator::getNextChannelToQuery()
{
    const QList<UDSChannel*>& rows = theUDSChannelModel.channels;
    const int rowCount = rows.size();
    if (rowCount == 0)
        return nullptr;

    if (theObdOptions.readAllChannels.load()) {
        const int i = readAllPosition;
        if (i < rowCount) {
            readAllPosition = i + 1;
            return rows.at(i);
        }
        readAllPosition = 1;
        return rows.at(0);
    }

    if (theObdOptions.readAllAvailableOnceAfterConnection.load()) {
        while (readOncePosition < rowCount) {
            UDSChannel* channel = rows.at(readOncePosition++);
            if (channel->status() == Ok)
                return channel;
        }
    }

    bool anyChannel = false;
    for (int g = 1; g < PriorityGroupCount; ++g)
        anyChannel = anyChannel || !groupLists[g].isEmpty();
    if (!anyChannel)
        return nullptr;

    const quint32 end = stepCounter + 1002u;
    while (stepCounter != end) {
        for (int g = 1; g < PriorityGroupCount; ++g) {
            if (stepCounter % quint32(thePriorityGroupDescriptor.divisors[g]) == 0)
                cycleDone[g] = false;
        }
        for (int n = 1; n <= 12; ++n) {
            currentGroup = currentGroup % 12 + 1;
            if (UDSChannel* channel = getNextChannelfromGroup(currentGroup)) {
                ++stepCounter;
                return channel;
            }
        }
        ++stepCounter;
    }
    return nullptr;
}

UDSChannel* ObdChannelIterator::getNextChannelfromGroup(int group)
{
    const QList<UDSChannel*>& channels = groupLists[group];
    if (channels.isEmpty() || cycleDone[group])
        return nullptr;
    const int start = positions[group] < channels.size() ? positions[group] : 0;
    int i = start;
    const bool skipNoData = theObdOptions.skipChannelsWithNoData.load();
    for (;;) {
        ++i;
        UDSChannel* channel = nullptr;
        if (i < channels.size()) {
            positions[group] = i;
            channel = channels.at(i);
        } else {
            positions[group] = 0;
            cycleDone[group] = true;
            i = 0;
            channel = channels.at(0);
        }
        if (!skipNoData || channel->status() != NoData)
            return channel;
        if (positions[group] == start)
            return nullptr;
    }
}

void ObdChannelIterator::moveChannel(UDSChannel* channel, int destGroup)
{
    QMetaObject::invokeMethod(this, "slot_moveChannel", Qt::AutoConnection, Q_ARG(UDSChannel*, channel),
                              Q_ARG(int, destGroup));
}

void ObdChannelIterator::slot_moveChannel(UDSChannel* channel, int destGroup)
{
    const int from = channel->registeredGroup;
    if (from >= 0 && from < PriorityGroupCount)
        groupLists[from].removeOne(channel);
    if (destGroup < 0)
        return;
    // A group number from outside the table has no list: polled as never.
    if (destGroup >= PriorityGroupCount)
        destGroup = 0;
    groupLists[destGroup].append(channel);
    channel->registeredGroup = destGroup;
}
