#include "AMdiUserGraph.h"

#include "AMdiUserGraphItem.h"
#include "AnalysisHooks.h"
#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "DialogAnswerer.h"
#include "EnhancedPixmap.h"
#include "Fonts.h"
#include "LoadedRunListModel.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RunData.h"
#include "SelectionDialog.h"
#include "TrackingLine.h"

#include <QDomDocument>
#include <QDomElement>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const char* const kAxisElements[5] = {"left_inner", "right_inner", "bottom", "left_outer", "right_outer"};

enum AxisEntry : int { Entry_configure, Entry_hide, Entry_choose, Entry_tick, Entry_grid };

qint32 readInt(const QDomElement* element, const QString& name, qint32 fallback)
{
    if (!element->hasAttribute(name))
        return fallback;
    bool ok = false;
    const int value = element->attribute(name).toInt(&ok);
    return ok ? value : 0;
}

bool askInt(QWidget* parent, const QString& title, const QString& label, int value, int min, int max, int* result)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setIntRange(min, max);
    dialog.setIntStep(1);
    dialog.setIntValue(value);
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return false;
    *result = dialog.intValue();
    return true;
}

} // namespace

AMdiUserGraph::AMdiUserGraph(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    setMinimumSize(300, 200);
}

AMdiUserGraph::~AMdiUserGraph()
{
    for (AMdiUserGraphItem* item : items) {
        item->removePlottables();
        delete item;
    }
    items.clear();
}

void AMdiUserGraph::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    runSelection = selection;
    if (runSelection)
        connect(runSelection, &QItemSelectionModel::selectionChanged, this,
                &AMdiUserGraph::slot_updateCurveSelectedStatus);
    runList = runs;
    if (runList) {
        connect(runList, &QAbstractItemModel::rowsInserted, this, &AMdiUserGraph::slot_rowsInserted);
        connect(runList, &QAbstractItemModel::rowsRemoved, this, &AMdiUserGraph::slot_rowsRemoved);
        connect(runList, &QAbstractItemModel::dataChanged, this, &AMdiUserGraph::slot_dataChanged);
    }
    plot = new ComparePlot(this);
    contentLayout->addWidget(plot);
    TrackingLine* line = plot->trackingLine;
    connect(line, &TrackingLine::signal_newXValue, this, &AMdiUserGraph::slot_newTrackingLineXValue);
    if (runList) {
        connect(line, &TrackingLine::signal_syncTrackingLines, runList, [this](QObject* run, double time) {
            Q_EMIT runList->signal_trackingLineSync(qobject_cast<RunData*>(run), time);
        });
        connect(runList, &LoadedRunListModel::signal_trackingLineSync, line,
                [line](RunData* run, double time) { line->slot_syncTrackingLines(run, time); });
    }
    connect(plot, &QCustomPlot::mousePress, this, &AMdiUserGraph::slot_mousePress);
    connect(plot, &QCustomPlot::mouseMove, this, &AMdiUserGraph::slot_mouseMove);
    connect(plot, &QCustomPlot::mouseRelease, this, &AMdiUserGraph::slot_mouseRelease);
    for (ComparePlotAxis* axis : plot->axes) {
        axis->dialogParent = plot;
        connect(axis, &ComparePlotAxis::signal_channelSetupChanged, this, &AMdiUserGraph::slot_queueRecalculation);
    }
    setContextMenuPolicy(Qt::CustomContextMenu);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &AMdiUserGraph::slot_showContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this, &AMdiUserGraph::slot_showContextMenu);
    slot_updateValueFontSize();
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    if (hooks.brandingChanged)
        hooks.brandingChanged(this, [this](const EnhancedPixmap& pixmap) { slot_brandingChanged(pixmap); });
    slot_brandingChanged(hooks.brandingPixmap ? hooks.brandingPixmap() : EnhancedPixmap());
    if (runList) {
        for (int row = 0; row < runList->rowCount(); ++row)
            insertRow(row);
    }
    slot_queueRecalculation();
}

ChannelSetup* AMdiUserGraph::axisChannelSetup(PlotAxis axis) const
{
    if (!plot || axis < 0 || axis > PlotAxis_rightOuter)
        return nullptr;
    return plot->axes[axis]->channelSetup;
}

QStringList AMdiUserGraph::listChannelKeys()
{
    QStringList keys;
    if (!plot)
        return keys;
    for (ComparePlotAxis* axis : plot->axes)
        keys.append(axis->getChannelKey());
    keys.removeAll(QString());
    keys.removeDuplicates();
    return keys;
}

