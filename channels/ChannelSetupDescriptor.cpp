#include "ChannelSetupDescriptor.h"

#include <QCoreApplication>

ChannelSetupDescriptor theChannelSetupDescriptor;

namespace {

constexpr int LiveOnly = ChannelSetupDescriptor::LiveOnly;

struct DescriptorRow {
    ChannelSetupPropId id;
    const char* key;
    const char* title;
    int flag;
};

const DescriptorRow kRows[ChannelSetupPropCount] = {
    {ChannelSetupPropId_key, "key", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Key"), 0},
    {ChannelSetupPropId_groupId, "groupId", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Group ID"), 0},
    {ChannelSetupPropId_unitType, "unitType", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Quantity"), 0},
    {ChannelSetupPropId_labels, "labels", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Labels"), 0},
    {ChannelSetupPropId_hide, "hide", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Hide"), 0},
    {ChannelSetupPropId_displayName, "displayName", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Display name"), 0},
    {ChannelSetupPropId_unit, "unit", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Unit"), 0},
    {ChannelSetupPropId_decimals, "decimals", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Decimals"), 0},
    {ChannelSetupPropId_color, "color", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Color"), LiveOnly},
    {ChannelSetupPropId_autorangeMin, "autorangeMin", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Autorange min"), 0},
    {ChannelSetupPropId_autorangeMax, "autorangeMax", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Autorange max"), 0},
    {ChannelSetupPropId_minAutorangeSpan, "minAutorangeSpan",
     QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Auto min span"), 0},
    {ChannelSetupPropId_rangeMin, "rangeMin", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Range min"), 0},
    {ChannelSetupPropId_rangeMax, "rangeMax", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Range max"), 0},
    {ChannelSetupPropId_warningLow, "warningLow", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Warning low"), 0},
    {ChannelSetupPropId_warningHigh, "warningHigh", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Warning high"), 0},
    {ChannelSetupPropId_alarmLow, "alarmLow", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Alarm low"), 0},
    {ChannelSetupPropId_alarmHigh, "alarmHigh", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Alarm high"), 0},
    {ChannelSetupPropId_alarmDelay, "alarmDelay",
     QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Alarm delay [s]"), LiveOnly},
    {ChannelSetupPropId_alarmGate, "alarmGate",
     QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Alarm/war. gate"), LiveOnly},
    {ChannelSetupPropId_filter, "filter", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Filter [s]"), 0},
    {ChannelSetupPropId_sampling, "sampling", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Sampling"), LiveOnly},
    {ChannelSetupPropId_timeOffset, "timeOffset", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Time offset [s]"), 0},
    {ChannelSetupPropId_comment, "comment", QT_TRANSLATE_NOOP("ChannelSetupDescriptor", "Comment"), 0},
};

} // namespace

void ChannelSetupDescriptor::init()
{
    keys = QStringList(ChannelSetupPropCount);
    titles = QStringList(ChannelSetupPropCount);
    flags = QList<int>(ChannelSetupPropCount, 0);
    for (const DescriptorRow& row : kRows)
        registerDescriptor(row.id, QLatin1String(row.key),
                           QCoreApplication::translate("ChannelSetupDescriptor", row.title), row.flag);
}

void ChannelSetupDescriptor::registerDescriptor(ChannelSetupPropId id, const QString& key, const QString& title,
                                                int flag)
{
    keys[id] = key;
    titles[id] = title;
    flags[id] = flag;
}
