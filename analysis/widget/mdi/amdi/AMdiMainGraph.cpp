#include "AMdiMainGraph.h"

#include "AMdiMainGraphItem.h"
#include "AnalysisHooks.h"
#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "Channels.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "DialogAnswerer.h"
#include "EnhancedPixmap.h"
#include "Fonts.h"
#include "LoadedRunListModel.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RunChannel.h"
#include "RunData.h"
#include "SelectionDialog.h"
#include "TrackingLine.h"

#include <QDomDocument>
#include <QDomElement>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

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

const char* const kAxisElements[5] = {"left_inner", "right_inner", "bottom", "left_outer", "right_outer"};

} // namespace

QString getBasicChannelKey(ChannelId id)
{
    const RunChannel* channel = theChannels.getChannel(id, 0);
    return channel ? channel->generateVectorChannelKey(-1, QString(), Quantity(-1)) : QString();
}

ChannelSetup* AMdiMainGraph::masterChannelSetup(int masterChannel)
{
    const char* key = masterChannel == 1   ? "mainCompareGraph_dynoSpeed"
                      : masterChannel == 2 ? "mainCompareGraph_time"
                                           : "mainCompareGraph_engineSpeed";
    return theVectorChannelSetupModel.getSetup(QString::fromLatin1(key), QString(), Quantity(-1), nullptr);
}

AMdiMainGraph::AMdiMainGraph(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    setMinimumSize(300, 200);
}

AMdiMainGraph::~AMdiMainGraph()
{
    // The items are children of their runs: they leave the plot before it goes.
    for (AMdiMainGraphItem* item : items) {
        item->removePlottables();
        delete item;
    }
    items.clear();
}

void AMdiMainGraph::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    runSelection = selection;
    if (runSelection)
        connect(runSelection, &QItemSelectionModel::selectionChanged, this,
                &AMdiMainGraph::slot_updateCurveSelectedStatus);
    runList = runs;
    if (runList) {
        connect(runList, &QAbstractItemModel::rowsInserted, this, &AMdiMainGraph::slot_rowsInserted);
        connect(runList, &QAbstractItemModel::rowsRemoved, this, &AMdiMainGraph::slot_rowsRemoved);
        connect(runList, &QAbstractItemModel::dataChanged, this, &AMdiMainGraph::slot_dataChanged);
    }
    plot = new ComparePlot(this);
    contentLayout->addWidget(plot);

    TrackingLine* line = plot->trackingLine;
    connect(line, &TrackingLine::signal_newXValue, this, &AMdiMainGraph::slot_newTrackingLineXValue);
    if (runList) {
        connect(line, &TrackingLine::signal_syncTrackingLines, runList, [this](QObject* run, double time) {
            Q_EMIT runList->signal_trackingLineSync(qobject_cast<RunData*>(run), time);
        });
        connect(runList, &LoadedRunListModel::signal_trackingLineSync, line,
                [line](RunData* run, double time) { line->slot_syncTrackingLines(run, time); });
    }
    connect(plot, &QCustomPlot::mousePress, this, &AMdiMainGraph::slot_mousePress);
    connect(plot, &QCustomPlot::mouseMove, this, &AMdiMainGraph::slot_mouseMove);
    connect(plot, &QCustomPlot::mouseRelease, this, &AMdiMainGraph::slot_mouseRelease);
    for (ComparePlotAxis* axis : plot->axes) {
        axis->dialogParent = plot;
        connect(axis, &ComparePlotAxis::signal_channelSetupChanged, this, &AMdiMainGraph::slot_queueRecalculation);
    }
    setContextMenuPolicy(Qt::CustomContextMenu);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &AMdiMainGraph::slot_showContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this, &AMdiMainGraph::slot_showContextMenu);

    plot->axes[PlotAxis_right]->setChannelSetupByKey(QStringLiteral("mainCompareGraph_power"));
    plot->axes[PlotAxis_left]->setChannelSetupByKey(QStringLiteral("mainCompareGraph_torque"));
    plot->axes[PlotAxis_bottom]->setChannelSetup(masterChannelSetup(0));

    slot_updateValueFontSize();
    const AnalysisHooks& hooks = AnalysisHooks::instance();
    if (hooks.brandingChanged)
        hooks.brandingChanged(this, [this](const EnhancedPixmap& pixmap) { slot_brandingChanged(pixmap); });
    if (hooks.brandingPixmap)
        plot->slot_setEnhancedBackground(hooks.brandingPixmap());

    if (runList) {
        for (int row = 0; row < runList->rowCount(); ++row)
            insertRow(row);
    }
    slot_queueRecalculation();
}

