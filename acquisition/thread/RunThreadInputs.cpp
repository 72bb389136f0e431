// The run thread's inputs: frequency frames into their decoders, analog,
// high-precision and load-cell samples into the filter bank, and the 10 ms
// samplers that turn the filtered values into channels.
#include "RunThread.h"

#include "Channels.h"
#include "DigitalFreqInputFrameProxy.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "EngineSpeedFrameProxy.h"
#include "FilterBoxChannel.h"
#include "FilterBoxVariableSamplingChannel.h"
#include "FreqFrameDecoding.h"
#include "HwInfo.h"
#include "PointVectorEditor.h"
#include "RunChannel.h"
#include "lib/Tools.h"

#include <QTimer>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// K-type thermocouple sensitivity, volts per degree.
constexpr double kTypeVoltsPerDegree = 0.0000405152;
constexpr double celsiusOffset = 273.15;

} // namespace

double RunThread::characteristicAt(DynoSettingId id, int channel, double x) const
{
    const DynoSetting* setting = theDynoSettings ? theDynoSettings->getSetting(id, channel) : nullptr;
    if (!setting || setting->widgetType != SettingWidgetType_pointVectorEditor)
        return kNaN;
    // The editor guards its points for readers in other threads.
    return static_cast<PointVectorEditor*>(setting->widget)->getValue(x);
}

// --------------------------------------------------------- frequency inputs

void RunThread::raiseSystemAlarm(int type)
{
    if (type >= 0 && type < 4) {
        qint64& last = lastSystemAlarm[type];
        // A block time that went back (clock set) restarts the interval.
        if (last != 0 && blockTime >= last && blockTime - last < systemAlarmIntervalMs)
            return;
        last = blockTime;
    }
    emit signal_systemAlarm(type);
}

void RunThread::freqFrameSplitter(FreqFrame frame, int slot)
{
    if (slot == int(McuFreqInput::EngineSpeed)) {
        if (engineSpeedProxy)
            engineSpeedProxy->newFreqFrame(frame);
    } else {
        const int d = int(Tools::digitalFreqInputFromMcuFreqInput(static_cast<McuFreqInput>(slot)));
        if (d >= 0 && d < theHwInfo.freqInputs && d < 5 && freqInputProxies[d]) {
            if (freqInputProxies[d]->newFreqFrame(frame))
                raiseSystemAlarm(1);
        }
    }
    if (slot >= 0 && slot < 6)
        slotSawFrame[slot] = true;
}

void RunThread::toothCounter(const FreqFrame& frame, int slot)
{
    if (slot < 0 || slot >= 6)
        return;
    const uint64_t n = FreqFrameDecoding::pulses(frame.data, freqSettings[slot].mode);
    if (n)
        pulseCounts[slot].fetch_add(n, std::memory_order_relaxed);
}

void RunThread::restartStoppedInputTimers()
{
    for (int s = 0; s < 6; ++s) {
        if (!slotSawFrame[s])
            continue;
        slotSawFrame[s] = false;
        if (stoppedInputTimers[s])
            stoppedInputTimers[s]->start(1000);
    }
}

void RunThread::sampleFreqData(qint64 now)
{
    const HwInfo& hw = theHwInfo;
    for (int i = 0; i < hw.freqInputs && i < 5; ++i) {
        const DigitalFreqInputFrameProxy* proxy = freqInputProxies[i];
        if (!proxy)
            continue;
        FilterBoxVariableSamplingChannel* frequency = proxy->frequencyChannel;
        if (!frequency || !frequency->hasNewData())
            continue;
        const int s = int(proxy->slot);
        const FreqInputSettings& settings = freqSettings[s];
        const double f = frequency->take();
        setChannel(ChannelId_freqInputFrequency, i, f, now);
        if (settings.sensor != 0) {
            setChannel(ChannelId_freqInputSensorValue, i,
                       characteristicAt(DynoSettingId_freqInputSensorCharacteristic, s, f), now);
            continue;
        }
        const double k = 2.0 * M_PI / settings.signalsPerRotation * settings.multiplier;
        setChannel(ChannelId_freqInputRotationalSpeed, i, k * f, now);
        FilterBoxVariableSamplingChannel* rate = proxy->rateChannel;
        if (!rate || !rate->hasNewData())
            continue;
        const double g = rate->take();
        setChannel(ChannelId_freqInputRotationalAcceleration, i, k * g, now);
        if (i < hw.rollers && i < 4 && rollerSettings[i].speedSource == 0)
            propagateSpeedDataToRoller(i, k * f, k * g, now);
    }
}

