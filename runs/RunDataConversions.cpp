// Records of fixed-rate and time-stamped tables: ambient sensor with the
// power correction factor, high-precision and plain analog inputs, load cells
// with the brake torque per roller, controller outputs, set points and PID
// details, and the knock detection of the audio inputs.
#include "RunData.h"

#include "Ambient.h"
#include "AmbientFrame.h"
#include "BiQuad.h"
#include "CharacteristicReader.h"
#include "FrameRecords.h"
#include "IIR.h"
#include "ProjectListModel.h"
#include "RunAnalysisOptions.h"
#include "VectorChannel.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Volts (or °C for the thermocouple) per count of the high-precision modes.
constexpr double hpAinGains[7] = {1.875e-4, 1.25e-4, 6.25e-5, 3.125e-5, 1.5625e-5, 7.8125e-6, 0.0625};

QList<QPointF> pointsOf(const QVariant& value)
{
    return value.value<QList<QPointF>>();
}

} // namespace

int RunData::processAmbientFrames()
{
    const qsizetype n = frames.count<ambientFrame_t>(FrameId_ambient);
    if (n == 0) {
        qDebug() << "no ambient frames in run data";
        return -1;
    }
    if (frameSamplingType[FrameId_ambient] != 2)
        qDebug() << "Wrong generateTimeVector function called";
    const ambientFrame_t* records = frames.records<ambientFrame_t>(FrameId_ambient);
    const int standard = RunAnalysisOptions::current().correctionStandard();
    const PowerCorrectionEngineType engineType = ProjectListModel::engineTypeFromFuelTypeAndBoostType(
        static_cast<FuelType>(getProjectInfoValue(22, 0).toInt()),
        static_cast<EngineBoostType>(getProjectInfoValue(23, 0).toInt()));
    const double efficiency = getProjectInfoValue(49, 1.0).toDouble();
    const double engineCorrection = getProjectInfoValue(50, 1.0).toDouble();
    QList<double> times(n);
    QList<QList<double>> values(4, QList<double>(n));
    for (qsizetype i = 0; i < n; ++i) {
        const ambientFrame_t record = records[i];
        times[i] = double(record.timestamp) / 1000.0;
        const double temperature = record.temperature + 273.15;
        const double pressure = record.pressure;
        const double humidity = record.humidity / 100.0;
        values[0][i] = temperature;
        values[1][i] = pressure;
        values[2][i] = humidity;
        values[3][i] = Ambient::calculateCorrectionFactor(temperature, pressure, humidity, standard, engineType,
                                                          efficiency, engineCorrection)
            - 1.0;
    }
    const ChannelId groups[4] = {ChannelId_ambientTemperature, ChannelId_ambientPressure, ChannelId_ambientHumidity,
                                 ChannelId_ambientCorrectionFactor};
    for (int k = 0; k < 4; ++k)
        resampleToNewVectorChannel(groups[k], &times, &values.at(k), nullptr, nullptr, SamplingMode::Interpolate);
    updateRunInfoValue(RunListFields::enginePowerCorrectionStandard, standard);
    return 0;
}

int RunData::processHpAinFrames()
{
    const qsizetype n = frames.count<hpAinFrame_t>(FrameId_hpAin);
    if (n == 0)
        return -1;
    const hpAinFrame_t* records = frames.records<hpAinFrame_t>(FrameId_hpAin);
    QList<double> times;
    generateTimeVector_SamplingFrequency(FrameId_hpAin, int(n), &times);
    const double fs = getSamplingFrquency(FrameId_hpAin);
    const int inputs = std::min(hwInfo.hpAnalogInputs, 8);
    QList<QString> names;
    QList<Quantity> quantities;
    QList<QList<double>> values;
    for (int input = 0; input < inputs; ++input) {
        const double calibration = getSettingValueDouble(DynoSettingId_hpAinCalibration, input, 0.0);
        names.append(getSettingValue(DynoSettingId_hpAinName, input, QString()).toString());
        const int mode = std::clamp(getSettingValue(DynoSettingId_hpAinMode, input, 0).toInt(), 0, 6);
        QList<double> value(n);
        if (mode == 6) {
            quantities.append(Quantity::Temperature);
            for (qsizetype j = 0; j < n; ++j)
                value[j] = calibration / 4.05152e-5 + (double(records[j].data[input]) * 0.0625 + 273.15);
        } else {
            quantities.append(static_cast<Quantity>(getSettingValue(DynoSettingId_hpAinUnitType, input, 0).toInt()));
            const QList<QPointF> curve = pointsOf(getSettingValue(DynoSettingId_hpAinCharacteristic, input, QVariant()));
            CharacteristicReader reader;
            reader.init(&curve);
            for (qsizetype j = 0; j < n; ++j)
                value[j] = reader.getValue(double(records[j].data[input]) * hpAinGains[mode] + calibration);
        }
        IIR::filterVectorInplace(&value, fs, getNyquistFilterFrequency());
        values.append(value);
    }
    resampleToNewVectorChannel(ChannelId_hpAin, &times, &values, &names, &quantities, SamplingMode::Interpolate);
    filterChannelGroup(ChannelId_hpAin, DynoSettingId_hpAinFilter);
    return 0;
}