ChannelSetup* AMdiMainGraph::axisChannelSetup(PlotAxis axis) const
{
    if (!plot || axis < 0 || axis > PlotAxis_rightOuter)
        return nullptr;
    return plot->axes[axis]->channelSetup;
}

void AMdiMainGraph::parseDomElementChild(const QDomElement* setup)
{
    showPeakLabels = readInt(setup, QStringLiteral("showPeakLabels"), 0) != 0;
    axisSync = readInt(setup, QStringLiteral("axisSync"), 0);
    normalCurveThickness = readInt(setup, QStringLiteral("normalCurveThickness"), 0);
    boldCurveThickness = readInt(setup, QStringLiteral("boldCurveThickness"), 2);
    if (plot) {
        for (int i = 0; i < 5; ++i) {
            const QDomElement child = setup->firstChildElement(QString::fromLatin1(kAxisElements[i]));
            if (!child.isNull())
                plot->axes[i]->parseDomElement(&child);
        }
        // Power and torque belong on the inner axes whatever a file says.
        plot->axes[PlotAxis_right]->setChannelSetupByKey(QStringLiteral("mainCompareGraph_power"));
        plot->axes[PlotAxis_left]->setChannelSetupByKey(QStringLiteral("mainCompareGraph_torque"));
    }
    slot_queueRecalculation();
}

void AMdiMainGraph::writeToDomElementChild(QDomElement* setup)
{
    setup->setAttribute(QStringLiteral("showPeakLabels"), showPeakLabels ? 1 : 0);
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

QStringList AMdiMainGraph::listChannelKeys()
{
    QStringList keys;
    if (!plot)
        return keys;
    keys.append(AnalyzeWidget::getChannelKeyFromMainGraphMasterChannelKey(plot->axes[PlotAxis_bottom]->getChannelKey()));
    if (runList && runList->isColumnVisible(LoadedRunListField::PeakEnginePower))
        keys.append(getBasicChannelKey(ChannelId_engineCorrectedPower));
    if (runList && runList->isColumnVisible(LoadedRunListField::PeakWheelPower))
        keys.append(getBasicChannelKey(ChannelId_dynoOnWheelsPower));
    if (runList && runList->isColumnVisible(LoadedRunListField::PeakEngineTorque))
        keys.append(getBasicChannelKey(ChannelId_engineCorrectedTorque));
    keys.append(plot->axes[PlotAxis_leftOuter]->getChannelKey());
    keys.append(plot->axes[PlotAxis_rightOuter]->getChannelKey());
    keys.removeAll(QString());
    keys.removeDuplicates();
    return keys;
}

void AMdiMainGraph::recalculate()
{
    for (AMdiMainGraphItem* item : items)
        item->updateCurveData();
    updateColors();
    updateRanges();
    updateAxisFoundNotFoundColor();
    slot_updateCurvesVisibility();
    slot_updateCurveSelectedStatus();
}

void AMdiMainGraph::insertRow(int row)
{
    RunData* run = runList ? runList->runAt(row) : nullptr;
    if (!run || !plot)
        return;
    auto* item = new AMdiMainGraphItem(run, plot, this);
    item->updateCurveData();
    item->updateCurveVisibility(runList, row, showPeakLabels);
    items.append(item);
    updateAxisFoundNotFoundColor();
    updateColors();
    updateRanges();
    slot_updateCurveSelectedStatus();
}

void AMdiMainGraph::removeRow(int row)
{
    if (row < 0 || row >= items.size())
        return;
    AMdiMainGraphItem* item = items.takeAt(row);
    item->removePlottables();
    delete item;
    updateAxisFoundNotFoundColor();
    updateRanges();
}

void AMdiMainGraph::slot_rowsInserted(const QModelIndex&, int first, int last)
{
    for (int row = first; row <= last; ++row)
        insertRow(row);
}

void AMdiMainGraph::slot_rowsRemoved(const QModelIndex&, int first, int last)
{
    for (int i = first; i <= last; ++i)
        removeRow(first);
    updateColors();
}

void AMdiMainGraph::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                     const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || !plot)
        return;
    // The readout columns: the graphs fill them themselves.
    if (topLeft.column() == LoadedRunListField::LeftInnerAxis && bottomRight.column() == LoadedRunListField::RightOuterAxis)
        return;
    const int firstRow = topLeft.row();
    const int lastRow = std::min<int>(bottomRight.row(), items.size() - 1);
    if (roles.contains(Qt::BackgroundRole)) {
        for (int row = firstRow; row <= lastRow; ++row) {
            items[row]->updateCurveColors(runList, row);
            items[row]->updateCurveVisibility(runList, row, showPeakLabels);
        }
        plot->replot(QCustomPlot::rpQueuedReplot);
        updateRanges();
        return;
    }
    const auto contains = [&](int column) {
        return topLeft.column() <= column && column <= bottomRight.column();
    };
    for (int row = firstRow; row <= lastRow; ++row) {
        if (contains(LoadedRunListField::RunDataPointer))
            items[row]->updateCurveData();
        else if (contains(LoadedRunListField::Bold))
            slot_updateCurveSelectedStatus();
        else
            items[row]->updateCurveVisibility(runList, row, showPeakLabels);
    }
    updateRanges();
}

