#pragma once

#include "QcScaleItem.h"

#include <QColor>

// An arc along the item's circle over the degree range.
class QcArcItem : public QcScaleItem
{
    Q_OBJECT
public:
    explicit QcArcItem(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    void setColor(const QColor& color);

private:
    QColor arcColor = Qt::black;
};
