#pragma once

#include "SpinBoxWithUnit.h"

// A unit spin box whose typed numbers take effect only on Enter (or when the
// focus leaves); until then the background shows the pending entry, yellow
// within the range and red outside it. Ctrl and Alt keys go to the shortcuts.
class SafeSpinBox : public SpinBoxWithUnit
{
    Q_OBJECT
public:
    explicit SafeSpinBox(QWidget* parent = nullptr);

public Q_SLOTS:
    void slot_valueChangedIndicator();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