void AMdiUserGraph::parseDomElementChild(const QDomElement* setup)
{
    axisSync = readInt(setup, QStringLiteral("axisSync"), 0);
    normalCurveThickness = readInt(setup, QStringLiteral("normalCurveThickness"), 0);
    boldCurveThickness = readInt(setup, QStringLiteral("boldCurveThickness"), 2);
    if (plot) {
        for (int i = 0; i < 5; ++i) {
            const QDomElement child = setup->firstChildElement(QString::fromLatin1(kAxisElements[i]));
            if (!child.isNull())
                plot->axes[i]->parseDomElement(&child);
        }
    }
    slot_queueRecalculation();
}

void AMdiUserGraph::writeToDomElementChild(QDomElement* setup)
{
    setup->setAttribute(QStringLiteral("axisSync"), axisSync);
    setup->setAttribute(QStringLiteral("normalCurveThickness"), normalCurveThickness);
    setup->setAttribute(QStringLiteral("boldCurveThickness"), boldCurveThickness);
    if (!plot)
        return;
    QDomDocument document = setup->ownerDocument();
    for (int i = 0; i < 5; ++i) {
        QDomElement child = document.createElement(QString::fromLatin1(kAxisElements[i]));
        plot->axes[i]->writeToDomElement(&child);
        setup->appendChild(child);
    }
}

void AMdiUserGraph::recalculate()
{
    for (AMdiUserGraphItem* item : items)
        item->updateCurveData();
    updateColors();
    updateRanges();
    updateAxisFoundNotFoundColor();
    slot_updateCurvesVisibility();
    slot_updateCurveSelectedStatus();
}

void AMdiUserGraph::insertRow(int row)
{
    RunData* run = runList ? runList->runAt(row) : nullptr;
    if (!run || !plot)
        return;
    auto* item = new AMdiUserGraphItem(run, plot, this);
    item->updateCurveData();
    item->updateCurveVisibility(runList, row);
    items.append(item);
    updateAxisFoundNotFoundColor();
    updateColors();
    updateRanges();
    slot_updateCurveSelectedStatus();
}

void AMdiUserGraph::removeRow(int row)
{
    if (row < 0 || row >= items.size())
        return;
    AMdiUserGraphItem* item = items.takeAt(row);
    item->removePlottables();
    delete item;
    updateAxisFoundNotFoundColor();
    updateRanges();
}

void AMdiUserGraph::slot_rowsInserted(const QModelIndex&, int first, int last)
{
    for (int row = first; row <= last; ++row)
        insertRow(row);
}

void AMdiUserGraph::slot_rowsRemoved(const QModelIndex&, int first, int last)
{
    for (int i = first; i <= last; ++i)
        removeRow(first);
    updateColors();
}

void AMdiUserGraph::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                     const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || !plot)
        return;
    if (topLeft.column() == LoadedRunListField::LeftInnerAxis && bottomRight.column() == LoadedRunListField::RightOuterAxis)
        return;
    const int firstRow = topLeft.row();
    const int lastRow = std::min<int>(bottomRight.row(), items.size() - 1);
    if (roles.contains(Qt::BackgroundRole)) {
        for (int row = firstRow; row <= lastRow; ++row) {
            items[row]->updateCurveColors(runList, row);
            items[row]->updateCurveVisibility(runList, row);
        }
        plot->replot(QCustomPlot::rpQueuedReplot);
        updateRanges();
        return;
    }
    if (bottomRight.column() > 25 && topLeft.column() <= LoadedRunListField::RunDataPointer) {
        for (int row = firstRow; row <= lastRow; ++row)
            items[row]->updateCurveData();
        updateRanges();
        return;
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        if (topLeft.column() <= LoadedRunListField::Bold && bottomRight.column() >= LoadedRunListField::Bold)
            slot_updateCurveSelectedStatus();
        else
            items[row]->updateCurveVisibility(runList, row);
    }
    updateRanges();
}

