#include "MaintenanceCondition.h"

#include "MaintenanceWidget.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "SafeSpinBox.h"
#include "lib/DialogAnswerer.h"
#include "lib/Unit.h"

#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <limits>

std::function<double(int)> MaintenanceCondition::parameterSource;

MaintenanceCondition::MaintenanceCondition(QWidget* parent, const QString& prefix)
    : QFrame(parent)
{
    reminder = qobject_cast<MaintenanceWidget*>(parent);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    comboBox_parameter = new QComboBox(this);
    comboBox_parameter->addItems({QStringLiteral("-"), tr("Run time"), tr("Run distance"), tr("Clock time")});
    comboBox_parameter->setObjectName(prefix + QStringLiteral("parameter"));
    comboBox_parameter->setFocusPolicy(Qt::StrongFocus);
    form->addRow(tr("Parameter"), comboBox_parameter);

    detail = new QWidget(this);
    auto* detailForm = new QFormLayout(detail);
    detailForm->setLabelAlignment(Qt::AlignRight);
    detailForm->setContentsMargins(0, 0, 0, 0);
    spinBox_lastMaintenance = new SpinBoxWithUnit(this);
    spinBox_lastMaintenance->setObjectName(prefix + QStringLiteral("lastMaintenance"));
    spinBox_lastMaintenance->setDecimals(3);
    spinBox_lastMaintenance->setRangeSI(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
    spinBox_lastMaintenance->hide();
    spinBox_period = new SafeSpinBox(detail);
    spinBox_period->setObjectName(prefix + QStringLiteral("period"));
    spinBox_period->setRangeSI(0, std::numeric_limits<double>::infinity());
    spinBox_period->setFocusPolicy(Qt::StrongFocus);
    spinBox_elapsed = new SpinBoxWithUnit(detail);
    spinBox_elapsed->setDecimals(4);
    spinBox_elapsed->setReadOnly(true);
    spinBox_elapsed->setRangeSI(0, std::numeric_limits<double>::infinity());
    progressBar = new QProgressBar(detail);
    progressBar->setRange(0, 100);
    detailForm->addRow(tr("Maintenance period"), spinBox_period);
    detailForm->addRow(tr("Elapsed since maintenance"), spinBox_elapsed);
    detailForm->addRow(progressBar);
    form->addRow(detail);
    detail->hide();

    connect(spinBox_period, &SpinBoxWithUnit::signal_unitChanged, spinBox_elapsed, &SpinBoxWithUnit::slot_setUnit);
    connect(comboBox_parameter, &QComboBox::currentIndexChanged, this, &MaintenanceCondition::slot_parameterChanged);
    // The combo first: its change resets the values that the later bindings restore.
    theSettings.connectComboBox(comboBox_parameter);
    theSettings.connectSpinBoxWithUnit(spinBox_lastMaintenance);
    theSettings.connectSpinBoxWithUnit(spinBox_period);
    connect(spinBox_period, &SpinBoxWithUnit::signal_valueChangedSI, this, &MaintenanceCondition::slot_updateUsageBar,
            Qt::QueuedConnection);
}

double MaintenanceCondition::getParamValue() const
{
    const int parameter = comboBox_parameter->currentIndex();
    if (parameter == None)
        return 0.0;
    if (parameterSource)
        return parameterSource(parameter);
    if (parameter == ClockTime)
        return double(QDateTime::currentSecsSinceEpoch());
    return 0.0;
}

void MaintenanceCondition::setSetupEnabled(bool enabled)
{
    comboBox_parameter->setEnabled(enabled);
    spinBox_period->setEnabled(enabled);
}

void MaintenanceCondition::slot_parameterChanged(int parameter)
{
    detail->setVisible(parameter != None);
    spinBox_period->setValueSI(0);
    spinBox_lastMaintenance->setValueSI(getParamValue());
    Quantity quantity = Quantity::Time;
    QString unit = QStringLiteral("hour");
    if (parameter == RunDistance) {
        quantity = Quantity::Distance;
        unit = QStringLiteral("km");
    } else if (parameter == ClockTime) {
        unit = QStringLiteral("day");
    }
    spinBox_period->slot_setQuantity(quantity);
    spinBox_period->setUnitFromName(unit);
    spinBox_elapsed->slot_setQuantity(quantity);
    spinBox_elapsed->setUnitFromName(unit);
}

void MaintenanceCondition::slot_updateUsageBar()
{
    if (comboBox_parameter->currentIndex() == None)
        return;
    double last = spinBox_lastMaintenance->getValueSI();
    const double now = getParamValue();
    double elapsed = now - last;
    // A counter that went back (odometer reset, clock set back) starts anew.
    if (elapsed < 0) {
        spinBox_lastMaintenance->setValueSI(now);
        last = now;
        elapsed = 0;
    }
    spinBox_elapsed->setValueSI(elapsed);
    const double period = spinBox_period->getValueSI();
    if (period <= 0) {
        progressBar->setValue(100);
        return;
    }
    if (elapsed > period) {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setText(tr("Maintenance required\n") + (reminder ? reminder->lineEdit_label->text() : QString()));
        QPushButton* postpone = box.addButton(tr("Postpone"), QMessageBox::RejectRole);
        box.addButton(tr("OK"), QMessageBox::AcceptRole);
        const int result = DialogAnswerer::exec(&box);
        const bool postponed = box.clickedButton() ? box.clickedButton() == postpone : result == QDialog::Rejected;
        if (postponed) {
            spinBox_lastMaintenance->setValueSI(now - 0.99 * period);
            progressBar->setValue(1);
        } else {
            progressBar->setValue(0);
        }
        return;
    }
    progressBar->setValue(last < now ? 100 - int(std::trunc((now - last) * 100.0 / period)) : 100);
}

void MaintenanceCondition::slot_maintenancePerformed()
{
    spinBox_lastMaintenance->setValueSI(getParamValue());
    if (reminder && reminder->checkBox_requiredOnce->isChecked()) {
        spinBox_period->setValueSI(0);
        reminder->lineEdit_label->clear();
    }
    slot_updateUsageBar();
}
