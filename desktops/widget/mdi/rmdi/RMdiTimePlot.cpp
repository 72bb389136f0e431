#include "RMdiTimePlot.h"

#include "AbstractMdi.h"
#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "DesktopHooks.h"
#include "MyMenu.h"
#include "PlotWidgetFrame.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "TimePlotAxis.h"
#include "TrackingLine.h"
#include "lib/DialogAnswerer.h"

#include <QCheckBox>
#include <QDomElement>
#include <QFormLayout>
#include <QSpinBox>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <limits>

RMdiTimePlot::RMdiTimePlot(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi)
{
    plot = buildPlotFrame(this);
    trackingLine = new TrackingLine(plot, this, nullptr);
    plot->addGraph(plot->xAxis, plot->yAxis);
    plot->addGraph(plot->xAxis, plot->yAxis2);
    plot->yAxis2->setVisible(true);
    relativeTicker.reset(new QCPAxisTickerTime);
    relativeTicker->setTimeFormat(QStringLiteral("%m:%s"));
    clockTicker.reset(new QCPAxisTickerDateTime);
    clockTicker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
    plot->xAxis->setTicker(relativeTicker);
    plot->xAxis->setLabelPadding(5);

    leftAxis = new TimePlotAxis;
    rightAxis = new TimePlotAxis;
    leftAxis->setParent(this);
    rightAxis->setParent(this);
    leftAxis->graph = plot->graph(0);
    rightAxis->graph = plot->graph(1);
    leftAxis->setQCPAxis(plot->yAxis);
    rightAxis->setQCPAxis(plot->yAxis2);
    leftAxis->axisArrow = QStringLiteral("←  ");
    rightAxis->axisArrow = QStringLiteral("→  ");
    leftAxis->axisKey = QStringLiteral("left");
    rightAxis->axisKey = QStringLiteral("right");
    for (TimePlotAxis* a : {leftAxis, rightAxis}) {
        a->init(plot);
        a->createWarningItem();
        connect(a, &AbstractMdiPlotAxis::signal_requestSettingsSave, this, &AbstractMdiWidget::signal_requestSetupSave);
    }

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    clockTime = new QCheckBox(configDialog);
    historyLength = new QSpinBox(configDialog);
    historyLength->setRange(1, 1000);
    historyLength->setValue(10);
    alignTicks = new QCheckBox(configDialog);
    synchronizeScales = new QCheckBox(configDialog);
    form->addRow(tr("Clock time"), clockTime);
    form->addRow(tr("Time history [s]"), historyLength);
    form->addRow(tr("Left axis tick count hint"), leftAxis->tickCountSpinBox.get());
    form->addRow(tr("Right axis tick count hint"), rightAxis->tickCountSpinBox.get());
    form->addRow(tr("Align left and right ticks"), alignTicks);
    form->addRow(tr("Synchronize left and right scale"), synchronizeScales);
    connect(clockTime, &QCheckBox::toggled, this, &RMdiTimePlot::slot_timeTypeChanged);
    connect(alignTicks, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            return;
        leftAxis->setDefaultTicker();
        rightAxis->setDefaultTicker();
        leftAxis->updateAxisRange();
        rightAxis->updateAxisRange();
    });
    connect(synchronizeScales, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            alignTicks->setChecked(false);
            alignTicks->setEnabled(false);
        } else {
            alignTicks->setEnabled(true);
            leftAxis->setDefaultTicker();
            rightAxis->setDefaultTicker();
            leftAxis->updateAxisRange();
            rightAxis->updateAxisRange();
        }
    });
    connect(plot, &QWidget::customContextMenuRequested, this, &RMdiTimePlot::slot_showContextMenu);
    QTimer::singleShot(1000, this, [this] {
        leftAxis->updateWarningPosition();
        rightAxis->updateWarningPosition();
    });
}

RMdiTimePlot::~RMdiTimePlot()
{
    // The tick-count editors sit in the dialog's form; the axes own them.
    leftAxis->tickCountSpinBox->setParent(nullptr);
    rightAxis->tickCountSpinBox->setParent(nullptr);
}

void RMdiTimePlot::slot_timeTypeChanged(bool clock)
{
    if (clock)
        plot->xAxis->setTicker(clockTicker);
    else
        plot->xAxis->setTicker(relativeTicker);
}