int RunData::processAINFrames()
{
    const qsizetype first = frames.count<ainFrame_t>(FrameId_ain);
    if (first == 0)
        return -1;
    const int inputs = std::min(hwInfo.analogInputs, 12);
    const qsizetype n = inputs < 7 ? first : std::min(first, frames.count<ainFrame_t>(FrameId_ain_2));
    const ainFrame_t* low = frames.records<ainFrame_t>(FrameId_ain);
    const ainFrame_t* high = frames.records<ainFrame_t>(FrameId_ain_2);
    QList<double> times;
    generateTimeVector_SamplingFrequency(FrameId_ain, int(n), &times);
    const double fs = getSamplingFrquency(FrameId_ain);
    QList<QString> names;
    QList<Quantity> quantities;
    QList<QList<double>> voltages;
    for (int input = 0; input < inputs; ++input) {
        const double calibration = getSettingValueDouble(DynoSettingId_ainCalibration, input, 0.0);
        const ainFrame_t* table = input < 6 ? low : high;
        QList<double> voltage(n);
        for (qsizetype j = 0; j < n; ++j)
            voltage[j] = double(table[j].data[input % 6]) / 1000.0 + calibration;
        IIR::filterVectorInplace(&voltage, fs, getNyquistFilterFrequency());
        voltages.append(voltage);
        quantities.append(static_cast<Quantity>(getSettingValue(DynoSettingId_ainUnitType, input, 0).toInt()));
        names.append(getSettingValue(DynoSettingId_ainName, input, QString()).toString());
    }
    QList<VectorChannel*>& voltageGroup = resampleToNewVectorChannel(ChannelId_ainVoltage, &times, &voltages, nullptr,
                                                                     nullptr, SamplingMode::Interpolate);
    Q_UNUSED(voltageGroup);
    filterChannelGroup(ChannelId_ainVoltage, DynoSettingId_ainFilter);

    const VectorChannel* supply = getVectorChannel(ChannelId_voltage5, 0);
    QList<VectorChannel*>& group =
        addVectorChannels(ChannelId_ain, inputs, mainSampleCount, mainTimeChannel, &names, &quantities);
    for (int input = 0; input < inputs; ++input) {
        const VectorChannel* source = getVectorChannel(ChannelId_ainVoltage, input);
        if (!source)
            continue;
        const QList<double>& voltage = source->rawSamples();
        const QList<QPointF> curve = pointsOf(getSettingValue(DynoSettingId_ainCharacteristic, input, QVariant()));
        CharacteristicReader reader;
        reader.init(&curve);
        const bool ratiometric = getSettingValue(DynoSettingId_ainRatiometric, input, false).toBool();
        QList<double>* out = group.at(input)->getRawData();
        out->resize(voltage.size());
        for (qsizetype j = 0; j < voltage.size(); ++j) {
            double x = voltage.at(j);
            if (ratiometric && supply) {
                const double s = supply->rawSamples().value(j, kNaN);
                // A supply that is not positive gives no ratio, not an infinity.
                x = s > 0.0 ? x * 5.0 / s : kNaN;
            }
            (*out)[j] = reader.getValue(x);
        }
    }
    return 0;
}

