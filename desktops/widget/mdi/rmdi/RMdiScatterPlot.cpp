#include "RMdiScatterPlot.h"

#include "AbstractMdi.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "ColorButton.h"
#include "DesktopHooks.h"
#include "MyMenu.h"
#include "PlotWidgetFrame.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "ScatterPlotAxis.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDomElement>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QSpinBox>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

RMdiScatterPlot::RMdiScatterPlot(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi)
{
    lastX[0] = lastX[1] = lastY[0] = lastY[1] = NaN;
    plot = buildPlotFrame(this);
    plot->addLayer(QStringLiteral("OldBgCurves"), plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    oldBgLayer = plot->layer(QStringLiteral("OldBgCurves"));
    plot->addLayer(QStringLiteral("TopBgCurve"), oldBgLayer, QCustomPlot::limAbove);
    topBgLayer = plot->layer(QStringLiteral("TopBgCurve"));
    plot->addLayer(QStringLiteral("Current curve"), topBgLayer, QCustomPlot::limAbove);
    currentLayer = plot->layer(QStringLiteral("Current curve"));
    for (QCPLayer* l : {oldBgLayer, topBgLayer, currentLayer})
        l->setMode(QCPLayer::lmBuffered);

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    historyLength = new QSpinBox(configDialog);
    historyLength->setRange(1, 1000);
    historyLength->setValue(10);
    leavePrevious = new QCheckBox(configDialog);
    backgroundCurveLimit = new QSpinBox(configDialog);
    backgroundCurveLimit->setRange(1, 100);
    backgroundCurveLimit->setValue(100);
    backgroundDataColor = new ColorButton(configDialog);
    backgroundDataColor->setColor(QColor(200, 200, 200));
    drawPoints = new QCheckBox(configDialog);
    drawLines = new QCheckBox(configDialog);
    drawLines->setChecked(true);
    alignTicks = new QCheckBox(configDialog);
    synchronizeScales = new QCheckBox(configDialog);

    createNewBgCurveCache();
    yCurve = new QCPCurve(plot->xAxis, plot->yAxis);
    y2Curve = new QCPCurve(plot->xAxis, plot->yAxis2);
    yCurve->setPen(QPen(Qt::blue));
    y2Curve->setPen(QPen(Qt::red));
    for (QCPCurve* c : {yCurve, y2Curve}) {
        c->setLayer(currentLayer);
        styleCurve(c);
    }

    yAxis = new ScatterPlotAxis;
    y2Axis = new ScatterPlotAxis;
    xAxis = new ScatterPlotAxis;
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        a->setParent(this);
    yAxis->curve = yCurve;
    y2Axis->curve = y2Curve;
    xAxis->setQCPAxis(plot->xAxis);
    yAxis->setQCPAxis(plot->yAxis);
    y2Axis->setQCPAxis(plot->yAxis2);
    yAxis->axisArrow = QStringLiteral("←  ");
    y2Axis->axisArrow = QStringLiteral("→  ");
    xAxis->axisArrow = QStringLiteral("↓  ");
    yAxis->axisKey = QStringLiteral("y");
    y2Axis->axisKey = QStringLiteral("y2");
    xAxis->axisKey = QStringLiteral("x");
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis}) {
        // Any axis's channel change clears the plot, the X axis's included:
        // points of another X channel must not join the new ones.
        connect(a, &ScatterPlotAxis::signal_clearData, this, &RMdiScatterPlot::slot_clearDataAndGraph);
        a->createWarningItem();
        a->init(plot);
        connect(a, &AbstractMdiPlotAxis::signal_requestSettingsSave, this, &AbstractMdiWidget::signal_requestSetupSave);
    }

    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(tr("Time history [s]"), historyLength);
    form->addRow(tr("Leave data in background"), leavePrevious);
    form->addRow(tr("Background curve limit"), backgroundCurveLimit);
    form->addRow(tr("Background data color"), backgroundDataColor);
    form->addRow(tr("Draw data points"), drawPoints);
    form->addRow(tr("Draw connecting lines"), drawLines);
    form->addRow(tr("X axis tick count hint"), xAxis->tickCountSpinBox.get());
    form->addRow(tr("Left axis tick count hint"), yAxis->tickCountSpinBox.get());
    form->addRow(tr("Right axis tick count hint"), y2Axis->tickCountSpinBox.get());
    form->addRow(tr("Align left and right ticks"), alignTicks);
    form->addRow(tr("Synchronize left and right scale"), synchronizeScales);
    connect(backgroundDataColor, &ColorButton::signal_colorChanged, this,
            &RMdiScatterPlot::slot_restoreBackgroundCurveColor);
    connect(drawPoints, &QCheckBox::stateChanged, this, &RMdiScatterPlot::slot_drawPointsChanged);
    connect(drawLines, &QCheckBox::stateChanged, this, &RMdiScatterPlot::slot_drawLinesChanged);
    connect(alignTicks, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            return;
        yAxis->setDefaultTicker();
        y2Axis->setDefaultTicker();
        yAxis->updateAxisRange();
        y2Axis->updateAxisRange();
    });
    connect(synchronizeScales, &QCheckBox::toggled, this, [this](bool on) {
        alignTicks->setEnabled(!on);
        if (on) {
            alignTicks->setChecked(false);
        } else {
            yAxis->setDefaultTicker();
            y2Axis->setDefaultTicker();
            yAxis->updateAxisRange();
            y2Axis->updateAxisRange();
        }
    });
    connect(plot, &QWidget::customContextMenuRequested, this, &RMdiScatterPlot::slot_showContextMenu);
    QTimer::singleShot(1000, this, [this] {
        for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
            a->updateWarningPosition();
    });
}

