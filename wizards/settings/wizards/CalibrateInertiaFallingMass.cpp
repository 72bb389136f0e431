#include "CalibrateInertiaFallingMass.h"

#include "InertiaExperimentRun.h"
#include "LossModelCalculator.h"
#include "MySettings.h"
#include "RangeSelectionPlot.h"
#include "RunData.h"
#include "SettingsWizards.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

CalibrateInertiaFallingMass::Result CalibrateInertiaFallingMass::compute(const QList<Sample>& samples,
                                                                        const QList<double>& model, double M,
                                                                        double r, double jRun)
{
    Result res;
    double maxA = 0, minA = 0, maxTm = 0, minTm = 0, maxTb = 0, maxT = 0, minT = 0;
    bool firstSample = true;
    double sum = 0.0;
    for (const Sample& s : samples) {
        if (s.alpha == 0.0) {
            qDebug() << "Selected range with 0 acceleration";
            res.zeroAcceleration = true;
            return res;
        }
        const double a = s.alpha * r;
        const double tm = r * M * (kGravity - a);
        const double lossTorque = LossModelCalculator::evaluate(model, s.speed) / s.omega;
        const double lambda = lossTorque / jRun;
        const double denominator = s.alpha + lambda;
        const double j = denominator == 0.0 ? 0.0 : (tm - s.brakeTorque) / denominator;
        // NaN compares false against every limit below: such a sample would
        // pass the plausibility checks and make the average NaN.
        if (!(s.omega > 0.0) || !std::isfinite(a) || !std::isfinite(tm) || !std::isfinite(s.brakeTorque)
            || !std::isfinite(lossTorque) || !std::isfinite(j)) {
            ++res.skipped;
            continue;
        }
        if (firstSample) {
            maxA = minA = a;
            maxTm = minTm = tm;
            maxTb = s.brakeTorque;
            maxT = minT = lossTorque;
            firstSample = false;
        } else {
            maxA = std::max(maxA, a);
            minA = std::min(minA, a);
            maxTm = std::max(maxTm, tm);
            minTm = std::min(minTm, tm);
            maxTb = std::max(maxTb, s.brakeTorque);
            maxT = std::max(maxT, lossTorque);
            minT = std::min(minT, lossTorque);
        }
        sum += j;
        res.inertia.append(j);
        res.omega.append(s.omega);
    }
    res.average = res.inertia.isEmpty() ? std::numeric_limits<double>::quiet_NaN() : sum / res.inertia.size();
    QString& t = res.report;
    t = QString(80, QLatin1Char('#'));
    if (res.skipped > 0)
        t += QObject::tr("\n%1 samples skipped (not moving or not a number)").arg(res.skipped);
    if (res.inertia.isEmpty()) {
        t += QObject::tr("\nNo usable sample in the selected range");
        return res;
    }
    t += QObject::tr("\nmaximum linear acceleration of test mass %1 m/s²").arg(maxA);
    if (maxA > kGravity) {
        t += QObject::tr("\nmaximum linear acceleration exceeded g=9.8m/s² !!");
        return res;
    }
    t += QObject::tr("\nminimum linear acceleration of test mass %1 m/s²").arg(minA);
    if (minA < 0) {
        t += QObject::tr("\nminimum linear acceleration was negative !!");
        return res;
    }
    t += QObject::tr("\nmaximum load mass torque %1 Nm").arg(maxTm);
    t += QObject::tr("\nminimum load mass torque %1 Nm").arg(minTm);
    t += QObject::tr("\nmaximum torque measured on load cell %1 Nm").arg(maxTb);
    t += QObject::tr("\nmaximum loss torque %1 Nm").arg(maxT);
    if (maxT == 0) {
        t += QObject::tr("\nLoss model not loaded or invalid");
        return res;
    }
    t += QObject::tr("\nminimum loss torque %1 Nm").arg(minT);
    if (res.average < 0 || !std::isfinite(res.average)) {
        t += QObject::tr("\nCalculated inertia is negative !!");
        return res;
    }
    res.plausible = true;
    return res;
}

