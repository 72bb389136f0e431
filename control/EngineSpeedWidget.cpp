#include "EngineSpeedWidget.h"

#include "ChannelId.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "Fonts.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunListFieldId.h"
#include "RunListModel.h"
#include "RunThread.h"
#include "SafeSpinBox.h"
#include "TriggerThread.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The controller's engine speed input.
constexpr int engineSpeedInput = 1;

double channelValue(ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    return channel ? channel->getValue() : kNaN;
}

double roadSpeedRadius()
{
    return theDynoSettings ? theDynoSettings->getRoadSpeedRadius(0) : kNaN;
}

} // namespace

EngineSpeedWidget::EngineSpeedWidget(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    form = new QFormLayout(this);
    form->setContentsMargins(1, 1, 1, 1);
    form->setSpacing(1);
    form->setLabelAlignment(Qt::AlignRight);

    comboBox_runEngineSpeedSource = new QComboBox(this);
    comboBox_runEngineSpeedSource->setObjectName(QStringLiteral("comboBox_runEngineSpeedSource"));
    comboBox_runEngineSpeedSource->setToolTip(
        tr("Source for the main engine speed channel\ncalculated - calculated with a fixed ratio from roller speed\neng. "
           "speed in - sourced from engine speed input in the controller\nVP_engineSpeed - sourced from Vehicle "
           "Parameter engineSpeed channel, which gets data from OBD, CAN bus, etc."));
    form->addRow(tr("Eng. speed src"), comboBox_runEngineSpeedSource);

    spinBox_engineSpeedRatio = new SafeSpinBox(this);
    spinBox_engineSpeedRatio->setContextMenuPolicy(Qt::CustomContextMenu);
    spinBox_engineSpeedRatio->setToolTip(
        tr("Engine speed / Roller speed ratio for measurement - click RMB for automatic setup"));
    form->addRow(tr("Eng. speed ratio"), spinBox_engineSpeedRatio);

    spinBox_slipCoefficient = new SafeSpinBox(this);
    spinBox_slipCoefficient->setToolTip(
        tr("Slip amount per utilized tire grip\nestimated slip = (tractive force / vehicle weight on driving wheels) * "
           "slip estimation coefficient"));
    form->addRow(tr("Slip estim. coef."), spinBox_slipCoefficient);

    spinBox_multiplier = new QDoubleSpinBox(this);
    spinBox_multiplier->setToolTip(
        tr("When using one signal per four stroke engine cycle, set:\nmultiplier = 2\ndivider = 1"));
    form->addRow(tr("Multiplier"), spinBox_multiplier);

    spinBox_divider = new QSpinBox(this);
    spinBox_divider->setToolTip(tr("Signals per engine rotation"));
    form->addRow(tr("Divider"), spinBox_divider);

    vpTimer = new QTimer(this);
    vpTimer->setSingleShot(true);
    vpTimer->setInterval(vpCalibrationMs);
    connect(vpTimer, &QTimer::timeout, this, [this] { comboBox_runEngineSpeedSource->setCurrentIndex(0); });
}

void EngineSpeedWidget::init()
{
    if (initialized || !theDynoSettings)
        return;
    initialized = true;
    // An editor whose setting has another kind of editor stays unmirrored.
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_engineSpeedSource, 0)) {
        if (auto* combo = s->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox))
            Tools::cloneComboBox(combo, comboBox_runEngineSpeedSource);
    }
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_engineSpeedRatio, 0)) {
        if (auto* box = s->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox))
            Tools::cloneDoubleSpinBox(box, spinBox_engineSpeedRatio);
    }
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_slipEstimationCoefficient, 0)) {
        if (auto* box = s->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox))
            Tools::cloneDoubleSpinBox(box, spinBox_slipCoefficient);
    }
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_freqInputMultiplier, engineSpeedInput)) {
        if (auto* box = s->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox))
            Tools::cloneDoubleSpinBox(box, spinBox_multiplier);
    }
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_freqInputSignalsPerRotation, engineSpeedInput)) {
        if (auto* box = s->getWidgetHelper<QSpinBox>(SettingWidgetType_spinBox))
            Tools::cloneSpinBox(box, spinBox_divider);
    }
    spinBox_engineSpeedRatio->setDecimals(3);
    spinBox_slipCoefficient->setDecimals(3);
    spinBox_multiplier->setDecimals(2);
    spinBox_multiplier->setMinimum(0.01);
    spinBox_multiplier->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);

    connect(comboBox_runEngineSpeedSource, &QComboBox::currentIndexChanged, this,
            &EngineSpeedWidget::slot_updateWidgetSettings);
    connect(comboBox_runEngineSpeedSource, &QComboBox::currentIndexChanged, this,
            &EngineSpeedWidget::signal_settingsChanged);
    connect(spinBox_slipCoefficient, &QDoubleSpinBox::valueChanged, this, &EngineSpeedWidget::signal_settingsChanged);
    connect(spinBox_engineSpeedRatio, &QWidget::customContextMenuRequested, this,
            &EngineSpeedWidget::slot_runEngineSpeedRatio_customContextMenuRequested);
    slot_updateWidgetSettings();
}

