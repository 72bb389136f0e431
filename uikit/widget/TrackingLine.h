#pragma once

#include <QPoint>
#include <QWidget>

class PlotValueLabeler;
class QCPAxis;
class QCPCurve;
class QCPGraph;
class QCustomPlot;
class QMouseEvent;
class QPainter;
class QTimer;

// A transparent overlay over a plot: a vertical line that follows the mouse,
// the x value under it, and labels where the line crosses the graphs and
// curves. Several lines follow each other: the one the operator moves
// announces the run and the run time of the nearest curve point, and the
// others mark the same moment on their own curves of that run.
//
// A run is any object that the plot's curves carry in their "rundata"
// property (the recorded runs); the line only compares and passes it on.
// Repaints are coalesced: mouse moves and syncs only start a 40 ms timer.
class TrackingLine : public QWidget
{
    Q_OBJECT
public:
    // One value label.
    struct LabelData {
        double key = 0;
        double value = 0;
        QCPGraph* graph = nullptr;
        QCPCurve* curve = nullptr;
        QObject* run = nullptr;
    };

    // Value-label modes of the settings page's "Tracking line value display".
    enum Mode : int {
        Mode_one = 0,
        Mode_leftAndRight = 1,
        Mode_all = 2,
        Mode_singleRun = 3
    };

    // `timePlot` and `comparePlot` name the value texts of their axes; either
    // may be null (the plain axis numbers are shown then).
    TrackingLine(QCustomPlot* plot, PlotValueLabeler* timePlot, PlotValueLabeler* comparePlot);

    void setPosition(const QPoint& position);
    QString getValueLabel(const QCPAxis* axis, double value);
    void paintLabel(QPainter& painter, const LabelData& label);
    // The display mode as the settings page stores it.
    static int trackingLineMode();

    QCustomPlot* hostPlot = nullptr;
    QPoint cursorPos;
    QObject* syncRun = nullptr;
    double syncTime = -1;
    QPoint pressPos;
    bool leftPressed = false;
    bool showSpanLabels = true;
    bool showValueLabels = true;
    QTimer* repaintTimer = nullptr;
    bool painting = false;
    PlotValueLabeler* timePlot = nullptr;
    PlotValueLabeler* comparePlot = nullptr;

Q_SIGNALS:
    void signal_newXValue(double xValue);
    void signal_syncTrackingLines(QObject* runData, double time);

public Q_SLOTS:
    void slot_updateProxy();
    void slot_mouseMove(QMouseEvent* event);
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);
    void slot_syncTrackingLines(QObject* runData, double time);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintSpans(QPainter& painter);
    void paintFollowed(QPainter& painter);
    void paintOwnPosition(QPainter& painter);
};
