#pragma once

#include "AbstractRMdiWidget.h"

#include <QList>
#include <QStaticText>

class ColorButton;
class QCheckBox;
class QSpinBox;

// RUN widget "bar": the channel's value as a vertical bar on a scale, a strip
// in the colours of its limits, the name written upwards along the strip, the
// unit on top and a 6-px frame in the state colour while it warns or alarms.
// Scale labels are laid out once per scale, not per repaint.
class RMdiBar : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiBar(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void setChannel(RunChannel* channel) override;
    void configureWidget() override;
    void resetAutorange() override;
    void refreshTick(qint64 nowMs) override;

    // The bar area of a widget of this size and font (inclusive corners).
    QRect barArea() const;

    double shownValue;
    double dataMax;
    double dataMin;
    bool shownAlarm = false;
    QStaticText unitText;

    QDialog* configDialog = nullptr;
    QSpinBox* tickCount = nullptr;
    QCheckBox* autoBarColor = nullptr;
    ColorButton* barColor = nullptr;
    ColorButton* colorAlarmLow = nullptr;
    ColorButton* colorWarningLow = nullptr;
    ColorButton* colorOK = nullptr;
    ColorButton* colorWarningHigh = nullptr;
    ColorButton* colorAlarmHigh = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The scale labels of the last paint and what they were made for.
    QList<QStaticText> scaleLabels;
    float labelsLow = 0.0f, labelsHigh = 0.0f;
    int labelsCount = -1, labelsDecimals = 0;
    bool labelsBound = false;
};
