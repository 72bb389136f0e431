// The selection and its sample indexes, the automatic selection between two
// speed thresholds around the top speed, markers, the 100-point preview and
// the run statistics written into the run fields.
#include "RunData.h"

#include "RunAnalysisOptions.h"
#include "RunFile.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

QPointF RunData::getSelectionPoint() const
{
    return QPointF(getRunInfoValue(RunListFields::selectionStart, 0.0).toDouble(),
                   getRunInfoValue(RunListFields::selectionEnd, 0.0).toDouble());
}

std::pair<double, double> RunData::getSelection() const
{
    const QPointF selection = getSelectionPoint();
    return {selection.x(), selection.y()};
}

void RunData::setSelection(const QPointF& selection)
{
    updateRunInfoValue(RunListFields::selectionStart, selection.x());
    updateRunInfoValue(RunListFields::selectionEnd, selection.y());
    updateAfterSelectionChange();
}

std::pair<int, int> RunData::getSelectionIndexes() const
{
    if (!mainTimeChannel)
        return {0, 0};
    const qsizetype n = mainTimeChannel->rawSamples().size();
    if (n == 0)
        return {0, 0};
    const double f = mainTimeChannel->samplingRate;
    const QPointF selection = getSelectionPoint();
    // Clamped in double first: a corrupt bound must not overflow the integer.
    const double s = std::clamp(std::trunc(selection.x() * f), -1.0, double(n));
    const double e = std::clamp(std::trunc(selection.y() * f), -1.0, double(n));
    int first = int(std::min<double>(s, double(n - 1)));
    first = std::max(first, 0);
    int last = int(std::min<double>(e, double(n - 1)));
    last = std::max(last, first);
    return {first, last};
}

void RunData::updateAfterSelectionChange()
{
    VectorChannel* selected = getVectorChannel(ChannelId_selectedTime, 0);
    if (!selected || !mainTimeChannel)
        return;
    const double start = getRunInfoValue(RunListFields::selectionStart, 0.0).toDouble();
    const QList<double>& time = mainTimeChannel->rawSamples();
    QList<double>* samples = selected->getRawData();
    samples->resize(time.size());
    for (qsizetype i = 0; i < time.size(); ++i)
        (*samples)[i] = time.at(i) - start;
}

void RunData::runAutoSelection(AutoSelectionVector vector, double low, double high)
{
    if (vector == AutoSelectionVector_timeRange) {
        setSelection(QPointF(low, high));
        slot_updateRunInfoStats();
        emit signal_vectorsChanged();
        return;
    }
    VectorChannel* source = vector == AutoSelectionVector_engineSpeed ? getVectorChannel(ChannelId_engineSpeed, 0)
                            : vector == AutoSelectionVector_roadSpeed ? getVectorChannel(ChannelId_dynoSpeed, 0)
                                                                      : nullptr;
    if (vector != AutoSelectionVector_engineSpeed && vector != AutoSelectionVector_roadSpeed) {
        slot_updateRunInfoStats();
        emit signal_vectorsChanged();
        return;
    }
    const QList<double> v = source ? *source->getFilteredData() : QList<double>();
    const QList<double> t = mainTimeChannel ? mainTimeChannel->rawSamples() : QList<double>();
    const qsizetype n = v.size();
    double maximum = kNaN;
    qsizetype p = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (std::isnan(v.at(i)))
            continue;
        if (std::isnan(maximum) || v.at(i) > maximum) {
            maximum = v.at(i);
            p = i;
        }
    }
    if (n == 0 || std::isnan(maximum) || maximum == 0.0) {
        Tools::showInfo(tr("No speed data available"));
    } else {
        qsizetype start = 0;
        qsizetype end = n - 1;
        if (RunAnalysisOptions::current().selectionMode() != 1) {
            qsizetype j = p;
            bool failed = false;
            for (;;) {
                if (j == 0) {
                    failed = true;
                    end = n - 1;
                    break;
                }
                if (v.at(j) < high || std::isnan(v.at(j - 1))) {
                    end = j;
                    break;
                }
                --j;
            }
            qsizetype k = failed ? p : end;
            for (;;) {
                if (k == 0) {
                    start = 0;
                    break;
                }
                if (v.at(k) < low || std::isnan(v.at(k - 1))) {
                    start = k;
                    break;
                }
                --k;
            }
        } else {
            qsizetype i = p;
            bool found = false;
            while (i < n - 1) {
                if (v.at(i) < high || std::isnan(v.at(i + 1))) {
                    start = i;
                    found = true;
                    break;
                }
                ++i;
            }
            qsizetype k = start;
            if (!found) {
                start = 0;
                k = p;
            }
            end = n - 1;
            while (k < n - 1) {
                if (v.at(k) < low || std::isnan(v.at(k + 1))) {
                    end = k;
                    break;
                }
                ++k;
            }
        }
        setSelection(QPointF(t.value(start), t.value(end)));
    }
    slot_updateRunInfoStats();
    emit signal_vectorsChanged();
}

