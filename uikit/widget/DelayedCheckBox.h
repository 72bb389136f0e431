#pragma once

#include <QCheckBox>

class QTimer;

// Announces an edit once, 300 ms after the last of a burst of changes, with the
// value it holds then; the plain change signal still fires at once.
class DelayedCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit DelayedCheckBox(QWidget* parent = nullptr);

    // Sets without the delayed announcement, and drops one that is pending.
    void setCheckedWithoutSignal(bool checked);

    // Which column or field the owner put this editor in charge of.
    int tag = -1;

public Q_SLOTS:
    void slot_sendDelayedStateChanged();

Q_SIGNALS:
    void signal_delayedStateChanged(int state);

private:
    QTimer* timer = nullptr;
};
