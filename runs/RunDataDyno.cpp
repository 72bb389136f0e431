// Road speed, wheel power, tractive force and slip, the engine speed from its
// source, losses, engine power and torque (also corrected to reference
// ambient conditions), and the automatic display range.
#include "RunData.h"

#include "ChannelSetup.h"
#include "IIR4.h"
#include "RunAnalysisOptions.h"
#include "RunDataHooks.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double minTorqueSpeed = 0.0010471975511965978; // 0.01 rpm

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

bool RunData::isSlipEstimationAvailable() const
{
    if (getSettingValue(DynoSettingId_dynoType, 0, 0).toInt() != 1)
        return false;
    if (getSettingValue(DynoSettingId_engineSpeedSource, 0, 0).toInt() != 0)
        return false;
    for (int r = 0; r < hwInfo.rollers; ++r) {
        if (getSettingValue(DynoSettingId_rollerSupportRoller, r, 0).toInt() != 0)
            return false;
    }
    return true;
}

double RunData::getSlipMultiplier(double coefficient) const
{
    const double mass = getProjectInfoValue(14, 0.0).toDouble();
    if (!isSlipEstimationAvailable() || !(mass > 0.0))
        return 0.0;
    const int driveWheels = getProjectInfoValue(17, -1).toInt();
    const double effective = driveWheels >= -1 && driveWheels <= 1 ? mass * 0.5 : mass;
    return coefficient / (effective * 9.81);
}

