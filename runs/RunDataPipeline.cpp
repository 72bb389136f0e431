// The recalculation pipeline: sequence, memory estimate, time grid, group
// creation, resampling into groups, the group filter and the derivative.
#include "RunData.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "FunctionsModel.h"
#include "IIR4.h"
#include "InputChannelsModel.h"
#include "PoolJobs.h"
#include "RecordedChannelModel.h"
#include "Resampler.h"
#include "RunChannel.h"
#include "RunAnalysisOptions.h"
#include "RunFile.h"
#include "VectorChannel.h"
#include "lib/MemoryInfo.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDebug>
#include <QTimer>

#include <climits>
#include <cmath>

namespace {

// A recorded run may be longer than any grid that fits in memory; beyond this
// the power of two alone exceeds every board.
constexpr int maxGridExponent = 62;

} // namespace

void RunData::queueRecalculation()
{
    recalculationTimer->start(300);
}

int RunData::slot_recalculate()
{
    return calculateAll(false);
}

void RunData::failCalculation()
{
    emit signal_progress(1);
    Tools::showError(tr("Invalid run data in file. Details in") + QStringLiteral(" .zembo/log/"));
}

int RunData::calculateAll(bool calculateLossModel)
{
    if (calculating) {
        // Reached from a box or dialog of the running calculation (its event
        // loop runs the 300 ms timer): deleting the vectors in use now would
        // pull them from under it. Once it ends, the request is served.
        recalculationPending = true;
        return 0;
    }
    calculating = true;
    const int result = calculateAllSteps(calculateLossModel);
    calculating = false;
    if (recalculationPending) {
        recalculationPending = false;
        recalculationTimer->start(0);
    }
    return result;
}

int RunData::calculateAllSteps(bool calculateLossModel)
{
    clearVectorChannels();
    emit signal_progress(0);
    const double length = getRunInfoValue(RunListFields::runLength, 0.0).toDouble();
    if (!std::isfinite(length) || length < 0) {
        qDebug() << "invalid run length in log file" << length;
        failCalculation();
        return -1;
    }
    if (estimateRequiredMemory() == -1) {
        emit signal_progress(1);
        return -2;
    }
    emit signal_progress(0.05f);
    if (createMainTimeVector() == -1) {
        failCalculation();
        return -1;
    }
    emit signal_progress(0.1f);
    createVPChannels();
    emit signal_progress(0.12f);
    processLegacyObdFrames();
    emit signal_progress(0.15f);
    processCanFrames();
    emit signal_progress(0.2f);
    processInputChannelFrames();
    emit signal_progress(0.25f);
    processSerialDeviceFrames();
    emit signal_progress(0.3f);
    processModbusFrames();
    emit signal_progress(0.35f);
    processUdsFrames();
    emit signal_progress(0.4f);
    processMiscChannelFrames();
    emit signal_progress(0.45f);
    if (processAmbientFrames() == -1) {
        failCalculation();
        return -1;
    }
    emit signal_progress(0.5f);
    processHpAinFrames();
    emit signal_progress(0.55f);
    processAINFrames();
    emit signal_progress(0.6f);
    if (processLoadCellFrames() == -1) {
        failCalculation();
        return -1;
    }
    emit signal_progress(0.65f);
    processControllerFrames();
    processControllerDetailsFrames();
    emit signal_progress(0.7f);
    if (processFreqFrames() == -1) {
        failCalculation();
        return -1;
    }
    emit signal_progress(0.75f);
    calculateRollerData();
    emit signal_progress(0.8f);
    if (calculateDynoData(calculateLossModel) == -1) {
        failCalculation();
        return -1;
    }
    emit signal_progress(0.85f);
    processAudioFrames();
    emit signal_progress(0.9f);
    calculateFunctions();
    emit signal_progress(0.95f);
    if (RunAnalysisOptions::current().developerMode())
        checkVectorSizes();
    slot_updateRunInfoStats();
    emit signal_progress(1);
    emit signal_vectorsChanged();
    calculated = true;
    return 0;
}

int RunData::estimateRequiredMemory()
{
    const quint64 required = requiredMemoryMiB();
    const quint64 available = MemoryInfo::availableMiB();
    if (required > available) {
        Tools::showError(tr("Not enough RAM memory to process the run file.\nFree some memory or reduce analyze "
                            "sample frequency in SETTINGS / Misc.\n")
                         + tr("Required memory: ") + QString::number(required) + QStringLiteral(" MiB\n")
                         + tr("Available memory: ") + QString::number(available) + QStringLiteral(" MiB"));
        return -1;
    }
    return 0;
}

