#include "CalibrateInertiaHardBraking.h"

#include "InertiaExperimentRun.h"
#include "LossModelCalculator.h"
#include "ProjectListFieldId.h"
#include "RangeSelectionPlot.h"
#include "RunData.h"
#include "SettingsWizards.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>
#include <limits>

CalibrateInertiaHardBraking::Result CalibrateInertiaHardBraking::compute(const QList<Sample>& samples,
                                                                        const QList<double>& model, double jdOld,
                                                                        double jrOld)
{
    Result res;
    double sum = 0.0;
    for (const Sample& s : samples) {
        const double j = -s.brakeTorque / (LossModelCalculator::evaluate(model, s.speed) / s.omega / (jdOld + jrOld)
                                           + s.alpha);
        // A zero denominator gives an infinite estimate: it would become the
        // average and enable loading it.
        if (!std::isfinite(j)) {
            ++res.skipped;
            continue;
        }
        sum += j;
        res.inertia.append(j);
        res.omega.append(s.omega);
    }
    res.total = res.inertia.isEmpty() ? std::numeric_limits<double>::quiet_NaN() : sum / res.inertia.size();
    res.roller = res.total - jdOld;
    res.drivetrain = res.total - jrOld;
    return res;
}

CalibrateInertiaHardBraking::CalibrateInertiaHardBraking(QWidget* parent, RollerId rollerId)
    : QDialog(parent)
    , roller(rollerId)
{
    setWindowTitle(tr("Hard Braking Inertia Calibration"));
    resize(700, 700);
    auto* form = new QFormLayout(this);
    addTip(tr("This tool allows calculating roller inertia from experiment, where the rotating roller is "
              "decelerated rapidly by dyno brake."));
    addTip(tr("1. Load loss model (click the box with right mouse button):"));
    lossLabel = new QLabel(tr("Loss") + QStringLiteral("(v) = a0 + a1*v + a2*v² + a3*v³"), this);
    lossLabel->setToolTip(tr("Loss Model equation"));
    lossLabel->setFrameShape(QFrame::Box);
    lossLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    form->addRow(lossLabel);
    addTip(tr("2. Select range where roller was rapidly decelerated with brake:"));
    rangePlot = new RangeSelectionPlot(this);
    rangePlot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    form->addRow(rangePlot);
    addTip(tr("3. Here is calculated inertia for selected range:"));
    scatter = new VectorScatterPlot(this);
    scatter->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    form->addRow(scatter);
    addTip(tr("4. And average inertia value from this range:"));
    resultLabel = new QLabel(this);
    resultLabel->setFrameShape(QFrame::Box);
    form->addRow(resultLabel);
    rollerLabel = new QLabel(this);
    rollerLabel->setFrameShape(QFrame::Box);
    rollerButton = new QPushButton(tr("Load to dyno settings"), this);
    rollerButton->setEnabled(false);
    form->addRow(rollerLabel, rollerButton);
    drivetrainLabel = new QLabel(this);
    drivetrainLabel->setFrameShape(QFrame::Box);
    drivetrainButton = new QPushButton(tr("Load to project settings"), this);
    drivetrainButton->setEnabled(false);
    form->addRow(drivetrainLabel, drivetrainButton);
    connect(rollerButton, &QPushButton::clicked, this, &CalibrateInertiaHardBraking::slot_loadRollerInertia);
    connect(drivetrainButton, &QPushButton::clicked, this, &CalibrateInertiaHardBraking::slot_loadDtInertia);
    connect(lossLabel, &QLabel::customContextMenuRequested, this,
            &CalibrateInertiaHardBraking::slot_lossModelCoefs_customContextMenuRequested);

    run = InertiaExperimentRun::chooseAndLoad(this);
    if (!run)
        return;
    lossModel = InertiaExperimentRun::lossModelOf(run);
    loadModelToUI(lossModel);
    rangePlot->setAxisChannel(PlotAxis_left, run->getVectorChannel(ChannelId_rollerBrakesTorque, int(roller)));
    rangePlot->setAxisChannel(PlotAxis_right,
                              run->getVectorChannel(ChannelId_rollerRotationalAcceleration, int(roller)));
    connect(rangePlot, &RangeSelectionPlot::signal_newSelection, this, &CalibrateInertiaHardBraking::slot_newSelection);
    DialogAnswerer::exec(this);
}