CalibrateInertiaFallingMass::CalibrateInertiaFallingMass(QWidget* parent, RollerId rollerId)
    : QDialog(parent)
    , roller(rollerId)
{
    setWindowTitle(tr("Falling Mass Inertia Calibration"));
    resize(700, 700);
    auto* layout = new QVBoxLayout(this);
    addTip(tr("This tool allows calculating roller inertia from experiment, where the roller is accelerated by "
              "falling mass connected to the roller by a rope through a pulley."));
    addTip(tr("1. Load Loss Model (click the box with right mouse button):"));
    lossLabel = new QLabel(tr("Loss") + QStringLiteral("(v) = a0 + a1*v + a2*v² + a3*v³"), this);
    lossLabel->setToolTip(tr("Loss Model equation"));
    lossLabel->setFrameShape(QFrame::Box);
    lossLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(lossLabel);
    addTip(tr("2. Select range where roller was accelerated by calibration mass:"));
    rangePlot = new RangeSelectionPlot(this);
    rangePlot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(rangePlot);
    addTip(tr("3. Enter calibration pulling mass value:"));
    pullingMass = new SpinBoxWithUnit(this, Quantity::Mass);
    pullingMass->setToolTip(tr("Mass that is accelerating the roller"));
    pullingMass->setObjectName(QStringLiteral("calibrateInertia_pullingMass"));
    pullingMass->setRangeSI(0.001, std::numeric_limits<double>::infinity());
    layout->addWidget(pullingMass);
    addTip(tr("4. Here is calculated inertia for selected range:"));
    scatter = new VectorScatterPlot(this);
    scatter->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(scatter);
    addTip(tr("5. And average inertia value from this range:"));
    averageLabel = new QLabel(tr("Average inertia") + QStringLiteral(" = x kg*m²"), this);
    averageLabel->setFrameShape(QFrame::Box);
    layout->addWidget(averageLabel);
    loadButton = new QPushButton(tr("Load calculated value to settings"), this);
    loadButton->setEnabled(false);
    layout->addWidget(loadButton);
    connect(loadButton, &QPushButton::clicked, this, &CalibrateInertiaFallingMass::slot_acceptInertia);
    connect(lossLabel, &QLabel::customContextMenuRequested, this,
            &CalibrateInertiaFallingMass::slot_lossModelCoefs_customContextMenuRequested);

    run = InertiaExperimentRun::chooseAndLoad(this);
    if (!run)
        return;
    lossModel = InertiaExperimentRun::lossModelOf(run);
    loadModelToUI(lossModel);
    radius = run->getRoadSpeedRadius(int(roller));
    runInertia = run->getRollerInertia(roller);
    rangePlot->setAxisChannel(PlotAxis_left, run->getVectorChannel(ChannelId_rollerRotationalSpeed, int(roller)));
    rangePlot->setAxisChannel(PlotAxis_right,
                              run->getVectorChannel(ChannelId_rollerRotationalAcceleration, int(roller)));
    connect(rangePlot, &RangeSelectionPlot::signal_newSelection, this, &CalibrateInertiaFallingMass::slot_newSelection);
    theSettings.connectSpinBoxWithUnit(pullingMass);
    connect(pullingMass, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &CalibrateInertiaFallingMass::slot_pullingMass_valueChanged);
    DialogAnswerer::exec(this);
}

void CalibrateInertiaFallingMass::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    layout()->addWidget(tip);
}

void CalibrateInertiaFallingMass::loadModelToUI(const QList<double>& model)
{
    lossLabel->setText(LossModelCalculator::printLossModelString(&model));
    Tools::setTextColorWithPalette(lossLabel, QColor(0, 130, 0));
}

void CalibrateInertiaFallingMass::slot_newSelection(double start, double end)
{
    const VectorChannel* time = run ? run->getMainTimeVector() : nullptr;
    if (!time)
        return;
    std::tie(first, count) = InertiaExperimentRun::selectionIndexes(time->rawSamples(), start, end);
    recalculateInertia();
}

void CalibrateInertiaFallingMass::slot_pullingMass_valueChanged(double)
{
    recalculateInertia();
}

void CalibrateInertiaFallingMass::recalculateInertia()
{
    if (lossModel.isEmpty() || count < 1 || !run) {
        loadButton->setEnabled(false);
        return;
    }
    const int r = int(roller);
    const VectorChannel* alpha = run->getVectorChannel(ChannelId_rollerRotationalAcceleration, r);
    const VectorChannel* omega = run->getVectorChannel(ChannelId_rollerRotationalSpeed, r);
    const VectorChannel* brake = run->getVectorChannel(ChannelId_rollerBrakesTorque, r);
    const VectorChannel* speed = run->getVectorChannel(ChannelId_dynoSpeed, 0);
    if (!alpha || !omega || !brake || !speed) {
        loadButton->setEnabled(false);
        return;
    }
    QList<Sample> samples;
    samples.reserve(count);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = first; i < first + count; ++i)
        samples.append({alpha->rawSamples().value(i, nan), omega->rawSamples().value(i, nan),
                        brake->rawSamples().value(i, nan), speed->rawSamples().value(i, nan)});
    const Result result = compute(samples, lossModel, pullingMass->getValueSI(), radius, runInertia);
    if (result.zeroAcceleration)
        return;
    if (std::isfinite(result.average)) {
        average = result.average;
        averageLabel->setText(QString::asprintf("%f kg*m²", average));
    }
    plotX = result.omega;
    plotY = result.inertia;
    scatter->setData(PlotAxis_left, tr("Calculated Inertia") + QStringLiteral(" [kg*m²]"), &plotX, &plotY);
    scatter->setXLabel(tr("Rotational speed") + QStringLiteral(" [rad/s]"));
    if (result.plausible) {
        loadButton->setEnabled(true);
        return;
    }
    loadButton->setEnabled(false);
    Tools::showError(result.report);
}

void CalibrateInertiaFallingMass::slot_lossModelCoefs_customContextMenuRequested(const QPoint&)
{
    if (!run)
        return;
    LossModelCalculator calculator(this, run, false);
    if (calculator.result() != QDialog::Accepted)
        return;
    lossModel = calculator.coefficients;
    loadModelToUI(lossModel);
    recalculateInertia();
}

void CalibrateInertiaFallingMass::slot_acceptInertia()
{
    if (!std::isfinite(average))
        return;
    if (auto* inertia = SettingsWizards::editor<SpinBoxWithUnit>(DynoSettingId_inertia, int(roller),
                                                                 SettingWidgetType_spinBoxWithUnit))
        inertia->setValueSI(average);
    accept();
}