int RunData::processLoadCellFrames()
{
    const qsizetype countV2 = frames.count<loadCellFrameV2_t>(FrameId_loadCellV2);
    const qsizetype countV1 = frames.count<loadCellFrame_t>(FrameId_loadCell);
    if (countV2 == 0 && countV1 == 0) {
        qDebug() << "no load cell data";
        return -1;
    }
    const bool v2 = countV2 > 0;
    const FrameId table = v2 ? FrameId_loadCellV2 : FrameId_loadCell;
    const qsizetype n = v2 ? countV2 : countV1;
    QList<double> times;
    generateTimeVector_SamplingFrequency(table, int(n), &times);
    const double fs = getSamplingFrquency(table);
    const int cells = std::min(hwInfo.loadCells, 4);
    QList<QList<double>> torques;
    for (int cell = 0; cell < cells; ++cell) {
        const double a = getSettingValueDouble(DynoSettingId_loadCellA, cell, 0.0);
        const double b = getSettingValueDouble(DynoSettingId_loadCellB, cell, 0.0);
        QList<double> torque(n);
        if (v2) {
            const loadCellFrameV2_t* records = frames.records<loadCellFrameV2_t>(table);
            for (qsizetype j = 0; j < n; ++j)
                torque[j] = double(records[j].data[cell]) * a + b;
        } else {
            const loadCellFrame_t* records = frames.records<loadCellFrame_t>(table);
            for (qsizetype j = 0; j < n; ++j)
                torque[j] = double(records[j].data[cell]) * a + b;
        }
        IIR::filterVectorInplace(&torque, fs, getNyquistFilterFrequency());
        torques.append(torque);
    }
    resampleToNewVectorChannel(ChannelId_loadCellValue, &times, &torques, nullptr, nullptr, SamplingMode::Interpolate);
    filterChannelGroup(ChannelId_loadCellValue, DynoSettingId_loadCellFilter);

    const int rollers = std::max(0, hwInfo.rollers);
    const VectorChannel* first = getVectorChannel(ChannelId_loadCellValue, 0);
    const int m = first ? int(first->rawSamples().size()) : mainSampleCount;
    QList<VectorChannel*>& brakes = addVectorChannels(ChannelId_rollerBrakesTorque, rollers, m, mainTimeChannel,
                                                      nullptr, nullptr);
    for (int cell = 0; cell < cells; ++cell) {
        const int roller = getSettingValue(DynoSettingId_loadCellRoller, cell, cell / 2 + 1).toInt() - 1;
        if (roller < 0 || roller >= rollers)
            continue;
        const int direction = getSettingValue(DynoSettingId_loadCellDirection, cell, 0).toInt();
        const QList<double>& torque = getVectorChannel(ChannelId_loadCellValue, cell)->rawSamples();
        double* out = brakes.at(roller)->getRawData()->data();
        const qsizetype k = std::min<qsizetype>(m, torque.size());
        for (qsizetype j = 0; j < k; ++j) {
            const double t = torque.at(j);
            out[j] += direction == 0 ? std::fabs(t) : direction == 2 ? -t : t;
        }
    }
    return 0;
}

template<class Record>
void RunData::processControllerOutFrames(FrameId frameId, ChannelId channelId, int controllers)
{
    const qsizetype n = frames.count<Record>(frameId);
    if (n == 0)
        return;
    const Record* records = frames.records<Record>(frameId);
    QList<double> times;
    generateTimeVector_SamplingFrequency(frameId, int(n), &times);
    const int width = int(sizeof(Record::data) / sizeof(Record::data[0]));
    QList<QList<double>> values;
    for (int c = 0; c < controllers && c < width; ++c) {
        QList<double> value(n);
        for (qsizetype j = 0; j < n; ++j)
            value[j] = double(records[j].data[c]) / 255.0;
        values.append(value);
    }
    resampleToNewVectorChannel(channelId, &times, &values, nullptr, nullptr, SamplingMode::Interpolate);
}