RMdiScatterPlot::~RMdiScatterPlot()
{
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        a->tickCountSpinBox->setParent(nullptr);
}

void RMdiScatterPlot::styleCurve(QCPCurve* c) const
{
    c->setScatterStyle(QCPScatterStyle(drawPoints->isChecked() ? QCPScatterStyle::ssPlus : QCPScatterStyle::ssDot, 6));
    c->setLineStyle(drawLines->isChecked() ? QCPCurve::lsLine : QCPCurve::lsNone);
}

void RMdiScatterPlot::createNewBgCurveCache()
{
    topBgY = new QCPCurve(plot->xAxis, plot->yAxis);
    topBgY2 = new QCPCurve(plot->xAxis, plot->yAxis2);
    for (QCPCurve* c : {topBgY, topBgY2}) {
        c->setAntialiased(false);
        c->setAntialiasedScatters(false);
        c->setLayer(topBgLayer);
        c->setPen(QPen(backgroundDataColor->color()));
        styleCurve(c);
    }
}

void RMdiScatterPlot::appendArchiveCurve()
{
    topBgY->setLayer(oldBgLayer);
    topBgY2->setLayer(oldBgLayer);
    backgroundEntries.prepend(qMakePair(topBgY, topBgY2));
    createNewBgCurveCache();
}

int RMdiScatterPlot::flushBgCurveCache()
{
    if (!backgroundEntries.isEmpty()) {
        QPair<QCPCurve*, QCPCurve*>& e = backgroundEntries.first();
        e.first->data()->add(*topBgY->data());
        e.second->data()->add(*topBgY2->data());
        topBgY->data()->clear();
        topBgY2->data()->clear();
        return 0;
    }
    appendArchiveCurve();
    return 1;
}

