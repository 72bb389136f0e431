#pragma once

#include "AbstractRMdiWidget.h"

class QFrame;
class QLabel;
class QScrollBar;

// RUN widget "input slider": 0..100 % of an operator input channel's range.
// Moving it writes the channel (through its filter); the channel's own values
// move it back without being written again. Only input channels are written:
// a desktop file that binds a measured channel gets a slider that only shows.
class RMdiInputSlider : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiInputSlider(AbstractMdi* desktop);

    void onCreateConfiguration() override;
    void setChannel(RunChannel* channel) override;
    void refreshTick(qint64) override {}

    // The slider position (0..100) that shows value x on the range lo..hi.
    static int positionOf(double x, double lo, double hi);

    QFrame* frame = nullptr;
    QLabel* label = nullptr;
    QScrollBar* slider = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged() override;
    void slot_channelValueChanged(double value);
    void slot_sliderValueChanged(int position);

private:
    QMetaObject::Connection dataConnection;
};
