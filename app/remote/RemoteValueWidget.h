#pragma once

#include "lib/Quantity.h"

#include <QFrame>

class ArgumentWidget;
class QCheckBox;
class QTimer;

// One remote-value row of the Remote control page: while "Override enable"
// is checked, the argument's value (SI) is sent every 40 ms; a value that is
// not finite (stale or unbound channel) is skipped for that tick.
class RemoteValueWidget : public QFrame
{
    Q_OBJECT
public:
    explicit RemoteValueWidget(QWidget* parent);

    void setQuantity(Quantity quantity);
    // Binds the row under its object name; a row stored enabled starts ticking.
    void connectToSettings();

    QCheckBox* checkBox_enable = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    QTimer* timer = nullptr;

Q_SIGNALS:
    void signal_updateSignal(double value);

public Q_SLOTS:
    void slot_tick();
    void slot_checkboxChange(int state);
};
