#pragma once

#include "QcItem.h"

#include <QColor>
#include <QFont>
#include <QString>

// A line of text centred on a point of its circle (straight below the centre
// unless told otherwise); its height is a fraction of the dial's radius, never
// below 10 px.
class QcLabelItem : public QcItem
{
    Q_OBJECT
public:
    explicit QcLabelItem(QObject* parent = nullptr);

    void draw(QPainter* painter) override;
    bool isStatic() const override { return false; }

    void setText(const QString& text, bool repaint = true);
    QString text() const { return labelText; }
    void setAngle(float angle);
    float angle() const { return labelAngle; }
    void setColor(const QColor& color);
    QColor color() const { return labelColor; }
    void setFontSize(float fraction);
    float fontSize() const { return labelFontSize; }

private:
    QString labelText = QStringLiteral("%");
    float labelAngle = 270.0f;
    QColor labelColor = Qt::black;
    float labelFontSize = 0.1f;
    // The font of the last paint, kept while the pixel size stays.
    QFont font;
    int fontPixels = 0;
};
