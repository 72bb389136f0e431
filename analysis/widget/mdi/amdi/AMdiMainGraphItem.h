#pragma once

#include "LoadedRunListField.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <utility>

class AMdiMainGraph;
class ComparePlot;
class LoadedRunListModel;
class QCPCurve;
class QCPItemText;
class QCPItemTracer;
class RunData;
class VectorChannel;

// Column of the loaded-run list that colours and shows each main-graph curve.
extern const QMap<int, LoadedRunListField> g_mainCurveToLoadedRunListFieldMap;

// What the main graph draws for one loaded run: loss, wheel and engine power
// and engine torque over the master channel, two curves of the outer-axis
// channels, three peak labels with their points, the run's markers and the
// readout under the tracking line. A child object of its run.
class AMdiMainGraphItem : public QObject
{
    Q_OBJECT
public:
    enum Curve : int {
        Curve_loss = 0,
        Curve_wheel = 1,
        Curve_engine = 2,
        Curve_torque = 3,
        Curve_leftOuter = 4,
        Curve_rightOuter = 5,
        CurveCount = 6
    };
    enum Peak : int { Peak_engine = 0, Peak_wheel = 1, Peak_torque = 2, PeakCount = 3 };

    AMdiMainGraphItem(RunData* run, ComparePlot* plot, AMdiMainGraph* graph);
    ~AMdiMainGraphItem() override;

    void updateCurveData();
    void updateCurveColors(LoadedRunListModel* model, int row);
    void updateCurveVisibility(LoadedRunListModel* model, int row, bool showPeaks);
    void setCurveSelected(LoadedRunListField column, bool emphasised);
    void updatePeakLabelFont();
    QStringList getYValuesForXValue(double x);
    void clearMarkers();
    void removePlottables();

    QPointer<QCPItemText> peakLabels[PeakCount];
    QPointer<QCPItemTracer> peakPoints[PeakCount];
    AMdiMainGraph* graph = nullptr;
    ComparePlot* plot = nullptr;
    RunData* run = nullptr;
    QCPCurve* curves[CurveCount] = {};
    QList<std::pair<QCPItemTracer*, QCPItemText*>> markers[CurveCount];
    double masterMin = 0.0;
    double masterMax = 0.0;
    // (0, peak) of torque, engine power, wheel power and loss power, display units.
    std::pair<double, double> peakRanges[4] = {};
    VectorChannel* channels[CurveCount] = {};
    std::pair<double, double> curveValueRanges[CurveCount];

public Q_SLOTS:
    void slot_updateMarkers();

private:
    VectorChannel* masterVector() const;
};