void RunData::addMarker(double time, const QString& channelKey)
{
    if (markerTimes.contains(time))
        return;
    markerTimes.append(time);
    markerChannelKeys.append(channelKey);
    emit signal_updateMarkers();
    runFile->updateMarkers(markerTimes, markerChannelKeys);
}

void RunData::slot_clearMarkers()
{
    markerTimes.clear();
    markerChannelKeys.clear();
    emit signal_updateMarkers();
    runFile->updateMarkers(markerTimes, markerChannelKeys);
}

void RunData::updatePreviewData()
{
    const std::pair<int, int> range = getSelectionIndexes();
    const int first = range.first;
    const int m = range.second - range.first + 1;
    const int master = RunAnalysisOptions::current().masterChannel();
    const ChannelId masterId = master == 1 ? ChannelId_dynoSpeed : master == 2 ? ChannelId_time : ChannelId_engineSpeed;
    const VectorChannel* power = getVectorChannel(ChannelId_engineCorrectedPower, 0);
    const VectorChannel* torque = getVectorChannel(ChannelId_engineCorrectedTorque, 0);
    const VectorChannel* masterVector = getVectorChannel(masterId, 0);
    previewMasterChannel = static_cast<MainGraphMasterChannel>(master);
    const QList<double> empty;
    const QList<double>& p = power ? power->rawSamples() : empty;
    const QList<double>& t = torque ? torque->rawSamples() : empty;
    const QList<double>& x = masterVector ? masterVector->rawSamples() : empty;
    previewPower = QList<double>(100, kNaN);
    previewTorque = QList<double>(100, kNaN);
    previewMaster = QList<double>(100, kNaN);
    if (m > 100) {
        const int step = m / 100;
        for (int i = 0; i < 100; ++i) {
            const int index = first + i * step;
            previewPower[i] = p.value(index, kNaN);
            previewTorque[i] = t.value(index, kNaN);
            previewMaster[i] = x.value(index, kNaN);
        }
    } else {
        for (int i = 0; i < m; ++i) {
            previewPower[i] = p.value(first + i, kNaN);
            previewTorque[i] = t.value(first + i, kNaN);
            previewMaster[i] = x.value(first + i, kNaN);
        }
    }
    runFile->updatePreviewData(previewPower, previewTorque, previewMaster, previewMasterChannel);
}

void RunData::loadPreviewData()
{
    if (!previewPower.isEmpty())
        return;
    runFile->getPreviewData(previewPower, previewTorque, previewMaster, previewMasterChannel);
}