int RunData::calculateDynoData(bool calculateLossModel)
{
    const double rate = analysisSamplingFrequency();
    const int rollers = std::max(0, hwInfo.rollers);
    int m = 0;
    for (int r = 0; r < rollers; ++r) {
        if (const VectorChannel* v = getVectorChannel(ChannelId_rollerSpeed, r))
            m = std::max(m, int(v->rawSamples().size()));
    }
    const ChannelId fullLength[] = {ChannelId_dynoSpeed,
                                    ChannelId_dynoAcceleration,
                                    ChannelId_dynoOnWheelsPower,
                                    ChannelId_dynoTractiveForce,
                                    ChannelId_dynoEstimatedSlip,
                                    ChannelId_dynoLossPowerFromSpeedInternal,
                                    ChannelId_dynoLossPowerFromSpeed,
                                    ChannelId_dynoLossPowerFromLoad,
                                    ChannelId_dynoLossPower,
                                    ChannelId_enginePower,
                                    ChannelId_engineCorrectedPower,
                                    ChannelId_engineCorrectedTorque,
                                    ChannelId_drivetrainInertialPower};
    for (ChannelId id : fullLength)
        addVectorChannels(id, 1, m, mainTimeChannel, nullptr, nullptr);
    for (ChannelId id : {ChannelId_engineSpeed, ChannelId_engineRotationalAcceleration, ChannelId_engineInertialTorque,
                         ChannelId_engineInertialPower, ChannelId_engineRollerSpeedRatio})
        addVectorChannels(id, 1, 0, mainTimeChannel, nullptr, nullptr);
    auto raw = [this](ChannelId id) { return getVectorChannel(id, 0)->getRawData()->data(); };

    // Rollers in use: any sample above a tenth of the top road speed.
    double top = 0.0;
    for (int r = 0; r < rollers; ++r) {
        for (double v : getVectorChannel(ChannelId_rollerSpeed, r)->rawSamples()) {
            if (v > top)
                top = v;
        }
    }
    QList<int> inUse;
    QList<int> speedRollers;
    for (int r = 0; r < rollers; ++r) {
        bool used = false;
        for (double v : getVectorChannel(ChannelId_rollerSpeed, r)->rawSamples()) {
            if (v > 0.1 * top) {
                used = true;
                break;
            }
        }
        if (!used)
            continue;
        inUse.append(r);
        if (getSettingValue(DynoSettingId_rollerSupportRoller, r, 0).toInt() == 0)
            speedRollers.append(r);
    }
    QList<double> radius(rollers);
    for (int r = 0; r < rollers; ++r)
        radius[r] = getRoadSpeedRadius(r);
    const double r0 = rollers > 0 ? radius.at(0) : getRoadSpeedRadius(0);

    double* speed = raw(ChannelId_dynoSpeed);
    double* acceleration = raw(ChannelId_dynoAcceleration);
    double* drivetrainPower = raw(ChannelId_drivetrainInertialPower);
    double* internalLoss = raw(ChannelId_dynoLossPowerFromSpeedInternal);
    double* wheelPower = raw(ChannelId_dynoOnWheelsPower);
    double* force = raw(ChannelId_dynoTractiveForce);
    double* slip = raw(ChannelId_dynoEstimatedSlip);
    QList<double> omega0(m);
    QList<double> alpha0(m);
    const double drivetrainInertia = getProjectInfoValue(34, 0.0).toDouble();
    const QList<double> internalModel = getSettingValue(DynoSettingId_internalLossModel, 0, QVariant()).value<QList<double>>();
    const double slipMultiplier = getSlipMultiplier(getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0, 0.0));
    for (int k = 0; k < m; ++k) {
        double v = 0.0;
        double a = 0.0;
        if (!speedRollers.isEmpty()) {
            for (int r : std::as_const(speedRollers)) {
                const QList<double>& rs = getVectorChannel(ChannelId_rollerSpeed, r)->rawSamples();
                const QList<double>& ra = getVectorChannel(ChannelId_rollerRotationalAcceleration, r)->rawSamples();
                v += k < rs.size() ? rs.at(k) : kNaN;
                a += k < ra.size() ? radius.at(r) * ra.at(k) : 0.0;
            }
            v /= speedRollers.size();
            a /= speedRollers.size();
        }
        speed[k] = v;
        acceleration[k] = a;
        omega0[k] = v / r0;
        alpha0[k] = a / r0;
        drivetrainPower[k] = drivetrainInertia * alpha0[k] * omega0[k];
        const double loss = polynomial(internalModel, v);
        internalLoss[k] = loss;
        double power = loss;
        for (int r : std::as_const(inUse)) {
            const QList<double>& rp = getVectorChannel(ChannelId_rollerPower, r)->rawSamples();
            power += k < rp.size() ? rp.at(k) : 0.0;
        }
        wheelPower[k] = power;
        force[k] = power / (v < 1.0 ? 1.0 : v);
        slip[k] = force[k] * slipMultiplier;
    }

    // Engine speed by its source.
    const int source = getSettingValue(DynoSettingId_engineSpeedSource, 0, 0).toInt();
    updateRunInfoValue(RunListFields::engineSpeedSource, source);
    QList<double>* engineSpeed = getVectorChannel(ChannelId_engineSpeed, 0)->getRawData();
    QList<double>* engineAcceleration = getVectorChannel(ChannelId_engineRotationalAcceleration, 0)->getRawData();
    const VectorChannel* sourceVector = nullptr;
    if (source == 0) {
        const double ratio = getSettingValueDouble(DynoSettingId_engineSpeedRatio, 0, 0.0);
        updateRunInfoValue(RunListFields::engineSpeedRatio, ratio);
        engineSpeed->resize(m);
        engineAcceleration->resize(m);
        for (int k = 0; k < m; ++k) {
            (*engineSpeed)[k] = ratio * omega0.at(k) * (1.0 + slip[k]);
            (*engineAcceleration)[k] = ratio * alpha0.at(k) * (1.0 + slip[k]);
        }
    } else if (source == 1) {
        *engineSpeed = getVectorChannel(ChannelId_engineSpeedInputRotationalSpeed, 0)
                           ? getVectorChannel(ChannelId_engineSpeedInputRotationalSpeed, 0)->rawSamples()
                           : QList<double>(m, kNaN);
        *engineAcceleration = getVectorChannel(ChannelId_engineSpeedInputRotationalAcceleration, 0)
                                  ? getVectorChannel(ChannelId_engineSpeedInputRotationalAcceleration, 0)->rawSamples()
                                  : QList<double>(m, kNaN);
    } else if (source == 2) {
        sourceVector = obdEngineSpeedVector;
        if (!sourceVector) {
            Tools::showError(tr("No OBD data for Engine Speed"));
            return -1;
        }
    } else if (source == 3) {
        QString key = getSettingValue(DynoSettingId_engineSpeedCANChannel, 0, QString()).toString();
        if (!key.startsWith(QLatin1String("C_")))
            key.prepend(QLatin1String("C_"));
        sourceVector = canVectorsByKey.value(key, nullptr);
        if (!sourceVector) {
            Tools::showError(tr("No Engine Speed data in CAN channel: ") + key);
            return -1;
        }
    } else if (source == 4) {
        sourceVector = getVPChannel(VehicleParamId_engineSpeed);
        if (!sourceVector) {
            qDebug() << "Invalid engine speed source";
            *engineSpeed = QList<double>(m, kNaN);
            *engineAcceleration = QList<double>(m, kNaN);
        }
    } else {
        *engineSpeed = QList<double>(m, kNaN);
        *engineAcceleration = QList<double>(m, kNaN);
    }
    if (sourceVector) {
        IIR4::filterVectorToOther(&sourceVector->rawSamples(), engineSpeed, rate, 20);
        calculateDiff(engineSpeed, engineAcceleration);
        IIR4::filterVectorInplace(engineAcceleration, rate, 5);
    }

    // Engine inertia.
    const double engineInertia = getProjectInfoValue(33, 0.0).toDouble() + getEngineFreqInputInertia();
    const qsizetype accelerationLength = engineAcceleration->size();
    QList<double>* inertialTorque = getVectorChannel(ChannelId_engineInertialTorque, 0)->getRawData();
    QList<double>* inertialPower = getVectorChannel(ChannelId_engineInertialPower, 0)->getRawData();
    inertialTorque->resize(accelerationLength);
    inertialPower->resize(accelerationLength);
    for (qsizetype k = 0; k < accelerationLength; ++k) {
        (*inertialTorque)[k] = engineInertia * engineAcceleration->at(k);
        (*inertialPower)[k] = inertialTorque->at(k) * engineSpeed->value(k, kNaN);
    }
    QList<double>* ratioVector = getVectorChannel(ChannelId_engineRollerSpeedRatio, 0)->getRawData();
    const qsizetype ratioLength = std::min<qsizetype>(m, engineSpeed->size());
    ratioVector->resize(ratioLength);
    for (qsizetype k = 0; k < ratioLength; ++k)
        (*ratioVector)[k] = engineSpeed->at(k) / (speed[k] / r0);

    // Loss model.
    const RunAnalysisOptions& options = RunAnalysisOptions::current();
    const auto& calculator = RunDataHooks::instance().lossModelCalculator;
    if (calculator) {
        if (calculateLossModel) {
            calculator(this, false);
        } else if (getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>().isEmpty()
                   && options.calculateLossModelOnRunLoad()
                   && !RunAnalysisOptions::isLossModelOnRunLoadSuspended()) {
            calculator(this, options.automaticallyAcceptLossModel());
        }
    }
    const QList<double> lossModel = getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>();
    const double loadFactor = getSettingValueDouble(DynoSettingId_lossFromLoadFactor, 0, 0.0);
    const double drivetrainFactor = getProjectInfoValue(48, 0.0).toDouble();
    double* speedLoss = raw(ChannelId_dynoLossPowerFromSpeed);
    double* enginePower = raw(ChannelId_enginePower);
    double* lossPower = raw(ChannelId_dynoLossPower);
    double* loadLoss = raw(ChannelId_dynoLossPowerFromLoad);
    double* corrected = raw(ChannelId_engineCorrectedPower);
    const VectorChannel* correctionVector = getVectorChannel(ChannelId_ambientCorrectionFactor, 0);
    const QList<double> empty;
    const QList<double>& correction = correctionVector ? correctionVector->rawSamples() : empty;
    double lastCorrection = 0.0;
    for (int k = 0; k < m; ++k) {
        const double loss = polynomial(lossModel, speed[k]);
        speedLoss[k] = loss;
        const double x = (wheelPower[k] + loss) * (1.0 + loadFactor) + drivetrainPower[k];
        const double pei = inertialPower->value(k, kNaN);
        const double pe = x + drivetrainFactor * x + pei;
        enginePower[k] = pe;
        lossPower[k] = pe - wheelPower[k];
        loadLoss[k] = (pe - wheelPower[k]) - drivetrainPower[k] - loss - pei;
        if (k < correction.size())
            lastCorrection = correction.at(k);
        corrected[k] = (lastCorrection + 1.0) * pe;
    }

    // Torque.
    const qsizetype torqueLength = std::min<qsizetype>(m, engineSpeed->size());
    QList<VectorChannel*>& torqueGroup =
        addVectorChannels(ChannelId_engineTorque, 1, int(torqueLength), mainTimeChannel, nullptr, nullptr);
    double* torque = torqueGroup.first()->getRawData()->data();
    double* correctedTorque = raw(ChannelId_engineCorrectedTorque);
    for (qsizetype k = 0; k < torqueLength; ++k) {
        const double w = engineSpeed->at(k);
        if (w > minTorqueSpeed) {
            torque[k] = enginePower[k] / w;
            correctedTorque[k] = corrected[k] / w;
        } else {
            torque[k] = 0.0;
            correctedTorque[k] = 0.0;
        }
    }

    // Automatic display range around the engine-speed peak.
    QList<double> smooth;
    IIR4::filterVectorToOther(engineSpeed, &smooth, rate, 3);
    double peak = kNaN;
    qsizetype e = 0;
    for (qsizetype k = 0; k < smooth.size(); ++k) {
        const double value = smooth.at(k);
        if (!std::isnan(value) && (std::isnan(peak) || value > peak)) {
            peak = value;
            e = k;
        }
    }
    const QList<double>& time = mainTimeChannel->rawSamples();
    const double lastTime = time.isEmpty() ? 0.0 : time.last();
    const int mode = options.selectionMode();
    const qsizetype length = smooth.size();
    if (std::isnan(peak) || peak == 0.0 || mode == 2) {
        autoSelectionStart = 0.0;
        autoSelectionEnd = lastTime;
    } else {
        const double threshold = 0.8 * peak;
        if (mode == 1) {
            for (qsizetype k = e; k <= length - 2; ++k) {
                if (smooth.at(k) < threshold
                    && (smooth.at(k) <= smooth.at(k + 1) || k == length - 2 || std::isnan(smooth.at(k + 1)))) {
                    autoSelectionStart = time.value(e);
                    autoSelectionEnd = time.value(k);
                    break;
                }
            }
        } else if (e > 0) {
            for (qsizetype k = e; k >= 1; --k) {
                if (smooth.at(k) < threshold
                    && (smooth.at(k) <= smooth.at(k - 1) || k == 1 || std::isnan(smooth.at(k - 1)))) {
                    autoSelectionStart = time.value(k);
                    autoSelectionEnd = time.value(e);
                    break;
                }
            }
        }
    }
    if (autoSelectionStart == autoSelectionEnd) {
        autoSelectionStart = 0.0;
        autoSelectionEnd = lastTime;
    }
    const std::pair<int, int> indexes = getSelectionIndexes();
    if (indexes.first == indexes.second) {
        updateRunInfoValue(RunListFields::selectionStart, autoSelectionStart);
        updateRunInfoValue(RunListFields::selectionEnd, autoSelectionEnd);
    }
    updateAfterSelectionChange();

    for (ChannelId id : {ChannelId_engineCorrectedPower, ChannelId_engineSpeed, ChannelId_engineCorrectedTorque,
                         ChannelId_dynoOnWheelsPower, ChannelId_dynoSpeed, ChannelId_ambientCorrectionFactor}) {
        const VectorChannel* vector = getVectorChannel(id, 0);
        if (vector && vector->setup)
            calculationConnections.append(
                connect(vector->setup, &ChannelSetup::signal_setupChanged, this, &RunData::slot_updateRunInfoStats));
    }
    return 0;
}

