#pragma once

#include "QcScaleItem.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QSizeF>
#include <QString>

// The scale's numbers every `step` over the value range, at the item's
// circle; numbers at or above 0 carry a leading blank, NaN shows "?", negative
// decimals give scientific notation.
class QcValuesItem : public QcScaleItem
{
    Q_OBJECT
public:
    explicit QcValuesItem(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    void setStep(float step);
    void setColor(const QColor& color);
    void setDecimals(int decimals);

    static QString labelText(float value, int decimals);
    // The texts of the last paint, for tests and for reuse.
    const QList<QString>& labels() const { return texts; }

private:
    float valueStep = 10.0f;
    QColor valueColor = Qt::black;
    int valueDecimals = 0;
    // The texts and their sizes are made again only when what they show changes.
    QList<QString> texts;
    QList<QSizeF> sizes;
    float textsMin = 0.0f, textsMax = -1.0f, textsStep = 0.0f;
    int textsDecimals = 0;
    int fontPoints = 0;
    QFont font;
};
