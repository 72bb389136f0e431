#pragma once

#include "AbstractRMdiWidget.h"
#include "PlotValueLabeler.h"

#include <QSharedPointer>

class QCPAxis;
class QCPAxisTickerDateTime;
class QCPAxisTickerTime;
class QCheckBox;
class QCustomPlot;
class QSpinBox;
class TimePlotAxis;
class TrackingLine;

// RUN widget "time plot": a strip chart of up to two live channels (left and
// right value axis) over the last N seconds, in run time or clock time.
class RMdiTimePlot : public AbstractRMdiWidget, public PlotValueLabeler
{
    Q_OBJECT
public:
    explicit RMdiTimePlot(AbstractMdi* mdi);
    ~RMdiTimePlot() override;

    void refreshTick(qint64 nowMs) override;
    void insertDataBrake() override;
    void unpause() override;
    void onCreateConfiguration() override;
    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    QString getValueLabel(const QCPAxis* axis, double value) override;

    TrackingLine* trackingLine = nullptr;
    QCustomPlot* plot = nullptr;
    qint64 lastRefreshTime = 0;
    QSharedPointer<QCPAxisTickerTime> relativeTicker;
    QSharedPointer<QCPAxisTickerDateTime> clockTicker;
    bool paused = false;
    TimePlotAxis* leftAxis = nullptr;
    TimePlotAxis* rightAxis = nullptr;
    QDialog* configDialog = nullptr;
    QSpinBox* historyLength = nullptr;
    QCheckBox* clockTime = nullptr;
    QCheckBox* alignTicks = nullptr;
    QCheckBox* synchronizeScales = nullptr;

public Q_SLOTS:
    void slot_timeTypeChanged(bool clock);
    void slot_clearDataAndReplot();
    void slot_showContextMenu(const QPoint& pos);
    void slot_pause(bool pause);

protected:
    void resizeEvent(QResizeEvent* event) override;
};
