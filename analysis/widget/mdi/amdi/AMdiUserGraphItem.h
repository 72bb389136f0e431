#pragma once

#include "LoadedRunListField.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <utility>

class AMdiUserGraph;
class ComparePlot;
class LoadedRunListModel;
class QCPCurve;
class QCPItemText;
class QCPItemTracer;
class RunData;
class VectorChannel;

// What the user graph draws for one loaded run: one curve per value axis that
// has a channel, over the bottom axis's channel, with the run's markers, the
// data range of every axis and the readout under the tracking line.
class AMdiUserGraphItem : public QObject
{
    Q_OBJECT
public:
    AMdiUserGraphItem(RunData* run, ComparePlot* plot, AMdiUserGraph* graph);
    ~AMdiUserGraphItem() override;

    void updateCurveData();
    void updateCurveColors(LoadedRunListModel* model, int row);
    void updateCurveVisibility(LoadedRunListModel* model, int row);
    void setCurveSelected(LoadedRunListField column, bool selected);
    QStringList getYValuesForXValue(double x);
    void updateMarkers();
    void clearMarkers();
    void removePlottables();

    AMdiUserGraph* graph = nullptr;
    ComparePlot* plot = nullptr;
    RunData* run = nullptr;
    // Indexed by PlotAxis; slot 2 (bottom) never holds a curve.
    QCPCurve* curves[5] = {};
    QList<std::pair<QCPItemTracer*, QCPItemText*>> markers[5];
    VectorChannel* channels[5] = {};
    std::pair<double, double> dataRanges[5];

public Q_SLOTS:
    void slot_updateMarkers();
};
