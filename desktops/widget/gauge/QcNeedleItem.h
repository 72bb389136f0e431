#pragma once

#include "QcLabelItem.h"
#include "QcScaleItem.h"

#include <QColor>
#include <QPointer>
#include <QString>


// A triangular needle from the centre to the item's circle. A finite value is
// clamped into the value range; NaN stays NaN and is not drawn (clamping would
// park it at an end of the scale).
class QcNeedleItem : public QcScaleItem
{
    Q_OBJECT
public:
    explicit QcNeedleItem(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    bool isStatic() const override { return false; }

    void setCurrentValue(float value);
    float currentValue() const { return value; }
    void setColor(const QColor& color);
    QColor color() const { return needleColor; }
    void setLabel(QcLabelItem* label);
    QcLabelItem* label() const { return valueLabel; }
    void setValueFormat(const QString& format);
    QString currentValueFormat() const { return valueFormat; }

private:
    float value = 0.0f;
    QColor needleColor = Qt::black;
    QPointer<QcLabelItem> valueLabel;
    QString valueFormat;
};
