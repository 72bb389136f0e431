#include "SpeedRatioDialog.h"

#include "DelayedDoubleSpinBox.h"
#include "DialogAnswerer.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LayoutLine.h"
#include "LoadedRunListModel.h"
#include "RunData.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <cmath>
#include <limits>

namespace {

constexpr double rpmPerRadS = 60.0 / (2.0 * M_PI);

} // namespace

SpeedRatioDialog::SpeedRatioDialog(RunData* dialogRun, LoadedRunListModel* model, QWidget* parent)
    : QDialog(parent)
    , run(dialogRun)
    , runs(model)
{
    setWindowTitle(tr("Engine Speed"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    if (!run)
        return;

    auto* runLabel = new QLabel(tr("Run: ") + run->getTimestampString(), this);
    runLabel->setAlignment(Qt::AlignCenter);
    form->addRow(runLabel);
    form->addRow(new LayoutLine(this));

    source = new QComboBox(this);
    const int runSource = run->getSettingValue(DynoSettingId_engineSpeedSource, 0, 0).toInt();
    if (runSource == 2 || runSource == 3) {
        source->hide();
    } else {
        DynoSetting* live = theDynoSettings ? theDynoSettings->getSetting(DynoSettingId_engineSpeedSource, 0) : nullptr;
        QComboBox* liveCombo = live ? live->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox) : nullptr;
        if (liveCombo) {
            Tools::cloneComboBox(liveCombo, source);
            // The dialog follows the RUN tab; a choice here is only for this run.
            disconnect(source, nullptr, liveCombo, nullptr);
        }
        connect(source, &QComboBox::currentIndexChanged, this, &SpeedRatioDialog::slot_updateWidgetAvailability);
        source->setCurrentIndex(runSource);
        Q_EMIT source->currentIndexChanged(runSource);
        form->addRow(tr("Engine speed source"), source);
    }

    ratio = new DelayedDoubleSpinBox(this);
    ratio->setRange(1e-20, std::numeric_limits<double>::infinity());
    ratio->setDecimals(3);
    ratio->setSingleStep(0.01);
    ratio->setValue(run->getRunInfoValue(RunListFields::engineSpeedRatio, 1.0).toDouble());
    form->addRow(tr("Speed ratio"), ratio);

    slip = new DelayedDoubleSpinBox(this);
    slip->setRange(0.0, 1.0);
    slip->setDecimals(3);
    slip->setValue(run->getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0, 0.0));
    form->addRow(tr("Slip estimation coefficient"), slip);

    peak = new DelayedDoubleSpinBox(this);
    peak->setRange(1e-20, std::numeric_limits<double>::infinity());
    peak->setSuffix(QStringLiteral("RPM"));
    peak->setValue(run->getRunInfoValue(RunListFields::peakEngineSpeed, 0.0).toDouble() * rpmPerRadS);
    peak->setDecimals(0);
    form->addRow(tr("Peak engine speed in selection"), peak);

    form->addRow(new LayoutLine(this));
    auto* applyThis = new QPushButton(tr("Apply to this run"), this);
    auto* applyAll = new QPushButton(tr("Apply to all visible runs"), this);
    setInRunTab = new QPushButton(tr("Set this ratio in RUN tab"), this);
    form->addRow(applyThis);
    form->addRow(applyAll);
    form->addRow(setInRunTab);

    connect(applyThis, &QPushButton::clicked, this, &SpeedRatioDialog::slot_applyToThisRun);
    connect(applyAll, &QPushButton::clicked, this, &SpeedRatioDialog::slot_applyToAllRuns);
    connect(setInRunTab, &QPushButton::clicked, this, &SpeedRatioDialog::slot_setRatioInRunTab);
    connect(ratio, &DelayedDoubleSpinBox::signal_delayedValueChanged, this, &SpeedRatioDialog::slot_speedRatioChanged);
    connect(slip, &DelayedDoubleSpinBox::signal_delayedValueChanged, this,
            &SpeedRatioDialog::slot_slipEstimCoefChanged);
    connect(peak, &DelayedDoubleSpinBox::signal_delayedValueChanged, this,
            &SpeedRatioDialog::slot_peakEngineSpeedInSelectionChanged);

    slot_updateWidgetAvailability();
    resize(400, minimumSizeHint().height());
    DialogAnswerer::exec(this);
}

void SpeedRatioDialog::showPeak(double slipCoefficient, double speedRatio)
{
    // An empty selection has no peak: the box then shows its minimum.
    const double speed = run->getPeakEngineSpeedAfterChange(slipCoefficient, speedRatio);
    const QSignalBlocker blocker(peak);
    peak->setValue(std::isfinite(speed) ? speed * rpmPerRadS : peak->minimum());
}

void SpeedRatioDialog::slot_speedRatioChanged(double speedRatio)
{
    showPeak(slip->value(), speedRatio);
}

void SpeedRatioDialog::slot_slipEstimCoefChanged(double coef)
{
    showPeak(coef, ratio->value());
}

void SpeedRatioDialog::slot_peakEngineSpeedInSelectionChanged(double engineSpeed)
{
    // A selection whose peak is at standstill cannot give a ratio (the run
    // divides by that speed): the ratio stays as it is.
    const double solved = run->getSpeedRatioAfterChange(slip->value(), engineSpeed / rpmPerRadS);
    if (!std::isfinite(solved) || solved <= 0.0)
        return;
    const QSignalBlocker blocker(ratio);
    ratio->setValue(solved);
}

void SpeedRatioDialog::slot_updateWidgetAvailability()
{
    if (!ratio)
        return;
    const bool calculated = !source->isHidden() && source->currentIndex() == 0;
    ratio->setEnabled(calculated);
    peak->setEnabled(calculated);
    setInRunTab->setEnabled(calculated);
    slip->setEnabled(calculated && run->isSlipEstimationAvailable());
}

void SpeedRatioDialog::slot_applyToThisRun()
{
    run->updateSettingValue(DynoSettingId_engineSpeedRatio, ratio->value(), 0);
    run->updateSettingValue(DynoSettingId_slipEstimationCoefficient, slip->value(), 0);
    if (!source->isHidden())
        run->updateSettingValue(DynoSettingId_engineSpeedSource, source->currentIndex(), 0);
    slot_updateWidgetAvailability();
}

void SpeedRatioDialog::slot_applyToAllRuns()
{
    if (runs) {
        runs->applySpeedRatioToAllVisible(ratio->value(), slip->value());
        if (!source->isHidden())
            runs->applyEngineSpeedSourceToAllVisible(source->currentIndex());
    }
    slot_updateWidgetAvailability();
}

void SpeedRatioDialog::slot_setRatioInRunTab()
{
    // The live settings, not the RUN panel's spin boxes: they edit the same
    // settings, and the panel need not exist.
    if (!theDynoSettings)
        return;
    if (DynoSetting* setting = theDynoSettings->getSetting(DynoSettingId_engineSpeedRatio, 0))
        setting->setValue(ratio->value());
    if (DynoSetting* setting = theDynoSettings->getSetting(DynoSettingId_slipEstimationCoefficient, 0))
        setting->setValue(slip->value());
}
