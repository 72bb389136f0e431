#include "DoubleSpinBoxWithDisable.h"

#include "MyMenu.h"

#include <cmath>

DoubleSpinBoxWithDisable::DoubleSpinBoxWithDisable(QWidget* parent)
    : DoubleSpinBoxWithCleanStep(parent)
{
}

void DoubleSpinBoxWithDisable::setDisableAndRestoreValue(double disable, double restore)
{
    disableValue = disable;
    restoreValue = restore;
    disconnect(this, &QWidget::customContextMenuRequested, nullptr, nullptr);
    connect(this, &QWidget::customContextMenuRequested, this, &DoubleSpinBoxWithDisable::slot_contextMenu);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
}

bool DoubleSpinBoxWithDisable::isDisabledValue() const
{
    const double current = value();
    return current == disableValue || (std::isnan(current) && std::isnan(disableValue));
}

void DoubleSpinBoxWithDisable::slot_contextMenu(const QPoint& pos)
{
    MyMenu menu(this);
    const bool disabled = isDisabledValue();
    QAction* toggle = menu.addAction(disabled ? tr("Enable") : tr("Disable"));
    if (menu.exec(mapToGlobal(pos)) != toggle)
        return;
    if (disabled) {
        setValue(restoreValue);
    } else {
        restoreValue = value();
        setValue(disableValue);
    }
}
