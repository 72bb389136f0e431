#include "SafeSpinBox.h"

#include "Colors.h"

#include <QKeyEvent>
#include <QLineEdit>

SafeSpinBox::SafeSpinBox(QWidget* parent)
    : SpinBoxWithUnit(parent, Quantity::None)
{
    setKeyboardTracking(false);
    setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    connect(this, &QDoubleSpinBox::valueChanged, this, &SafeSpinBox::slot_valueChangedIndicator);
}

void SafeSpinBox::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        event->ignore();
        return;
    }
    SpinBoxWithUnit::keyPressEvent(event);

    bool ok = false;
    double typed = locale().toDouble(cleanText(), &ok);
    if (!ok)
        typed = 0;
    if (static_cast<float>(typed) == static_cast<float>(value())) {
        setPalette(QPalette());
        return;
    }
    const QColor shade = typed >= minimum() && typed <= maximum() ? theColors.colorPending : theColors.colorError;
    QPalette pending = palette();
    pending.setColor(QPalette::All, QPalette::Base, shade);
    setPalette(pending);
}

void SafeSpinBox::slot_valueChangedIndicator()
{
    setPalette(QPalette());
}