quint64 RunData::requiredMemoryMiB() const
{
    const int rate = analysisSamplingFrequency();
    quint64 channels = 25;
    if (frames.recordCount(FrameId_channel) > 0) {
        channels = quint64(inputChannelsModel ? inputChannelsModel->rowCount() : 0) + 25
            + quint64(miscChannelsText.count(QLatin1Char(',')));
    }
    if (serialInputDevicesModel && frames.recordCount(FrameId_serialInputChannel) > 0)
        channels += quint64(serialInputDevicesModel->channelCount());
    if (modbusInterfaceModel && frames.recordCount(FrameId_modbus) > 0)
        channels += quint64(modbusInterfaceModel->channelCount());
    if (udsChannelModel && frames.recordCount(FrameId_udsInputChannel) > 0)
        channels += quint64(udsChannelModel->channelCount());
    channels += quint64(legacyObdChannelCount());
    if (canInputsModel && frames.recordCount(FrameId_can) > 0)
        channels += quint64(canInputsModel->channelCount());
    channels += quint64(3 * hwInfo.loadCells + hwInfo.analogInputs + 2 * hwInfo.analogInputControllers
                        + hwInfo.hpAnalogInputs + 3 * hwInfo.mcuFreqSlots + 12 * hwInfo.rollers + 21);
    if (frames.recordCount(FrameId_pidDetails) > 0)
        channels += 7;
    if (functionsModel)
        channels += quint64(functionsModel->rowCount());

    // In 64 bits: a long or corrupt run length must not wrap into a small
    // estimate that lets the allocation run into the board's limits.
    const double length = getRunInfoValue(RunListFields::runLength, 0.0).toDouble();
    const double samples = double(rate) * length;
    int exponent = samples > 1.0 ? int(std::ceil(std::log2(samples))) : 0;
    quint64 grid = 0;
    if (exponent > maxGridExponent) {
        grid = ULLONG_MAX;
    } else {
        const long double bytes = static_cast<long double>(quint64(1) << exponent) * 8.0L
            * static_cast<long double>(channels) * 3.0L / 1048576.0L;
        grid = bytes >= static_cast<long double>(ULLONG_MAX - 200) ? ULLONG_MAX : quint64(bytes) + 200;
    }
    const long double frameBytes = static_cast<long double>(length) * 500.0L * 6.0L * 8.0L / 1048576.0L;
    const quint64 framePart = frameBytes >= static_cast<long double>(ULLONG_MAX / 4) ? ULLONG_MAX / 4
                                                                                       : quint64(frameBytes);

    quint64 edges = 0;
    for (int input = 0; input < hwInfo.mcuFreqSlots && input < 6; ++input) {
        const FrameId table = static_cast<FrameId>(FrameId_freq_1 + input);
        const qsizetype n = frames.count<uint32_t>(table);
        const uint32_t* words = frames.records<uint32_t>(table);
        if (getSettingValue(DynoSettingId_freqInputMode, input, 0).toInt() == 1) {
            edges += quint64(n);
            continue;
        }
        for (qsizetype i = 1; i < n; ++i)
            edges += (words[i] & 0x80000000u) ? ((words[i] >> 16) & 0x7FFFu) : 1;
    }
    const quint64 edgePart = edges * 8 * 2 / 1048576;

    quint64 required = framePart + edgePart;
    return grid > ULLONG_MAX - required ? ULLONG_MAX : required + grid;
}

int RunData::createMainTimeVector()
{
    const int rate = analysisSamplingFrequency();
    const double length = getRunInfoValue(RunListFields::runLength, 0.0).toDouble();
    const double n = std::trunc(double(rate) * length);
    if (!(n >= 1.0) || n > double(INT_MAX / 2)) {
        qDebug() << "run too short for one sample at" << rate << "Hz, or too long:" << length << "s";
        return -1;
    }
    mainSampleCount = int(n);
    mainTimeChannel = addVectorChannels(ChannelId_time, 1, mainSampleCount, nullptr, nullptr, nullptr).first();
    VectorChannel* clock = addVectorChannels(ChannelId_clockTime, 1, mainSampleCount, nullptr, nullptr, nullptr).first();
    VectorChannel* selected =
        addVectorChannels(ChannelId_selectedTime, 1, mainSampleCount, mainTimeChannel, nullptr, nullptr).first();
    clock->setTimeVector(mainTimeChannel);
    for (VectorChannel* vector : {mainTimeChannel, clock, selected}) {
        vector->setup->filter = 0.0;
        vector->setup->timeBase = true;
    }
    const double step = 1.0 / double(rate);
    const double t0 = double(getRunInfoValue(RunListFields::creationTimestamp, 0).toULongLong());
    double* time = mainTimeChannel->getRawData()->data();
    double* clockTime = clock->getRawData()->data();
    for (int i = 0; i < mainSampleCount; ++i) {
        time[i] = double(i) * step;
        clockTime[i] = time[i] + t0;
    }
    updateAfterSelectionChange();
    return 0;
}

void RunData::createVPChannels()
{
    setVectorGroup(ChannelId_vehicleParameters, QList<VectorChannel*>(VehicleParamCount, nullptr));
}

