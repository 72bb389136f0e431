#include "EngineSpeedIO.h"

#include "HwInfo.h"
#include "IOReadings.h"
#include "lib/FrequencyInputIds.h"

EngineSpeedIO::EngineSpeedIO(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Engine\nSpeed"));
    if (theHwInfo.deviceCode == DeviceCode_ZR6)
        addPins({PinType_black, PinType_black, PinType_white, PinType_white, PinType_red});
    else
        addPins({PinType_black, PinType_white, PinType_white, PinType_red});
}

void EngineSpeedIO::updateTimerTick()
{
    setValueText(valueWithUnit(ChannelId_engineSpeedInputFrequency, 0) + QLatin1Char('\n')
                 + QString::number(IOReadings::pulseCountOf(int(McuFreqInput::EngineSpeed))));
}
