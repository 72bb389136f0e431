#include "RampTestDialog.h"

#include "Argument.h"
#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "DynoSettings.h"
#include "Fonts.h"
#include "LayoutLine.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "QuantityComboBox.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "TestModeContext.h"
#include "TestTicker.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTimer>

#include <limits>

const char* const RampTestDialog::roadThresholdKey = "rampTest_trackingThreshold";
const char* const RampTestDialog::engineThresholdKey = "rampTest_engineTrackingThreshold";

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kRoadThresholdDefault = 2.7777777777777777;    // 10 km/h
constexpr double kEngineThresholdDefault = 20.943951023931955;  // 200 rpm

RampTestTargets targetsOf(std::atomic<float>* own)
{
    if (BrakeControllerThread* thread = theBrakeControllerThread)
        return {&thread->externalDynoSpeedTarget, &thread->externalEngineSpeedTarget, &thread->externalDynoAccTarget,
                &thread->externalEngineAccTarget};
    return {&own[0], &own[1], &own[2], &own[3]};
}

bool isEngineDyno()
{
    return theDynoSettings && theDynoSettings->getSettingValueDouble(DynoSettingId_dynoType, 0) == 0.0;
}

SpinBoxWithUnit* makeSpinBox(QWidget* parent, const char* name, Quantity quantity, double minimum, double maximum,
                             double value, int decimals, const QString& toolTip)
{
    auto* box = new SpinBoxWithUnit(parent, quantity);
    box->setObjectName(QLatin1String(name));
    box->setRangeSI(minimum, maximum);
    box->setDecimals(decimals);
    box->setValueSI(value);
    box->setToolTip(toolTip);
    theSettings.connectSpinBoxWithUnit(box);
    return box;
}

double channelValue(RunChannel* channel)
{
    return channel ? channel->getValue() : std::numeric_limits<double>::quiet_NaN();
}

RunChannel* liveChannel(ChannelId id)
{
    if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
        return nullptr;
    return theChannels.getChannel(id, 0);
}

} // namespace

RampTestDialog::Page RampTestDialog::buildPage(bool roadPage)
{
    auto* widget = new QWidget(pages);
    auto* form = new QFormLayout(widget);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(2);
    form->setLabelAlignment(Qt::AlignLeft);
    const Quantity speed = roadPage ? Quantity::Speed : Quantity::RotationalSpeed;
    const Quantity acceleration = roadPage ? Quantity::Acceleration : Quantity::RotationalAcceleration;
    Page page;
    page.startSpeed = makeSpinBox(
        widget, roadPage ? "rampTest_startSpeed" : "rampTest_engineStartSpeed", speed, 0, kInf,
        roadPage ? 13.88888888888889 : 209.43951023931953, 0,
        tr("Speed control hold target to always have the same starting conditions at the beginning of the test"));
    form->addRow(tr("Start hold speed"), page.startSpeed);
    page.startHoldTime = makeSpinBox(widget, roadPage ? "rampTest_startHoldTime" : "rampTest_engineStartHoldTime",
                                     Quantity::Time, 0, 100, 3, 1, tr("Duration of the start hold"));
    form->addRow(tr("Start hold time"), page.startHoldTime);

    page.releaseArgument = new ArgumentWidget(widget, nullptr);
    page.releaseArgument->setObjectName(
        QLatin1String(roadPage ? "rampTest_releaseArgument" : "rampTest_engineReleaseArgument"));
    page.releaseArgument->setToolTip(tr("Trigger to end start hold earlier"));
    theSettings.connectArgumentWidget(page.releaseArgument);
    page.releaseArgument->typeCombo->setCurrentIndex(ArgumentType_channel);
    page.releaseArgument->typeCombo->hide();
    page.releaseArgument->setLockedQuantity(Quantity::Logic);
    page.releaseArgument->quantityCombo->hide();
    form->addRow(tr("Release trigger"), page.releaseArgument);

    page.releaseTime = makeSpinBox(widget, roadPage ? "rampTest_holdReleaseTime" : "rampTest_engineHoldReleaseTime",
                                   Quantity::Time, 0, 100, 3, 1, tr("Duration of transition from start hold to acceleration"));
    form->addRow(tr("Release time"), page.releaseTime);
    page.rate = makeSpinBox(widget, roadPage ? "rampTest_accRampLimit" : "rampTest_engineAccRampLimit", acceleration, 0,
                            roadPage ? 100 : kInf, roadPage ? 2.7777777777777777 : 5.235987755982989, 0,
                            tr("Rate of acceleration in the ramp"));
    form->addRow(tr("Acceleration rate"), page.rate);
    page.easeIn = makeSpinBox(
        widget, roadPage ? "rampTest_topHoldEaseInFraction" : "rampTest_engineTopHoldEaseInFraction", Quantity::Fraction,
        0, 0.5, 0.1, 0,
        tr("Start of transition from acceleration to top hold\ntransitionStartSpeed = (1.0-topHoldEaseIn) * topHoldSpeed"));
    form->addRow(tr("Top hold ease-in"), page.easeIn);

    page.topHold = new QCheckBox(tr("Top hold speed"), widget);
    page.topHold->setObjectName(QLatin1String(roadPage ? "rampTest_enableTopHold" : "rampTest_engineEnableTopHold"));
    page.topHold->setMinimumWidth(140);
    theSettings.connectCheckBox(page.topHold);
    page.topHoldSpeed = makeSpinBox(
        widget, roadPage ? "rampTest_topHoldSpeed" : "rampTest_engineTopHoldSpeed", speed, 0, kInf,
        roadPage ? 55.55555555555556 : 837.7580409572781, 0,
        tr("Hold the engine at top speed to avoid hitting rev limiter,\nand to avoid power curve being rolled-off at peak "
           "speed by filter"));
    page.topHold->setToolTip(page.topHoldSpeed->toolTip());
    form->addRow(page.topHold, page.topHoldSpeed);
    pages->addWidget(widget);

    for (SpinBoxWithUnit* box :
         {page.startSpeed, page.startHoldTime, page.releaseTime, page.rate, page.easeIn, page.topHoldSpeed})
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, &RampTestDialog::slot_updateSnapshot);
    connect(page.topHold, &QCheckBox::toggled, this, &RampTestDialog::slot_updateSnapshot);
    return page;
}

