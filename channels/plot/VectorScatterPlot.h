#pragma once

#include "ComparePlot.h"

#include <QList>

class VectorChannel;

// A small plot of one series against another: one curve on the left value
// axis (green) and one on the right (red) over a common bottom axis. Points
// are joined in the order of the samples, so a series that runs back and
// forth in x is drawn as it runs.
class VectorScatterPlot : public ComparePlot
{
    Q_OBJECT
public:
    explicit VectorScatterPlot(QWidget* parent = nullptr);

    // Curve `axis` (left or right) takes the points (x[k], y[k]).
    void setData(PlotAxis axis, const QString& label, const QList<double>* x, const QList<double>* y);
    void setXLabel(const QString& label);
    void clearData(PlotAxis axis);
    // Both value axes over the union of their ranges (curves of one quantity).
    void setCommonLeftRightRange();
    // Channel y over channel x, in their display units, on the left curve.
    void setAxisChannels(VectorChannel* x, VectorChannel* y);

    QCPAxis* valueAxes[2] = {nullptr, nullptr};
    QCPCurve* curves[2] = {nullptr, nullptr};
};
