#pragma once

#include <QSlider>

class QTimer;

// Announces an edit once, 300 ms after the last of a burst of changes, with the
// value it holds then; the plain change signal still fires at once.
class DelayedSlider : public QSlider
{
    Q_OBJECT
public:
    explicit DelayedSlider(QWidget* parent = nullptr);

public Q_SLOTS:
    void slot_sendDelayedValueChanged();

Q_SIGNALS:
    void signal_delayedValueChanged(int value);

private:
    QTimer* timer = nullptr;
};
