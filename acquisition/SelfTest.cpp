#include "SelfTest.h"

#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "functions/Argument.h"
#include "rpiGPIO.h"
#include "widget/ArgumentWidget.h"

#include <QDateTime>
#include <QTimer>

#include <cmath>

namespace {

qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 (*wallClock)() = systemClock;

// The setting of one channel, when the registry is there and the board has that channel.
DynoSetting* setting(DynoSettingId id, int channel)
{
    if (!theDynoSettings || !theDynoSettings->initialized)
        return nullptr;
    return theDynoSettings->getSetting(id, channel);
}

void set(DynoSettingId id, int channel, const QVariant& value)
{
    if (DynoSetting* s = setting(id, channel))
        s->setValue(value);
}

void setTerminator(int bus, bool on)
{
    set(DynoSettingId_canEnableTerminator, bus, on);
}

void sendCan(uint8_t bus, uint32_t identifier, const uint8_t* data)
{
    if (theMCUThread)
        theMCUThread->sendCanData(bus, identifier, data);
}

} // namespace

SelfTest::SelfTest(QObject* parent)
    : QObject(parent)
{
    gpioTimer = new QTimer(this);
    freqInTimer = new QTimer(this);
    aoutTimer = new QTimer(this);
    canTimer = new QTimer(this);
    connect(gpioTimer, &QTimer::timeout, this, &SelfTest::slot_gpioTick);
    connect(freqInTimer, &QTimer::timeout, this, &SelfTest::slot_freqInTick);
    connect(aoutTimer, &QTimer::timeout, this, &SelfTest::slot_aoutTick);
    connect(canTimer, &QTimer::timeout, this, &SelfTest::slot_canTick);
}

void SelfTest::setClock(qint64 (*clock)())
{
    wallClock = clock ? clock : systemClock;
}

bool SelfTest::isRunning() const
{
    return gpioTimer->isActive() || freqInTimer->isActive() || aoutTimer->isActive() || canTimer->isActive();
}

void SelfTest::slot_enable(int enable)
{
    if (!enable) {
        // The outputs and settings keep what the test last set.
        aoutTimer->stop();
        canTimer->stop();
        gpioTimer->stop();
        freqInTimer->stop();
        return;
    }
    tickCount = 0;
    relayCycles = 2;
    aoutTimer->start(20);
    canTimer->start(20);
    gpioTimer->start(100);
    freqInTimer->start(250);
    if (theMCUThread)
        theMCUThread->selfTestRunning = false;
    applyInitialSettings();
}

void SelfTest::applyInitialSettings()
{
    const HwInfo& hw = theHwInfo;
    for (int i = 0; i < hw.analogOutputs; ++i) {
        set(DynoSettingId_analogOutputSource, i, 1); // "argument"
        set(DynoSettingId_analogOutputRangeMin, i, 0.0);
        set(DynoSettingId_analogOutputRangeMax, i, 10.0);
    }
    for (int j = 0; j < hw.mcuPwmOutputs; ++j) {
        set(DynoSettingId_pwmSource, j, 0); // "-"
        set(DynoSettingId_pwmRangeMin, j, 0.1);
        set(DynoSettingId_pwmFrequency, j, (j + 1) * 100.0);
        set(DynoSettingId_lsOutputSource, j, 1); // "PWM module"
        set(DynoSettingId_hsOutputSource, j, 2); // "argument"
    }
    for (int k = 0; k < hw.mcuFreqSlots; ++k)
        set(DynoSettingId_freqInputSignalsPerRotation, k, 1000);
}

void SelfTest::slot_aoutTick()
{
    const double t = wallClock() / 1000.0;
    for (int i = 0; i < theHwInfo.analogOutputs; ++i) {
        DynoSetting* s = setting(DynoSettingId_analogOutputArgument, i);
        if (!s)
            continue;
        auto* editor = s->getWidgetHelper<ArgumentWidget>(SettingWidgetType_argumentWidget);
        if (!editor || !editor->argument)
            continue;
        // Neighbouring outputs in opposite phase, each over its whole range.
        const float value = static_cast<float>(0.5 + 0.5 * std::sin(i * M_PI + 2 * M_PI * t));
        editor->argument->setConstant(value, true);
    }
}

void SelfTest::slot_freqInTick()
{
    const int mode = int((wallClock() / 500) % 2);
    for (int k = 0; k < theHwInfo.mcuFreqSlots; ++k)
        set(DynoSettingId_freqInputMode, k, mode);
}

void SelfTest::slot_gpioTick()
{
    const uint32_t c = tickCount;
    const auto index = static_cast<uint8_t>((c / 2) % 4);
    const bool level = c % 2 == 0;
    if (relayCycles > 0)
        theRPIGPIO.setRelayOutput(index, level);
    theRPIGPIO.setLSOutput(index, level);
    if (theHwInfo.deviceCode == DeviceCode_ZR6)
        set(DynoSettingId_hsOutputInvert, index, c % 2 == 1);
    ++tickCount;
    if (relayCycles > 0 && tickCount % 8 == 0)
        --relayCycles;
}

void SelfTest::slot_canTick()
{
    const qint64 ms = wallClock();
    if (theHwInfo.liteVariant) {
        // One bus.
        switch (int((ms / 250) % 5)) {
        case 0:
            setTerminator(0, true);
            break;
        case 1:
            setTerminator(0, false);
            break;
        case 2:
            sendCan(0, 1, canFrameA);
            break;
        case 3:
            setTerminator(0, true);
            sendCan(0, 1, canFrameA);
            break;
        default:
            break;
        }
        return;
    }
    switch (int((ms / 250) % 8)) {
    case 0:
        setTerminator(0, true);
        setTerminator(1, true);
        break;
    case 1:
        setTerminator(0, false);
        setTerminator(1, false);
        break;
    case 2:
        sendCan(0, 1, canFrameA);
        break;
    case 3:
        setTerminator(0, true);
        sendCan(0, 1, canFrameA);
        break;
    case 5:
        setTerminator(0, false);
        setTerminator(1, false);
        sendCan(1, 2, canFrameB);
        break;
    case 6:
        setTerminator(1, true);
        sendCan(1, 2, canFrameB);
        break;
    default:
        break;
    }
}