void CalibrateInertiaHardBraking::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    static_cast<QFormLayout*>(layout())->addRow(tip);
}

void CalibrateInertiaHardBraking::loadModelToUI(const QList<double>& model)
{
    lossLabel->setText(LossModelCalculator::printLossModelString(&model));
    Tools::setTextColorWithPalette(lossLabel, QColor(0, 130, 0));
}

void CalibrateInertiaHardBraking::slot_newSelection(double start, double end)
{
    const VectorChannel* time = run ? run->getMainTimeVector() : nullptr;
    if (!time)
        return;
    std::tie(first, count) = InertiaExperimentRun::selectionIndexes(time->rawSamples(), start, end);
    recalculateInertia();
}

void CalibrateInertiaHardBraking::recalculateInertia()
{
    if (count < 1 || !run) {
        rollerButton->setEnabled(false);
        drivetrainButton->setEnabled(false);
        return;
    }
    const int r = int(roller);
    const VectorChannel* alpha = run->getVectorChannel(ChannelId_rollerRotationalAcceleration, r);
    const VectorChannel* omega = run->getVectorChannel(ChannelId_rollerRotationalSpeed, r);
    const VectorChannel* brake = run->getVectorChannel(ChannelId_rollerBrakesTorque, r);
    const VectorChannel* speed = run->getVectorChannel(ChannelId_dynoSpeed, 0);
    if (!alpha || !omega || !brake || !speed)
        return;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QList<Sample> samples;
    for (int i = first; i < first + count; ++i)
        samples.append({alpha->rawSamples().value(i, nan), omega->rawSamples().value(i, nan),
                        brake->rawSamples().value(i, nan), speed->rawSamples().value(i, nan)});
    const double jdOld = run->getProjectInfoValue(ProjectListFields::drivetrainInertia, 0.0).toDouble();
    const double jrOld = run->getRollerInertia(roller);
    last = compute(samples, lossModel, jdOld, jrOld);
    plotX = last.omega;
    plotY = last.inertia;
    scatter->setData(PlotAxis_left, tr("Calculated Inertia") + QStringLiteral(" [kg*m²]"), &plotX, &plotY);
    scatter->setXLabel(tr("Rotational speed") + QStringLiteral(" [rad/s]"));
    resultLabel->setText(QString::asprintf("Calculated Inertia = %f kg*m²\nOld Roller Inertia = %f kg*m²\nOld "
                                           "Drivetrain Inertia = %f kg*m²",
                                           last.total, jrOld, jdOld));
    rollerLabel->setText(
        QString::asprintf("Roller Inertia = %f kg*m² - %f kgm² = %f kg*m²", last.total, jdOld, last.roller));
    drivetrainLabel->setText(
        QString::asprintf("Drivetrain Inertia = %f kg*m² - %f kgm² = %f kg*m²", last.total, jrOld, last.drivetrain));
    rollerButton->setEnabled(std::isfinite(last.roller) && last.roller > 0);
    drivetrainButton->setEnabled(std::isfinite(last.drivetrain) && last.drivetrain > 0);
}

void CalibrateInertiaHardBraking::slot_lossModelCoefs_customContextMenuRequested(const QPoint&)
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

void CalibrateInertiaHardBraking::slot_loadRollerInertia()
{
    if (auto* inertia = SettingsWizards::editor<SpinBoxWithUnit>(DynoSettingId_inertia, int(roller),
                                                                 SettingWidgetType_spinBoxWithUnit))
        inertia->setValueSI(last.roller);
    accept();
}

void CalibrateInertiaHardBraking::slot_loadDtInertia()
{
    run->updateProjectInfoValue(ProjectListFields::drivetrainInertia, last.drivetrain, true);
    accept();
}
