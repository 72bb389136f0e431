#include "SequenceDialog.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "PointVectorField.h"
#include "Resampler.h"
#include "TestModeContext.h"
#include "TestTicker.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace {

PointVectorEditor* makeEditor(QWidget* parent, const char* name, const QString& yLabel, Quantity quantity, double max,
                              const QList<QPointF>& points)
{
    auto* editor = new PointVectorEditor(parent, QStringLiteral("x"), QStringLiteral("y"));
    editor->setObjectName(QLatin1String(name));
    editor->axes[PointVectorField_x]->slot_setQuantity(Quantity::Time);
    editor->axes[PointVectorField_x]->slot_setLabel(QCoreApplication::translate("SequenceDialog", "Time from start"));
    editor->axes[PointVectorField_y]->slot_setQuantity(quantity);
    editor->axes[PointVectorField_y]->slot_setRangeSI(0, max);
    editor->axes[PointVectorField_y]->slot_setLabel(yLabel);
    editor->slot_setVector(points);
    editor->enableTracker();
    theSettings.connectPointVectorEditor(editor);
    return editor;
}

} // namespace

SequenceDialog::SequenceDialog(QWidget* parent)
    : AbstractTestDialog(parent)
{
    speedResamplers[0] = std::make_unique<Resampler>();
    speedResamplers[1] = std::make_unique<Resampler>();
    throttleResampler = std::make_unique<Resampler>();
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });
    trackerTimer = new QTimer(this);
    trackerTimer->setInterval(50);
    connect(trackerTimer, &QTimer::timeout, this, &SequenceDialog::slot_updateTrackerPosition);
    connect(this, &SequenceDialog::signal_newThrottle, this, [](double percent) {
        const TestModeContext& context = TestModeContext::current();
        if (context.setThrottle)
            context.setThrottle(percent);
    }, Qt::QueuedConnection);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(1);
    layout->setContentsMargins(1, 1, 1, 1);
    comboBox_mode = new QComboBox(this);
    comboBox_mode->setObjectName(QStringLiteral("sequence/mode"));
    if (theSettings.enumLabels.size() > 4 && theSettings.enumLabels[4])
        comboBox_mode->addItems(*theSettings.enumLabels[4]);
    else
        comboBox_mode->addItems({tr("Road speed mode"), tr("Engine speed mode")});
    if (BrakeController* panel = TestModeContext::current().getPanel())
        connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), panel->comboBox_channel,
                &QComboBox::setCurrentIndex);
    connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) { mode.store(i); });
    layout->addWidget(comboBox_mode);
    checkBox_startStopRun = new QCheckBox(tr("Start and end run with sequence"), this);
    checkBox_startStopRun->setObjectName(QStringLiteral("sequence/startStopTest"));
    theSettings.connectCheckBox(checkBox_startStopRun);
    layout->addWidget(checkBox_startStopRun);
    checkBox_showThrottle = new QCheckBox(tr("Show throttle control"), this);
    checkBox_showThrottle->setObjectName(QStringLiteral("sequence/showThrottleControl"));
    layout->addWidget(checkBox_showThrottle);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* innerLayout = new QVBoxLayout(inner);
    pages = new QStackedWidget(inner);
    const double inf = std::numeric_limits<double>::infinity();
    editor_dynoSpeed = makeEditor(pages, "widget_sequence_dynoSpeed", tr("Dyno speed limit"), Quantity::Speed, inf,
                                  {QPointF(0, 27.77777777777778), QPointF(2, 27.77777777777778),
                                   QPointF(8, 5.555555555555555), QPointF(10, 5.555555555555555)});
    editor_engineSpeed = makeEditor(pages, "widget_sequence_rpm", tr("Engine speed limit"), Quantity::RotationalSpeed,
                                    inf,
                                    {QPointF(0, 628.3185307179587), QPointF(2, 628.3185307179587),
                                     QPointF(8, 104.71975511965977), QPointF(10, 104.71975511965977)});
    pages->addWidget(editor_dynoSpeed);
    pages->addWidget(editor_engineSpeed);
    innerLayout->addWidget(pages);
    editor_throttle = makeEditor(inner, "widget_sequence_throttle", tr("Throttle opening"), Quantity::Fraction, 1,
                                 {QPointF(0, 0), QPointF(2, 1), QPointF(8, 1), QPointF(10, 0)});
    innerLayout->addWidget(editor_throttle);
    scroll->setWidget(inner);
    layout->addWidget(scroll, 1);
    connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), pages, &QStackedWidget::setCurrentIndex);

    pushButton_start = new QPushButton(tr("Start sequence"), this);
    pushButton_start->setCheckable(true);
    connect(pushButton_start, &QPushButton::toggled, this, &SequenceDialog::slot_sequenceButtonToggled);
    layout->addWidget(pushButton_start);

    connect(checkBox_showThrottle, &QCheckBox::stateChanged, this, &SequenceDialog::slot_enableThrottleControlChanged);
    theSettings.connectCheckBox(checkBox_showThrottle);
    slot_enableThrottleControlChanged(checkBox_showThrottle->checkState());
    theSettings.connectComboBox(comboBox_mode);
    mode.store(comboBox_mode->currentIndex());
    pages->setCurrentIndex(comboBox_mode->currentIndex());
    setWindowTitle(tr("Test Sequence"));
}

