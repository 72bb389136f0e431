#include "HpAin.h"

#include "DynoSetting.h"
#include "HwInfo.h"
#include "IOReadings.h"
#include "RunThread.h"

#include <iterator>
#include <limits>

const int HpAin::thermocoupleMode = RunThread::HPADCThermocoupleMode;

HpAin::HpAin(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("High\nprec.\nanalog\ninput"));
    if (theHwInfo.deviceCode == DeviceCode_ZR6)
        addPins({PinType_black, PinType_white, PinType_black, PinType_white});
    else
        addPins({PinType_white, PinType_black, PinType_white});
    valueLabel->setWordWrap(true);
}

QString HpAin::inputBlock(int input) const
{
    const DynoSetting* modeSetting = dynoSetting(DynoSettingId_hpAinMode, input);
    const int mode = modeSetting ? modeSetting->value().toInt() : -1;
    QString block = QStringLiteral("ch") + QString::number(input + 1) + QLatin1Char('\n')
                    + valueWithUnit(ChannelId_hpAin, input);
    if (mode == thermocoupleMode)
        return block + QLatin1Char('\n');
    const double gain = mode >= 0 && mode < int(std::size(RunThread::HPADCGains))
                            ? RunThread::HPADCGains[mode]
                            : std::numeric_limits<double>::quiet_NaN();
    const double raw = IOReadings::filterOutputOf(IOReadings::FilterGroup_hpAnalogInputs, input);
    return block + QLatin1Char('\n') + fixed(raw * gain, 0, 2) + QLatin1Char('V');
}

void HpAin::updateTimerTick()
{
    setValueText(inputBlock(2 * id) + QStringLiteral("\n\n") + inputBlock(2 * id + 1));
}
