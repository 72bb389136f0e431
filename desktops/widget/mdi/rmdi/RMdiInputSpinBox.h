#pragma once

#include "AbstractRMdiWidget.h"

class QFrame;
class QLabel;
class QTimer;
class SafeSpinBox;

// RUN widget "input spin box": a large unit-aware spin box that sets an
// operator input channel and follows the channel's values. Showing a value
// never writes it back, so a filtered channel cannot overwrite the operator's
// entry with its first filtered sample; only input channels are written.
class RMdiInputSpinBox : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiInputSpinBox(AbstractMdi* mdi);

    void onCreateConfiguration() override;
    void setChannel(RunChannel* channel) override;
    void refreshTick(qint64) override {}

    QFrame* frame = nullptr;
    QLabel* label = nullptr;
    SafeSpinBox* spinBox = nullptr;
    QTimer* fontTimer = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged() override;
    void slot_channelValueChanged(double value);
    void slot_spinBoxSIValueChanged(double valueSI);
    void slot_updateSpinBoxFontSize();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QMetaObject::Connection dataConnection;
};
