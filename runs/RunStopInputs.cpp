#include "RunStopInputs.h"

#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "FunctionsModel.h"
#include "HwInfo.h"
#include "InputChannelsModel.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunChannel.h"

namespace {

double channelValue(ChannelId id)
{
    const RunChannel* channel = theChannels.isInitialized() ? theChannels.getChannel(id, 0) : nullptr;
    return channel ? channel->getValue() : std::numeric_limits<double>::quiet_NaN();
}

QVariant settingValue(DynoSettingId id)
{
    if (!theDynoSettings || id >= theDynoSettings->settings.size())
        return QVariant();
    const QList<DynoSetting*>* channels = theDynoSettings->settings.at(id);
    return channels && !channels->isEmpty() ? channels->first()->value() : QVariant();
}

} // namespace

RunStopInputs RunStopInputs::collect()
{
    RunStopInputs inputs;
    if (theDynoSettings) {
        for (const QList<DynoSetting*>* channels : std::as_const(theDynoSettings->settings)) {
            if (!channels)
                continue;
            for (const DynoSetting* setting : *channels)
                inputs.dynoSettings.append({setting->key, setting->widgetType, setting->value()});
        }
    }
    if (theProjectListModel) {
        for (int id = 0; id < ProjectListFieldCount; ++id) {
            const TableModelFieldDescriptor* descriptor = theProjectListModel->descriptor(id);
            if (descriptor)
                inputs.projectInfo.append(
                    {descriptor->databaseKey, descriptor->dataType,
                     theProjectListModel->activeProjectDataRawById(static_cast<ProjectListFieldId>(id))});
        }
    }
    inputs.engineSpeedSource = settingValue(DynoSettingId_engineSpeedSource);
    const QVariant ratio = settingValue(DynoSettingId_engineSpeedRatio);
    inputs.engineSpeedRatio = ratio.isValid() ? QVariant(ratio.toDouble()) : QVariant();
    inputs.correctionFactor = channelValue(ChannelId_ambientCorrectionFactor);
    inputs.ambientTemperature = channelValue(ChannelId_ambientTemperature);
    inputs.ambientPressure = channelValue(ChannelId_ambientPressure);
    inputs.ambientHumidity = channelValue(ChannelId_ambientHumidity);
    inputs.wheelPowerMax = channelValue(ChannelId_dynoOnWheelsPowerMax);
    inputs.roadSpeedMax = channelValue(ChannelId_dynoSpeedMax);
    inputs.softwareVersion = theSettings.version.versionText;
    inputs.deviceCode = int(theHwInfo.deviceCode);
    // The functions and input channels in force: a recorded run is
    // recalculated with them, and its "channel" records name the input
    // channels by the unique ids this text carries.
    inputs.functionsSetup = theFunctionsModel.setupToString();
    inputs.inputChannelsSetup = theInputChannelsModel.setupToString();
    return inputs;
}