void RMdiTimePlot::refreshTick(qint64 now)
{
    if (paused)
        return;
    const qint64 runStart = DesktopHooks::instance()->runStart();
    const qint64 r = now - runStart;
    if (r < lastRefreshTime) {
        leftAxis->clearDataAndReplot();
        rightAxis->clearDataAndReplot();
    }
    lastRefreshTime = r;
    double x = double(r) / 1000.0;
    if (clockTime->isChecked())
        x += double(runStart) / 1000.0;
    const double fromX = x - historyLength->value();
    for (TimePlotAxis* a : {leftAxis, rightAxis}) {
        a->refreshTick(fromX, clockTime->isChecked(), now, runStart);
        a->updateWarningBand();
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
            leftAxis->updateAxisRange();
            rightAxis->updateAxisRange();
            AbstractPlotAxis::alignLeftRightPlotAxis(leftAxis, rightAxis);
        }
    }
    plot->xAxis->setRange(fromX, x);
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void RMdiTimePlot::insertDataBrake()
{
    const qint64 now = RunMdi::now();
    const qint64 runStart = DesktopHooks::instance()->runStart();
    for (TimePlotAxis* a : {leftAxis, rightAxis}) {
        a->addBreak(a->xOf(now, clockTime->isChecked(), runStart));
        a->updateWarningPosition();
    }
}

void RMdiTimePlot::unpause()
{
    insertDataBrake();
    paused = false;
}

void RMdiTimePlot::slot_pause(bool pause)
{
    paused = pause;
    const qint64 now = RunMdi::now();
    const qint64 runStart = DesktopHooks::instance()->runStart();
    for (TimePlotAxis* a : {leftAxis, rightAxis})
        a->addBreak(a->xOf(now, clockTime->isChecked(), runStart));
}

void RMdiTimePlot::slot_clearDataAndReplot()
{
    leftAxis->clearDataAndReplot();
    rightAxis->clearDataAndReplot();
}

void RMdiTimePlot::onCreateConfiguration()
{
    bool accepted = false;
    RunChannel* chosen = pickChannel(tr("Select Item"), &accepted);
    if (!accepted) {
        slot_closeMdiWidget();
        return;
    }
    leftAxis->setAxisChannel(chosen);
}

void RMdiTimePlot::parseDomElement(const QDomElement* element)
{
    const QDomElement left = element->firstChildElement(QStringLiteral("left"));
    if (!left.isNull())
        leftAxis->parseDomElement(&left);
    const QDomElement right = element->firstChildElement(QStringLiteral("right"));
    if (!right.isNull())
        rightAxis->parseDomElement(&right);
    historyLength->setValue(element->attribute(QStringLiteral("historyLength")).toInt());
    clockTime->setChecked(element->attribute(QStringLiteral("clockTime")).toInt() != 0);
    alignTicks->setChecked(element->attribute(QStringLiteral("alignTicks")).toInt() != 0);
    synchronizeScales->setChecked(element->attribute(QStringLiteral("synchronizeScales")).toInt() != 0);
}

void RMdiTimePlot::writeToDomElement(QDomElement* element)
{
    QDomDocument doc = element->ownerDocument();
    QDomElement left = doc.createElement(QStringLiteral("left"));
    leftAxis->writeToDomElement(&left);
    element->appendChild(left);
    QDomElement right = doc.createElement(QStringLiteral("right"));
    rightAxis->writeToDomElement(&right);
    element->appendChild(right);
    element->setAttribute(QStringLiteral("historyLength"), historyLength->value());
    element->setAttribute(QStringLiteral("clockTime"), clockTime->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("alignTicks"), alignTicks->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("synchronizeScales"), synchronizeScales->isChecked() ? 1 : 0);
}

QString RMdiTimePlot::getValueLabel(const QCPAxis* axis, double value)
{
    for (TimePlotAxis* a : {leftAxis, rightAxis})
        if (axis == a->qcpAxis && a->channel && a->channel->setup)
            return a->channel->setup->getLabelString(value);
    const QString format = axis->numberFormat();
    const char f = format.isEmpty() ? 'g' : format.at(0).toLatin1();
    return QLocale::c().toString(value, f, axis->numberPrecision());
}

void RMdiTimePlot::slot_showContextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(plot->mapToGlobal(pos));
        return;
    }
    TimePlotAxis* side = pos.x() < width() / 2 ? leftAxis : rightAxis;
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
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(plot->mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == configureChannel) {
        ChannelSetupDialog dialog(side->channel->setup, nullptr, false, false);
        DialogAnswerer::exec(&dialog);
    } else if (chosen == hide) {
        side->setAxisChannel(nullptr);
    } else if (chosen == choose) {
        bool accepted = false;
        RunChannel* c = pickChannel(tr("Select Item"), &accepted);
        if (accepted)
            side->setAxisChannel(c);
    } else if (chosen == reset) {
        side->resetAutorange();
        side->updateAxisRange();
    } else if (chosen == configure) {
        configDialog->move(plot->mapToGlobal(pos));
        DialogAnswerer::exec(configDialog);
    } else if (chosen == pause) {
        slot_pause(pause->isChecked());
    } else if (chosen == clear) {
        slot_clearDataAndReplot();
    }
}

void RMdiTimePlot::resizeEvent(QResizeEvent* event)
{
    AbstractRMdiWidget::resizeEvent(event);
    leftAxis->updateWarningPosition();
    rightAxis->updateWarningPosition();
    plot->replot(QCustomPlot::rpRefreshHint);
}
