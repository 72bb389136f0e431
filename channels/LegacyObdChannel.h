#pragma once

#include "lib/Quantity.h"

#include <QString>

// One OBD-II mode 01 PID as older run files recorded it (PID, value, time):
// the name, quantity and key its recorded channel gets when such a run loads.
class LegacyObdChannel
{
public:
    LegacyObdChannel(unsigned char pid, const QString& name, Quantity quantity);

    // "OBD <pid> <name>".
    QString getChannelDisplayName() const;
    // "OBD_<pid>_<quantity symbol>": the PID keeps two PIDs of one name apart.
    QString getVectorChannelKey() const;

    const unsigned char pid;
    const QString name;
    const Quantity quantity;
};
