#pragma once

#include "AbstractRMdiWidget.h"

#include <functional>

class BrakeControllerPanelInputs;
class ColorButton;
class QcColorBand;
class QcDegreesItem;
class QcGaugeWidget;
class QcLabelItem;
class QcNeedleItem;
class QcValuesItem;
class QSpinBox;

// RUN widget "gauge": a channel on a round dial with marks, numbers, a band in
// the colours of the channel's limits, unit, name, value text and a red
// needle. The scale follows the setup's range or, with autorange, the values
// seen so far. At most 20 updates a second; a thick coloured frame and a faint
// background while the channel warns or alarms.
class RMdiGauge : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiGauge(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void setChannel(RunChannel* channel) override;
    void configureWidget() override;
    void resetAutorange() override;
    void refreshTick(qint64 nowMs) override;

    // Where the speed gauges find the brake-controller panel's published
    // values; by default the brake-controller thread's panel. Tests set their own.
    static void setBrakePanelSource(std::function<BrakeControllerPanelInputs*()> source);
    static BrakeControllerPanelInputs* brakePanel();

    static constexpr qint64 minRefreshMs = 50;
    static constexpr float minDegree = -55.0f;
    static constexpr float maxDegree = 235.0f;

    QcGaugeWidget* dial = nullptr;
    QcDegreesItem* majorMarks = nullptr;
    QcDegreesItem* minorMarks = nullptr;
    QcColorBand* band = nullptr;
    QcValuesItem* values = nullptr;
    QcLabelItem* unitLabel = nullptr;
    QcLabelItem* nameLabel = nullptr;
    QcLabelItem* valueLabel = nullptr;
    QcNeedleItem* needle = nullptr;
    // Speed gauges only: the brake controller's speed target and the speed
    // its acceleration target reaches in one second.
    QcNeedleItem* targetNeedle = nullptr;
    QcNeedleItem* accelerationNeedle = nullptr;

    double shownValue;
    double dataMin;
    double dataMax;
    // The display value whose text the value label holds (NaN-aware), so an
    // unchanged number is not formatted again.
    double labelledValue;
    bool labelledOnce = false;

    QDialog* configDialog = nullptr;
    QSpinBox* tickCount = nullptr;
    ColorButton* colorAlarmLow = nullptr;
    ColorButton* colorWarningLow = nullptr;
    ColorButton* colorOK = nullptr;
    ColorButton* colorWarningHigh = nullptr;
    ColorButton* colorAlarmHigh = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged() override;
    void slot_updateGaugeSetup();

protected:
    // The speed gauges: the two target needles, the fixed channel, no channel picker.
    void makeSpeedGauge(int channelId);
    // The refresh of the speed gauges, whose speed the brake controller
    // regulates when its variable is `controlledVariable`.
    void refreshSpeedGauge(qint64 nowMs, int controlledVariable);
    // Needle and value text from the shown value; autorange first.
    void showValue(double value);
    // Frame (and, for the plain gauge, background) from the channel's state.
    void applyStateLook(bool withBackground);
};
