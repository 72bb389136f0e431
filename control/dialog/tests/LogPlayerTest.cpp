#include "LogPlayerTest.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "MultiVectorResampler.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "RunThread.h"
#include "SafeSpinBox.h"
#include "SimConnector.h"
#include "SpinBoxWithUnit.h"
#include "TestModeContext.h"
#include "TestTicker.h"
#include "lib/Unit.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

RunChannel* liveChannel(ChannelId id)
{
    if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
        return nullptr;
    return theChannels.getChannel(id, 0);
}

SpinBoxWithUnit* makeBox(QWidget* parent, const char* name, Quantity quantity, double max)
{
    auto* box = new SpinBoxWithUnit(parent, quantity);
    box->setObjectName(QStringLiteral("LogPlayerTest_") + QLatin1String(name));
    box->setRangeSI(0, max);
    return box;
}

} // namespace

LogPlayerTest::LogPlayerTest(QWidget* parent)
    : AbstractTestDialog(parent)
{
    connect(this, &LogPlayerTest::signal_newThrottle, this, [](double percent) {
        const TestModeContext& context = TestModeContext::current();
        if (context.setThrottle)
            context.setThrottle(percent);
    }, Qt::QueuedConnection);
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });
    setWindowTitle(tr("Log Player"));
    auto* form = new QFormLayout(this);
    pushButton_load = new QPushButton(tr("Load log file"), this);
    connect(pushButton_load, &QPushButton::clicked, this, &LogPlayerTest::slot_loadLog);
    form->addRow(pushButton_load);
    spinBox_gain = new QDoubleSpinBox(this);
    spinBox_gain->setObjectName(QStringLiteral("LogPlayerTest_revMatching_gain"));
    spinBox_gain->setRange(0, 100);
    spinBox_gain->setDecimals(6);
    spinBox_gain->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    spinBox_gain->setToolTip(tr("Add throttle if actual engine speed is below target"));
    theSettings.connectDoubleSpinBox(spinBox_gain);
    gain.store(spinBox_gain->value());
    connect(spinBox_gain, &QDoubleSpinBox::valueChanged, this, [this](double v) { gain.store(v); });
    form->addRow(tr("Rev matching gain"), spinBox_gain);
    spinBox_throttleAtEnd = makeBox(this, "throttleAtEnd", Quantity::Fraction, 1);
    spinBox_throttleAtEnd->setValueSI(spinBox_throttleAtEnd->getUnit()
                                          ? spinBox_throttleAtEnd->getUnit()->getSIValue(0.5)
                                          : 0.5);
    spinBox_throttleAtEnd->setDecimals(0);
    theSettings.connectSpinBoxWithUnit(spinBox_throttleAtEnd);
    form->addRow(tr("Throttle at end"), spinBox_throttleAtEnd);
    const double inf = std::numeric_limits<double>::infinity();
    spinBox_displayHistory = makeBox(this, "displayHistory", Quantity::Time, inf);
    spinBox_displayHistory->setValueSI(10);
    spinBox_displayHistory->setDecimals(0);
    theSettings.connectSpinBoxWithUnit(spinBox_displayHistory);
    form->addRow(tr("Display history"), spinBox_displayHistory);
    spinBox_displayAhead = makeBox(this, "displayAhead", Quantity::Time, inf);
    spinBox_displayAhead->setValueSI(10);
    spinBox_displayAhead->setDecimals(0);
    theSettings.connectSpinBoxWithUnit(spinBox_displayAhead);
    form->addRow(tr("Display ahead"), spinBox_displayAhead);

    resampler = std::make_unique<MultiVectorResampler>(
        &log.time, QList<const QList<double>*>{&log.engineSpeed, &log.throttle, &log.gear});
    plot = new QCustomPlot(this);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    plot->addGraph(plot->xAxis, plot->yAxis)->setPen(QPen(Qt::red));
    plot->addGraph(plot->xAxis, plot->yAxis2)->setPen(QPen(Qt::blue));
    QCPAxis* gearAxis = plot->axisRect()->addAxis(QCPAxis::atLeft);
    plot->addGraph(plot->xAxis, gearAxis)->setPen(QPen(Qt::darkGreen));
    plot->yAxis2->setVisible(true);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    tracker = new QCPItemLine(plot);
    tracker->start->setTypeX(QCPItemPosition::ptPlotCoords);
    tracker->start->setTypeY(QCPItemPosition::ptAxisRectRatio);
    tracker->end->setTypeX(QCPItemPosition::ptPlotCoords);
    tracker->end->setTypeY(QCPItemPosition::ptAxisRectRatio);
    connect(plot, &QCustomPlot::mouseRelease, this, &LogPlayerTest::slot_plotMouseRelease);
    form->addRow(plot);

    engineSpeedChannel = liveChannel(ChannelId_engineSpeed);
    gearChannel = liveChannel(ChannelId_gearTarget);
    if (BrakeController* panel = TestModeContext::current().getPanel()) {
        panel->setChannel(BrakeControllerChannel_engineSpeed);
        panel->setMode(BrakeControllerMode_speed);
        if (panel->spinBox_minEngineSpeed) {
            minEngineSpeed.store(panel->spinBox_minEngineSpeed->getValueSI());
            connect(panel->spinBox_minEngineSpeed, &SpinBoxWithUnit::signal_valueChangedSI, this,
                    [this](double v) { minEngineSpeed.store(v); });
        }
    }
    plotTimer = new QTimer(this);
    plotTimer->setInterval(40);
    connect(plotTimer, &QTimer::timeout, this, &LogPlayerTest::slot_updateDriveCyclePlot);
    plotTimer->start();
    resize(900, 500);
}

