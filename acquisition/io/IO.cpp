#include "IO.h"

#include "AmbientIO.h"
#include "AnalogInput.h"
#include "AnalogOut.h"
#include "CANBus.h"
#include "DynoSettings.h"
#include "EngineSpeedIO.h"
#include "HallInput.h"
#include "HpAin.h"
#include "HwInfo.h"
#include "LoadCell.h"
#include "MCULowSide.h"
#include "MySettings.h"
#include "PILowSide.h"
#include "PowerPort.h"
#include "PwmBridge.h"
#include "PwmBridgeSupply.h"
#include "Relay.h"
#include "SwitchInput.h"
#include "SwitchInputZR6.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

IO::IO(QWidget* parent)
    : QWidget(parent)
    , refreshTimer(new QTimer(this))
{
    // The main window may start the refresh before the page is built.
    refreshTimer->setInterval(33);
}

void IO::init()
{
    if (built)
        return;
    built = true;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int r = 0; r < 4; ++r) {
        rows[r] = new QHBoxLayout();
        rows[r]->setContentsMargins(0, 0, 0, 0);
        layout->addLayout(rows[r], r == 0 ? 0 : 1);
    }

    const HwInfo& hw = theHwInfo;
    const QStringList* labels = theSettings.enumLabels.value(3, nullptr);
    const int code = int(hw.deviceCode);
    const QString board = labels && code >= 0 && code < labels->size() ? labels->at(code) : QString::number(code);
    header = new QLabel(board + QStringLiteral(" Rev.") + QLatin1Char(hw.revision) + QStringLiteral("+ SN: ")
                            + QString::number(hw.serialNumber),
                        this);
    rows[0]->addWidget(header);
    currentRow = 1;

    addBoardSections();

    for (IOItem* item : std::as_const(items)) {
        if (auto* ambient = qobject_cast<AmbientIO*>(item))
            ambient->setReadout(ambientReadout);
    }

    refreshTimer->setInterval(33);
    connect(refreshTimer, &QTimer::timeout, this, &IO::slot_updateTimerTick);
}

void IO::addBoardSections()
{
    const HwInfo& hw = theHwInfo;
    const bool developer = theSettings.developerMode;
    switch (hw.deviceCode) {
    case DeviceCode_ZR6:
        addSection<Relay>(4);
        addPowerPort(QStringLiteral("+24V"), 3);
        addPowerPort(QStringLiteral("+12V"), 2);
        addPowerPort(QStringLiteral("+5V"), 1);
        addSection<CANBus>(hw.canBuses);
        addSection<HallInput>(hw.freqInputs);
        addItem(new SwitchInputZR6(this), 1, true);
        addItem(new SwitchInputZR6(this), 0, true);
        addSection<AnalogOut>(hw.analogOutputs);
        currentRow = 2;
        addSection<PwmBridge>(hw.mcuPwmOutputs);
        addSection<PILowSide>(4);
        addSection<AnalogInput>(hw.analogInputs);
        currentRow = 3;
        for (int i = 3; i >= 0; --i)
            addItem(new PwmBridgeSupply(this), i, true);
        addSection<EngineSpeedIO>(1);
        addSection<LoadCell>(hw.loadCells);
        addSection<HpAin>(hw.hpAnalogInputs / 2);
        addSection<AmbientIO>(1);
        break;
    case DeviceCode_ZR5L:
    case DeviceCode_ZR6L:
        // The reduced boards have a fixed connector set.
        addSection<Relay>(1);
        addSection<SwitchInput>(hw.deviceCode == DeviceCode_ZR5L ? 2 : 1);
        addSection<HallInput>(1);
        addSection<AnalogOut>(1);
        addSection<PILowSide>(1);
        addSection<MCULowSide>(2);
        addSection<EngineSpeedIO>(1);
        addSection<CANBus>(1);
        if (hw.deviceCode == DeviceCode_ZR5L) {
            addSection<LoadCell>(2);
            addSection<AnalogInput>(1);
        } else {
            addSection<AnalogInput>(1);
            addSection<AmbientIO>(1);
            addSection<LoadCell>(1);
        }
        addSection<HpAin>(2);
        // Their supplies are not checked in normal use (no 24 V check at all).
        if (developer) {
            addPowerPort(QStringLiteral("+5V"), 1);
            addPowerPort(QStringLiteral("+12V"), 2);
        }
        break;
    default: {
        // ZR5, and ZR5E4 with its 5 V tile in the second row. An unknown code
        // takes this layout without any 5 V tile; its counts are all 0.
        const bool zr5 = hw.deviceCode == DeviceCode_ZR5;
        const bool zr5e4 = hw.deviceCode == DeviceCode_ZR5E4;
        addSection<Relay>(4);
        addPowerPort(QStringLiteral("+24V"), 3);
        addPowerPort(QStringLiteral("+12V"), 2);
        if (zr5)
            addPowerPort(QStringLiteral("+5V"), 1);
        addSection<HallInput>(hw.freqInputs);
        addSection<SwitchInput>(hw.switchInputs);
        addSection<AnalogInput>(hw.analogInputs);
        currentRow = 2;
        addSection<MCULowSide>(hw.mcuPwmOutputs);
        if (zr5e4)
            addPowerPort(QStringLiteral("+5V"), 1);
        addSection<EngineSpeedIO>(1);
        addSection<CANBus>(hw.canBuses);
        addSection<AnalogOut>(hw.analogOutputs);
        addSection<LoadCell>(hw.loadCells);
        addSection<HpAin>(hw.hpAnalogInputs / 2);
        break;
    }
    }
}

void IO::addItem(IOItem* item, int id, bool showNumber)
{
    item->setId(id, showNumber);
    items.append(item);
    rows[currentRow]->addWidget(item, item->pinCount());
}

void IO::addPowerPort(const QString& label, uint8_t id)
{
    auto* port = new PowerPort(this);
    port->setLabel(label);
    addItem(port, id, false);
}

void IO::enableSlots(bool on)
{
    if (on)
        refreshTimer->start();
    else
        refreshTimer->stop();
}

void IO::setAmbientReadout(QWidget* readout)
{
    ambientReadout = readout;
    for (IOItem* item : std::as_const(items)) {
        if (auto* ambient = qobject_cast<AmbientIO*>(item))
            ambient->setReadout(readout);
    }
}

void IO::slot_updateTimerTick()
{
    if (!theDynoSettings || !theDynoSettings->initialized)
        return;
    for (IOItem* item : std::as_const(items))
        item->updateTimerTick();
}
