#pragma once

#include "lib/PlotAxis.h"

#include <QFrame>
#include <QList>
#include <QMetaObject>

class AbstractRunData;
class QCPAxis;
class QCPRange;
class QCPTextElement;
class QCustomPlot;
class QMouseEvent;
class QRubberBand;
class QScrollBar;
class TrackingLine;
class VectorChannel;

// Picks a time range of a recorded run: up to two channels against time (one
// on the left and one on the right value axis) with a scroll bar under the
// plot. A drag with the left button marks a range, kept inside the data;
// releasing the button announces it once with signal_newSelection. The time
// axis pans and zooms but never leaves the data.
class RangeSelectionPlot : public QFrame
{
    Q_OBJECT
public:
    explicit RangeSelectionPlot(QWidget* parent = nullptr);

    // The run's engine speed (left) and road speed (right) and its stored selection.
    void setRunData(AbstractRunData* run);
    void setAxisChannel(PlotAxis axis, VectorChannel* channel);
    // Raw data on a value axis; keys ascending. Without keys the axis is cleared.
    void setData(PlotAxis axis, const QString& label, const QList<double>* keys, const QList<double>* values,
                 int precision);
    void setSelection(double start, double end);
    void setAxisRange(PlotAxis axis, double min, double max);
    void setXLabel(const QString& label);
    void setTitle(const QString& title);
    void clearAxis(PlotAxis axis);
    void redrawSelection();
    void updateSlider();

    static constexpr double kSliderScale = 100; // scroll-bar steps per second

    TrackingLine* trackingLine = nullptr;
    QScrollBar* scrollBar = nullptr;
    QCustomPlot* customPlot = nullptr;
    QCPAxis* plotAxes[3] = {nullptr, nullptr, nullptr};
    QCPTextElement* titleElement = nullptr;
    QRubberBand* rubberBand = nullptr;
    double dragAnchor = 0;
    double selectionStart = 0;
    double selectionEnd = 0;
    bool selectionVisible = false;
    double dataMin = 0;
    double dataMax = 0;
    bool dataLoaded = false;
    double sliderScale = kSliderScale;
    AbstractRunData* runData = nullptr;
    VectorChannel* axisChannels[2] = {nullptr, nullptr};
    QMetaObject::Connection channelConnections[2];

Q_SIGNALS:
    void signal_newSelection(double start, double end);

public Q_SLOTS:
    void slot_scrollTo(int pos);
    void slot_rangeChanged(const QCPRange& range);
    void slot_showContextMenu(const QPoint& pos);
    void slot_channelUnitChanged();
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseMove(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The time under a pixel column, kept inside the data.
    double timeAt(double x) const;
};