LogPlayerTest::~LogPlayerTest()
{
    ticker->finish();
}

bool LogPlayerTest::isPlaying() const
{
    return ticker->isTimerActive();
}

void LogPlayerTest::setPlaybackTime(double seconds)
{
    if (!isPlaying())
        t.store(seconds);
}

void LogPlayerTest::setLog(const TestModeHooks::Log& newLog)
{
    if (isPlaying())
        return;
    log = newLog;
    resampler->reset();
    QList<double> rpm;
    QList<double> percent;
    for (double w : std::as_const(log.engineSpeed))
        rpm.append(w * 30.0 / M_PI);
    for (double f : std::as_const(log.throttle))
        percent.append(f * 100.0);
    plot->graph(0)->setData(log.time, rpm);
    plot->graph(1)->setData(log.time, percent);
    plot->graph(2)->setData(log.time, log.gear);
    plot->rescaleAxes();
}

void LogPlayerTest::slot_loadLog()
{
    const TestModeHooks& hooks = TestModeHooks::current();
    if (!hooks.loadLogFile)
        return;
    TestModeHooks::Log imported = log;
    if (hooks.loadLogFile(this, imported))
        setLog(imported);
}

void LogPlayerTest::slot_realTimeTick()
{
    const qint64 start = theRunThread ? theRunThread->runStartTime.load() : 0;
    const double now = (QDateTime::currentMSecsSinceEpoch() - start) / 1000.0 + offset;
    t.store(now);
    const QList<double> sample = resampler->getSamples(now);
    const double target = std::max(sample.value(0), minEngineSpeed.load());
    const double actual =
        engineSpeedChannel ? engineSpeedChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    if (theBrakeControllerThread)
        theBrakeControllerThread->externalEngineSpeedTarget.store(float(target));
    emit signal_newThrottle(SimConnector::throttlePercent(target, actual, gain.load(), sample.value(1)));
    if (gearChannel && std::isfinite(sample.value(2)))
        gearChannel->setData(sample.value(2), QDateTime::currentMSecsSinceEpoch());
}

void LogPlayerTest::slot_updateDriveCyclePlot()
{
    const bool active = theRunThread && theRunThread->runActive.load();
    const double now = t.load();
    if (active && wasActive) {
        plot->xAxis->setRange(now - spinBox_displayHistory->getValueSI(), now + spinBox_displayAhead->getValueSI());
    } else if (active && !wasActive) {
        if (!log.time.isEmpty() && !log.engineSpeed.isEmpty() && !log.throttle.isEmpty()) {
            offset = now;
            pushButton_load->setEnabled(false);
            resampler->reset();
            ticker->startTimer();
        }
    } else if (!active && wasActive) {
        if (isPlaying()) {
            ticker->stopTimer();
            emit signal_newThrottle(spinBox_throttleAtEnd->getValueSI() * 100.0);
        }
        if (!log.time.isEmpty())
            plot->xAxis->setRange(0, log.time.last());
        pushButton_load->setEnabled(true);
    }
    tracker->start->setCoords(now, 0);
    tracker->end->setCoords(now, 1);
    wasActive = active;
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void LogPlayerTest::slot_plotMouseRelease(QMouseEvent* event)
{
    const bool active = theRunThread && theRunThread->runActive.load();
    if (event->button() == Qt::LeftButton && !active)
        setPlaybackTime(plot->xAxis->pixelToCoord(event->position().x()));
}
