#pragma once

#include "PriorityGroup.h"

#include <QByteArray>
#include <QString>

class Unit;

// What the user sets of a UDS channel, and the header found for it when the
// vehicle connected.
struct UDSChannelSetup {
    QByteArray automaticHeader;
    QByteArray header;
    QByteArray command;
    QByteArray prefixCommands;
    QByteArray suffixCommands;
    QString equation;
    const Unit* inputUnit = nullptr;
    PriorityGroup priorityGroup = PriorityGroup_0;
    int vehicleParamId = -1;
    int supportBit = -1;
};