void RMdiScatterPlot::createNewBgCurve()
{
    if (!leavePrevious->isChecked())
        return;
    if (flushBgCurveCache() == 0)
        appendArchiveCurve();
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiScatterPlot::removeBackgroundEntry(int index)
{
    if (index < 0 || index >= backgroundEntries.size())
        return;
    const auto e = backgroundEntries.takeAt(index);
    plot->removePlottable(e.first);
    plot->removePlottable(e.second);
}

void RMdiScatterPlot::refreshTick(qint64 now)
{
    if (paused)
        return;
    const qint64 runStart = DesktopHooks::instance()->runStart();
    if (storedRunStart != runStart) {
        yCurve->data()->clear();
        y2Curve->data()->clear();
        lastX[0] = lastX[1] = lastY[0] = lastY[1] = NaN;
        if (leavePrevious->isChecked())
            createNewBgCurve();
        storedRunStart = runStart;
    }
    const double t = double(now) / 1000.0;
    yCurve->data()->removeBefore(t - historyLength->value());
    y2Curve->data()->removeBefore(t - historyLength->value());
    int limit = backgroundCurveLimit->value();
    if (!leavePrevious->isChecked()) {
        topBgY->data()->clear();
        topBgY2->data()->clear();
        limit = 0;
    } else if (slowReplotCounter > 50) {
        flushBgCurveCache();
    }
    while (backgroundEntries.size() > limit)
        removeBackgroundEntry(int(backgroundEntries.size()) - 1);
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        a->refreshTick();

    const ScatterPlotAxis* axes[2] = {yAxis, y2Axis};
    QCPCurve* curves[2] = {yCurve, y2Curve};
    QCPCurve* bg[2] = {topBgY, topBgY2};
    for (int i = 0; i < 2; ++i) {
        if (!xAxis->channel || !axes[i]->channel)
            continue;
        const double x = xAxis->channel->getValue();
        const double y = axes[i]->channel->getValue();
        if (Tools::didValueChangedNaNSupported(x, lastX[i]) || Tools::didValueChangedNaNSupported(y, lastY[i])) {
            lastX[i] = x;
            lastY[i] = y;
            const double kx = xAxis->toDisplay(x);
            const double ky = axes[i]->toDisplay(y);
            curves[i]->addData(t, kx, ky);
            if (leavePrevious->isChecked())
                bg[i]->addData(t, kx, ky);
        }
    }
    if (plot->yAxis->visible() && plot->yAxis2->visible()) {
        if (synchronizeScales->isChecked()) {
            const QCPRange a = plot->yAxis->range();
            const QCPRange b = plot->yAxis2->range();
            if (a != b) {
                const QCPRange u(std::min(a.lower, b.lower), std::max(a.upper, b.upper));
                plot->yAxis->setRange(u);
                plot->yAxis2->setRange(u);
                plot->replot(QCustomPlot::rpQueuedReplot);
            }
        } else if (alignTicks->isChecked()) {
            yAxis->updateAxisRange();
            y2Axis->updateAxisRange();
            AbstractPlotAxis::alignLeftRightPlotAxis(yAxis, y2Axis);
        }
    }
    QElapsedTimer timer;
    timer.start();
    currentLayer->replot();
    topBgLayer->replot();
    lastLayerRedrawUs = timer.nsecsElapsed() / 1000;
    if (lastLayerRedrawUs > 10000)
        ++slowReplotCounter;
    else
        slowReplotCounter = 0;
}

void RMdiScatterPlot::addBreakPoints(double t)
{
    yCurve->addData(t, NaN, NaN);
    y2Curve->addData(t, NaN, NaN);
    if (leavePrevious->isChecked()) {
        topBgY->addData(t, NaN, NaN);
        topBgY2->addData(t, NaN, NaN);
    }
}

void RMdiScatterPlot::insertDataBrake()
{
    addBreakPoints(double(RunMdi::now()) / 1000.0);
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        a->updateWarningPosition();
}

void RMdiScatterPlot::unpause()
{
    insertDataBrake();
    paused = false;
}

void RMdiScatterPlot::slot_clearDataAndGraph()
{
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        if (a && a->warningItem)
            a->warningItem->setVisible(false);
    yCurve->data()->clear();
    y2Curve->data()->clear();
    topBgY->data()->clear();
    topBgY2->data()->clear();
    lastX[0] = lastX[1] = lastY[0] = lastY[1] = NaN;
    while (!backgroundEntries.isEmpty())
        removeBackgroundEntry(int(backgroundEntries.size()) - 1);
    flushBgCurveCache();
    storedRunStart = DesktopHooks::instance()->runStart();
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiScatterPlot::slot_drawPointsChanged(int)
{
    QList<QCPCurve*> all{yCurve, y2Curve, topBgY, topBgY2};
    for (const auto& e : std::as_const(backgroundEntries))
        all << e.first << e.second;
    for (QCPCurve* c : all)
        c->setScatterStyle(QCPScatterStyle(drawPoints->isChecked() ? QCPScatterStyle::ssPlus : QCPScatterStyle::ssDot, 6));
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiScatterPlot::slot_drawLinesChanged(int)
{
    QList<QCPCurve*> all{yCurve, y2Curve, topBgY, topBgY2};
    for (const auto& e : std::as_const(backgroundEntries))
        all << e.first << e.second;
    for (QCPCurve* c : all)
        c->setLineStyle(drawLines->isChecked() ? QCPCurve::lsLine : QCPCurve::lsNone);
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiScatterPlot::slot_restoreBackgroundCurveColor()
{
    const QPen pen(backgroundDataColor->color());
    topBgY->setPen(pen);
    topBgY2->setPen(pen);
    for (const auto& e : std::as_const(backgroundEntries)) {
        e.first->setPen(pen);
        e.second->setPen(pen);
    }
    plot->replot(QCustomPlot::rpRefreshHint);
}

int RMdiScatterPlot::getNearestAxis(const QPoint& pos) const
{
    const int dl = pos.x();
    const int dr = width() - pos.x();
    const int db = height() - pos.y();
    if (db < dl && db < dr)
        return 2;
    if (dr < dl)
        return 1;
    return 0;
}

void RMdiScatterPlot::onCreateConfiguration()
{
    bool accepted = false;
    RunChannel* left = pickChannel(tr("Select left channel"), &accepted);
    if (!accepted) {
        slot_closeMdiWidget();
        return;
    }
    yAxis->setAxisChannel(left);
    RunChannel* x = pickChannel(tr("Select x channel"), &accepted);
    if (accepted)
        xAxis->setAxisChannel(x);
}

void RMdiScatterPlot::parseDomElement(const QDomElement* element)
{
    const struct {
        ScatterPlotAxis* axis;
        const char* name;
    } axes[] = {{yAxis, "y"}, {y2Axis, "y2"}, {xAxis, "x"}};
    for (const auto& a : axes) {
        const QDomElement e = element->firstChildElement(QLatin1String(a.name));
        if (!e.isNull())
            a.axis->parseDomElement(&e);
    }
    historyLength->setValue(element->attribute(QStringLiteral("historyLength")).toInt());
    leavePrevious->setChecked(element->attribute(QStringLiteral("leavePrevious")).toInt() != 0);
    backgroundCurveLimit->setValue(element->attribute(QStringLiteral("backgroundCurveLimit"), QStringLiteral("100")).toInt());
    const QColor c = QColor::fromString(element->attribute(QStringLiteral("backgroundDataColor")));
    if (c.isValid())
        backgroundDataColor->setColor(c);
    drawLines->setChecked(element->attribute(QStringLiteral("drawLines")).toInt() != 0);
    drawPoints->setChecked(element->attribute(QStringLiteral("drawPoints")).toInt() != 0);
    alignTicks->setChecked(element->attribute(QStringLiteral("alignTicks")).toInt() != 0);
    synchronizeScales->setChecked(element->attribute(QStringLiteral("synchronizeScales")).toInt() != 0);
    slot_restoreBackgroundCurveColor();
}

void RMdiScatterPlot::writeToDomElement(QDomElement* element)
{
    QDomDocument doc = element->ownerDocument();
    const struct {
        ScatterPlotAxis* axis;
        const char* name;
    } axes[] = {{yAxis, "y"}, {y2Axis, "y2"}, {xAxis, "x"}};
    for (const auto& a : axes) {
        QDomElement e = doc.createElement(QLatin1String(a.name));
        a.axis->writeToDomElement(&e);
        element->appendChild(e);
    }
    element->setAttribute(QStringLiteral("historyLength"), historyLength->value());
    element->setAttribute(QStringLiteral("leavePrevious"), leavePrevious->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("backgroundCurveLimit"), backgroundCurveLimit->value());
    element->setAttribute(QStringLiteral("backgroundDataColor"), backgroundDataColor->color().name());
    element->setAttribute(QStringLiteral("drawLines"), drawLines->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("drawPoints"), drawPoints->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("alignTicks"), alignTicks->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("synchronizeScales"), synchronizeScales->isChecked() ? 1 : 0);
}

void RMdiScatterPlot::slot_showContextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(plot->mapToGlobal(pos));
        return;
    }
    ScatterPlotAxis* axes[3] = {yAxis, y2Axis, xAxis};
    ScatterPlotAxis* side = axes[getNearestAxis(pos)];
    const QString prefix = side->axisArrow;
    MyMenu menu(this);
    QAction *configureChannel = nullptr, *hide = nullptr, *reset = nullptr;
    if (side->channel) {
        configureChannel = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                          prefix + tr("Configure channel: ") + side->getChannelDisplayName());
        hide = menu.addAction(QIcon::fromTheme(QStringLiteral("list-remove")), prefix + tr("Hide channel"));
    }
    QAction* choose = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), prefix + tr("Choose channel"));
    if (side->channel && side->channel->setup && (side->channel->setup->autorangeMin || side->channel->setup->autorangeMax))
        reset = menu.addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), prefix + tr("Reset autorange"));
    menu.addSeparator();
    QAction* configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    QAction* pause = menu.addAction(QIcon::fromTheme(QStringLiteral("media-playback-pause")), tr("Pause"));
    pause->setCheckable(true);
    pause->setChecked(paused);
    QAction* clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    QList<QAction*> bgActions;
    if (leavePrevious->isChecked()) {
        QMenu* sub = menu.addSubMenu(tr("Clear background curve"));
        auto add = [&](const QString& text, int id) {
            QAction* a = sub->addAction(text);
            a->setData(id);
            bgActions.append(a);
        };
        if (backgroundEntries.size() >= 2)
            add(tr("all except current"), -1);
        add(tr("current"), 0);
        for (int k = 1; k < backgroundEntries.size(); ++k)
            add(QString::number(k), k);
        connect(sub, &QMenu::hovered, this, [this](QAction* a) {
            slot_restoreBackgroundCurveColor();
            const int id = a->data().toInt();
            const QPen red(Qt::red);
            if (id == -1) {
                for (int k = 1; k < backgroundEntries.size(); ++k) {
                    backgroundEntries[k].first->setPen(red);
                    backgroundEntries[k].second->setPen(red);
                }
            } else if (id == 0) {
                topBgY->setPen(red);
                topBgY2->setPen(red);
                if (!backgroundEntries.isEmpty()) {
                    backgroundEntries[0].first->setPen(red);
                    backgroundEntries[0].second->setPen(red);
                }
            } else if (id < backgroundEntries.size()) {
                backgroundEntries[id].first->setPen(red);
                backgroundEntries[id].second->setPen(red);
            }
            plot->replot(QCustomPlot::rpRefreshHint);
        });
    }
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(plot->mapToGlobal(pos));
    if (chosen == configureChannel && chosen) {
        ChannelSetupDialog dialog(side->channel->setup, nullptr, false, false);
        DialogAnswerer::exec(&dialog);
    } else if (chosen == hide && chosen) {
        side->setAxisChannel(nullptr);
        slot_clearDataAndGraph();
    } else if (chosen == choose) {
        bool accepted = false;
        RunChannel* c = pickChannel(tr("Select Item"), &accepted);
        if (accepted) {
            side->setAxisChannel(c);
            slot_clearDataAndGraph();
        }
    } else if (chosen == reset && chosen) {
        side->resetAutorange();
        side->updateAxisRange();
    } else if (chosen == configure) {
        configDialog->move(plot->mapToGlobal(pos));
        DialogAnswerer::exec(configDialog);
    } else if (chosen == pause) {
        paused = pause->isChecked();
        addBreakPoints(double(RunMdi::now()) / 1000.0);
    } else if (chosen == clear) {
        slot_clearDataAndGraph();
    } else if (chosen && bgActions.contains(chosen)) {
        const int id = chosen->data().toInt();
        if (id == -1) {
            while (backgroundEntries.size() > 1)
                removeBackgroundEntry(int(backgroundEntries.size()) - 1);
        } else if (id == 0) {
            topBgY->data()->clear();
            topBgY2->data()->clear();
            removeBackgroundEntry(0);
            if (leavePrevious->isChecked() && flushBgCurveCache() == 0)
                appendArchiveCurve();
        } else {
            removeBackgroundEntry(id);
        }
        plot->replot(QCustomPlot::rpRefreshHint);
    }
    slot_restoreBackgroundCurveColor();
}

void RMdiScatterPlot::resizeEvent(QResizeEvent* event)
{
    AbstractRMdiWidget::resizeEvent(event);
    for (ScatterPlotAxis* a : {yAxis, y2Axis, xAxis})
        a->updateWarningPosition();
    plot->replot(QCustomPlot::rpRefreshHint);
}