void EngineSpeedWidget::setWidgetVisible(QWidget* widget, bool visible)
{
    form->setRowVisible(widget, visible);
}

bool EngineSpeedWidget::isWidgetVisible(QWidget* widget) const
{
    return !widget->isHidden();
}

void EngineSpeedWidget::slot_updateWidgetSettings()
{
    const int source = comboBox_runEngineSpeedSource->currentIndex();
    setWidgetVisible(spinBox_engineSpeedRatio, source == 0);
    setWidgetVisible(spinBox_slipCoefficient, theDynoSettings && theDynoSettings->initialized
                                                  && theDynoSettings->isSlipEstimationAvailable());
    setWidgetVisible(spinBox_multiplier, source == 1);
    setWidgetVisible(spinBox_divider, source == 1);
    if (source == 0)
        applyRatio(channelValue(ChannelId_engineRollerSpeedRatio));
}

double EngineSpeedWidget::ratioFromEngineSpeed(double rpm, double roadSpeed, double radius, double slip)
{
    const double ratio = (rpm * 2.0 * M_PI / 60.0) / (roadSpeed / radius) / (slip + 1.0);
    return std::isfinite(ratio) && ratio > 0.0 ? ratio : kNaN;
}

bool EngineSpeedWidget::applyRatio(double ratio)
{
    if (!std::isfinite(ratio) || ratio <= 0.0)
        return false;
    spinBox_engineSpeedRatio->setValueSI(ratio);
    return true;
}

void EngineSpeedWidget::setRatioFromCurrentEngineSpeed(bool fromShortcut)
{
    if (calibrationDialog) {
        // A second press of the trigger confirms the entry; any other call
        // leaves the open dialog alone.
        if (fromShortcut)
            calibrationDialog->accept();
        return;
    }
    auto* dialog = new QDialog(this);
    calibrationDialog = dialog;
    dialog->setWindowTitle(tr("Calibrate engine speed ratio"));
    dialog->setFont(theFonts.normalFont);
    dialog->setMinimumWidth(400);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(tr("Enter current engine speed [RPM]"), dialog));
    auto* rpm = new QDoubleSpinBox(dialog);
    rpm->setObjectName(QStringLiteral("setEngineSpeedRatioFromCurrentEngineSpeed_engineSpeed"));
    rpm->setDecimals(0);
    rpm->setRange(1, std::numeric_limits<double>::max());
    rpm->setSingleStep(1000);
    rpm->setValue(3000);
    rpm->setFont(theFonts.hugeFont);
    theSettings.connectDoubleSpinBox(rpm);
    layout->addWidget(rpm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (theTriggerThread)
        theTriggerThread->reparentShortcuts(dialog);

    if (DialogAnswerer::exec(dialog) == QDialog::Accepted) {
        const double v = channelValue(ChannelId_dynoSpeed);
        if (!std::isfinite(v)) {
            Tools::showError(tr("Speed not available"));
        } else {
            double slip = channelValue(ChannelId_dynoEstimatedSlip);
            if (!std::isfinite(slip))
                slip = 0.0; // a stale slip estimate is no slip
            if (!applyRatio(ratioFromEngineSpeed(rpm->value(), v, roadSpeedRadius(), slip)))
                Tools::showError(tr("Speed not available"));
        }
    }
    if (theTriggerThread)
        theTriggerThread->restoreDefaultShortcutsParent();
    delete dialog;
}