void RunData::slot_updateRunInfoStats()
{
    const QList<double> empty;
    auto filtered = [this, &empty](ChannelId id) -> QList<double> {
        VectorChannel* vector = getVectorChannel(id, 0);
        return vector ? *vector->getFilteredData() : empty;
    };
    const QList<double> power = filtered(ChannelId_engineCorrectedPower);
    const QList<double> engineSpeed = filtered(ChannelId_engineSpeed);
    const QList<double> torque = filtered(ChannelId_engineCorrectedTorque);
    const QList<double> wheelPower = filtered(ChannelId_dynoOnWheelsPower);
    const QList<double> loss = filtered(ChannelId_dynoLossPower);
    const QList<double> roadSpeed = filtered(ChannelId_dynoSpeed);

    const std::pair<int, int> range = getSelectionIndexes();
    double peakPower = 0, peakPowerSpeed = 0, peakTorque = 0, peakTorqueSpeed = 0, peakWheel = 0,
           peakWheelSpeed = 0, peakLoss = 0, peakLossSpeed = 0, peakEngineSpeed = 0, peakRoadSpeed = 0;
    int peakPowerIndex = 0;
    for (int i = range.first; i < range.second; ++i) {
        const double s = engineSpeed.value(i, kNaN);
        if (power.value(i, kNaN) > peakPower) {
            peakPower = power.at(i);
            peakPowerIndex = i;
            peakPowerSpeed = s;
        }
        if (torque.value(i, kNaN) > peakTorque) {
            peakTorque = torque.at(i);
            peakTorqueSpeed = s;
        }
        if (wheelPower.value(i, kNaN) > peakWheel) {
            peakWheel = wheelPower.at(i);
            peakWheelSpeed = s;
        }
        if (loss.value(i, kNaN) > peakLoss) {
            peakLoss = loss.at(i);
            peakLossSpeed = s;
        }
        if (s > peakEngineSpeed)
            peakEngineSpeed = s;
        if (roadSpeed.value(i, kNaN) > peakRoadSpeed)
            peakRoadSpeed = roadSpeed.at(i);
    }
    double sum = 0.0;
    for (double v : roadSpeed) {
        if (std::isfinite(v))
            sum += v;
    }
    const double distance = sum / double(analysisSamplingFrequency());
    const QPointF selection = getSelectionPoint();
    auto at = [this](ChannelId id, int index) {
        const VectorChannel* vector = getVectorChannel(id, 0);
        return vector ? vector->rawSamples().value(index, kNaN) : kNaN;
    };
    updateRunInfoValue(RunListFields::measuredEnginePower, peakPower);
    updateRunInfoValue(RunListFields::measuredEnginePowerRPM, peakPowerSpeed);
    updateRunInfoValue(RunListFields::measuredEngineTorque, peakTorque);
    updateRunInfoValue(RunListFields::measuredEngineTorqueRPM, peakTorqueSpeed);
    updateRunInfoValue(RunListFields::measuredWheelPower, peakWheel);
    updateRunInfoValue(RunListFields::measuredWheelPowerRPM, peakWheelSpeed);
    updateRunInfoValue(RunListFields::peakLossPower, peakLoss);
    updateRunInfoValue(RunListFields::peakLossPowerRPM, peakLossSpeed);
    updateRunInfoValue(RunListFields::peakRoadSpeed, peakRoadSpeed);
    updateRunInfoValue(RunListFields::peakEngineSpeed, peakEngineSpeed);
    updateRunInfoValue(RunListFields::enginePowerCorrectionStandard, RunAnalysisOptions::current().correctionStandard());
    updateRunInfoValue(RunListFields::distance, distance);
    updateRunInfoValue(RunListFields::selectionLength, selection.y() - selection.x());
    updateRunInfoValue(RunListFields::ambientHumidity, at(ChannelId_ambientHumidity, peakPowerIndex));
    updateRunInfoValue(RunListFields::ambientPressure, at(ChannelId_ambientPressure, peakPowerIndex));
    updateRunInfoValue(RunListFields::ambientTemperature, at(ChannelId_ambientTemperature, peakPowerIndex));
    updateRunInfoValue(RunListFields::enginePowerCorrectionValue, at(ChannelId_ambientCorrectionFactor, peakPowerIndex));
}
