#pragma once

#include "AbstractAMdiWidget.h"
#include "ChannelId.h"
#include "lib/PlotAxis.h"

#include <QList>

class AMdiMainGraphItem;
class ChannelSetup;
class ComparePlot;
class EnhancedPixmap;
class QItemSelection;
class QMouseEvent;
class QModelIndex;

// The analysis key of the registry's channel of that id, without instance suffix.
QString getBasicChannelKey(ChannelId id);

// The main graph of the analysis desktops: power and torque of every loaded
// run over engine speed, road speed or time, with peak labels, markers and two
// free outer axes. Follows the loaded-run list (rows, colours, visibility,
// emphasis) and feeds the readout under its cursor into the run table.
class AMdiMainGraph : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiMainGraph(AbstractMdi* desktop);
    ~AMdiMainGraph() override;

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
    // The setup of a master channel (engine speed, road speed, time).
    static ChannelSetup* masterChannelSetup(int masterChannel);

    LoadedRunListModel* runList = nullptr;
    QItemSelectionModel* runSelection = nullptr;
    QList<AMdiMainGraphItem*> items;
    bool showPeakLabels = false;
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
    void askTickCount(PlotAxis axis);
    void askThickness(bool bold);
};
