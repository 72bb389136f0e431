#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QString>

class QCPAxis;
class QCPAxisTickerFixed;
class QCPItemLine;
class QCustomPlot;

// What the program's plots keep beside each QCustomPlot axis: the axis, a
// fixed-step ticker for aligning it with its partner, and four lines for the
// alarm and warning limits of the channel it shows. The owners position the
// lines (display units) and show or hide them.
class AbstractPlotAxis : public QObject
{
    Q_OBJECT
public:
    explicit AbstractPlotAxis(QObject* parent = nullptr);

    void setAndConnectQcpAxis(QCPAxis* axis);
    // Creates the four limit lines on the plot, hidden.
    void initAlarmsAndWarnings(QCustomPlot* plot);
    // Lays a line across the axis rect: horizontal for a left or right axis,
    // vertical for a top or bottom one, with a diamond next to the axis.
    void setupLine(QCPItemLine* line);
    void setLinePosition(QCPItemLine* line, double value);

    // Rescales a plot's two value axes so that their ticks fall on common
    // pixel rows, cutting nothing either showed. Axes with tickers of their own
    // kind (hasSimpleTicker false) are left alone.
    static void alignLeftRightPlotAxis(AbstractPlotAxis* first, AbstractPlotAxis* second);

    QCPAxis* qcpAxis = nullptr;
    QCPItemLine* alarmHighLine = nullptr;
    QCPItemLine* warningHighLine = nullptr;
    QCPItemLine* warningLowLine = nullptr;
    QCPItemLine* alarmLowLine = nullptr;
    // Set by the owning plot: the element name in saved setups, the translated
    // name for menus and the arrow in front of the axis's menu entries.
    QString axisKey;
    QString axisDisplayName;
    QString axisArrow;
    QSharedPointer<QCPAxisTickerFixed> fixedTicker;

    // Installs the axis's normal ticker (one that picks ticks for the range).
    virtual void setDefaultTicker() = 0;
    // True when the axis shows plain numbers, so fixed steps may replace them.
    virtual bool hasSimpleTicker() = 0;
};