template<class Record>
void RunData::processControllerSPFrames(FrameId frameId, ChannelId channelId, int controllers)
{
    const qsizetype n = frames.count<Record>(frameId);
    if (n == 0)
        return;
    const Record* records = frames.records<Record>(frameId);
    QList<double> times;
    generateTimeVector_SamplingFrequency(frameId, int(n), &times);
    const int width = int(sizeof(Record::data) / sizeof(Record::data[0]));
    QList<QList<double>> values;
    for (int c = 0; c < controllers && c < width; ++c) {
        QList<double> value(n);
        for (qsizetype j = 0; j < n; ++j)
            value[j] = double(records[j].data[c]);
        values.append(value);
    }
    resampleToNewVectorChannel(channelId, &times, &values, nullptr, nullptr, SamplingMode::Interpolate);
}

int RunData::processControllerFrames()
{
    const int rollers = hwInfo.rollers;
    const int cells = hwInfo.loadCells;
    const int ains = hwInfo.analogInputControllers;
    processControllerOutFrames<speedControllerOutFrame_t>(FrameId_accController, ChannelId_accControllerOutput,
                                                          rollers);
    processControllerOutFrames<speedControllerOutFrame_t>(FrameId_speedController, ChannelId_speedControllerOutput,
                                                          rollers);
    processControllerOutFrames<torqueControllerOutFrame_t>(FrameId_torqueController,
                                                           ChannelId_torqueControllerOutput, cells);
    processControllerOutFrames<ainControllerOutFrame_t>(FrameId_ainController, ChannelId_ainControllerOutput, ains);
    processControllerSPFrames<speedControllerSPFrame_t>(FrameId_accControllerSP, ChannelId_accControllerSP, rollers);
    processControllerSPFrames<speedControllerSPFrame_t>(FrameId_speedControllerSP, ChannelId_speedControllerSP,
                                                        rollers);
    processControllerSPFrames<torqueControllerSPFrame_t>(FrameId_torqueControllerSP, ChannelId_torqueControllerSP,
                                                         cells);
    processControllerSPFrames<ainControllerSPFrame_t>(FrameId_ainControllerSP, ChannelId_ainControllerSP, ains);
    return 0;
}

int RunData::processControllerDetailsFrames()
{
    const qsizetype legacy = frames.count<pidDetailsFrame_legacy_t>(FrameId_pidDetails);
    const qsizetype v2 = frames.count<pidDetailsFrameV2_t>(FrameId_pidDetailsV2);
    const bool useLegacy = legacy > 0;
    if (!useLegacy && v2 == 0)
        return -1;
    const FrameId table = useLegacy ? FrameId_pidDetails : FrameId_pidDetailsV2;
    const qsizetype n = useLegacy ? legacy : v2;
    QList<double> times;
    generateTimeVector_SamplingFrequency(table, int(n), &times);
    QList<double> e(n), ff(n), p(n), i(n), dSlow(n), dd(n), out(n), dFast(n);
    constexpr double scale = 1.0 / 32767.0;
    for (qsizetype j = 0; j < n; ++j) {
        if (useLegacy) {
            const pidDetailsFrame_legacy_t r = frames.records<pidDetailsFrame_legacy_t>(table)[j];
            e[j] = r.e;
            ff[j] = r.ff * scale;
            p[j] = r.p * scale;
            i[j] = r.i * scale;
            dSlow[j] = r.d * scale;
            dd[j] = r.dd * scale;
            out[j] = r.out * scale;
        } else {
            const pidDetailsFrameV2_t r = frames.records<pidDetailsFrameV2_t>(table)[j];
            e[j] = r.e;
            ff[j] = r.ff * scale;
            p[j] = r.p * scale;
            i[j] = r.i * scale;
            dSlow[j] = r.dSlow * scale;
            dd[j] = r.dd * scale;
            out[j] = r.out * scale;
            dFast[j] = r.dFast * scale;
        }
    }
    const SamplingMode mode = SamplingMode::Interpolate;
    resampleToNewVectorChannel(ChannelId_pidDetailsE, &times, &e, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsFF, &times, &ff, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsP, &times, &p, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsI, &times, &i, nullptr, nullptr, mode);
    if (!useLegacy)
        resampleToNewVectorChannel(ChannelId_pidDetailsDFast, &times, &dFast, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsDSlow, &times, &dSlow, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsDD, &times, &dd, nullptr, nullptr, mode);
    resampleToNewVectorChannel(ChannelId_pidDetailsOUT, &times, &out, nullptr, nullptr, mode);
    return 0;
}

