#include "OutputStatusWidget.h"

#include "AbstractOutputWidget.h"
#include "OutputWidgetContainer.h"
#include "RunWidget.h"
#include "UI.h"

#include <QPainter>

#include <algorithm>
#include <QTimer>

OutputStatusWidget::OutputStatusWidget(QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(40);
    repaintTimer = new QTimer(this);
    repaintTimer->setInterval(200);
    connect(repaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void OutputStatusWidget::init()
{
    repaintTimer->start();
}

void OutputStatusWidget::setContainer(OutputWidgetContainer* newContainer)
{
    explicitContainer = newContainer;
}

OutputWidgetContainer* OutputStatusWidget::container() const
{
    if (explicitContainer)
        return explicitContainer;
    return theUI && theUI->runWidget ? theUI->runWidget->outputWidgetContainer : nullptr;
}

void OutputStatusWidget::paintEvent(QPaintEvent*)
{
    const OutputWidgetContainer* column = container();
    if (!column)
        return;
    const int lowSide = column->lowSideCount;
    const int relays = column->relayCount;
    const QList<AbstractOutputWidget*>& widgets = column->widgets;
    if (widgets.size() < lowSide + relays + 4)
        return;
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const int counts[3] = {lowSide, relays, 4};
    const int lefts[3] = {0, w / 3, 2 * w / 3};
    int item = 0;
    for (int column3 = 0; column3 < 3; ++column3) {
        const int k = counts[column3];
        for (int i = 0; i < k; ++i, ++item) {
            const AbstractOutputWidget* widget = widgets.at(item);
            const int top = i * h / k;
            // Inclusive edges, as the cells of the column meet one pixel apart.
            const QRect cell(QPoint(lefts[column3], top), QPoint(lefts[column3] + w / 3 - 2, top + h / k - 2));
            painter.fillRect(cell, widget->palette().color(QPalette::Window));
        }
    }
}
