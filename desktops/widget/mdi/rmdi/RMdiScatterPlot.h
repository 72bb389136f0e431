#pragma once

#include "AbstractRMdiWidget.h"

#include <QList>
#include <QPair>

class ColorButton;
class QCPCurve;
class QCPLayer;
class QCheckBox;
class QCustomPlot;
class QSpinBox;
class ScatterPlotAxis;

// RUN widget "scatter plot": live channels against a live X channel (left
// and right value axes). With "Leave data in background" every run leaves
// its points as one grey background entry, the newest first, up to a limit.
class RMdiScatterPlot : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiScatterPlot(AbstractMdi* mdi);
    ~RMdiScatterPlot() override;

    void refreshTick(qint64 nowMs) override;
    void insertDataBrake() override;
    void unpause() override;
    void onCreateConfiguration() override;
    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    int getNearestAxis(const QPoint& pos) const;

    void appendArchiveCurve();
    void createNewBgCurveCache();
    int flushBgCurveCache();
    void createNewBgCurve();
    void removeBackgroundEntry(int index);
    void styleCurve(QCPCurve* curve) const;

    int slowReplotCounter = 0;
    QCustomPlot* plot = nullptr;
    QCPCurve* yCurve = nullptr;
    QCPCurve* y2Curve = nullptr;
    QCPCurve* topBgY = nullptr;
    QCPCurve* topBgY2 = nullptr;
    QCPLayer* oldBgLayer = nullptr;
    QCPLayer* topBgLayer = nullptr;
    QCPLayer* currentLayer = nullptr;
    QList<QPair<QCPCurve*, QCPCurve*>> backgroundEntries;
    // Per current curve (Y, Y2): the X and Y of its last point, SI.
    double lastX[2];
    double lastY[2];
    qint64 storedRunStart = 0;
    bool paused = false;
    ScatterPlotAxis* yAxis = nullptr;
    ScatterPlotAxis* y2Axis = nullptr;
    ScatterPlotAxis* xAxis = nullptr;
    QDialog* configDialog = nullptr;
    QSpinBox* historyLength = nullptr;
    QCheckBox* leavePrevious = nullptr;
    QSpinBox* backgroundCurveLimit = nullptr;
    ColorButton* backgroundDataColor = nullptr;
    QCheckBox* drawPoints = nullptr;
    QCheckBox* drawLines = nullptr;
    QCheckBox* alignTicks = nullptr;
    QCheckBox* synchronizeScales = nullptr;
    // The last layer redraw in microseconds (benchmarks read it).
    qint64 lastLayerRedrawUs = 0;

public Q_SLOTS:
    void slot_clearDataAndGraph();
    void slot_drawPointsChanged(int state);
    void slot_drawLinesChanged(int state);
    void slot_restoreBackgroundCurveColor();
    void slot_showContextMenu(const QPoint& pos);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void addBreakPoints(double t);
};
