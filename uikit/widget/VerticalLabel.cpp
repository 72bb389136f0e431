#include "VerticalLabel.h"

#include <QPainter>

VerticalLabel::VerticalLabel(QWidget* parent)
    : QLabel(parent)
{
}

VerticalLabel::VerticalLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

void VerticalLabel::setVertical(bool v)
{
    vertical = v;
    if (vertical)
        setAlignment(Qt::AlignCenter);
    update();
}

void VerticalLabel::paintEvent(QPaintEvent* event)
{
    if (!vertical) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.translate(0, height());
    painter.rotate(270);
    painter.drawText(QRect(0, 0, height(), width()), static_cast<int>(alignment()), text());
}

QSize VerticalLabel::sizeHint() const
{
    const QSize hint = QLabel::sizeHint();
    return vertical ? hint.transposed() : hint;
}

QSize VerticalLabel::minimumSizeHint() const
{
    const QSize hint = QLabel::minimumSizeHint();
    return vertical ? hint.transposed() : hint;
}
