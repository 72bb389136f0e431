#include "MdiWidgetSelectionIndicator.h"

#include <QPainter>

MdiWidgetSelectionIndicator::MdiWidgetSelectionIndicator(QWidget* parent, const bool* selected)
    : QWidget(parent), selected(selected)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(parent->size());
    show();
    raise();
}

void MdiWidgetSelectionIndicator::paintEvent(QPaintEvent*)
{
    if (!*selected)
        return;
    if (size() != parentWidget()->size())
        resize(parentWidget()->size());
    QPainter painter(this);
    QColor violet;
    violet.setRgbF(180 / 255.0f, 0.0f, 1.0f, 0.2f);
    painter.fillRect(parentWidget()->rect(), violet);
}