RampTestDialog::RampTestDialog(QWidget* parent)
    : AbstractTestDialog(parent)
    , logic(targetsOf(ownTargets), isEngineDyno())
{
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });

    panel = TestModeContext::current().getPanel();
    // The worker waits until the panel has taken the request; a request that
    // arrives while the window closes is dropped (TestTicker).
    if (panel) {
        connect(
            this, &RampTestDialog::signal_setControllerMode, this,
            [this](int mode) { ticker->runInGui([p = panel, mode] { p->comboBox_mode->setCurrentIndex(mode); }); },
            Qt::DirectConnection);
    }

    auto* form = new QFormLayout(this);
    form->setSpacing(2);

    comboBox_mode = new QComboBox(this);
    comboBox_mode->setObjectName(QStringLiteral("rampTest_mode"));
    if (theSettings.enumLabels.size() > 4 && theSettings.enumLabels[4])
        comboBox_mode->addItems(*theSettings.enumLabels[4]);
    else
        comboBox_mode->addItems({tr("Road speed mode"), tr("Engine speed mode")});
    if (panel)
        connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), panel->comboBox_channel,
                &QComboBox::setCurrentIndex);
    Tools::blockMouseWheelAdjustment(comboBox_mode);

    comboBox_accelerationMode = new QComboBox(this);
    comboBox_accelerationMode->setObjectName(QStringLiteral("rampTest_accelerationMode"));
    comboBox_accelerationMode->addItems({tr("Speed controlled ramp"), tr("Acceleration controlled ramp")});
    comboBox_accelerationMode->setCurrentIndex(1);
    comboBox_accelerationMode->setToolTip(
        tr("Ramp control mode:\n\nSpeed controlled ramp - uses speed control to keep to a desired speed on the ramp\n"
           "Use when strict following of the speed in time is required\n\nAcceleration controlled ramp - uses "
           "acceleration control to keep a desired acceleration\nUse for typical power measurements, as this mode is "
           "less likely to create loops on the plot"));
    connect(comboBox_accelerationMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &RampTestDialog::slot_rampModeChanged);
    Tools::blockMouseWheelAdjustment(comboBox_accelerationMode);

    pages = new QStackedWidget(this);
    connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), pages, &QStackedWidget::setCurrentIndex);
    road = buildPage(true);
    engine = buildPage(false);
    roadTrigger = road.releaseArgument->argument;
    engineTrigger = engine.releaseArgument->argument;
    form->addRow(pages);
    form->addRow(comboBox_mode);
    form->addRow(comboBox_accelerationMode);
    form->addRow(new LayoutLine(this));

    const bool engineDyno = logic.isEngineDyno();
    checkBox_forcedCoastdown = new QCheckBox(tr("Coastdown rate"), this);
    checkBox_forcedCoastdown->setObjectName(QStringLiteral("rampTest_enableForcedCoastdown"));
    checkBox_forcedCoastdown->setMinimumWidth(140);
    const QString coastdownTip = tr("Rate of coastdown accelerated by absorber\nToo high rate can impact loss measurement.\n"
                                    "To get maximum value for your dyno,\nincrease until you notice influence on power "
                                    "results,\nthen dial back a bit.");
    checkBox_forcedCoastdown->setToolTip(coastdownTip);
    theSettings.connectCheckBox(checkBox_forcedCoastdown);
    spinBox_coastdownRate = makeSpinBox(this, "rampTest_coastdownRate", Quantity::Acceleration, 0, 100,
                                        2.7777777777777777, 0, coastdownTip);
    spinBox_engineCoastdownRate = makeSpinBox(this, "rampTest_engineCoastdownRate", Quantity::RotationalAcceleration, 0,
                                              kInf, 5.235987755982989, 0, coastdownTip);
    auto* coastdownRow = new QHBoxLayout;
    coastdownRow->addWidget(spinBox_coastdownRate);
    coastdownRow->addWidget(spinBox_engineCoastdownRate);
    (engineDyno ? spinBox_coastdownRate : spinBox_engineCoastdownRate)->hide();
    form->addRow(checkBox_forcedCoastdown, coastdownRow);
    connect(checkBox_forcedCoastdown, &QCheckBox::toggled, this, &RampTestDialog::slot_updateSnapshot);
    for (SpinBoxWithUnit* box : {spinBox_coastdownRate, spinBox_engineCoastdownRate})
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, &RampTestDialog::slot_updateSnapshot);

    label_state = new QLabel(this);
    label_state->setAlignment(Qt::AlignCenter);
    QFont font = theFonts.normalFont;
    font.setPointSize(20);
    label_state->setFont(font);
    label_state->setFrameStyle(QFrame::Box | QFrame::Plain);
    label_state->setLineWidth(2);
    form->addRow(label_state);
    connect(this, &RampTestDialog::signal_setStateLabel, label_state, &QLabel::setText, Qt::QueuedConnection);
    connect(this, &RampTestDialog::signal_setModeSelectorEnabled, comboBox_mode, &QWidget::setEnabled,
            Qt::QueuedConnection);

    // Restoring a stored index re-emits it: the panel's variable and the page follow.
    theSettings.connectComboBox(comboBox_mode);
    theSettings.connectComboBox(comboBox_accelerationMode);
    connect(comboBox_mode, qOverload<int>(&QComboBox::currentIndexChanged), this, &RampTestDialog::slot_updateSnapshot);
    connect(comboBox_accelerationMode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &RampTestDialog::slot_updateSnapshot);

    roadSpeedChannel = liveChannel(ChannelId_dynoSpeed);
    engineSpeedChannel = liveChannel(ChannelId_engineSpeed);
    powerChannel = liveChannel(ChannelId_dynoOnWheelsPower);

    logic.requestMode = [this](int mode) { emit signal_setControllerMode(mode); };
    logic.requestVariable = [this](int variable) { emit signal_setControlVariable(variable); };
    logic.setModeSelectorEnabled = [this](bool enabled) { emit signal_setModeSelectorEnabled(enabled); };
    logic.setLabel = [this](const QString& text) { emit signal_setStateLabel(text); };

    if (theSettings.value(QStringLiteral("script"), QString()).toString() == QLatin1String("vimbastrel1")) {
        comboBox_accelerationMode->setCurrentIndex(1);
        comboBox_accelerationMode->hide();
    }
    if (engineDyno) {
        comboBox_mode->setCurrentIndex(1);
        comboBox_mode->hide();
    }

    if (panel) {
        panel->setMode(BrakeControllerMode_off);
        connect(
            this, &RampTestDialog::signal_setControlVariable, this,
            [this](int variable) {
                ticker->runInGui([p = panel, variable] { p->comboBox_channel->setCurrentIndex(variable); });
            },
            Qt::DirectConnection);
    }
    setWindowTitle(tr("Ramp"));

    // The run flag, the panel's minimums and the SETTINGS thresholds change
    // elsewhere; the tick sees them within a few ticks.
    snapshotTimer = new QTimer(this);
    snapshotTimer->setInterval(50);
    connect(snapshotTimer, &QTimer::timeout, this, &RampTestDialog::slot_updateSnapshot);
    snapshotTimer->start();
    slot_updateSnapshot();
    ticker->startTimer();

    const TestModeContext& context = TestModeContext::current();
    if (context.setEngineSpeedSourceEnabled)
        context.setEngineSpeedSourceEnabled(false);
}

