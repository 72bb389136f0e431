#include "LoadCell.h"

#include "DynoSetting.h"
#include "HwInfo.h"
#include "IOReadings.h"

LoadCell::LoadCell(QWidget* parent)
    : IOItem(parent)
{
    setLabel(QStringLiteral("Load\ncell"));
    if (theHwInfo.deviceCode == DeviceCode_ZR6)
        addPins({PinType_black, PinType_black, PinType_white, PinType_white, PinType_red});
    else
        addPins({PinType_black, PinType_white, PinType_red});
}

void LoadCell::updateTimerTick()
{
    const DynoSetting* gain = dynoSetting(DynoSettingId_loadCellA, id);
    const DynoSetting* offset = dynoSetting(DynoSettingId_loadCellB, id);
    const double a = gain ? gain->value().toDouble() : 0.0;
    const double b = offset ? offset->value().toDouble() : 0.0;
    const double raw = IOReadings::filterOutputOf(IOReadings::FilterGroup_loadCells, id);
    const double torque = a * raw + b;
    // The second generation reports the cell in volts, the first in millivolts.
    QString text = theHwInfo.generation == 2 ? fixed(raw, -7, 6) + QLatin1Char('\n')
                                             : fixed(raw, 4, 0) + QStringLiteral("mV\n");
    text += fixed(torque, 0, 1) + QStringLiteral("Nm");
    setValueText(text);
}
