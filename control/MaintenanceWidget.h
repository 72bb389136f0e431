#pragma once

#include <QFrame>

class MaintenanceCondition;
class QCheckBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

// One maintenance reminder of the odometer page: a named action with two due
// conditions, bound to the settings under "maintenance/<index>/". An unnamed
// reminder is not in use and never checked. Its setup and its "Maintenance
// performed" button can be protected while the settings are locked.
class MaintenanceWidget : public QFrame
{
    Q_OBJECT
public:
    MaintenanceWidget(QWidget* parent, int index);

    void updateFieldProtection();

    QWidget* detail = nullptr;
    MaintenanceCondition* conditions[2] = {nullptr, nullptr};
    QCheckBox* checkBox_protectSetup = nullptr;
    QCheckBox* checkBox_protectMaintenance = nullptr;
    QPushButton* pushButton_maintenancePerformed = nullptr;
    QFormLayout* detailForm = nullptr;
    QLineEdit* lineEdit_label = nullptr;
    QCheckBox* checkBox_requiredOnce = nullptr;

public Q_SLOTS:
    void slot_labelChanged();
    void slot_maintenancePerformed();
    void slot_updateUsageBar();
    void slot_enableManufacturerLock();
    void slot_unlock();
};
