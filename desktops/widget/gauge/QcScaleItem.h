#pragma once

#include "QcItem.h"

// An item that maps values to angles: its value range onto its degree range.
// A range that is empty, inverted or not finite is refused (false and a log
// line) and the old one kept, so no caller can leave the dial dividing by zero.
class QcScaleItem : public QcItem
{
    Q_OBJECT
public:
    explicit QcScaleItem(QObject* parent = nullptr);

    bool setValueRange(float min, float max);
    bool setDgereeRange(float min, float max);
    bool setMinValue(float value);
    bool setMaxValue(float value);
    bool setMinDegree(float degree);
    bool setMaxDegree(float degree);
    float minValue() const { return minimumValue; }
    float maxValue() const { return maximumValue; }
    float getDegFromValue(float value) const;

protected:
    float minimumValue = 0.0f;
    float maximumValue = 100.0f;
    float minimumDegree = -45.0f;
    float maximumDegree = 225.0f;
};
