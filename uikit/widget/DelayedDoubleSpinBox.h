#pragma once

#include <QDoubleSpinBox>

class QTimer;

// Announces an edit once, 300 ms after the last of a burst of changes, with the
// value it holds then; the plain change signal still fires at once.
class DelayedDoubleSpinBox : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit DelayedDoubleSpinBox(QWidget* parent = nullptr);

    // Sets without the delayed announcement, and drops one that is pending.
    void setValueWithoutSignal(double value);

    // Which column or field the owner put this editor in charge of.
    int tag = -1;

public Q_SLOTS:
    void slot_sendDelayedValueChanged();

Q_SIGNALS:
    void signal_delayedValueChanged(double value);

private:
    QTimer* timer = nullptr;
};
