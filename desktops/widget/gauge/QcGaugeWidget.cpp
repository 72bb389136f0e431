#include "QcGaugeWidget.h"

#include "QcArcItem.h"
#include "QcColorBand.h"
#include "QcDegreesItem.h"
#include "QcLabelItem.h"
#include "QcNeedleItem.h"
#include "QcValuesItem.h"

#include <QPainter>
#include <QPaintEvent>

QcGaugeWidget::QcGaugeWidget(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(150, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

template <class T>
T* QcGaugeWidget::add(float position)
{
    T* item = new T(this);
    addItem(item, position);
    return item;
}

QcArcItem* QcGaugeWidget::addArc(float position) { return add<QcArcItem>(position); }
QcColorBand* QcGaugeWidget::addColorBand(float position) { return add<QcColorBand>(position); }
QcDegreesItem* QcGaugeWidget::addDegrees(float position) { return add<QcDegreesItem>(position); }
QcLabelItem* QcGaugeWidget::addLabel(float position) { return add<QcLabelItem>(position); }
QcNeedleItem* QcGaugeWidget::addNeedle(float position) { return add<QcNeedleItem>(position); }
QcValuesItem* QcGaugeWidget::addValues(float position) { return add<QcValuesItem>(position); }

void QcGaugeWidget::addItem(QcItem* item, float position)
{
    if (!item)
        return;
    item->setParent(this);
    item->gauge = this;
    itemList.append(item);
    backgroundValid = false;
    // setPosition finds the gauge through the parent set above.
    item->setPosition(position);
}

void QcGaugeWidget::removeItem(QcItem* item)
{
    itemList.removeAll(item);
    backgroundValid = false;
    update();
}

void QcGaugeWidget::setBackgroundColor(const QColor& color)
{
    if (color == background)
        return;
    background = color;
    backgroundValid = false;
}

void QcGaugeWidget::paintEvent(QPaintEvent*)
{
    // A new size shows here as a picture of the wrong size.
    const qreal dpr = devicePixelRatioF();
    if (!backgroundValid || backgroundLayer.size() != size() * dpr) {
        backgroundLayer = QPixmap(size() * dpr);
        backgroundLayer.setDevicePixelRatio(dpr);
        QPainter p(&backgroundLayer);
        p.fillRect(rect(), Qt::white);
        if (background.isValid())
            p.fillRect(rect(), background);
        p.setRenderHint(QPainter::Antialiasing);
        cachedItems = 0;
        for (QcItem* item : std::as_const(itemList)) {
            if (!item->isStatic())
                break;
            item->draw(&p);
            ++cachedItems;
        }
        backgroundValid = true;
        ++backgroundPaints;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, backgroundLayer);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = cachedItems; i < itemList.size(); ++i)
        itemList.at(i)->draw(&painter);
    painter.restore();
    if (frameWidth > 0) {
        const int half = frameWidth / 2;
        const int halfUp = (frameWidth + 1) / 2;
        painter.setPen(QPen(frameColor, frameWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(half, half, -halfUp, -halfUp));
    }
}
