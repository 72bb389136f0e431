#include "HallInput.h"

#include "IOReadings.h"
#include "lib/Tools.h"

HallInput::HallInput(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Freq.\nInput"));
    addPins({PinType_black, PinType_white, PinType_red});
}

void HallInput::updateTimerTick()
{
    // The slots skip the engine-speed slot 2: digital input 2 is slot 3.
    const int slot = int(Tools::mcuFreqInputFromDigitalFreqInput(static_cast<DigitalFreqInput>(id)));
    setValueText(valueWithUnit(ChannelId_freqInputFrequency, id) + QLatin1Char('\n')
                 + QString::number(IOReadings::pulseCountOf(slot)));
}
