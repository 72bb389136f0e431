#include "RunMdi.h"

#include "AbstractRMdiWidget.h"
#include "DesktopHooks.h"
#include "FullMdiAlarm.h"
#include "MdiManager.h"
#include "MdiWidgetTypes.h"
#include "MySettings.h"
#include "RMdiAudioSpectrum.h"
#include "RMdiCamera.h"
#include "RMdiBar.h"
#include "RMdiCommandButton.h"
#include "RMdiGauge.h"
#include "RMdiGaugeEngineSpeed.h"
#include "RMdiGaugeRoadSpeed.h"
#include "RMdiImage.h"
#include "RMdiIndicator.h"
#include "RMdiInputButton.h"
#include "RMdiInputSlider.h"
#include "RMdiInputSpinBox.h"
#include "RMdiNumber.h"
#include "RMdiPlaceholder.h"
#include "RMdiPreviewPlot.h"
#include "RMdiScatterPlot.h"
#include "RMdiTimePlot.h"
#include "RMdiXYTable.h"

#include <QDateTime>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

std::function<qint64()>& clockFn()
{
    static std::function<qint64()> fn;
    return fn;
}

std::function<void(RunMdi*, int)>& starterFn()
{
    static std::function<void(RunMdi*, int)> fn;
    return fn;
}

} // namespace

