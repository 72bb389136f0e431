#pragma once

#include "IOItem.h"

#include <QPointer>

// The ambient sensor's connector: light red while the main window shows its
// ambient read-out as failed (the read-out's background filled), light green
// otherwise.
class AmbientIO : public IOItem
{
    Q_OBJECT
public:
    explicit AmbientIO(QWidget* parent = nullptr);
    void updateTimerTick() override;

    // The main window's ambient read-out whose fill marks a failed read.
    void setReadout(QWidget* readout);

private:
    QPointer<QWidget> readout;
};
