#pragma once

#include "EnhancedPixmap.h"
#include "lib/PlotAxis.h"
#include "lib/PlotValueLabeler.h"

#include <QPoint>
#include <utility>

#include <qcustomplot.h>

class ComparePlotAxis;
class QRubberBand;
class TrackingLine;

// The plot of the analysis graphs and of the scatter plot: a bottom axis and
// four value axes (left and right, inner and outer), each bound to an
// analysis channel setup by a ComparePlotAxis. Adds rubber-band zoom, zoom and
// pan by keys, the nearest-axis lookup of the graphs' menus, run markers,
// value texts in the units of the bound channels, a background picture placed
// in the axis rect, a tracking line and pictures of any size for reports.
//
// Curves name their run and channel in the dynamic properties "rundata" (the
// recorded run, an object implementing AbstractRunData) and "channelKey".
class ComparePlot : public QCustomPlot, public PlotValueLabeler
{
    Q_OBJECT
public:
    // Marker requests of the graphs' menus.
    enum AddMarkerModeRuns : int {
        AddMarkerModeRuns_single = 0, // the run of the nearest curve only
        AddMarkerModeRuns_all = 1     // every run with a curve crossing the position
    };
    enum AddMarkerModeChannels : int {
        AddMarkerModeChannels_all = 0,   // no label: on every curve of the run
        AddMarkerModeChannels_single = 1 // labelled with the nearest curve's channel
    };

    explicit ComparePlot(QWidget* parent = nullptr);

    PlotAxis plotAxisFromQcpAxis(const QCPAxis* axis) const;
    ComparePlotAxis* getNearestAxis(const QPoint& pos) const;
    void zoom(double factor);
    void rectangleZoom(const QRect& rect);
    void rescaleBackground();
    QString getValueLabel(const QCPAxis* axis, double value) override;
    bool keySpanInSeconds(double span, double* seconds) const override;
    std::pair<QCPItemTracer*, QCPItemText*> createMarker(QCPCurve* curve, double time);
    void updateMarkerLabelPositions();
    void addMarkerAction(const QPoint& pos, AddMarkerModeRuns runs, AddMarkerModeChannels channels);
    QPixmap toPixmapEnhanced(int width, int height, double scale);

    QRubberBand* rubberBand = nullptr;
    QPoint rubberBandOrigin;
    EnhancedPixmap backgroundPixmap;
    QCPItemPixmap* backgroundItem = nullptr;
    ComparePlotAxis* axes[5] = {};
    TrackingLine* trackingLine = nullptr;
    QCPAxis* leftOuterAxis = nullptr;
    QCPAxis* rightOuterAxis = nullptr;

public Q_SLOTS:
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseMove(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);
    void slot_setEnhancedBackground(const EnhancedPixmap& pixmap);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ComparePlotAxis* axisObjectOf(const QCPAxis* axis) const;
};
