#pragma once

#include "QcScaleItem.h"

#include <QColor>

// Tick marks every `step` over the value range, a tenth of the radius long,
// just inside the item's circle; thin ones when sub-degree is on.
class QcDegreesItem : public QcScaleItem
{
    Q_OBJECT
public:
    explicit QcDegreesItem(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    void setStep(float step);
    float step() const { return degreeStep; }
    void setColor(const QColor& color);
    void setSubDegree(bool sub);

    // More marks than this are not drawn: a step far too small for its range
    // would otherwise keep the GUI thread painting.
    static constexpr int maxMarks = 1000;
    // The number of marks a step gives over a range; 0 when the step is not a
    // positive number or would give more than maxMarks.
    static int markCount(float min, float max, float step);

private:
    float degreeStep = 10.0f;
    QColor degreeColor = Qt::black;
    bool subDegree = false;
};