void AMdiUserGraph::updateColors()
{
    for (int row = 0; row < items.size(); ++row)
        items[row]->updateCurveColors(runList, row);
    if (plot)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::slot_updateCurvesVisibility()
{
    for (int row = 0; row < items.size(); ++row)
        items[row]->updateCurveVisibility(runList, row);
    if (plot)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::slot_updateCurveSelectedStatus()
{
    if (!runList)
        return;
    const int rows = std::min<int>(runList->rowCount(), items.size());
    for (int row = 0; row < rows; ++row) {
        const bool bold = runList->data(runList->index(row, LoadedRunListField::Bold), Qt::UserRole).toBool();
        for (int column = LoadedRunListField::LeftInnerAxis; column <= LoadedRunListField::PeakEngineTorque; ++column) {
            const bool selected = runSelection && runSelection->isSelected(runList->index(row, column));
            items[row]->setCurveSelected(LoadedRunListField(column), bold || selected);
        }
    }
    if (plot)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::updateAxisFoundNotFoundColor()
{
    if (!plot)
        return;
    for (int axis = 0; axis < 5; ++axis) {
        plot->axes[axis]->setColor_placeholder();
        for (const AMdiUserGraphItem* item : items) {
            if (item->channels[axis]) {
                plot->axes[axis]->setColor_found();
                break;
            }
        }
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::updateRanges()
{
    if (!plot)
        return;
    for (int axis = 0; axis < 5; ++axis) {
        double lo = kInf;
        double hi = -kInf;
        for (int row = 0; row < items.size(); ++row) {
            const bool shown = !runList ? false
                               : axis == PlotAxis_bottom
                                   ? runList->isRunVisible(row)
                                   : runList->isFieldVisible(row, LoadedRunListModel::loadedRunListFieldFromPlotAxis(axis));
            if (!shown)
                continue;
            const auto range = items[row]->dataRanges[axis];
            if (std::isnan(range.first) || std::isnan(range.second))
                continue;
            lo = std::min(lo, range.first);
            hi = std::max(hi, range.second);
        }
        plot->axes[axis]->setConfiguredRange(lo, hi, false);
    }
    if (axisSync == 1) {
        AbstractPlotAxis::alignLeftRightPlotAxis(plot->axes[PlotAxis_left], plot->axes[PlotAxis_right]);
    } else if (axisSync == 2) {
        double lo = kInf;
        double hi = -kInf;
        for (PlotAxis axis : {PlotAxis_left, PlotAxis_right, PlotAxis_leftOuter, PlotAxis_rightOuter}) {
            lo = std::min(lo, plot->axes[axis]->qcpAxis->range().lower);
            hi = std::max(hi, plot->axes[axis]->qcpAxis->range().upper);
        }
        if (std::isfinite(lo) && std::isfinite(hi)) {
            for (PlotAxis axis : {PlotAxis_left, PlotAxis_right, PlotAxis_leftOuter, PlotAxis_rightOuter})
                plot->axes[axis]->qcpAxis->setRange(lo, hi);
        }
    } else {
        plot->axes[PlotAxis_left]->setDefaultTicker();
        plot->axes[PlotAxis_right]->setDefaultTicker();
    }
    plot->updateMarkerLabelPositions();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::slot_updateValueFontSize()
{
    if (!plot)
        return;
    const int size = theSettings
                         .value(QStringLiteral("UserSetting/spinBox_analyzeGraphValueFontSize"),
                                theFonts.normalFont.pointSize())
                         .toInt();
    for (ComparePlotAxis* axis : plot->axes) {
        QFont font = axis->qcpAxis->tickLabelFont();
        font.setPointSize(std::clamp(size, 6, 40));
        axis->qcpAxis->setTickLabelFont(font);
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiUserGraph::slot_brandingChanged(const EnhancedPixmap& pixmap)
{
    if (!plot)
        return;
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    const bool watermark = hooks.watermarkAllPlots && hooks.watermarkAllPlots();
    plot->slot_setEnhancedBackground(watermark ? pixmap : EnhancedPixmap());
}

void AMdiUserGraph::slot_newTrackingLineXValue(double xValue)
{
    if (!runList)
        return;
    for (int i = 0; i < items.size(); ++i)
        runList->newTrackingLineData(i, items[i]->getYValuesForXValue(xValue));
    runList->updateTrackingLineData();
}

bool AMdiUserGraph::passMouseEventCheck(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    return !plot->axisRect()->rect().contains(pos)
           || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
}

void AMdiUserGraph::slot_mousePress(QMouseEvent* event)
{
    desktopPress = passMouseEventCheck(event);
    if (desktopPress)
        mousePressHandler(plot, event);
}

void AMdiUserGraph::slot_mouseMove(QMouseEvent* event)
{
    if (passMouseEventCheck(event))
        mouseMoveHandler(plot, event);
}

void AMdiUserGraph::slot_mouseRelease(QMouseEvent* event)
{
    if (desktopPress)
        mouseReleaseHandler(plot, event);
}

void AMdiUserGraph::addAxisEntries(MyMenu* menu, PlotAxis axis,
                                   QList<std::pair<QAction*, std::pair<int, PlotAxis>>>* actions)
{
    ComparePlotAxis* a = plot->axes[axis];
    const QString arrow = a->axisArrow;
    auto add = [&](int what, const char* icon, const QString& text) {
        QAction* action = icon ? menu->addAction(QIcon::fromTheme(QString::fromLatin1(icon)), arrow + text)
                               : menu->addAction(arrow + text);
        actions->append({action, {what, axis}});
    };
    if (a->channelSetup) {
        add(Entry_configure, "preferences-desktop", tr("Configure channel: ") + a->channelSetup->getNameWithUnit());
        add(Entry_hide, "list-remove", tr("Hide channel"));
    }
    add(Entry_choose, "list-add", tr("Choose channel"));
    if (a->channelSetup) {
        add(Entry_tick, "preferences-system", tr("Set tick count hint"));
        add(Entry_grid, nullptr, a->gridEnabled ? tr("Hide grid") : tr("Show grid"));
    }
}

void AMdiUserGraph::runAxisEntry(int what, PlotAxis axis)
{
    ComparePlotAxis* a = plot->axes[axis];
    switch (what) {
    case Entry_configure: a->setupChannel(); break;
    case Entry_hide: a->setChannelSetup(nullptr); break;
    case Entry_choose: {
        SelectionDialog dialog(plot, tr("Select Item"));
        dialog.setContent(runList ? runList->listAvailableChannelSetups() : QList<ChannelSetup*>());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted && dialog.getSelectedSetup())
            a->setChannelSetup(dialog.getSelectedSetup());
        break;
    }
    case Entry_tick: {
        int count = 0;
        if (askInt(plot, tr("Enter tick count hint"), tr("Tick count hint"), a->numericTicker->tickCount(), 1, 100,
                   &count)) {
            a->setTickCount(count);
            Q_EMIT a->signal_requestSettingsSave();
            updateRanges();
        }
        break;
    }
    case Entry_grid:
        a->toggleGrid();
        plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    default: break;
    }
}

void AMdiUserGraph::slot_showContextMenu(const QPoint& pos)
{
    QWidget* origin = qobject_cast<QWidget*>(sender());
    if (!origin)
        origin = plot;
    const QPoint globalPos = origin->mapToGlobal(pos);
    if (selected) {
        selectedContextMenu(globalPos);
        return;
    }
    const QPoint plotPos = origin == plot ? pos : plot->mapFrom(origin, pos);
    MyMenu menu(this);
    const PlotAxis n = plot->plotAxisFromQcpAxis(plot->getNearestAxis(plotPos)->qcpAxis);
    const PlotAxis o = n == PlotAxis_left ? PlotAxis_leftOuter : n == PlotAxis_right ? PlotAxis_rightOuter : PlotAxis_none;
    QList<std::pair<QAction*, std::pair<int, PlotAxis>>> axisActions;
    addAxisEntries(&menu, n, &axisActions);
    if (o != PlotAxis_none) {
        menu.addSeparator();
        addAxisEntries(&menu, o, &axisActions);
    }
    QList<QAction*> quick;
    if (n == PlotAxis_bottom) {
        QMenu* sub = menu.addSubMenu(tr("Quick choose channel"));
        sub->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
        quick = {sub->addAction(tr("Engine speed")), sub->addAction(tr("Road speed")), sub->addAction(tr("Time"))};
    }
    menu.addSeparator();
    QAction* saveImage = menu.addAction(QIcon::fromTheme(QStringLiteral("image-x-generic")), tr("Save graph as image"));
    menu.addSeparator();
    QAction* rescale = menu.addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), tr("Rescale"));
    QAction* cutRight = menu.addAction(QIcon::fromTheme(QStringLiteral("go-last")), tr("Cut right"));
    QAction* cutLeft = menu.addAction(QIcon::fromTheme(QStringLiteral("go-first")), tr("Cut left"));
    menu.addSeparator();
    const QIcon markerIcon = QIcon::fromTheme(QStringLiteral("bookmark-new"));
    QAction* markerActions[4] = {
        menu.addAction(markerIcon, tr("Add marker SINGLE RUN / ALL CHANNELS")),
        menu.addAction(markerIcon, tr("Add marker SINGLE RUN / SINGLE CHANNEL")),
        menu.addAction(markerIcon, tr("Add marker ALL RUNS / ALL CHANNELS")),
        menu.addAction(markerIcon, tr("Add marker ALL RUNS / SINGLE CHANNEL")),
    };
    QList<RunData*> markedRuns;
    for (const AMdiUserGraphItem* item : items) {
        if (!item->run->markerTimes.isEmpty())
            markedRuns.append(item->run);
    }
    QAction* clearAll = nullptr;
    QList<std::pair<QAction*, RunData*>> clearRun;
    if (!markedRuns.isEmpty()) {
        QMenu* clear = menu.addSubMenu(tr("Clear markers"));
        clearAll = clear->addAction(tr("All runs"));
        for (RunData* run : markedRuns)
            clearRun.append({clear->addAction(tr("Run ") + run->getTimestampString()), run});
    }
    menu.addSeparator();
    QAction* normal = menu.addAction(tr("Set normal curve thickness"));
    QAction* bold = menu.addAction(tr("Set bold curve thickness"));
    QMenu* syncMenu = menu.addSubMenu(tr("Axis synchronization"));
    QAction* syncActions[3] = {syncMenu->addAction(tr("none")), syncMenu->addAction(tr("align inner ticks")),
                               syncMenu->addAction(tr("sync all scales"))};
    for (int i = 0; i < 3; ++i) {
        syncActions[i]->setCheckable(true);
        syncActions[i]->setChecked(axisSync == i);
    }
    addPrintIdChangeAction(&menu);
    if (copyAction)
        menu.addAction(copyAction);
    menu.addSeparator();
    if (closeAction)
        menu.addAction(closeAction);

    QAction* chosen = DialogAnswerer::execMenu(&menu, globalPos);
    if (!chosen)
        return;
    for (const auto& [action, entry] : axisActions) {
        if (chosen == action) {
            runAxisEntry(entry.first, entry.second);
            return;
        }
    }
    if (quick.contains(chosen)) {
        plot->axes[PlotAxis_bottom]->setChannelSetup(
            AnalyzeWidget::getChannelFromQuickSelect(MainGraphMasterChannel(quick.indexOf(chosen))));
    } else if (chosen == saveImage) {
        thePathSaver.saveWidgetAsImage(plot, items.isEmpty() ? QStringLiteral("graph")
                                                             : items.first()->run->getExportFileString());
    } else if (chosen == rescale) {
        updateRanges();
    } else if (chosen == cutRight || chosen == cutLeft) {
        const double x = plot->xAxis->pixelToCoord(plotPos.x());
        const QCPRange range = plot->xAxis->range();
        plot->xAxis->setRange(chosen == cutLeft ? x : range.lower, chosen == cutRight ? x : range.upper);
        plot->replot(QCustomPlot::rpQueuedReplot);
    } else if (chosen == normal || chosen == bold) {
        int value = 0;
        const bool accepted =
            chosen == bold ? askInt(plot, tr("Bold curve thickness"), tr("Enter bold curve thickness"),
                                    boldCurveThickness, 2, 10, &value)
                           : askInt(plot, tr("Normal curve thickness"),
                                    tr("Enter normal curve thickness.\nCurves thicker than 1 take longer time to draw."),
                                    normalCurveThickness, 1, 10, &value);
        if (accepted) {
            (chosen == bold ? boldCurveThickness : normalCurveThickness) = value;
            slot_updateCurveSelectedStatus();
        }
    } else if (chosen == clearAll) {
        for (RunData* run : markedRuns)
            run->slot_clearMarkers();
    } else {
        for (int i = 0; i < 4; ++i) {
            if (chosen == markerActions[i])
                plot->addMarkerAction(plotPos, ComparePlot::AddMarkerModeRuns(i / 2),
                                      ComparePlot::AddMarkerModeChannels(i % 2));
        }
        for (int i = 0; i < 3; ++i) {
            if (chosen == syncActions[i]) {
                axisSync = i;
                updateRanges();
            }
        }
        for (const auto& [action, run] : clearRun) {
            if (chosen == action)
                run->slot_clearMarkers();
        }
    }
}