void RunMdi::registerRunDesktop()
{
    if (MdiWidgetTypes::hasDesktopFactory(MdiType_run))
        return;
    MdiWidgetTypes::registerDesktopFactory(MdiType_run, [](MdiManager* m) -> AbstractMdi* { return new RunMdi(m); });
    MdiWidgetTypes::registerFactory(MdiType_run, 0, [](AbstractMdi* d) { return new RMdiIndicator(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 1, [](AbstractMdi* d) { return new RMdiNumber(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 2, [](AbstractMdi* d) { return new RMdiBar(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 3, [](AbstractMdi* d) { return new RMdiGauge(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 4, [](AbstractMdi* d) { return new RMdiTimePlot(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 5, [](AbstractMdi* d) { return new RMdiScatterPlot(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 6, [](AbstractMdi* d) { return new RMdiPreviewPlot(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 7, [](AbstractMdi* d) { return new RMdiXYTable(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 8, [](AbstractMdi* d) { return new RMdiInputButton(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 9, [](AbstractMdi* d) { return new RMdiInputSpinBox(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 10, [](AbstractMdi* d) { return new RMdiInputSlider(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 11, [](AbstractMdi* d) { return new RMdiCamera(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 12, [](AbstractMdi* d) { return new RMdiAudioSpectrum(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 13, [](AbstractMdi* d) { return new RMdiCommandButton(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 14, [](AbstractMdi* d) { return new RMdiGaugeEngineSpeed(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 15, [](AbstractMdi* d) { return new RMdiGaugeRoadSpeed(d); });
    MdiWidgetTypes::registerFactory(MdiType_run, 16, [](AbstractMdi* d) { return new RMdiImage(d); });
}

void RunMdi::setClock(std::function<qint64()> clock)
{
    clockFn() = std::move(clock);
}

void RunMdi::setTimerStarter(std::function<void(RunMdi*, int)> starter)
{
    starterFn() = std::move(starter);
}

qint64 RunMdi::now()
{
    return clockFn() ? clockFn()() : QDateTime::currentMSecsSinceEpoch();
}

RunMdi::RunMdi(MdiManager* manager)
    : AbstractMdi(manager, MdiType_run)
{
    cycleStartTime = now();
    lastYieldTime = cycleStartTime;
    tickTimer = new QTimer(this);
    tickTimer->setSingleShot(true);
    connect(tickTimer, &QTimer::timeout, this, &RunMdi::slot_tickItems);
    repaintTimer = new QTimer(this);
    repaintTimer->setSingleShot(true);
    repaintTimer->setInterval(500);
    connect(repaintTimer, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, repaintTimer, qOverload<>(&QTimer::start));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, repaintTimer, qOverload<>(&QTimer::start));
    fullMdiAlarm = new FullMdiAlarm(this);
}

AbstractMdiWidget* RunMdi::addWidget(int type, const QRect& rect, bool)
{
    if (type < 0 || type >= widgetXmlNames.size())
        return nullptr;
    AbstractMdiWidget* widget = MdiWidgetTypes::create(MdiType_run, type, this);
    if (!widget)
        widget = new RMdiPlaceholder(this, widgetTypeNames.value(type));
    placeWidget(widget, type, rect);
    return widget;
}

bool RunMdi::offersWidgetType(int type) const
{
    if (!MdiWidgetTypes::isBuilt(MdiType_run, type))
        return false;
    if (type == 6 && theSettings.value(QStringLiteral("script")).toString() == QLatin1String("vimbastrel1"))
        return false;
    return true;
}

void RunMdi::setName(const QString& newName)
{
    setNameInFolder(newName, theSettings.desktopsDir.absolutePath());
}

void RunMdi::startUpdates()
{
    startTickTimer(1);
}

void RunMdi::stopUpdates()
{
    tickTimer->stop();
    lastDelay = -1;
    insertDataBrake();
}

void RunMdi::insertDataBrake()
{
    const QList<AbstractMdiWidget*> list = widgets;
    for (AbstractMdiWidget* w : list)
        static_cast<AbstractRMdiWidget*>(w)->insertDataBrake();
}

void RunMdi::newRunStarted()
{
    const QList<AbstractMdiWidget*> list = widgets;
    for (AbstractMdiWidget* w : list)
        static_cast<AbstractRMdiWidget*>(w)->newRunStarted();
}

void RunMdi::unpause()
{
    const QList<AbstractMdiWidget*> list = widgets;
    for (AbstractMdiWidget* w : list)
        static_cast<AbstractRMdiWidget*>(w)->unpause();
}

void RunMdi::startTickTimer(int delay)
{
    lastDelay = delay;
    if (starterFn())
        starterFn()(this, delay);
    else
        tickTimer->start(delay);
}

void RunMdi::slot_tickItems()
{
    for (;;) {
        if (accumulatedCycleTime > 1000) {
            if (DesktopHooks::instance()->developerMode) {
                const float rate = float(cycleCount) * 1000.0f / float(accumulatedCycleTime);
                rateText.setText(QString::asprintf("%.1f", double(rate)));
                viewport()->update(QRect(0, 0, 100, 50));
            }
            cycleCount = 0;
            accumulatedCycleTime = 0;
        }
        // The list is read afresh at every step: a widget may close itself or
        // lose its channel during its own refresh.
        qint64 t = now();
        if (refreshPosition < quint32(widgets.size())) {
            AbstractMdiWidget* w = widgets.at(int(refreshPosition));
            static_cast<AbstractRMdiWidget*>(w)->refreshTick(t);
            // The time after the refresh decides the yield, so a slow widget
            // is followed by a turn of the event loop at once.
            t = now();
            // A widget that closed itself during its refresh has left the list;
            // the next one now stands in its place.
            if (widgets.indexOf(w) >= 0)
                ++refreshPosition;
        } else {
            ++refreshPosition;
        }
        int delay;
        if (t - lastYieldTime > 100) {
            delay = 10;
        } else if (refreshPosition < quint32(widgets.size())) {
            continue;
        } else {
            delay = int(20 - (t - cycleStartTime));
            if (delay <= 1) {
                accumulatedCycleTime += t - cycleStartTime;
                refreshPosition = 0;
                cycleStartTime = t;
                ++cycleCount;
                continue;
            }
        }
        lastYieldTime = t;
        startTickTimer(delay);
        updateAlarmOverlay();
        return;
    }
}

void RunMdi::updateAlarmOverlay()
{
    DesktopHooks* hooks = DesktopHooks::instance();
    // The settings store is asked only while an alarm is active.
    const bool show = hooks->isAlarmActive()
        && theSettings.value(QStringLiteral("UserSetting/checkBox_settings_fullScreenAlarms"), int(Qt::Checked)).toInt() != 0;
    if (show) {
        fullMdiAlarm->setGeometry(rect());
        fullMdiAlarm->show();
        fullMdiAlarm->raise();
        fullMdiAlarm->update();
        overlayShown = true;
        return;
    }
    if (overlayShown) {
        fullMdiAlarm->hide();
        overlayShown = false;
    }
}

void RunMdi::paintEvent(QPaintEvent* event)
{
    QMdiArea::paintEvent(event);
    QPainter painter(viewport());
    QRegion region = event->region();
    for (QMdiSubWindow* sub : subWindowList())
        region -= sub->geometry();
    painter.setClipRegion(region);
    if (!backgroundPixmap.isNull()) {
        painter.drawPixmap(0, 0, backgroundPixmap);
        region -= QRect(QPoint(0, 0), backgroundPixmap.size());
        painter.setClipRegion(region);
    }
    painter.fillRect(region.boundingRect(), Qt::white);
    if (DesktopHooks::instance()->developerMode)
        painter.drawStaticText(0, 0, rateText);
}
