#pragma once

#include "lib/Quantity.h"

#include <QList>
#include <QString>

class AbstractChannel;
class RunChannel;

// A family of user-defined live channels (computed functions, operator input
// channels, CAN inputs, serial-device and Modbus channels, UDS channels) as the
// registry searches it. Each family's model implements this and registers
// itself with Channels::registerFamily when it is created; a family that is not
// registered answers nothing.
class ChannelFamily
{
public:
    virtual ~ChannelFamily() = default;
    // The family's channel with exactly this key; null when none.
    virtual RunChannel* getChannelByKey(const QString& key) const = 0;
    // The channels a user may pick for an argument of this quantity (-1: all).
    virtual QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const = 0;
    // The channels offered to desktop widgets and the remote control.
    virtual QList<AbstractChannel*> getListForChannels() const = 0;
};
