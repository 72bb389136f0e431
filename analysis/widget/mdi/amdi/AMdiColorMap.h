#pragma once

#include "AbstractAMdiWidget.h"

#include <QColor>
#include <QStringList>

class ChannelSetup;
class ColorMapTrackingLine;
class ComparePlotAxis;
class LoadedRunListModel;
class QCPAxis;
class QCPColorMap;
class QCPColorScale;
class QCPRange;
class QCustomPlot;
class QLabel;
class QModelIndex;
class QMouseEvent;
class QRubberBand;
struct ColorScaleStep;

// The colour map of the analysis desktops: the samples of the runs selected
// in the loaded-run table, binned over a bottom and a left channel; each cell
// shows the mean of the colour channel over the samples that fell into it.
class AMdiColorMap : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiColorMap(AbstractMdi* desktop);
    ~AMdiColorMap() override;

    void recalculate() override;
    void init(LoadedRunListModel* runs, QItemSelectionModel* selection) override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    void updateRangesAndReplot();
    QString getValueLabel(QCPAxis* axis, double value) const;
    double getCValue(double key, double value) const;
    void zoom(double factor);
    void rectangleZoom(const QRect& rect);
    ComparePlotAxis* getNearestAxis(const QPoint& point);
    bool passMouseEventCheck(QMouseEvent* event);

    // The gradient positions (0 ... 1 of the bar) of a channel's colour steps
    // for a colour range; steps whose position is not finite are left out.
    static QList<std::pair<double, QColor>> gradientStops(const QList<ColorScaleStep>& steps, const ChannelSetup* setup,
                                                          double lower, double upper);

    ComparePlotAxis* leftAxis = nullptr;
    ComparePlotAxis* bottomAxis = nullptr;
    ComparePlotAxis* colorAxis = nullptr;
    double leftRange[2] = {0.0, 1.0};
    double bottomRange[2] = {0.0, 1.0};
    double colorRange[2] = {0.0, 1.0};
    LoadedRunListModel* runList = nullptr;
    QItemSelectionModel* runSelection = nullptr;
    QCPColorMap* colorMap = nullptr;
    QCPColorScale* colorScale = nullptr;
    QLabel* messageLabel = nullptr;
    QRubberBand* rubberBand = nullptr;
    qint32 pressX = 0;
    qint32 pressY = 0;
    QStringList selectedRunFiles;
    ColorMapTrackingLine* trackingLine = nullptr;
    bool desktopPress = false;
    QCustomPlot* plot = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

public Q_SLOTS:
    void slot_showContextMenu(const QPoint& pos);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_updateValueFontSize();
    void slot_selectionChanged();
    void slot_cRangeChanged(const QCPRange& range);
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseMove(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);

private:
    QList<int> selectedRows() const;
};