int RunData::processAudioFrames()
{
    const double rate = analysisSamplingFrequency();
    const double fs = frameSamplingFrequency[FrameId_audio_1] > 0 ? double(frameSamplingFrequency[FrameId_audio_1])
                                                                   : 48000.0;
    for (int a = 0; a < 2; ++a) {
        const FrameId table = a == 0 ? FrameId_audio_1 : FrameId_audio_2;
        const qsizetype samples = frames.count<int16_t>(table);
        if (samples == 0)
            continue;
        VectorChannel* engine = getVectorChannel(ChannelId_engineSpeed, 0);
        VectorChannel* levelVector = getVectorChannel(ChannelId_audioLevel, a);
        VectorChannel* knockVector = getVectorChannel(ChannelId_audioKnockLevel, a);
        VectorChannel* countVector = getVectorChannel(ChannelId_audioKnockCount, a);
        if (!engine || !levelVector || !knockVector || !countVector)
            continue;
        const QList<double> e = *engine->getFilteredData();
        const int n = mainSampleCount;
        QList<double>* level = levelVector->getRawData();
        QList<double>* knock = knockVector->getRawData();
        QList<double>* count = countVector->getRawData();
        level->resize(n);
        knock->resize(n);
        count->resize(n);

        BiQuad bandPass;
        bandPass.setFrequencyAndQ(float(fs),
                                  float(getSettingValueDouble(DynoSettingId_audioKnockFrequency, a, 0.0)),
                                  float(getSettingValueDouble(DynoSettingId_audioKnockFilterShape, a, 0.0)));
        const double fc = getSettingValueDouble(DynoSettingId_audioKnockLevelFilter, a, 0.0);
        const double k = std::exp(-2.0 * M_PI * fc / fs);
        const double settle = fc > 0 ? 4.0 / (2.0 * M_PI * fc) : 0.0;
        double filterOut = kNaN;
        double accumulated = 0.0;
        const QList<QPointF> curve = pointsOf(getSettingValue(DynoSettingId_audioKnockEngineNoise, a, QVariant()));
        CharacteristicReader threshold;
        threshold.init(&curve);
        const double gain = getSettingValueDouble(DynoSettingId_audioKnockGain, a, 0.0);

        int d = 0;
        double limit = threshold.getValue(e.isEmpty() ? 0.0 : e.at(0));
        double peak = kNaN;
        double knocks = 0;
        int holdOff = 0;
        const int16_t* audio = frames.records<int16_t>(table);
        for (qsizetype i = 0; i < samples; ++i) {
            const int bucket = int(std::floor(double(i) * (rate / fs)));
            if (bucket != d) {
                if (bucket >= n)
                    break;
                limit = threshold.getValue(e.value(bucket, kNaN));
            }
            const double y = bandPass.addData(float(audio[i]));
            const double x = std::fabs(gain * y / 32767.0);
            const bool settledBefore = accumulated >= settle && !std::isnan(filterOut);
            const double before = settledBefore ? filterOut : kNaN;
            if (std::isnan(x)) {
                accumulated = 0.0;
                filterOut = kNaN;
            } else {
                filterOut = std::isfinite(filterOut) ? x * (1.0 - k) + filterOut * k : x;
                accumulated += 1.0 / fs;
            }
            const double current = accumulated >= settle ? filterOut : kNaN;
            if (holdOff > 0)
                --holdOff;
            else if (before <= limit && limit < current) {
                knocks += 1;
                holdOff = 240;
            }
            if (std::isnan(peak) || peak < current)
                peak = current;
            if (bucket != d) {
                (*level)[d] = peak;
                (*knock)[d] = peak - limit;
                (*count)[d] = knocks;
                peak = kNaN;
            }
            d = bucket;
        }
        for (int j = d; j < n; ++j) {
            (*level)[j] = kNaN;
            (*knock)[j] = kNaN;
            (*count)[j] = kNaN;
        }
    }
    return 0;
}
