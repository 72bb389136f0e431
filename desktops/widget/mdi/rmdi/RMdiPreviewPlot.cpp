#include "RMdiPreviewPlot.h"

#include "ChannelId.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "Channels.h"
#include "ColorButton.h"
#include "DesktopHooks.h"
#include "MyMenu.h"
#include "PlotWidgetFrame.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "ScatterPlotAxis.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDomElement>
#include <QFormLayout>
#include <QSpinBox>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

RMdiPreviewPlot::RMdiPreviewPlot(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi), lastMaster(NaN), lastPower(NaN)
{
    plot = buildPlotFrame(this);
    plot->addLayer(QStringLiteral("PreviewCurves"), plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    previewLayer = plot->layer(QStringLiteral("PreviewCurves"));
    plot->addLayer(QStringLiteral("Current curve"), previewLayer, QCustomPlot::limAbove);
    currentLayer = plot->layer(QStringLiteral("Current curve"));
    previewLayer->setMode(QCPLayer::lmBuffered);
    currentLayer->setMode(QCPLayer::lmBuffered);
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(0, 0, new QCPTextElement(plot, QStringLiteral("ANALYZE PREVIEW")));

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    historyLength = new QSpinBox(configDialog);
    historyLength->setRange(1, 1000);
    historyLength->setValue(5);
    backgroundDataColor = new ColorButton(configDialog);
    backgroundDataColor->setColor(QColor(220, 220, 220));
    drawPoints = new QCheckBox(configDialog);
    drawPoints->setChecked(true);
    drawLines = new QCheckBox(configDialog);
    drawLines->setChecked(true);
    powerCurve = new QComboBox(configDialog);
    powerCurve->addItems({tr("Power on engine"), tr("Power on wheels")});

    currentCurve = new QCPCurve(plot->xAxis, plot->yAxis2);
    currentCurve->setLayer(currentLayer);
    for (auto*& a : axes) {
        a = new ScatterPlotAxis;
        a->setParent(this);
    }
    axes[1]->curve = currentCurve;
    axes[0]->setQCPAxis(plot->yAxis);
    axes[1]->setQCPAxis(plot->yAxis2);
    axes[2]->setQCPAxis(plot->xAxis);
    const char* keys[3] = {"y", "y2", "x"};
    const char* arrows[3] = {"←  ", "→  ", "↓  "};
    for (int i = 0; i < 3; ++i) {
        axes[i]->axisKey = QLatin1String(keys[i]);
        axes[i]->axisArrow = QString::fromUtf8(arrows[i]);
        axes[i]->createWarningItem();
        axes[i]->init(plot);
        connect(axes[i], &ScatterPlotAxis::signal_clearData, this, &RMdiPreviewPlot::slot_clearDataAndGraph);
        connect(axes[i], &AbstractMdiPlotAxis::signal_requestSettingsSave, this,
                &AbstractMdiWidget::signal_requestSetupSave);
    }

    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(tr("Time history [s]"), historyLength);
    form->addRow(tr("Background data color"), backgroundDataColor);
    form->addRow(tr("Draw data points"), drawPoints);
    form->addRow(tr("Draw connecting lines"), drawLines);
    form->addRow(tr("X axis tick count hint"), axes[2]->tickCountSpinBox.get());
    form->addRow(tr("Right axis tick count hint"), axes[1]->tickCountSpinBox.get());
    form->addRow(tr("Power curve"), powerCurve);

    connect(DesktopHooks::instance(), &DesktopHooks::signal_loadedRunsChanged, this,
            &RMdiPreviewPlot::slot_queuePreviewUpdate);
    connect(backgroundDataColor, &ColorButton::signal_colorChanged, this,
            &RMdiPreviewPlot::slot_backgroundCurveColorChanged);
    connect(drawPoints, &QCheckBox::stateChanged, this, &RMdiPreviewPlot::slot_drawPointsChanged);
    connect(drawLines, &QCheckBox::stateChanged, this, &RMdiPreviewPlot::slot_drawLinesChanged);
    connect(powerCurve, &QComboBox::currentIndexChanged, this, &RMdiPreviewPlot::slot_updatePowerCurveSelection);
    connect(plot, &QWidget::customContextMenuRequested, this, &RMdiPreviewPlot::slot_showContextMenu);
}

RMdiPreviewPlot::~RMdiPreviewPlot()
{
    for (ScatterPlotAxis* a : axes)
        a->tickCountSpinBox->setParent(nullptr);
}

void RMdiPreviewPlot::slot_queuePreviewUpdate()
{
    previewQueued = true;
}

void RMdiPreviewPlot::slot_updatePowerCurveSelection()
{
    disconnect(powerSetupConnection);
    const int id = powerCurve->currentIndex() == 1 ? ChannelId_dynoOnWheelsPower : ChannelId_engineCorrectedPower;
    RunChannel* power = theChannels.getChannel(ChannelId(id), 0);
    axes[1]->setAxisChannel(power);
    axes[2]->setAxisChannel(nullptr);
    if (power && power->setup)
        powerSetupConnection = connect(power->setup, &ChannelSetup::signal_setupChanged, this,
                                       &RMdiPreviewPlot::slot_queuePreviewUpdate);
    slot_queuePreviewUpdate();
}

void RMdiPreviewPlot::updatePreview()
{
    DesktopHooks* hooks = DesktopHooks::instance();
    const int masterId = hooks->masterChannelId ? hooks->masterChannelId() : int(ChannelId_engineSpeed);
    axes[2]->setAxisChannel(theChannels.getChannel(ChannelId(masterId), 0));
    for (QCPCurve* c : std::as_const(backgroundCurves))
        plot->removePlottable(c);
    backgroundCurves.clear();
    const QList<PreviewRunVectors> runs = hooks->loadedRuns ? hooks->loadedRuns() : QList<PreviewRunVectors>();
    const bool wheels = powerCurve->currentIndex() == 1;
    const Unit* xUnit = axes[2]->channel && axes[2]->channel->setup ? axes[2]->channel->setup->unit : nullptr;
    const Unit* yUnit = axes[1]->channel && axes[1]->channel->setup ? axes[1]->channel->setup->unit : nullptr;
    for (const PreviewRunVectors& run : runs) {
        const QList<double>& x = run.master;
        const QList<double>& y = wheels ? run.wheelPower : run.enginePower;
        if (x.size() == y.size() && !x.isEmpty()) {
            for (double v : x)
                Tools::updateAutoRange(axes[2]->dataMin, axes[2]->dataMax, v);
            for (double v : y)
                Tools::updateAutoRange(axes[1]->dataMin, axes[1]->dataMax, v);
        }
        auto* curve = new QCPCurve(plot->xAxis, plot->yAxis2);
        curve->setAntialiased(false);
        curve->setAntialiasedScatters(false);
        curve->setPen(QPen(backgroundDataColor->color()));
        curve->setLayer(previewLayer);
        // Vectors of different length pair up to the shorter one.
        const qsizetype n = std::min(x.size(), y.size());
        for (qsizetype i = 0; i < n; ++i)
            curve->addData(double(i), xUnit ? xUnit->getUnitValue(x.at(i)) : x.at(i),
                           yUnit ? yUnit->getUnitValue(y.at(i)) : y.at(i));
        backgroundCurves.append(curve);
    }
    axes[2]->updateAxisRange();
    axes[1]->updateAxisRange();
    previewQueued = false;
}

void RMdiPreviewPlot::refreshTick(qint64 now)
{
    if (paused)
        return;
    if (previewQueued)
        updatePreview();
    const qint64 t = now - DesktopHooks::instance()->runStart();
    if (t < lastTickRunTime) {
        currentCurve->data()->clear();
        lastMaster = lastPower = NaN;
        // A new run: the throttle of full replots starts over with it.
        lastFullReplotRunTime = t;
    }
    lastTickRunTime = t;
    const double ts = double(t) / 1000.0;
    currentCurve->data()->removeBefore(ts - historyLength->value());
    for (ScatterPlotAxis* a : axes)
        a->refreshTick();
    if (axes[2]->channel && axes[1]->channel) {
        const double m = axes[2]->channel->getValue();
        const double p = axes[1]->channel->getValue();
        if (Tools::didValueChangedNaNSupported(m, lastMaster) || Tools::didValueChangedNaNSupported(p, lastPower)) {
            lastMaster = m;
            lastPower = p;
            currentCurve->addData(ts, axes[2]->toDisplay(m), axes[1]->toDisplay(p));
        }
    }
    if (t - lastFullReplotRunTime > 1000) {
        plot->replot(QCustomPlot::rpQueuedRefresh);
        lastFullReplotRunTime = t;
    } else {
        currentLayer->replot();
    }
}

void RMdiPreviewPlot::insertDataBrake()
{
    const qint64 t = RunMdi::now() - DesktopHooks::instance()->runStart();
    currentCurve->addData(double(t) / 1000.0, NaN, NaN);
}

void RMdiPreviewPlot::unpause()
{
    insertDataBrake();
    paused = false;
}

void RMdiPreviewPlot::slot_clearDataAndGraph()
{
    for (ScatterPlotAxis* a : axes)
        if (a && a->warningItem)
            a->warningItem->setVisible(false);
    currentCurve->data()->clear();
    lastMaster = lastPower = NaN;
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiPreviewPlot::slot_drawPointsChanged(int)
{
    QList<QCPCurve*> all = backgroundCurves;
    all.append(currentCurve);
    for (QCPCurve* c : all)
        c->setScatterStyle(QCPScatterStyle(drawPoints->isChecked() ? QCPScatterStyle::ssPlus : QCPScatterStyle::ssDot, 6));
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiPreviewPlot::slot_drawLinesChanged(int)
{
    QList<QCPCurve*> all = backgroundCurves;
    all.append(currentCurve);
    for (QCPCurve* c : all)
        c->setLineStyle(drawLines->isChecked() ? QCPCurve::lsLine : QCPCurve::lsNone);
    plot->replot(QCustomPlot::rpRefreshHint);
}

void RMdiPreviewPlot::slot_backgroundCurveColorChanged(const QColor& color)
{
    for (QCPCurve* c : std::as_const(backgroundCurves))
        c->setPen(QPen(color));
    plot->replot(QCustomPlot::rpRefreshHint);
}

int RMdiPreviewPlot::getNearestAxis(const QPoint& p) const
{
    const int side = std::min(p.x(), width() - p.x());
    if (height() - p.y() < side)
        return 2;
    return (width() - p.x() < p.x()) ? 1 : 0;
}

void RMdiPreviewPlot::updateWarningsPosition()
{
    axes[2]->updateWarningPosition();
    axes[1]->updateWarningPosition();
}

void RMdiPreviewPlot::makeInitialConfiguration(bool showInfo)
{
    slot_updatePowerCurveSelection();
    if (showInfo)
        Tools::showInfo(tr("Preview data from ANALYZE uses a better, zero-phase digital filter, which can't be used on "
                           "real-time data in RUN.\n\nBecause different filters are used, real-time data won't exactly "
                           "match preview from ANALYZE.\n\nTo get matching engine power results, make sure that the Loss "
                           "Model is loaded in RUN."));
}

void RMdiPreviewPlot::onCreateConfiguration()
{
    makeInitialConfiguration(true);
}

void RMdiPreviewPlot::parseDomElement(const QDomElement* element)
{
    for (ScatterPlotAxis* a : axes) {
        const QDomElement e = element->firstChildElement(a->axisKey);
        if (!e.isNull())
            a->parseDomElement(&e);
    }
    plot->yAxis->setVisible(false);
    const QSignalBlocker block(powerCurve);
    powerCurve->setCurrentIndex(std::clamp(element->attribute(QStringLiteral("powerCurve")).toInt(), 0, 1));
    slot_updatePowerCurveSelection();
    historyLength->setValue(element->attribute(QStringLiteral("historyLength")).toInt());
    const QColor c = QColor::fromString(element->attribute(QStringLiteral("backgroundDataColor")));
    if (c.isValid())
        backgroundDataColor->setColor(c);
    drawLines->setChecked(element->attribute(QStringLiteral("drawLines")).toInt() != 0);
    drawPoints->setChecked(element->attribute(QStringLiteral("drawPoints")).toInt() != 0);
    slot_drawLinesChanged(0);
    slot_drawPointsChanged(0);
}

void RMdiPreviewPlot::writeToDomElement(QDomElement* element)
{
    QDomDocument doc = element->ownerDocument();
    for (ScatterPlotAxis* a : axes) {
        QDomElement e = doc.createElement(a->axisKey);
        a->writeToDomElement(&e);
        element->appendChild(e);
    }
    element->setAttribute(QStringLiteral("historyLength"), historyLength->value());
    element->setAttribute(QStringLiteral("backgroundDataColor"), backgroundDataColor->color().name());
    element->setAttribute(QStringLiteral("drawLines"), drawLines->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("drawPoints"), drawPoints->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("powerCurve"), powerCurve->currentIndex());
}

void RMdiPreviewPlot::slot_showContextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(plot->mapToGlobal(pos));
        return;
    }
    ScatterPlotAxis* side = axes[getNearestAxis(pos)];
    const QString prefix = side->axisArrow;
    MyMenu menu(this);
    QAction *configureChannel = nullptr, *reset = nullptr;
    if (side->channel) {
        configureChannel = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")),
                                          prefix + tr("Configure channel: ") + side->getChannelDisplayName());
        if (side->channel->setup && (side->channel->setup->autorangeMin || side->channel->setup->autorangeMax))
            reset = menu.addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), prefix + tr("Reset autorange"));
    }
    menu.addSeparator();
    QAction* configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    QAction* pause = menu.addAction(QIcon::fromTheme(QStringLiteral("media-playback-pause")), tr("Pause"));
    pause->setCheckable(true);
    pause->setChecked(paused);
    QAction* clear = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-clear")), tr("Clear"));
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(plot->mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == configure) {
        configDialog->move(plot->mapToGlobal(pos));
        DialogAnswerer::exec(configDialog);
    } else if (chosen == clear) {
        slot_clearDataAndGraph();
    } else if (chosen == pause) {
        paused = pause->isChecked();
        insertDataBrake();
    } else if (chosen == configureChannel) {
        ChannelSetupDialog dialog(side->channel->setup, nullptr, false, false);
        DialogAnswerer::exec(&dialog);
    } else if (chosen == reset) {
        side->resetAutorange();
        side->updateAxisRange();
    }
}

void RMdiPreviewPlot::resizeEvent(QResizeEvent* event)
{
    AbstractRMdiWidget::resizeEvent(event);
    updateWarningsPosition();
    plot->replot(QCustomPlot::rpRefreshHint);
}