void RunThread::sampleEngineSpeedData(qint64 now)
{
    if (!engineSpeedProxy)
        return;
    FilterBoxVariableSamplingChannel* frequency = engineSpeedProxy->frequencyChannel;
    if (!frequency || !frequency->hasNewData())
        return;
    const FreqInputSettings& settings = freqSettings[int(McuFreqInput::EngineSpeed)];
    const double f = frequency->take();
    const double k = 2.0 * M_PI / settings.signalsPerRotation * settings.multiplier;
    const double omega = k * f;
    setChannel(ChannelId_engineSpeedInputFrequency, 0, f, now);
    setChannel(ChannelId_engineSpeedInputRotationalSpeed, 0, omega, now);
    FilterBoxVariableSamplingChannel* rate = engineSpeedProxy->rateChannel;
    if (!rate || !rate->hasNewData())
        return;
    const double alpha = k * rate->take();
    setChannel(ChannelId_engineSpeedInputRotationalAcceleration, 0, alpha, now);
    for (int j = 0; j < theHwInfo.rollers && j < 4; ++j) {
        if (rollerSettings[j].speedSource == 1)
            propagateSpeedDataToRoller(j, omega, alpha, now);
    }
    if (engineSpeedSource == 1) {
        setChannel(ChannelId_engineSpeed, 0, omega, now);
        setChannel(ChannelId_engineRotationalAcceleration, 0, alpha, now);
        updateSpeedRatio(omega, now);
        calculateEnginePowerAndTorque(now);
    }
}

// ----------------------------------------------------- analog and load cells

void RunThread::newAinData(const ainFrame_t& frame, int block)
{
    if (block < 0 || block > 1)
        return;
    const int end = std::min(theHwInfo.analogInputs, 6 * block + 6);
    for (int i = 6 * block; i < end; ++i) {
        if (FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_analogInputs, i))
            channel->addSample(frame.data[i % 6]);
    }
}

void RunThread::newHpAinData(const hpAinFrame_t& frame)
{
    for (int i = 0; i < theHwInfo.hpAnalogInputs && i < 8; ++i) {
        if (FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_hpAnalogInputs, i))
            channel->addSample(frame.data[i]);
    }
}

void RunThread::newLoadCellData(const loadCellFrame_t& frame)
{
    for (int i = 0; i < theHwInfo.loadCells && i < 4; ++i) {
        const double x = frame.data[i];
        const LoadCellSettings& s = loadCellSettings[i];
        if (s.roller > 0 && (x < s.voltageCheckLow * 1000.0 || x > s.voltageCheckHigh * 1000.0))
            raiseSystemAlarm(2);
        if (FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_loadCells, i))
            channel->addSample(x);
    }
}

void RunThread::newLoadCellDataV2(const loadCellFrameV2_t& frame)
{
    for (int i = 0; i < theHwInfo.loadCells && i < 4; ++i) {
        const double x = frame.data[i];
        const LoadCellSettings& s = loadCellSettings[i];
        const int g = std::clamp(s.pgaGain, 0, 7);
        if (s.roller > 0 && std::fabs(x * double(1 << g)) > 0.8)
            raiseSystemAlarm(2);
        if (FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_loadCells, i))
            channel->addSample(x);
    }
}

void RunThread::sampleAinData(qint64 now)
{
    const int count = std::min(theHwInfo.analogInputs, 12);
    if (count <= 0)
        return;
    const double supply5 = channelValue(ChannelId_voltage5);
    for (int i = 0; i < count; ++i) {
        const FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_analogInputs, i);
        double v = (channel ? channel->value() : kNaN) / 1000.0 + ainSettings[i].calibration;
        if (ainSettings[i].ratiometric)
            v = v * 5.0 / supply5;
        setChannel(ChannelId_ainVoltage, i, v, now);
        setChannel(ChannelId_ain, i, characteristicAt(DynoSettingId_ainCharacteristic, i, v), now);
    }
}

void RunThread::sampleHpAinData(qint64 now)
{
    for (int i = 0; i < theHwInfo.hpAnalogInputs && i < 8; ++i) {
        const FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_hpAnalogInputs, i);
        const double x = channel ? channel->value() : kNaN;
        const double c = hpAinSettings[i].calibration;
        const int mode = hpAinSettings[i].mode;
        double value = kNaN;
        if (mode == HPADCThermocoupleMode)
            value = HPADCGains[HPADCThermocoupleMode] * x + celsiusOffset + c / kTypeVoltsPerDegree;
        else if (mode >= 0 && mode < HPADCThermocoupleMode)
            value = characteristicAt(DynoSettingId_hpAinCharacteristic, i, HPADCGains[mode] * x + c);
        setChannel(ChannelId_hpAin, i, value, now);
    }
}

void RunThread::sampleLoadCellData(qint64 now)
{
    double brakeTorque[4] = {0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < theHwInfo.loadCells && i < 4; ++i) {
        const LoadCellSettings& s = loadCellSettings[i];
        const FilterBoxChannel* channel = filterBox.channel(InputDataChannelId_loadCells, i);
        const double t = s.a * (channel ? channel->value() : kNaN) + s.b;
        setChannel(ChannelId_loadCellValue, i, t, now);
        const int r = s.roller - 1;
        if (r < 0 || r >= 4)
            continue;
        if (s.direction == 1)
            brakeTorque[r] += t;
        else if (s.direction == 2)
            brakeTorque[r] -= t;
        else
            brakeTorque[r] += std::fabs(t);
    }
    for (int j = 0; j < theHwInfo.rollers && j < 4; ++j)
        setChannel(ChannelId_rollerBrakesTorque, j, brakeTorque[j], now);
}