SequenceDialog::~SequenceDialog()
{
    ticker->finish();
}

bool SequenceDialog::isTicking() const
{
    return ticker->isTimerActive();
}

void SequenceDialog::slot_enableThrottleControlChanged(int state)
{
    showThrottle.store(state != Qt::Unchecked);
    editor_throttle->setVisible(state != Qt::Unchecked);
    resize(700, state != Qt::Unchecked ? 950 : 550);
}

void SequenceDialog::load(Curve& curve, PointVectorEditor* editor)
{
    const QList<QPointF> points = editor->vector();
    curve.resampler->replaceData(points);
    curve.empty = points.isEmpty();
    curve.lastTime = points.isEmpty() ? 0 : points.last().x();
}

SequenceDialog::Step SequenceDialog::evaluate(double t, const Curve& speed, const Curve& throttle, bool showThrottle)
{
    Step step;
    if (!speed.empty) {
        step.writeSpeed = true;
        step.speed = speed.resampler->getSample(t, false);
    }
    const auto throttleAt = [&] {
        if (!throttle.empty) {
            step.sendThrottle = true;
            step.throttlePercent = throttle.resampler->getSample(t, false) * 100.0;
        }
    };
    if (speed.empty || t > speed.lastTime) {
        if (showThrottle) {
            throttleAt();
            if (!throttle.empty && t <= throttle.lastTime)
                return step;
        }
        step.end = true;
    } else if (showThrottle) {
        throttleAt();
    }
    return step;
}

bool SequenceDialog::tick()
{
    const double t = (QDateTime::currentMSecsSinceEpoch() - startTime.load()) / 1000.0;
    const int m = mode.load() == 1 ? 1 : 0;
    const Step step = evaluate(t, speedCurves[m], throttleCurve, showThrottle.load());
    if (step.writeSpeed) {
        BrakeControllerThread* thread = theBrakeControllerThread;
        if (thread)
            (m == 0 ? thread->externalDynoSpeedTarget : thread->externalEngineSpeedTarget).store(float(step.speed));
        else
            ownTargets[m] = float(step.speed);
    }
    if (step.sendThrottle)
        emit signal_newThrottle(step.throttlePercent);
    return step.end;
}

void SequenceDialog::slot_realTimeTick()
{
    if (!tick() || !started.load())
        return;
    // Over: no further tick, and the GUI thread runs the stop.
    ticker->stopFromTick();
    QMetaObject::invokeMethod(this, [this] { pushButton_start->setChecked(false); }, Qt::QueuedConnection);
}

void SequenceDialog::slot_sequenceButtonToggled(bool checked)
{
    const TestModeContext& context = TestModeContext::current();
    BrakeController* panel = context.getPanel();
    if (checked) {
        startTime.store(QDateTime::currentMSecsSinceEpoch());
        trackerTimer->start();
        for (int i = 0; i < 2; ++i)
            speedCurves[i].resampler = speedResamplers[i].get();
        throttleCurve.resampler = throttleResampler.get();
        load(speedCurves[0], editor_dynoSpeed);
        load(speedCurves[1], editor_engineSpeed);
        load(throttleCurve, editor_throttle);
        // The first target is in place before the absorber takes it. A curve
        // that is already over ends the sequence once the start is complete.
        const bool over = tick();
        if (panel)
            panel->setMode(BrakeControllerMode_speed);
        started.store(true);
        ticker->startTimer();
        pushButton_start->setText(tr("Stop sequence"));
        for (QWidget* w : {static_cast<QWidget*>(editor_dynoSpeed), static_cast<QWidget*>(editor_engineSpeed),
                           static_cast<QWidget*>(editor_throttle), static_cast<QWidget*>(comboBox_mode)})
            w->setEnabled(false);
        if (checkBox_startStopRun->isChecked() && !context.isRunActive() && context.pressStartStop)
            context.pressStartStop();
        if (over)
            pushButton_start->setChecked(false);
        return;
    }
    started.store(false);
    trackerTimer->stop();
    ticker->stopTimer();
    if (panel)
        panel->setMode(BrakeControllerMode_off);
    pushButton_start->setText(tr("Start sequence"));
    for (QWidget* w : {static_cast<QWidget*>(editor_dynoSpeed), static_cast<QWidget*>(editor_engineSpeed),
                       static_cast<QWidget*>(editor_throttle), static_cast<QWidget*>(comboBox_mode)})
        w->setEnabled(true);
    if (showThrottle.load()) {
        const QList<QPointF> points = editor_throttle->vector();
        emit signal_newThrottle(points.isEmpty() ? 0.0 : points.first().y() * 100.0);
    }
    if (checkBox_startStopRun->isChecked() && context.isRunActive() && context.pressStartStop)
        context.pressStartStop();
}

void SequenceDialog::slot_updateTrackerPosition()
{
    const double t = (QDateTime::currentMSecsSinceEpoch() - startTime.load()) / 1000.0;
    PointVectorEditor* speed = mode.load() == 1 ? editor_engineSpeed : editor_dynoSpeed;
    speed->setTrackerPositionSI(t, speed->getValue(t));
    editor_throttle->setTrackerPositionSI(t, editor_throttle->getValue(t));
}
