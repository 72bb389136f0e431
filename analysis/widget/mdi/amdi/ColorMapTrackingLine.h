#pragma once

#include "RunData.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

class AMdiColorMap;
class QCustomPlot;
class QMouseEvent;
class QTimer;

// The colour map's cross-hair: a transparent overlay on the map's plot with
// the bottom and left values of the point and the cell value at it. The point
// follows the mouse, or the cursors of the graphs (a run and a run time). While
// a zoom rectangle is dragged it shows the rectangle's size in channel units.
class ColorMapTrackingLine : public QWidget
{
    Q_OBJECT
public:
    explicit ColorMapTrackingLine(AMdiColorMap* map);
    ~ColorMapTrackingLine() override;

    void setPosition(const QPoint& point);
    // The point drawn: the own position or the synchronised run's sample.
    QPoint cursorPoint() const;

    QPoint position;
    // Cleared by itself when the run is unloaded.
    QPointer<RunData> syncRun;
    double syncTime = -1.0;
    QPoint pressPoint;
    bool dragging = false;
    QTimer* repaintTimer = nullptr;
    AMdiColorMap* map = nullptr;
    QCustomPlot* plot = nullptr;

Q_SIGNALS:
    void signal_newXYValue(double xValue, double yValue);

public Q_SLOTS:
    void slot_updateProxy();
    void slot_mouseMove(QMouseEvent* event);
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);
    void slot_syncTrackingLines(RunData* runData, double time);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
