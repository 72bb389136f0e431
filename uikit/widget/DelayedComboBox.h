#pragma once

#include <QComboBox>

class QTimer;

// Announces an edit once, 300 ms after the last of a burst of changes, with the
// value it holds then; the plain change signal still fires at once.
class DelayedComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DelayedComboBox(QWidget* parent = nullptr);

    // Sets without the delayed announcement, and drops one that is pending.
    void setCurrentIndexWithoutSignal(int index);

    // Which column or field the owner put this editor in charge of.
    int tag = -1;

public Q_SLOTS:
    void slot_sendDelayedCurrentIndexChanged();

Q_SIGNALS:
    void signal_delayedCurrentIndexChanged(int currentIndex);

private:
    QTimer* timer = nullptr;
};