QList<VectorChannel*>& RunData::addVectorChannels(ChannelId id, int count, int sampleCount, VectorChannel* timeVector,
                                                  const QList<QString>* names, const QList<Quantity>* quantities)
{
    const double rate = analysisSamplingFrequency();
    const QList<RunChannel*> live = theChannels.getChannels(id);
    QList<VectorChannel*> group;
    for (int i = 0; i < count; ++i) {
        const RunChannel* channel = i < live.size() ? live.at(i) : live.value(0, nullptr);
        QString suffix;
        Quantity quantity = Quantity::None;
        if (names) {
            suffix = names->value(i);
            if (suffix.isNull())
                suffix = QLatin1String("");
            quantity = quantities ? quantities->value(i, Quantity::None) : Quantity::None;
        }
        if (channel) {
            if (!names)
                quantity = channel->setup->quantity;
            group.append(new VectorChannel(channel, i, sampleCount, rate, timeVector, names ? suffix : QString(),
                                           quantity));
            continue;
        }
        // No live instance (registry not filled yet, or a run of a larger
        // board): the kind's own key and name.
        QString keyTemplate;
        QString nameTemplate;
        Quantity kindQuantity = Quantity::None;
        int flags = 0;
        Channels::kindTemplate(id, &keyTemplate, &nameTemplate, &kindQuantity, &flags);
        if (!names)
            quantity = kindQuantity;
        ChannelSetup templateSetup;
        templateSetup.key = Tools::optionalArg(keyTemplate, i + 1);
        templateSetup.displayName = names && !suffix.isEmpty() ? suffix : Tools::optionalArg(nameTemplate, i + 1);
        templateSetup.quantity = quantity;
        templateSetup.unit = theUnits.getDefaultUnit(quantity);
        templateSetup.flags = quint32(flags);
        QString key = templateSetup.key + QLatin1Char('_') + theUnits.quantitySymbols.value(int(quantity));
        if (names && !suffix.isEmpty())
            key += QLatin1Char('_') + suffix;
        auto* vector = new VectorChannel(rate, flags, key, &templateSetup, timeVector);
        vector->suffix = names ? suffix : QString();
        vector->getRawData()->fill(0.0, sampleCount);
        group.append(vector);
    }
    setVectorGroup(id, group);
    return vectorChannels[int(id)];
}

void RunData::resampleToNewVectorChannel(ChannelId id, const QList<double>* times, const QList<double>* values,
                                         const QList<QString>* names, const QList<Quantity>* quantities,
                                         SamplingMode mode)
{
    QList<VectorChannel*>& group = addVectorChannels(id, 1, 0, mainTimeChannel, names, quantities);
    Resampler::resampleToVector(times, values, group.first()->getRawData(), analysisSamplingFrequency(),
                                mainSampleCount, mode);
}

QList<VectorChannel*>& RunData::resampleToNewVectorChannel(ChannelId id, const QList<double>* times,
                                                           const QList<QList<double>>* values,
                                                           const QList<QString>* names,
                                                           const QList<Quantity>* quantities, SamplingMode mode)
{
    QList<VectorChannel*>& group =
        addVectorChannels(id, int(values->size()), mainSampleCount, mainTimeChannel, names, quantities);
    for (int i = 0; i < values->size(); ++i) {
        Resampler::resampleToVector(times, &values->at(i), group.at(i)->getRawData(), analysisSamplingFrequency(),
                                    mainSampleCount, mode);
    }
    return group;
}

void RunData::filterChannelGroup(ChannelId id, DynoSettingId cutoffSetting)
{
    const double rate = analysisSamplingFrequency();
    QList<VectorChannel*>& group = vectorChannels[int(id)];
    PoolJobs jobs;
    for (int i = 0; i < group.size(); ++i) {
        VectorChannel* vector = group.at(i);
        if (!vector)
            continue;
        const double cutoff = getSettingValueDouble(cutoffSetting, i, rate);
        QList<double>* samples = vector->getRawData();
        const double fs = vector->samplingRate;
        jobs.queue([samples, fs, cutoff] { IIR4::filterVectorInplace(samples, fs, cutoff); });
    }
    jobs.wait();
}

void RunData::calculateDiff(const QList<double>* in, QList<double>* out) const
{
    const qsizetype n = in->size();
    if (n < 1)
        return;
    const double half = analysisSamplingFrequency() / 2.0;
    out->resize(n);
    const double* x = in->constData();
    double* y = out->data();
    y[0] = std::numeric_limits<double>::quiet_NaN();
    for (qsizetype i = 2; i < n; ++i)
        y[i - 1] = (x[i] - x[i - 2]) * half;
    y[n - 1] = std::numeric_limits<double>::quiet_NaN();
}

void RunData::checkVectorSizes()
{
    for (const QList<VectorChannel*>& group : std::as_const(vectorChannels)) {
        for (VectorChannel* vector : group) {
            if (!vector)
                continue;
            const qsizetype capacity = vector->rawSamples().capacity();
            if (2.5 * mainSampleCount < double(capacity)) {
                qDebug().noquote() << "Channel with oversized capacity: " + vector->setup->getName()
                        + " ,capacity: " + QString::number(capacity) + " ,sample count: "
                        + QString::number(mainSampleCount);
            }
        }
    }
}
