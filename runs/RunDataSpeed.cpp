// Frequency inputs (decode, anti-alias, resample, filter; then speed,
// acceleration or sensor value) and the per-roller data built on them.
#include "RunData.h"

#include "CharacteristicReader.h"
#include "ContinousDoubleRollingAverage.h"
#include "FreqFrameDecoding.h"
#include "IIR4.h"
#include "PoolJobs.h"
#include "Resampler.h"
#include "VariableSamplingIIR.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int engineSpeedInput = 2;

// The digital speed input a controller input feeds; the engine-speed input feeds none.
int digitalInputOf(int mcuInput)
{
    return mcuInput < engineSpeedInput ? mcuInput : mcuInput - 1;
}

double polynomial(const QList<double>& c, double x)
{
    const qsizetype n = c.size();
    if (n < 3)
        return 0.0;
    double value = c.at(0) + c.at(1) * x + c.at(2) * x * x;
    if (n > 3)
        value += c.at(3) * x * x * x;
    if (n > 4)
        value += c.at(4) * x * x * x * x;
    return value;
}

} // namespace

int RunData::processFreqFrames()
{
    const double rate = analysisSamplingFrequency();
    const int inputs = std::clamp(hwInfo.mcuFreqSlots, 0, 6);
    const int digital = std::clamp(hwInfo.freqInputs, 0, 5);
    QList<VectorChannel*>& frequencies =
        addVectorChannels(ChannelId_freqInputFrequency, digital, 0, mainTimeChannel, nullptr, nullptr);
    QList<VectorChannel*>& engineFrequency =
        addVectorChannels(ChannelId_engineSpeedInputFrequency, 1, 0, mainTimeChannel, nullptr, nullptr);
    rawFrequencySamples.clear();
    const double lastTime = mainTimeChannel->rawSamples().isEmpty() ? 0.0 : mainTimeChannel->rawSamples().last();

    PoolJobs jobs;
    for (int j = 0; j < inputs; ++j) {
        const double clock = getSettingValueDouble(DynoSettingId_freqInputClockFrequency, 0, 0.0);
        if (!(clock > 0.0)) {
            qDebug() << "invalid settings in log file: clock frequency";
            jobs.wait();
            return -1;
        }
        const int mode = getSettingValue(DynoSettingId_freqInputMode, j, 0).toInt();
        const FrameId table = static_cast<FrameId>(FrameId_freq_1 + j);
        const qsizetype n = frames.count<uint32_t>(table);
        const uint32_t* words = frames.records<uint32_t>(table);
        QList<double> times;
        QList<double> freqs;
        if (mode == 1 && n > 2) {
            generateTimeVector_SamplingFrequency(table, int(n), &times);
            freqs.resize(n);
            freqs[0] = kNaN;
            freqs[1] = kNaN;
            for (qsizetype i = 2; i < n; ++i) {
                double f = kNaN;
                double dt = 0.0;
                if (!FreqFrameDecoding::decode(words[i], 1, f, dt))
                    f = kNaN;
                freqs[i] = f;
            }
        } else if (mode != 1 && n >= 2) {
            // The run thread's decoding of a word, at this run's clock.
            const double clockScale = clock / FreqFrameDecoding::clockHz;
            double tick = double((words[0] & 0x80000000u) ? (words[0] & 0xFFFFu) : words[0]);
            const bool spikeFilter = j == engineSpeedInput
                && getSettingValue(DynoSettingId_freqInputSpikeFilter, j, false).toBool();
            double previous = kInf;
            bool skip = false;
            times.reserve(n);
            freqs.reserve(n);
            for (qsizetype i = 1; i < n; ++i) {
                const uint32_t word = words[i];
                const bool packed = (word & 0x80000000u) != 0;
                const uint32_t pulses = packed ? (word >> 16) & 0x7FFFu : 1;
                const double ticks = double(packed ? word & 0xFFFFu : word);
                double f = 0.0;
                double dt = 0.0;
                // A word of no ticks or no pulses has no frequency: nothing is emitted.
                bool produce = FreqFrameDecoding::decode(word, 0, f, dt);
                f *= clockScale;
                if (produce && spikeFilter) {
                    if (skip) {
                        skip = false;
                        previous = f;
                        produce = false;
                    } else if (f > 2.0 * previous) {
                        skip = true;
                        previous = f;
                        produce = false;
                    } else {
                        previous = f;
                    }
                }
                if (produce) {
                    for (uint32_t k = 0; k < pulses; ++k) {
                        times.append(((double(k) + 0.5) * ticks / double(pulses) + tick) / clock);
                        freqs.append(f);
                    }
                }
                tick += ticks;
            }
        } else {
            times = {0.0, lastTime};
            freqs = {kNaN, kNaN};
        }
        rawFrequencySamples.append({times, freqs});

        if (j == engineSpeedInput && mode != 1) {
            const int perRotation = getSettingValue(DynoSettingId_freqInputSignalsPerRotation, j, 0).toInt();
            if (perRotation < 1) {
                qDebug() << "invalid file data: engine speed input - signals per rotation";
                jobs.wait();
                return -1;
            }
            ContinousDoubleRollingAverage::filterVector(&freqs, perRotation);
        }
        VariableSamplingIIR::filterVector(&freqs, &times, getNyquistFilterFrequency());

        VectorChannel* target = nullptr;
        if (j == engineSpeedInput) {
            target = engineFrequency.value(0);
        } else {
            const int d = digitalInputOf(j);
            if (d >= digital)
                continue;
            target = frequencies.value(d);
        }
        if (!target)
            continue;
        QList<double>* samples = target->getRawData();
        Resampler::resampleToVector(&times, &freqs, samples, rate, mainSampleCount, SamplingMode::Interpolate);
        const double cutoff = getSettingValueDouble(DynoSettingId_freqInputFilter, j, rate);
        jobs.queue([samples, rate, cutoff] { IIR4::filterVectorInplace(samples, rate, cutoff); });
    }
    jobs.wait();

    // Second pass: speeds, accelerations and sensor values.
    QList<QString> names;
    QList<Quantity> quantities;
    for (int d = 0; d < digital; ++d) {
        const int j = d < engineSpeedInput ? d : d + 1;
        if (getSettingValue(DynoSettingId_freqInputSensor, j, 0).toInt() != 0) {
            names.append(getSettingValue(DynoSettingId_freqInputSensorName, j, QString()).toString());
            quantities.append(static_cast<Quantity>(getSettingValue(DynoSettingId_freqInputSensorQuantity, j, 0).toInt()));
        } else {
            names.append(QString());
            quantities.append(Quantity::None);
        }
    }
    addVectorChannels(ChannelId_freqInputRotationalSpeed, digital, 0, mainTimeChannel, nullptr, nullptr);
    addVectorChannels(ChannelId_freqInputRotationalAcceleration, digital, 0, mainTimeChannel, nullptr, nullptr);
    addVectorChannels(ChannelId_freqInputSensorValue, digital, 0, mainTimeChannel, &names, &quantities);
    addVectorChannels(ChannelId_engineSpeedInputRotationalSpeed, 1, 0, mainTimeChannel, nullptr, nullptr);
    addVectorChannels(ChannelId_engineSpeedInputRotationalAcceleration, 1, 0, mainTimeChannel, nullptr, nullptr);

    for (int j = 0; j < inputs; ++j) {
        const int sensor = getSettingValue(DynoSettingId_freqInputSensor, j, 0).toInt();
        VectorChannel* source = nullptr;
        VectorChannel* speed = nullptr;
        VectorChannel* acceleration = nullptr;
        VectorChannel* sensorVector = nullptr;
        if (j == engineSpeedInput) {
            source = getVectorChannel(ChannelId_engineSpeedInputFrequency, 0);
            speed = getVectorChannel(ChannelId_engineSpeedInputRotationalSpeed, 0);
            acceleration = getVectorChannel(ChannelId_engineSpeedInputRotationalAcceleration, 0);
        } else {
            const int d = digitalInputOf(j);
            if (d >= digital)
                continue;
            source = getVectorChannel(ChannelId_freqInputFrequency, d);
            speed = getVectorChannel(ChannelId_freqInputRotationalSpeed, d);
            acceleration = getVectorChannel(ChannelId_freqInputRotationalAcceleration, d);
            QList<VectorChannel*>& sensors = vectorChannels[ChannelId_freqInputSensorValue];
            if (sensor != 0) {
                sensorVector = sensors.value(d);
            } else if (d < sensors.size()) {
                delete sensors[d];
                sensors[d] = nullptr;
            }
        }
        if (!source || !speed || !acceleration || source->rawSamples().isEmpty())
            continue;
        const QList<double>& f = source->rawSamples();
        const qsizetype n = f.size();
        QList<double>* w = speed->getRawData();
        QList<double>* a = acceleration->getRawData();
        w->resize(n);
        a->resize(n);
        if (sensor == 0) {
            const double perRotation = getSettingValueDouble(DynoSettingId_freqInputSignalsPerRotation, j, kInf);
            const double multiplier = getSettingValueDouble(DynoSettingId_freqInputMultiplier, j, 1.0);
            if (perRotation <= 0.0) {
                qDebug() << "invalid settings in log file: clock frequency | signals per rotation";
                jobs.wait();
                return -1;
            }
            const double factor = 2.0 * M_PI / perRotation * multiplier;
            for (qsizetype k = 0; k < n; ++k)
                (*w)[k] = factor * f.at(k);
            calculateDiff(w, a);
            const double cutoff = getSettingValueDouble(DynoSettingId_freqInputDiffFilter, j, rate);
            jobs.queue([a, rate, cutoff] { IIR4::filterVectorInplace(a, rate, cutoff); });
        } else {
            w->fill(0.0);
            a->fill(0.0);
            if (sensorVector) {
                QList<double>* value = sensorVector->getRawData();
                value->resize(n);
                const QList<QPointF> curve =
                    getSettingValue(DynoSettingId_freqInputSensorCharacteristic, j, QVariant()).value<QList<QPointF>>();
                CharacteristicReader reader;
                reader.init(&curve);
                for (qsizetype k = 0; k < n; ++k)
                    (*value)[k] = reader.getValue(f.at(k));
            }
        }
    }
    jobs.wait();
    return 0;
}