void EngineSpeedWidget::setRatioFromMaxEngineSpeed()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Calibrate engine speed ratio"));
    dialog.setFont(theFonts.normalFont);
    auto* layout = new QFormLayout(&dialog);
    layout->setLabelAlignment(Qt::AlignRight);
    auto* rpm = new QDoubleSpinBox(&dialog);
    rpm->setObjectName(QStringLiteral("setEngineSpeedRatioFromMaxEngineSpeed_engineSpeed"));
    rpm->setDecimals(0);
    rpm->setRange(1, std::numeric_limits<double>::max());
    rpm->setValue(7000);
    rpm->setFont(theFonts.bigFont);
    theSettings.connectDoubleSpinBox(rpm);
    layout->addRow(tr("Maximum engine speed [RPM] from last run"), rpm);
    auto* update = new QCheckBox(&dialog);
    update->setObjectName(QStringLiteral("setEngineSpeedRatioFromMaxEngineSpeed_updateInLastRun"));
    theSettings.connectCheckBox(update);
    layout->addRow(tr("Update speed ratio in last run file"), update);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    dialog.resize(500, dialog.sizeHint().height());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;

    const double vmax = channelValue(ChannelId_dynoSpeedMax);
    const double ratio = std::isfinite(vmax) ? ratioFromEngineSpeed(rpm->value(), vmax, roadSpeedRadius(), 0.0) : kNaN;
    if (!applyRatio(ratio)) {
        Tools::showError(tr("Max speed not available"));
        return;
    }
    // A run being recorded writes its own settings when it ends.
    if (!update->isChecked() || !theRunThread || theRunThread->runActive)
        return;
    const QString file = theRunThread->lastRunFilePath();
    if (file.isEmpty())
        return;
    if (RunData* run = theOpenedRunsManager.getRunData(file))
        run->updateSettingValue(DynoSettingId_engineSpeedRatio, ratio, 0);
}

void EngineSpeedWidget::slot_runEngineSpeedRatio_customContextMenuRequested(const QPoint& pos)
{
    MyMenu menu(this);
    QAction* current = menu.addAction(tr("Set from current engine speed"));
    QAction* maximum = menu.addAction(tr("Set from max engine speed"));
    // Offered only when the active project has a run.
    QAction* lastRun = nullptr;
    RunData* last = theRunListModel ? theRunListModel->getLastRunInActiveProject() : nullptr;
    if (last)
        lastRun = menu.addAction(tr("Set from last run in active project"));
    QAction* chosen = menu.exec(spinBox_engineSpeedRatio->mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == current)
        setRatioFromCurrentEngineSpeed(false);
    else if (chosen == maximum)
        setRatioFromMaxEngineSpeed();
    else if (chosen == lastRun)
        setRatioFromRun(last);
}

bool EngineSpeedWidget::setRatioFromRun(RunData* run)
{
    if (!run)
        return false;
    run->loadRunInfo();
    const double ratio = run->getRunInfoValue(RunListFields::engineSpeedRatio, kNaN).toDouble();
    if (!std::isfinite(ratio) || ratio <= 0.0) {
        qDebug() << "Invalid speed ratio in file";
        return false;
    }
    const double slip = run->getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0, 0.0);
    applyRatio(ratio);
    if (isWidgetVisible(spinBox_slipCoefficient) && std::isfinite(slip))
        spinBox_slipCoefficient->setValueSI(slip);
    return true;
}

void EngineSpeedWidget::slot_calculateSpeedRatioShortcutTriggered()
{
    if (runTabCurrent && !runTabCurrent())
        return;
    comboBox_runEngineSpeedSource->setCurrentIndex(0);
    setRatioFromCurrentEngineSpeed(true);
}

void EngineSpeedWidget::slot_calculateVPSpeedRatioShortcutTriggered()
{
    comboBox_runEngineSpeedSource->setCurrentIndex(4);
    vpTimer->start();
}
