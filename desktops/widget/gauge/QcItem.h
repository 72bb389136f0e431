#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>

class QPainter;
class QcGaugeWidget;

// One layer of a painted dial, on a concentric circle given in percent of the
// dial's radius. Angles are degrees: 0 points left, growing clockwise on
// screen (90 up, 180 right).
class QcItem : public QObject
{
    Q_OBJECT
public:
    explicit QcItem(QObject* parent = nullptr);

    virtual void draw(QPainter* painter) = 0;
    virtual int type();
    // Layers that change with the value (needles, labels) are painted over
    // the dial's cached background; the rest are painted into it.
    virtual bool isStatic() const { return true; }

    float position() const { return itemPosition; }
    void setPosition(float percent);
    QRectF rect() const { return itemRect; }
    // Repaints the dial.
    void update();

    float getRadius(const QRectF& rect) const;
    void resetRect();
    QRectF adjustRect(float percent) const;
    QPointF getPoint(float degree, const QRectF& rect) const;
    float getAngle(const QPointF& point, const QRectF& rect) const;

protected:
    friend class QcGaugeWidget;
    // The look changed: the cached background must be painted again.
    void invalidate();

    QRectF itemRect;
    QcGaugeWidget* gauge = nullptr;
    float itemPosition = 50.0f;
};
