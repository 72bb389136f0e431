#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The properties of a channel setup in table and file order.
enum ChannelSetupPropId : int {
    ChannelSetupPropId_key = 0,
    ChannelSetupPropId_groupId = 1,
    ChannelSetupPropId_unitType = 2,
    ChannelSetupPropId_labels = 3,
    ChannelSetupPropId_hide = 4,
    ChannelSetupPropId_displayName = 5,
    ChannelSetupPropId_unit = 6,
    ChannelSetupPropId_decimals = 7,
    ChannelSetupPropId_color = 8,
    ChannelSetupPropId_autorangeMin = 9,
    ChannelSetupPropId_autorangeMax = 10,
    ChannelSetupPropId_minAutorangeSpan = 11,
    ChannelSetupPropId_rangeMin = 12,
    ChannelSetupPropId_rangeMax = 13,
    ChannelSetupPropId_warningLow = 14,
    ChannelSetupPropId_warningHigh = 15,
    ChannelSetupPropId_alarmLow = 16,
    ChannelSetupPropId_alarmHigh = 17,
    ChannelSetupPropId_alarmDelay = 18,
    ChannelSetupPropId_alarmGate = 19,
    ChannelSetupPropId_filter = 20,
    ChannelSetupPropId_sampling = 21,
    ChannelSetupPropId_timeOffset = 22,
    ChannelSetupPropId_comment = 23
};

constexpr int ChannelSetupPropCount = 24;

// Per property: its XML attribute key, its translated column title, and flags
// (bit 0: live channels only, left out of the analysis table and editor).
class ChannelSetupDescriptor
{
public:
    enum Flag : int {
        LiveOnly = 1
    };

    void init();
    void registerDescriptor(ChannelSetupPropId id, const QString& key, const QString& title, int flag);

    QStringList keys;
    QStringList titles;
    QList<int> flags;
};

extern ChannelSetupDescriptor theChannelSetupDescriptor;
