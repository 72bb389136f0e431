#pragma once

#include <QColor>
#include <QtGlobal>

enum ColorScaleStepType : qint32 {
    ColorScaleStepType_absolute = 0, // value is an SI value of the setup's quantity
    ColorScaleStepType_relative = 1  // value is a fraction 0..1 of the displayed range
};

// One colour stop of a colour map or coloured table.
struct ColorScaleStep {
    ColorScaleStepType type = ColorScaleStepType_absolute;
    double value = 0.0;
    QColor color;

    bool operator==(const ColorScaleStep& other) const
    {
        return type == other.type && value == other.value && color == other.color;
    }
};