RampTestDialog::~RampTestDialog()
{
    ticker->finish();
    ticker.reset();
    const TestModeContext& context = TestModeContext::current();
    if (context.setEngineSpeedSourceEnabled)
        context.setEngineSpeedSourceEnabled(true);
}

RampTestParameters RampTestDialog::read(const Page& page)
{
    RampTestParameters p;
    p.startSpeed = page.startSpeed->getValueSI();
    p.startHoldTime = page.startHoldTime->getValueSI();
    p.releaseTime = page.releaseTime->getValueSI();
    p.rate = page.rate->getValueSI();
    p.easeIn = page.easeIn->getValueSI();
    p.topHold = page.topHold->isChecked();
    p.topHoldSpeed = page.topHoldSpeed->getValueSI();
    return p;
}

void RampTestDialog::slot_updateSnapshot()
{
    // Called while the editors are still being built, by their bindings.
    if (!road.topHoldSpeed || !engine.topHoldSpeed || !spinBox_engineCoastdownRate || !comboBox_accelerationMode)
        return;
    RampTestSnapshot next;
    next.road = read(road);
    next.engine = read(engine);
    next.roadMode = comboBox_mode->currentIndex() == 0;
    next.accelerationControlled = comboBox_accelerationMode->currentIndex() == 1;
    next.forcedCoastdown = checkBox_forcedCoastdown->isChecked();
    next.roadCoastdownRate = spinBox_coastdownRate->getValueSI();
    next.engineCoastdownRate = spinBox_engineCoastdownRate->getValueSI();
    next.roadThreshold =
        theSettings.value(theSettings.keyPrefix + QLatin1String(roadThresholdKey), kRoadThresholdDefault).toDouble();
    next.engineThreshold =
        theSettings.value(theSettings.keyPrefix + QLatin1String(engineThresholdKey), kEngineThresholdDefault)
            .toDouble();
    if (panel && panel->spinBox_minDynoSpeed) {
        next.minRoadSpeed = panel->spinBox_minDynoSpeed->getValueSI();
        next.minEngineSpeed = panel->spinBox_minEngineSpeed->getValueSI();
    }
    next.runActive = TestModeContext::current().isRunActive();
    QMutexLocker locker(&snapshotMutex);
    snapshot = next;
}

void RampTestDialog::slot_rampModeChanged(int index)
{
    const int step = logic.step();
    if (panel
        && (step == RampTestStep_releasing || step == RampTestStep_acceleration || step == RampTestStep_coastdown))
        panel->setMode(index == 1 ? BrakeControllerMode_acceleration : BrakeControllerMode_speed);
}

void RampTestDialog::slot_realTimeTick()
{
    RampTestSnapshot s;
    {
        QMutexLocker locker(&snapshotMutex);
        s = snapshot;
    }
    RampTestInputs in;
    in.now = QDateTime::currentMSecsSinceEpoch();
    in.roadSpeed = channelValue(roadSpeedChannel);
    in.engineSpeed = channelValue(engineSpeedChannel);
    in.power = channelValue(powerChannel);
    const Argument* trigger = s.roadMode ? roadTrigger : engineTrigger;
    in.trigger = trigger ? trigger->getValue() : std::numeric_limits<double>::quiet_NaN();
    logic.tick(s, in);
}