double RunData::getSpeedRatioAfterChange(double coefficient, double peakEngineSpeed)
{
    const std::pair<int, int> range = getSelectionIndexes();
    if (range.first == range.second)
        return 1.0;
    VectorChannel* speedVector = getVectorChannel(ChannelId_dynoSpeed, 0);
    VectorChannel* forceVector = getVectorChannel(ChannelId_dynoTractiveForce, 0);
    if (!speedVector || !forceVector)
        return 1.0;
    const QList<double> v = *speedVector->getFilteredData();
    const QList<double> f = *forceVector->getFilteredData();
    const double k = getSlipMultiplier(coefficient);
    const double r0 = getRoadSpeedRadius(0);
    qsizetype best = -1;
    double bestValue = kNaN;
    for (qsizetype i = range.first; i < range.second && i < v.size() && i < f.size(); ++i) {
        const double value = (1.0 + k * f.at(i)) * v.at(i);
        if (!std::isnan(value) && (best < 0 || value > bestValue)) {
            best = i;
            bestValue = value;
        }
    }
    if (best < 0)
        return 1.0;
    return (peakEngineSpeed / (v.at(best) / r0)) / (1.0 + f.at(best) * k);
}

double RunData::getPeakEngineSpeedAfterChange(double coefficient, double ratio)
{
    const std::pair<int, int> range = getSelectionIndexes();
    const double none = -std::numeric_limits<double>::infinity();
    if (range.first == range.second)
        return none;
    VectorChannel* speedVector = getVectorChannel(ChannelId_dynoSpeed, 0);
    VectorChannel* forceVector = getVectorChannel(ChannelId_dynoTractiveForce, 0);
    if (!speedVector || !forceVector)
        return none;
    const QList<double> v = *speedVector->getFilteredData();
    const QList<double> f = *forceVector->getFilteredData();
    const double k = getSlipMultiplier(coefficient);
    const double r0 = getRoadSpeedRadius(0);
    double best = none;
    for (qsizetype i = range.first; i < range.second && i < v.size() && i < f.size(); ++i) {
        const double value = (1.0 + k * f.at(i)) * (v.at(i) / r0 * ratio);
        if (!std::isnan(value) && value > best)
            best = value;
    }
    return best;
}
