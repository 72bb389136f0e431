#include "FilterBox.h"

#include "DynoSetting.h"
#include "DynoSettings.h"
#include "FilterBoxChannel.h"
#include "FilterBoxVariableSamplingChannel.h"
#include "HwInfo.h"
#include "SpinBoxWithUnit.h"

#include <QDebug>

#include <limits>

FilterBox* theRunThreadFilterBox = nullptr;

FilterBox::~FilterBox()
{
    for (auto& group : groups)
        qDeleteAll(group);
    for (auto& group : variableGroups)
        qDeleteAll(group);
    if (theRunThreadFilterBox == this)
        theRunThreadFilterBox = nullptr;
}

void FilterBox::init()
{
    registerVariableSamplingChannel(InputDataVariableSamplingChannelId_frequencies, theHwInfo.mcuFreqSlots,
                                    DynoSettingId_freqInputFilter);
    registerVariableSamplingChannel(InputDataVariableSamplingChannelId_frequencyRates, theHwInfo.mcuFreqSlots,
                                    DynoSettingId_freqInputDiffFilter);
    registerChannel(InputDataChannelId_loadCells, theHwInfo.loadCells, 500, DynoSettingId_loadCellFilter);
    registerChannel(InputDataChannelId_analogInputs, theHwInfo.analogInputs, 500, DynoSettingId_ainFilter);
    registerChannel(InputDataChannelId_hpAnalogInputs, theHwInfo.hpAnalogInputs, 10, DynoSettingId_hpAinFilter);
}

void FilterBox::registerChannel(InputDataChannelId id, int count, int sampleRate, DynoSettingId cutoffSetting)
{
    if (id < 0 || id >= InputDataChannelIdCount)
        return;
    qDeleteAll(groups[id]);
    groups[id].clear();
    for (int i = 0; i < count; ++i)
        groups[id].append(new FilterBoxChannel(sampleRate, cutoffSetting));
}

void FilterBox::registerVariableSamplingChannel(InputDataVariableSamplingChannelId id, int count,
                                                DynoSettingId cutoffSetting)
{
    if (id < 0 || id >= InputDataVariableSamplingChannelIdCount)
        return;
    qDeleteAll(variableGroups[id]);
    variableGroups[id].clear();
    for (int i = 0; i < count; ++i)
        variableGroups[id].append(new FilterBoxVariableSamplingChannel(cutoffSetting));
}

namespace {

template<class Channel> void bindCutoff(Channel* channel, int index, DynoSettingId id)
{
    DynoSetting* setting = theDynoSettings ? theDynoSettings->getSetting(id, index) : nullptr;
    if (!setting)
        return;
    auto* editor = setting->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit);
    if (!editor) {
        qDebug() << "Filter cut-off setting" << setting->key << "is not a unit spin box";
        return;
    }
    QObject::connect(editor, &SpinBoxWithUnit::signal_valueChangedSI, channel, &Channel::setFilterCutoffFrequency);
    channel->setFilterCutoffFrequency(setting->value().toDouble());
}

} // namespace

void FilterBox::connectFilterSettings()
{
    for (int id = 0; id < InputDataVariableSamplingChannelIdCount; ++id) {
        for (int i = 0; i < variableGroups[id].size(); ++i)
            bindCutoff(variableGroups[id].at(i), i, variableGroups[id].at(i)->cutoffSetting);
    }
    for (int id = 0; id < InputDataChannelIdCount; ++id) {
        for (int i = 0; i < groups[id].size(); ++i)
            bindCutoff(groups[id].at(i), i, groups[id].at(i)->cutoffSetting);
    }
}

FilterBoxChannel* FilterBox::channel(InputDataChannelId id, int index) const
{
    if (id < 0 || id >= InputDataChannelIdCount || index < 0 || index >= groups[id].size())
        return nullptr;
    return groups[id].at(index);
}

FilterBoxVariableSamplingChannel* FilterBox::variableChannel(InputDataVariableSamplingChannelId id, int index) const
{
    if (id < 0 || id >= InputDataVariableSamplingChannelIdCount || index < 0 || index >= variableGroups[id].size())
        return nullptr;
    return variableGroups[id].at(index);
}

double FilterBox::loadCellValue(int index) const
{
    const FilterBoxChannel* c = channel(InputDataChannelId_loadCells, index);
    return c ? c->value() : std::numeric_limits<double>::quiet_NaN();
}
