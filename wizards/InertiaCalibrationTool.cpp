#include "InertiaCalibrationTool.h"

#include "DoubleRampInertiaCalibrationRun.h"
#include "DynoSettings.h"
#include "DynoSetting.h"
#include "HwInfo.h"
#include "ProjectListFieldId.h"
#include "RunData.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/Tools.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <limits>

InertiaCalibrationTool::InertiaCalibrationTool(RunData* first, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Inertia Calibration"));
    setFixedWidth(450);
    form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    auto* intro = new QLabel(tr("This tool is used for adjusting rotational inertia value with use of specially "
                                "prepared double ramp test.\n\nAdjust \"Engine inertia\" to have consistent power "
                                "reading between runs on different gears.\n\nAdjust other inertia values to have "
                                "consistent power reading on acceleration and deceleration ramp.\n\n")
                                 + tr("LOADED RUNS:"),
                             this);
    intro->setWordWrap(true);
    Tools::setTextColorWithPalette(intro, QColor(0, 130, 0));
    form->addRow(intro);
    auto* zero = new QPushButton(tr("Zero Loss Model"), this);
    zero->setFocusPolicy(Qt::NoFocus);
    auto* reset = new QPushButton(tr("Reset / Update Loss Model"), this);
    reset->setFocusPolicy(Qt::NoFocus);
    form->addRow(zero);
    form->addRow(reset);
    const double inf = std::numeric_limits<double>::infinity();
    auto box = [&](Quantity q) {
        auto* b = new SpinBoxWithUnit(this, q);
        b->setRangeSI(0, inf);
        return b;
    };
    DoubleRampInertiaCalibrationRun backup(first);
    engineInertia = box(Quantity::Inertia);
    engineInertia->setDecimals(3);
    engineInertia->setValueSI(backup.engineInertia);
    form->addRow(tr("PROJECT / Engine inertia"), engineInertia);
    drivetrainInertia = box(Quantity::Inertia);
    drivetrainInertia->setValueSI(backup.drivetrainInertia);
    form->addRow(tr("PROJECT / Drivetrain inertia"), drivetrainInertia);
    for (int r = 0; r < 4; ++r) {
        rollerInertia[r] = box(Quantity::Inertia);
        rollerInertia[r]->setValueSI(backup.rollerInertia[r]);
        form->addRow((tr("SETTINGS / Roller") + QStringLiteral(" %1 ") + tr("/ inertia")).arg(r + 1), rollerInertia[r]);
    }
    lossFromLoad = box(Quantity::Fraction);
    lossFromLoad->setValueSI(backup.lossFromLoadFactor);
    form->addRow(tr("Loss from load"), lossFromLoad);
    auto* save = new QPushButton(tr("Save to dyno settings"), this);
    save->setFocusPolicy(Qt::NoFocus);
    form->addRow(save);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Apply)->setDefault(true);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::clicked, this, &InertiaCalibrationTool::slot_buttonBoxClicked);
    connect(zero, &QPushButton::clicked, this, &InertiaCalibrationTool::slot_zeroLossModel);
    connect(reset, &QPushButton::clicked, this, &InertiaCalibrationTool::slot_resetLossModel);
    connect(save, &QPushButton::clicked, this, &InertiaCalibrationTool::slot_saveToDynoSettings);
    setAttribute(Qt::WA_DeleteOnClose);
    addRunData(first);
    show();
}

InertiaCalibrationTool::~InertiaCalibrationTool()
{
    qDeleteAll(runs);
}

void InertiaCalibrationTool::addRunData(RunData* run)
{
    if (!run)
        return;
    for (const DoubleRampInertiaCalibrationRun* held : std::as_const(runs))
        if (held->run == run)
            return;
    runs.append(new DoubleRampInertiaCalibrationRun(run));
    auto* label = new QLabel(run->getTimestampString(), this);
    runLabels.append(label);
    form->insertRow(1, label);
    connect(run, &QObject::destroyed, this, &InertiaCalibrationTool::dropDeletedRuns, Qt::QueuedConnection);
    if (runs.size() > 1)
        applyInertiaValues();
}

void InertiaCalibrationTool::removeRunData(RunData* run)
{
    for (qsizetype i = runs.size() - 1; i >= 0; --i) {
        if (runs.at(i)->run && runs.at(i)->run != run)
            continue;
        delete runs.takeAt(i);
        form->removeRow(runLabels.takeAt(i));
    }
    if (runs.isEmpty() && !closing)
        close();
}

void InertiaCalibrationTool::dropDeletedRuns()
{
    removeRunData(nullptr);
}

void InertiaCalibrationTool::applyInertiaValues()
{
    for (DoubleRampInertiaCalibrationRun* held : std::as_const(runs)) {
        RunData* run = held->run;
        if (!run)
            continue;
        run->updateProjectInfoValue(ProjectListFields::engineInertia, engineInertia->getValueSI(), true);
        run->updateProjectInfoValue(ProjectListFields::drivetrainInertia, drivetrainInertia->getValueSI(), true);
        for (int r = 0; r < std::min(4, int(run->hwInfo.rollers)); ++r)
            run->updateRollerInertia(RollerId(r), rollerInertia[r]->getValueSI());
        run->updateSettingValue(DynoSettingId_lossFromLoadFactor, lossFromLoad->getValueSI(), 0);
    }
}

void InertiaCalibrationTool::slot_zeroLossModel()
{
    for (DoubleRampInertiaCalibrationRun* held : std::as_const(runs))
        if (held->run)
            held->run->updateSettingValue(DynoSettingId_lossModel, QVariant::fromValue(QList<double>{0.0, 0.0, 0.0}), 0);
}

void InertiaCalibrationTool::slot_resetLossModel()
{
    for (DoubleRampInertiaCalibrationRun* held : std::as_const(runs))
        if (held->run)
            held->run->updateSettingValue(DynoSettingId_lossModel, QVariant::fromValue(QList<double>()), 0);
}

void InertiaCalibrationTool::slot_saveToDynoSettings()
{
    applyInertiaValues();
    if (!theDynoSettings)
        return;
    for (int i = 0; i < std::min(4, int(theHwInfo.rollers)); ++i)
        if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_inertia, i))
            if (auto* box = s->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit))
                box->setValueSI(rollerInertia[i]->getValueSI());
    if (DynoSetting* s = theDynoSettings->getSetting(DynoSettingId_lossFromLoadFactor, 0))
        if (auto* box = s->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit))
            box->setValueSI(lossFromLoad->getValueSI());
}

void InertiaCalibrationTool::slot_buttonBoxClicked(QAbstractButton* button)
{
    auto* box = qobject_cast<QDialogButtonBox*>(sender());
    const QDialogButtonBox::ButtonRole role = box ? box->buttonRole(button) : QDialogButtonBox::InvalidRole;
    if (role == QDialogButtonBox::RejectRole) {
        for (DoubleRampInertiaCalibrationRun* held : std::as_const(runs))
            held->restoreBackup();
        closing = true;
        emit signal_closeEvent();
        reject();
    } else if (role == QDialogButtonBox::ApplyRole) {
        applyInertiaValues();
    } else if (role == QDialogButtonBox::AcceptRole) {
        applyInertiaValues();
        closing = true;
        emit signal_closeEvent();
        accept();
    }
}

void InertiaCalibrationTool::closeEvent(QCloseEvent* event)
{
    if (!closing) {
        closing = true;
        emit signal_closeEvent();
    }
    QDialog::closeEvent(event);
}