double RunData::getRollerInertia(RollerId roller) const
{
    const int index = legacyInertiaIndexing ? int(Tools::mcuFreqInputFromRollerId(roller)) : int(roller);
    return getSettingValueDouble(DynoSettingId_inertia, index, 0.0);
}

double RunData::getEngineFreqInputInertia() const
{
    return legacyInertiaIndexing ? getSettingValueDouble(DynoSettingId_inertia, engineSpeedInput, 0.0) : 0.0;
}

double RunData::getRoadSpeedRadius(int roller) const
{
    if (getSettingValue(DynoSettingId_dynoType, 0, 0).toInt() == 2) {
        const double wheel = getProjectInfoValue(53, 0.0).toDouble();
        if (wheel > 0.0)
            return wheel / 2.0;
    }
    return getSettingValueDouble(DynoSettingId_rollerDiameter, roller, 0.0) / 2.0;
}

int RunData::calculateRollerData()
{
    const double rate = analysisSamplingFrequency();
    const int rollers = std::max(0, hwInfo.rollers);
    for (ChannelId id : {ChannelId_rollerRotationalSpeed, ChannelId_rollerRotationalAcceleration, ChannelId_rollerSpeed,
                         ChannelId_rollerPower, ChannelId_rollerInertialTorque, ChannelId_rollerInternalLoss})
        addVectorChannels(id, rollers, 0, mainTimeChannel, nullptr, nullptr);

    QList<double> vpSpeed;
    QList<double> vpAcceleration;
    bool vpDone = false;
    for (int r = 0; r < rollers; ++r) {
        const double radius = getRoadSpeedRadius(r);
        const double inertia = getRollerInertia(static_cast<RollerId>(std::min(r, 3)));
        const int source = getSettingValue(DynoSettingId_rollerSpeedSource, r, 0).toInt();
        const QList<double>* omega = nullptr;
        const QList<double>* alpha = nullptr;
        if (source == 1) {
            const VectorChannel* w = getVectorChannel(ChannelId_engineSpeedInputRotationalSpeed, 0);
            const VectorChannel* a = getVectorChannel(ChannelId_engineSpeedInputRotationalAcceleration, 0);
            omega = w ? &w->rawSamples() : nullptr;
            alpha = a ? &a->rawSamples() : nullptr;
        } else if (source == 2) {
            if (!vpDone) {
                vpDone = true;
                if (const VectorChannel* vp = getVPChannel(VehicleParamId_engineSpeed)) {
                    IIR4::filterVectorToOther(&vp->rawSamples(), &vpSpeed, rate, 20);
                    calculateDiff(&vpSpeed, &vpAcceleration);
                    IIR4::filterVectorInplace(&vpAcceleration, rate, 5);
                }
            }
            omega = &vpSpeed;
            alpha = &vpAcceleration;
        } else {
            const VectorChannel* w = getVectorChannel(ChannelId_freqInputRotationalSpeed, r);
            const VectorChannel* a = getVectorChannel(ChannelId_freqInputRotationalAcceleration, r);
            omega = w ? &w->rawSamples() : nullptr;
            alpha = a ? &a->rawSamples() : nullptr;
        }
        const QList<double> coefficients =
            getSettingValue(DynoSettingId_rollerInternalLossModel, r, QVariant()).value<QList<double>>();
        const VectorChannel* brakes = getVectorChannel(ChannelId_rollerBrakesTorque, r);
        if (!omega || !alpha || !brakes)
            continue;
        const qsizetype length = std::min({alpha->size(), brakes->rawSamples().size(), omega->size()});
        QList<double>* outSpeed = getVectorChannel(ChannelId_rollerRotationalSpeed, r)->getRawData();
        QList<double>* outAcceleration = getVectorChannel(ChannelId_rollerRotationalAcceleration, r)->getRawData();
        QList<double>* outRoad = getVectorChannel(ChannelId_rollerSpeed, r)->getRawData();
        QList<double>* outPower = getVectorChannel(ChannelId_rollerPower, r)->getRawData();
        QList<double>* outTorque = getVectorChannel(ChannelId_rollerInertialTorque, r)->getRawData();
        QList<double>* outLoss = getVectorChannel(ChannelId_rollerInternalLoss, r)->getRawData();
        for (QList<double>* out : {outSpeed, outAcceleration, outRoad, outPower, outTorque, outLoss})
            out->resize(length);
        const QList<double>& brake = brakes->rawSamples();
        for (qsizetype k = 0; k < length; ++k) {
            const double w = omega->at(k);
            const double a = alpha->at(k);
            const double torque = inertia * a;
            const double loss = polynomial(coefficients, w);
            (*outSpeed)[k] = w;
            (*outAcceleration)[k] = a;
            (*outRoad)[k] = radius * w;
            (*outTorque)[k] = torque;
            (*outLoss)[k] = loss;
            (*outPower)[k] = w * (torque + brake.at(k)) + loss;
        }
    }
    return 0;
}
