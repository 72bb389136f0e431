#include "MaintenanceWidget.h"

#include "AccessControlManager.h"
#include "MaintenanceCondition.h"
#include "MySettings.h"
#include "lib/DialogAnswerer.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

MaintenanceWidget::MaintenanceWidget(QWidget* parent, int index)
    : QFrame(parent)
{
    const QString prefix = QStringLiteral("maintenance/%1/").arg(index);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    lineEdit_label = new QLineEdit(this);
    lineEdit_label->setObjectName(prefix + QStringLiteral("label"));
    lineEdit_label->setPlaceholderText(tr("Maintenance action name"));
    layout->addWidget(lineEdit_label);

    detail = new QWidget(this);
    detailForm = new QFormLayout(detail);
    detailForm->setLabelAlignment(Qt::AlignRight);
    auto* conditionRow = new QWidget(detail);
    auto* conditionLayout = new QHBoxLayout(conditionRow);
    conditionLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        conditions[i] = new MaintenanceCondition(this, prefix + QStringLiteral("condition%1/").arg(i));
        conditionLayout->addWidget(conditions[i], 1);
    }
    detailForm->addRow(conditionRow);
    pushButton_maintenancePerformed = new QPushButton(tr("Maintenance performed"), detail);
    detailForm->addRow(pushButton_maintenancePerformed);
    checkBox_requiredOnce = new QCheckBox(detail);
    checkBox_requiredOnce->setObjectName(prefix + QStringLiteral("requiredOnce"));
    detailForm->addRow(tr("Required once"), checkBox_requiredOnce);
    layout->addWidget(detail);

    checkBox_protectSetup = new QCheckBox(this);
    checkBox_protectSetup->setObjectName(prefix + QStringLiteral("protectSetup"));
    checkBox_protectSetup->hide();
    checkBox_protectMaintenance = new QCheckBox(this);
    checkBox_protectMaintenance->setObjectName(prefix + QStringLiteral("protectMaintenance"));
    checkBox_protectMaintenance->hide();

    connect(lineEdit_label, &QLineEdit::textChanged, this, &MaintenanceWidget::slot_labelChanged);
    connect(pushButton_maintenancePerformed, &QPushButton::clicked, this, &MaintenanceWidget::slot_maintenancePerformed);
    connect(checkBox_protectSetup, &QCheckBox::toggled, this, &MaintenanceWidget::updateFieldProtection);
    connect(checkBox_protectMaintenance, &QCheckBox::toggled, this, &MaintenanceWidget::updateFieldProtection);
    connect(&theACM, &AccessControlManager::signal_manufacturerModeEnabled, this,
            &MaintenanceWidget::slot_enableManufacturerLock);
    connect(&theACM, &AccessControlManager::signal_unlock, this, &MaintenanceWidget::slot_unlock);
    theSettings.connectLineEdit(lineEdit_label);
    theSettings.connectCheckBox(checkBox_requiredOnce);
    theSettings.connectCheckBox(checkBox_protectSetup);
    theSettings.connectCheckBox(checkBox_protectMaintenance);
    slot_labelChanged();
    if (theACM.locked)
        slot_enableManufacturerLock();
}

void MaintenanceWidget::slot_labelChanged()
{
    detail->setVisible(!lineEdit_label->text().isEmpty());
}

void MaintenanceWidget::slot_updateUsageBar()
{
    if (lineEdit_label->text().isEmpty())
        return;
    for (MaintenanceCondition* condition : conditions)
        condition->slot_updateUsageBar();
}

void MaintenanceWidget::slot_maintenancePerformed()
{
    QMessageBox box(QMessageBox::Question, tr("Confirm"), tr("Are you sure the maintenance was performed?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    if (DialogAnswerer::exec(&box) != QMessageBox::Yes)
        return;
    for (MaintenanceCondition* condition : conditions)
        condition->slot_maintenancePerformed();
}

void MaintenanceWidget::updateFieldProtection()
{
    const bool locked = theACM.locked;
    const bool setupEnabled = !(checkBox_protectSetup->isChecked() && locked);
    lineEdit_label->setEnabled(setupEnabled);
    checkBox_requiredOnce->setEnabled(setupEnabled);
    for (MaintenanceCondition* condition : conditions)
        condition->setSetupEnabled(setupEnabled);
    pushButton_maintenancePerformed->setEnabled(!(checkBox_protectMaintenance->isChecked() && locked));
}

void MaintenanceWidget::slot_enableManufacturerLock()
{
    if (!checkBox_protectSetup->parentWidget() || checkBox_protectSetup->parentWidget() != detail) {
        detailForm->addRow(tr("Protect setup"), checkBox_protectSetup);
        detailForm->addRow(tr("Protect maintenance"), checkBox_protectMaintenance);
    }
    checkBox_protectSetup->show();
    checkBox_protectMaintenance->show();
    checkBox_protectSetup->setEnabled(false);
    checkBox_protectMaintenance->setEnabled(false);
    updateFieldProtection();
}

void MaintenanceWidget::slot_unlock()
{
    checkBox_protectSetup->setEnabled(true);
    checkBox_protectMaintenance->setEnabled(true);
    updateFieldProtection();
}
