#pragma once

#include "PriorityGroup.h"

#include <QList>
#include <QObject>

class UDSChannel;

// Which UDS channel the OBD thread reads next: all in turn, every available
// one once after the vehicle connected, or by priority group, each group read
// at its own rate. Belongs to the GUI thread; the OBD thread asks it only
// while it holds the UDS channel model's mutex.
class ObdChannelIterator : public QObject
{
    Q_OBJECT
public:
    explicit ObdChannelIterator(QObject* parent = nullptr);

    UDSChannel* getNextChannelToQuery();
    // -1 removes the channel from the polling order.
    void moveChannel(UDSChannel* channel, int destGroup);
    UDSChannel* getNextChannelfromGroup(int group);

    quint32 stepCounter = 1;
    int currentGroup = 1;
    QList<UDSChannel*> groupLists[PriorityGroupCount];
    int positions[PriorityGroupCount] = {};
    bool cycleDone[PriorityGroupCount];
    int readAllPosition = 0;
    int readOncePosition = 0;

public Q_SLOTS:
    void slot_moveChannel(UDSChannel* channel, int destGroup);
};