void AMdiMainGraph::updateColors()
{
    for (int row = 0; row < items.size(); ++row)
        items[row]->updateCurveColors(runList, row);
    if (plot)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraph::slot_updateCurvesVisibility()
{
    for (int row = 0; row < items.size(); ++row)
        items[row]->updateCurveVisibility(runList, row, showPeakLabels);
    if (plot)
        plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraph::slot_updateCurveSelectedStatus()
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

void AMdiMainGraph::updateAxisFoundNotFoundColor()
{
    if (!plot)
        return;
    for (auto [axis, curve] : {std::pair{PlotAxis_leftOuter, int(AMdiMainGraphItem::Curve_leftOuter)},
                               std::pair{PlotAxis_rightOuter, int(AMdiMainGraphItem::Curve_rightOuter)}}) {
        plot->axes[axis]->setColor_placeholder();
        for (const AMdiMainGraphItem* item : items) {
            if (item->channels[curve]) {
                plot->axes[axis]->setColor_found();
                break;
            }
        }
    }
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraph::updateRanges()
{
    if (!plot)
        return;
    if (!items.isEmpty() && runList) {
        for (auto [axis, curve, column] :
             {std::tuple{PlotAxis_leftOuter, int(AMdiMainGraphItem::Curve_leftOuter), LoadedRunListField::LeftOuterAxis},
              std::tuple{PlotAxis_rightOuter, int(AMdiMainGraphItem::Curve_rightOuter),
                         LoadedRunListField::RightOuterAxis}}) {
            double lo = kInf;
            double hi = -kInf;
            for (int row = 0; row < items.size(); ++row) {
                if (!runList->isFieldVisible(row, column))
                    continue;
                const auto range = items[row]->curveValueRanges[curve];
                if (range.first < lo)
                    lo = range.first;
                if (range.second > hi)
                    hi = range.second;
            }
            plot->axes[axis]->setConfiguredRange(lo, hi, false);
        }
        double masterLo = kInf;
        double masterHi = -kInf;
        double torqueTop = -kInf;
        double powerTop = -kInf;
        for (int row = 0; row < items.size(); ++row) {
            const AMdiMainGraphItem* item = items[row];
            if (runList->isRunVisible(row)) {
                if (item->masterMin < masterLo)
                    masterLo = item->masterMin;
                if (item->masterMax > masterHi)
                    masterHi = item->masterMax;
            }
            if (runList->isFieldVisible(row, LoadedRunListField::PeakEngineTorque))
                torqueTop = std::max(torqueTop, item->peakRanges[0].second);
            double power = -kInf;
            if (runList->isFieldVisible(row, LoadedRunListField::PeakEnginePower))
                power = item->peakRanges[1].second;
            else if (runList->isFieldVisible(row, LoadedRunListField::PeakWheelPower))
                power = item->peakRanges[2].second;
            else if (runList->isFieldVisible(row, LoadedRunListField::PeakLossPower))
                power = item->peakRanges[3].second;
            powerTop = std::max(powerTop, power);
        }
        plot->axes[PlotAxis_bottom]->setConfiguredRange(masterLo, masterHi, false);
        plot->axes[PlotAxis_right]->setConfiguredRange(0.0, powerTop, true);
        plot->axes[PlotAxis_left]->setConfiguredRange(0.0, torqueTop, true);
        ComparePlotAxis* right = plot->axes[PlotAxis_right];
        ComparePlotAxis* left = plot->axes[PlotAxis_left];
        if (axisSync == 1) {
            AbstractPlotAxis::alignLeftRightPlotAxis(right, left);
        } else if (axisSync == 2) {
            const double top = std::max(right->qcpAxis->range().upper, left->qcpAxis->range().upper);
            right->qcpAxis->setRange(0.0, top);
            left->qcpAxis->setRange(0.0, top);
            const int ticks = std::max(right->numericTicker->tickCount(), left->numericTicker->tickCount());
            right->setTickCount(ticks);
            left->setTickCount(ticks);
        } else {
            right->setDefaultTicker();
            left->setDefaultTicker();
        }
    }
    plot->updateMarkerLabelPositions();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraph::slot_updateValueFontSize()
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
    for (AMdiMainGraphItem* item : items)
        item->updatePeakLabelFont();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void AMdiMainGraph::slot_brandingChanged(const EnhancedPixmap& pixmap)
{
    if (plot)
        plot->slot_setEnhancedBackground(pixmap);
}

void AMdiMainGraph::slot_newTrackingLineXValue(double xValue)
{
    if (!runList)
        return;
    for (int i = 0; i < items.size(); ++i)
        runList->newTrackingLineData(i, items[i]->getYValuesForXValue(xValue));
    runList->updateTrackingLineData();
}

bool AMdiMainGraph::passMouseEventCheck(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    return !plot->axisRect()->rect().contains(pos)
           || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
}

void AMdiMainGraph::slot_mousePress(QMouseEvent* event)
{
    desktopPress = passMouseEventCheck(event);
    if (desktopPress)
        mousePressHandler(plot, event);
}

void AMdiMainGraph::slot_mouseMove(QMouseEvent* event)
{
    if (passMouseEventCheck(event))
        mouseMoveHandler(plot, event);
}

void AMdiMainGraph::slot_mouseRelease(QMouseEvent* event)
{
    if (desktopPress)
        mouseReleaseHandler(plot, event);
}

void AMdiMainGraph::askTickCount(PlotAxis axis)
{
    ComparePlotAxis* target = plot->axes[axis];
    int count = 0;
    if (!askInt(plot, tr("Enter tick count hint"), tr("Tick count hint"), target->numericTicker->tickCount(), 1, 100,
                &count))
        return;
    if (axisSync != 0 && (axis == PlotAxis_left || axis == PlotAxis_right)) {
        for (PlotAxis inner : {PlotAxis_left, PlotAxis_right}) {
            plot->axes[inner]->setTickCount(count);
            Q_EMIT plot->axes[inner]->signal_requestSettingsSave();
        }
    } else {
        target->setTickCount(count);
        Q_EMIT target->signal_requestSettingsSave();
    }
    updateRanges();
}

void AMdiMainGraph::askThickness(bool bold)
{
    int value = 0;
    const bool accepted =
        bold ? askInt(plot, tr("Bold curve thickness"), tr("Enter bold curve thickness"), boldCurveThickness, 2, 10,
                      &value)
             : askInt(plot, tr("Normal curve thickness"),
                      tr("Enter normal curve thickness.\nCurves thicker than 1 take longer time to draw."),
                      normalCurveThickness, 1, 10, &value);
    if (!accepted)
        return;
    (bold ? boldCurveThickness : normalCurveThickness) = value;
    slot_updateCurveSelectedStatus();
}

void AMdiMainGraph::slot_showContextMenu(const QPoint& pos)
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
    ComparePlotAxis* nearest = plot->getNearestAxis(plotPos);
    const PlotAxis n = plot->plotAxisFromQcpAxis(nearest->qcpAxis);
    const PlotAxis o = n == PlotAxis_left ? PlotAxis_leftOuter : n == PlotAxis_right ? PlotAxis_rightOuter : PlotAxis_none;
    ComparePlotAxis* outer = o == PlotAxis_none ? nullptr : plot->axes[o];
    const QString nArrow = nearest->axisArrow;

    const QString nName = nearest->channelSetup ? nearest->channelSetup->getNameWithUnit() : QString();
    QAction* configureN = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                         nArrow + tr("Configure channel: ") + nName);
    QList<QAction*> masterActions;
    if (n == PlotAxis_bottom) {
        QMenu* choose = menu.addSubMenu(nArrow + tr("Choose channel"));
        choose->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
        masterActions = {choose->addAction(tr("Engine speed")), choose->addAction(tr("Road speed")),
                         choose->addAction(tr("Time"))};
    }
    QAction* tickN = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")),
                                    nArrow + tr("Set tick count hint"));
    QAction* gridN = menu.addAction(nArrow + (nearest->gridEnabled ? tr("Hide grid") : tr("Show grid")));
    menu.addSeparator();
    QAction* configureO = nullptr;
    QAction* hideO = nullptr;
    QAction* chooseO = nullptr;
    QAction* tickO = nullptr;
    QAction* gridO = nullptr;
    if (outer) {
        const QString oArrow = outer->axisArrow;
        if (outer->channelSetup) {
            configureO = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                        oArrow + tr("Configure channel: ") + outer->channelSetup->getNameWithUnit());
            hideO = menu.addAction(QIcon::fromTheme(QStringLiteral("list-remove")), oArrow + tr("Hide channel"));
        }
        chooseO = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), oArrow + tr("Choose channel"));
        if (outer->channelSetup) {
            tickO = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")),
                                   oArrow + tr("Set tick count hint"));
            gridO = menu.addAction(oArrow + (outer->gridEnabled ? tr("Hide grid") : tr("Show grid")));
        }
        menu.addSeparator();
    }
    QAction* peaks = menu.addAction(showPeakLabels ? tr("Hide peak labels") : tr("Show peak labels"));
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
    for (const AMdiMainGraphItem* item : items) {
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
    QAction* syncActions[3] = {syncMenu->addAction(tr("none")), syncMenu->addAction(tr("align power and torque ticks")),
                               syncMenu->addAction(tr("sync power and torque scale"))};
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
    if (chosen == configureN) {
        nearest->setupChannel();
    } else if (masterActions.contains(chosen)) {
        nearest->setChannelSetup(masterChannelSetup(masterActions.indexOf(chosen)));
    } else if (chosen == tickN) {
        askTickCount(n);
    } else if (chosen == gridN) {
        nearest->toggleGrid();
        plot->replot(QCustomPlot::rpQueuedReplot);
    } else if (chosen == configureO) {
        outer->setupChannel();
    } else if (chosen == hideO) {
        outer->setChannelSetup(nullptr);
    } else if (chosen == chooseO) {
        SelectionDialog dialog(plot, tr("Select Item"));
        dialog.setContent(runList ? runList->listAvailableChannelSetups() : QList<ChannelSetup*>());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted && dialog.getSelectedSetup())
            outer->setChannelSetup(dialog.getSelectedSetup());
    } else if (chosen == tickO) {
        askTickCount(o);
    } else if (chosen == gridO) {
        outer->toggleGrid();
        plot->replot(QCustomPlot::rpQueuedReplot);
    } else if (chosen == peaks) {
        showPeakLabels = !showPeakLabels;
        slot_updateCurvesVisibility();
        Q_EMIT signal_requestSetupSave();
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
        askThickness(chosen == bold);
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
