#pragma once

#include "AbstractAMdiWidget.h"
#include "lib/PlotAxis.h"

#include <QList>

class AMdiUserGraphItem;
class ChannelSetup;
class ComparePlot;
class EnhancedPixmap;
class QMouseEvent;
class QModelIndex;

// The user graph of the analysis desktops: any analysis channel on each of
// the four value axes over the bottom axis's channel, one curve per loaded
// run and axis, every axis scaled to the data of the visible runs.
class AMdiUserGraph : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiUserGraph(AbstractMdi* desktop);
    ~AMdiUserGraph() override;

    void recalculate() override;
    void init(LoadedRunListModel* runs, QItemSelectionModel* selection) override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    ChannelSetup* axisChannelSetup(PlotAxis axis) const;
    void insertRow(int row);
    void removeRow(int row);
    void updateRanges();
    void updateColors();
    void updateAxisFoundNotFoundColor();
    bool passMouseEventCheck(QMouseEvent* event);

    LoadedRunListModel* runList = nullptr;
    QItemSelectionModel* runSelection = nullptr;
    QList<AMdiUserGraphItem*> items;
    qint32 axisSync = 0;
    qint32 normalCurveThickness = 1;
    qint32 boldCurveThickness = 2;
    bool desktopPress = false;
    ComparePlot* plot = nullptr;

public Q_SLOTS:
    void slot_showContextMenu(const QPoint& pos);
    void slot_mousePress(QMouseEvent* event);
    void slot_mouseMove(QMouseEvent* event);
    void slot_mouseRelease(QMouseEvent* event);
    void slot_rowsInserted(const QModelIndex& parent, int first, int last);
    void slot_rowsRemoved(const QModelIndex& parent, int first, int last);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_updateCurveSelectedStatus();
    void slot_updateValueFontSize();
    void slot_newTrackingLineXValue(double xValue);
    void slot_updateCurvesVisibility();
    void slot_brandingChanged(const EnhancedPixmap& pixmap);

private:
    void addAxisEntries(class MyMenu* menu, PlotAxis axis, QList<std::pair<QAction*, std::pair<int, PlotAxis>>>* actions);
    void runAxisEntry(int what, PlotAxis axis);
};
