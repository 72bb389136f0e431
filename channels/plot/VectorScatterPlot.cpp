#include "VectorScatterPlot.h"

#include "VectorChannel.h"

#include <QDebug>

VectorScatterPlot::VectorScatterPlot(QWidget* parent)
    : ComparePlot(parent)
{
    valueAxes[PlotAxis_left] = yAxis;
    valueAxes[PlotAxis_right] = yAxis2;
    curves[PlotAxis_left] = new QCPCurve(xAxis, yAxis);
    curves[PlotAxis_right] = new QCPCurve(xAxis, yAxis2);
    curves[PlotAxis_left]->setPen(QPen(Qt::green));
    yAxis->setLabelColor(Qt::green);
    curves[PlotAxis_right]->setPen(QPen(Qt::red));
    yAxis2->setVisible(true);
    yAxis2->setLabelColor(Qt::red);
}

void VectorScatterPlot::setData(PlotAxis axis, const QString& label, const QList<double>* x, const QList<double>* y)
{
    if (axis != PlotAxis_left && axis != PlotAxis_right)
        return;
    curves[axis]->setData(QVector<double>(x->begin(), x->end()), QVector<double>(y->begin(), y->end()));
    valueAxes[axis]->setLabel(label);
    valueAxes[axis]->setVisible(true);
    valueAxes[axis]->rescale(false);
    xAxis->rescale(false);
    replot(QCustomPlot::rpQueuedReplot);
}

void VectorScatterPlot::setXLabel(const QString& label)
{
    xAxis->setLabel(label);
}

void VectorScatterPlot::clearData(PlotAxis axis)
{
    if (axis != PlotAxis_left && axis != PlotAxis_right)
        return;
    curves[axis]->data()->clear();
    replot(QCustomPlot::rpQueuedReplot);
}

void VectorScatterPlot::setCommonLeftRightRange()
{
    const QCPRange left = yAxis->range();
    const QCPRange right = yAxis2->range();
    const QCPRange common(std::min(left.lower, right.lower), std::max(left.upper, right.upper));
    yAxis->setRange(common);
    yAxis2->setRange(common);
    replot(QCustomPlot::rpQueuedReplot);
}

void VectorScatterPlot::setAxisChannels(VectorChannel* x, VectorChannel* y)
{
    if (!x || !y)
        return;
    if (x->getTimeVector() != y->getTimeVector())
        qDebug() << "scatter plot different time vectors";
    const QList<double>* xs = x->getTranslatedData();
    const QList<double>* ys = y->getTranslatedData();
    curves[PlotAxis_left]->setData(QVector<double>(xs->begin(), xs->end()), QVector<double>(ys->begin(), ys->end()));
    yAxis->setLabel(y->getNameWithUnit());
    xAxis->setLabel(x->getNameWithUnit());
    yAxis->setVisible(true);
    yAxis->rescale(false);
    xAxis->rescale(false);
    replot(QCustomPlot::rpQueuedReplot);
}
