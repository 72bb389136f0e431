#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QWidget>

class QcArcItem;
class QcColorBand;
class QcDegreesItem;
class QcItem;
class QcLabelItem;
class QcNeedleItem;
class QcValuesItem;

// A round instrument painted with QPainter: an ordered list of items, each one
// layer (marks, band, numbers, labels, arc, needles), on a white or coloured
// background with an optional frame. The layers up to the first one that
// changes with the value are kept in a picture and painted again only when
// one of them, the size or the background changes, so a needle that moves
// costs a pixmap copy and a few polygons.
class QcGaugeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QcGaugeWidget(QWidget* parent = nullptr);

    QcArcItem* addArc(float position);
    QcColorBand* addColorBand(float position);
    QcDegreesItem* addDegrees(float position);
    QcLabelItem* addLabel(float position);
    QcNeedleItem* addNeedle(float position);
    QcValuesItem* addValues(float position);
    void addItem(QcItem* item, float position);
    void removeItem(QcItem* item);
    QList<QcItem*> items() const { return itemList; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background; }
    void setFrameColor(const QColor& color) { frameColor = color; }
    QColor getFrameColor() const { return frameColor; }
    void setFrameWidth(int width) { frameWidth = width; }
    int getFrameWidth() const { return frameWidth; }

    void invalidateBackground() { backgroundValid = false; }
    // How often the cached layers were painted again (tests, benchmarks).
    int backgroundPaints = 0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <class T>
    T* add(float position);

    QList<QcItem*> itemList;
    QColor background;
    QColor frameColor;
    int frameWidth = 0;
    QPixmap backgroundLayer;
    bool backgroundValid = false;
    // Items [0, cachedItems) are in backgroundLayer.
    int cachedItems = 0;
};
