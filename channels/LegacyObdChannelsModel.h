#pragma once

#include "lib/Quantity.h"

#include <QList>
#include <QString>

class LegacyObdChannel;

// The fixed table of OBD-II mode 01 PIDs that older run files recorded as raw
// records. Indexed by PID over the whole 0..255 range of the record's PID byte,
// so any PID a file holds can be looked up; PIDs without an entry are null.
class LegacyObdChannelsModel
{
public:
    LegacyObdChannelsModel();
    ~LegacyObdChannelsModel();
    LegacyObdChannelsModel(const LegacyObdChannelsModel&) = delete;
    LegacyObdChannelsModel& operator=(const LegacyObdChannelsModel&) = delete;

    void insert(unsigned char pid, Quantity quantity, const QString& name);
    // The entry of a PID; null for a PID without one (or outside 0..255).
    const LegacyObdChannel* getChannel(int pid) const;

    QList<LegacyObdChannel*> list;
};

extern LegacyObdChannelsModel theLegacyObdChannelsModel;
