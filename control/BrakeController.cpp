#include "BrakeController.h"

#include "lib/ThreadHandOver.h"

#include "AbsorberLockButton.h"
#include "BrakeControllerFF.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "DynoMode.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "Fonts.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "VehicleParamId.h"
#include "lib/Unit.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
const QColor kAntiStallColor(255, 224, 77);

RunChannel* builtInChannel(ChannelId id, int index = 0)
{
    if (id >= theChannels.channelLists.size() || !theChannels.channelLists.at(id))
        return nullptr;
    return theChannels.getChannel(id, index);
}

bool absorberControlOnlyDuringRun()
{
    const QString key = theSettings.keyPrefix + QStringLiteral("checkBox_settings_absorberControlOnlyDuringRun");
    return theSettings.value(key, int(Qt::Checked)).toInt() != Qt::Unchecked;
}

} // namespace

const QList<QPointF> BrakeController::dynoSpeedCurve{QPointF(50, 0), QPointF(100, 1)};
const QList<QPointF> BrakeController::throttleCurve{QPointF(0, 0), QPointF(1, 1)};
const QList<QPointF> BrakeController::manifoldPressureCurve{QPointF(20000, 0), QPointF(100000, 1),
                                                            QPointF(300000, 3)};
// 0, 1000, 2000, 4000 and 8000 rpm.
const QList<QPointF> BrakeController::engineSpeedCurve{QPointF(0, 0), QPointF(104.71975511965977, 0.8),
                                                       QPointF(209.43951023931953, 1.0),
                                                       QPointF(418.87902047863906, 1.0),
                                                       QPointF(837.7580409572781, 0.8)};

BrakeController::BrakeController(QWidget* parent)
    : QFrame(parent)
{
    targetIndicationTimer = new QTimer(this);
    targetIndicationTimer->setInterval(100);
    connect(targetIndicationTimer, &QTimer::timeout, this, &BrakeController::slot_updateTargetControlIndication);
    antiStallIndicationTimer = new QTimer(this);
    antiStallIndicationTimer->setInterval(200);
    connect(antiStallIndicationTimer, &QTimer::timeout, this, &BrakeController::slot_updateAntiStallIndication);

    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    form = new QFormLayout(this);
    form->setContentsMargins(1, 1, 1, 1);
    form->setSpacing(2);
    form->setLabelAlignment(Qt::AlignRight);

    absorberLockButton = new AbsorberLockButton(this);
    form->addRow(absorberLockButton);

    comboBox_mode = new QComboBox(this);
    comboBox_mode->setObjectName(QStringLiteral("brakeController_mode"));
    comboBox_mode->addItems({tr("Absorber OFF"), tr("Torque control"), tr("Torque c. joined"), tr("Speed control"),
                             tr("Accel. control")});
    comboBox_mode->setToolTip(
        tr("Basic brake control modes:\n"
           "Absorber OFF - Absorber is turned off. Dyno works like an inertial dyno\n"
           "Torque control - Manually set fraction of available torque per each absorber\n"
           "Torque c. joined - Manually set the same fraction of available torque on all absorbers\n"
           "Speed control - Set a steady state speed that the dyno will keep\n"
           "Accel. control - Set a fixed acceleration rate that the dyno will keep"));
    comboBox_mode->setFont(theFonts.bigFont);
    comboBox_channel = new QComboBox(this);
    comboBox_channel->setObjectName(QStringLiteral("brakeController_variable"));
    comboBox_channel->addItems({tr("Dyno road speed"), tr("Eng. rot. speed")});
    comboBox_channel->setToolTip(tr("Variable used for control modes: dyno road speed or engine rotational speed"));
    comboBox_channel->setCurrentIndex(BrakeControllerChannel_engineSpeed);
    form->addRow(tr("&Mode"), comboBox_mode);
    form->addRow(tr("&Var."), comboBox_channel);
}

BrakeController::~BrakeController()
{
    // The thread must not read a panel that is going away.
    if (theBrakeControllerThread && theBrakeControllerThread->panel() == &inputs)
        theBrakeControllerThread->setPanel(nullptr);
}

SafeSpinBox* BrakeController::createEditor(const QString& name, Quantity quantity, double minimum,
                                           const QString& toolTip, std::atomic<double>* published)
{
    auto* editor = new SafeSpinBox(this);
    editor->setObjectName(name);
    editor->slot_setQuantity(quantity);
    editor->setRangeSI(minimum, kInfinity);
    editor->setDecimals(0);
    editor->setFont(theFonts.bigFont);
    editor->configMenuEnabled = true;
    editor->setToolTip(toolTip);
    // Connected before the binding, so the restored value is published too.
    if (published)
        connect(editor, &SpinBoxWithUnit::signal_valueChangedSI, this,
                [published](double value) { published->store(value); });
    theSettings.connectSpinBoxWithUnit(editor);
    if (published)
        published->store(editor->getValueSI());
    return editor;
}

void BrakeController::init()
{
    if (initialized)
        return;
    initialized = true;

    // 1. Road-speed and engine-speed rows.
    const QString minimumTip =
        tr("Minimum speed for anti stall protection.") + QLatin1Char('\n')
        + tr("This must be set lower than the speed you want to operate on.");
    const QString antiStallText = QStringLiteral("  A.S.");
    label_dynoAntiStall = new QLabel(antiStallText, this);
    label_dynoAntiStall->setAutoFillBackground(true);
    label_engineAntiStall = new QLabel(antiStallText, this);
    label_engineAntiStall->setAutoFillBackground(true);
    spinBox_minDynoSpeed = createEditor(QStringLiteral("brakeController_spinBox_minDynoSpeed"), Quantity::Speed, 0.0,
                                        minimumTip, &inputs.minDynoSpeed);
    spinBox_dynoSpeedTarget = createEditor(QStringLiteral("brakeController_spinBox_dynoSpeedTarget"), Quantity::Speed,
                                           0.0, tr("Target speed"), &inputs.dynoSpeedTarget);
    spinBox_dynoAccTarget = createEditor(QStringLiteral("brakeController_spinBox_dynoAccTarget"),
                                         Quantity::Acceleration, -kInfinity, tr("Target acceleration rate"),
                                         &inputs.dynoAccTarget);
    spinBox_minEngineSpeed = createEditor(QStringLiteral("brakeController_spinBox_minEngineSpeed"),
                                          Quantity::RotationalSpeed, 0.0, minimumTip, &inputs.minEngineSpeed);
    spinBox_engineSpeedTarget = createEditor(QStringLiteral("brakeController_spinBox_engineSpeedTarget"),
                                             Quantity::RotationalSpeed, 0.0, tr("Target speed"),
                                             &inputs.engineSpeedTarget);
    spinBox_engineAccTarget = createEditor(QStringLiteral("brakeController_spinBox_engineAccTarget"),
                                           Quantity::RotationalAcceleration, -kInfinity,
                                           tr("Target acceleration rate"), &inputs.engineAccTarget);
    form->addRow(label_dynoAntiStall, spinBox_minDynoSpeed);
    form->addRow(tr("Spee&d"), spinBox_dynoSpeedTarget);
    form->addRow(tr("&Acc."), spinBox_dynoAccTarget);
    form->addRow(label_engineAntiStall, spinBox_minEngineSpeed);
    form->addRow(tr("Spee&d"), spinBox_engineSpeedTarget);
    form->addRow(tr("&Acc."), spinBox_engineAccTarget);

    // 2. The absorber starts unlocked; the button then follows its argument.
    if (theMCUThread)
        theMCUThread->setAbsorberLock(false);
    absorberLockButton->init();

    // 3. One torque row per load cell.
    const int cells = std::clamp(theHwInfo.loadCells, 0, BrakeControllerPanelInputs::maxLoadCells);
    for (int cell = 0; cell < cells; ++cell)
        addTorqueRow(cell);

    // 4. The feed-forward setups.
    RunChannel* throttle = theChannels.getVehicleParam(VehicleParamId_TPS);
    RunChannel* manifoldPressure = theChannels.getVehicleParam(VehicleParamId_MAP);
    QList<QPointF> dynoCurve = dynoSpeedCurve;
    QList<QPointF> throttleDefault = throttleCurve;
    QList<QPointF> pressureDefault = manifoldPressureCurve;
    QList<QPointF> engineCurve = engineSpeedCurve;
    dynoSpeedFF = new BrakeControllerFF(this, QStringLiteral("brakeController_dynoSpeed_accFF"),
                                        tr("Feed Forward Setup - road speed mode"), QStringLiteral("r.s."),
                                        {builtInChannel(ChannelId_dynoSpeed), throttle, manifoldPressure},
                                        {&dynoCurve, &throttleDefault, &pressureDefault});
    engineSpeedFF = new BrakeControllerFF(this, QStringLiteral("brakeController_engineSpeed_accFF"),
                                          tr("Feed Forward Setup - engine speed mode"), QStringLiteral("e.s."),
                                          {builtInChannel(ChannelId_engineSpeed), throttle, manifoldPressure},
                                          {&engineCurve, &throttleDefault, &pressureDefault});
    form->addRow(dynoSpeedFF);
    form->addRow(engineSpeedFF);
    inputs.dynoFeedForward = dynoSpeedFF;
    inputs.engineFeedForward = engineSpeedFF;

    // 5. The thread reads this panel from now on. Mode copies and the
    // immediate tick are made under the thread's panel lock, so they never
    // race its own tick and need no call into its event loop.
    connect(this, &BrakeController::signal_updateBrakeControllerThreadMode, this, [] {
        if (theBrakeControllerThread)
            theBrakeControllerThread->slot_updateMode();
    });
    if (theBrakeControllerThread) {
        theBrakeControllerThread->setPanel(&inputs);
        if (!theBrakeControllerThread->isRunning())
            theBrakeControllerThread->start(QThread::TimeCriticalPriority);
    }

    // 6. Variable, then mode: restoring them runs their handlers.
    connect(comboBox_channel, &QComboBox::currentIndexChanged, this, &BrakeController::slot_varChanged);
    connect(comboBox_mode, &QComboBox::currentIndexChanged, this, &BrakeController::slot_modeChanged);
    theSettings.connectComboBox(comboBox_channel);
    theSettings.connectComboBox(comboBox_mode);

    // 8. Indication and the thread's tick.
    antiStallIndicationTimer->start();
    if (theBrakeControllerThread)
        ThreadHandOver::blockingCall(theBrakeControllerThread, [] { theBrakeControllerThread->slot_start(); });
}

void BrakeController::addTorqueRow(int cell)
{
    auto* editor = new SafeSpinBox(this);
    editor->setObjectName(QStringLiteral("brakeController_spinBox_brakeTarget"));
    editor->slot_setQuantity(Quantity::Fraction);
    editor->setUnitFromName(QStringLiteral("%"));
    editor->restrictUnits({QStringLiteral("%")});
    editor->unitMenuEnabled = false;
    editor->setRangeSI(0.0, 1.0);
    editor->setDecimals(0);
    editor->setFont(theFonts.bigFont);
    editor->configMenuEnabled = true;
    editor->setToolTip(tr("Target fraction of available absorber torque"));
    std::atomic<double>* published = &inputs.torqueTarget[cell];
    connect(editor, &SpinBoxWithUnit::signal_valueChangedSI, this,
            [published](double value) { published->store(value); });
    theSettings.connectSpinBoxWithUnit(editor);
    published->store(editor->getValueSI());
    auto* label = new QLabel(cell == 0 ? tr("Torque") : tr("Torque") + QLatin1Char(' ') + QString::number(cell + 1),
                             this);
    form->addRow(label, editor);
    spinBox_brakeTargets.append(editor);
    label_brakeTargets.append(label);
}

void BrakeController::linkTorqueEditors(bool joined)
{
    for (const QMetaObject::Connection& link : std::as_const(torqueLinks))
        disconnect(link);
    torqueLinks.clear();
    if (spinBox_brakeTargets.isEmpty())
        return;
    SafeSpinBox* first = spinBox_brakeTargets.first();
    if (joined) {
        first->setEnabled(true);
        for (int i = 1; i < spinBox_brakeTargets.size(); ++i) {
            SafeSpinBox* other = spinBox_brakeTargets.at(i);
            torqueLinks.append(connect(first, &SpinBoxWithUnit::signal_valueChangedSI, other,
                                       &SpinBoxWithUnit::setValueSI));
            other->setValueSI(first->getValueSI());
            other->setEnabled(false);
        }
        return;
    }
    const bool enabled = comboBox_mode->currentIndex() == BrakeControllerMode_torque;
    for (SafeSpinBox* editor : std::as_const(spinBox_brakeTargets))
        editor->setEnabled(enabled);
}

void BrakeController::slot_modeChanged(int modeId)
{
    inputs.mode.store(modeId);
    if (RunChannel* channel = builtInChannel(ChannelId_brakeControlMode))
        channel->setDataWithoutFilter(modeId, QDateTime::currentMSecsSinceEpoch());
    modeChangedDuringRun = true;
    updateDeviceMode();
    linkTorqueEditors(modeId == BrakeControllerMode_torqueJoined);
    updateWidgetVisibility();
}

void BrakeController::slot_varChanged(int varId)
{
    inputs.variable.store(varId);
    emit signal_updateBrakeControllerThreadMode();
    updateWidgetVisibility();
}

void BrakeController::updateDeviceMode()
{
    if (!runActive && absorberControlOnlyDuringRun()) {
        deviceMode = int(DynoMode::idle);
        if (theMCUThread)
            theMCUThread->setDeviceMode(DynoMode::idle);
        return;
    }
    const int mode = comboBox_mode->currentIndex();
    switch (mode) {
    case BrakeControllerMode_off: deviceMode = int(DynoMode::inertia); break;
    case BrakeControllerMode_torque:
    case BrakeControllerMode_torqueJoined: deviceMode = int(DynoMode::remoteTorque); break;
    case BrakeControllerMode_speed: deviceMode = int(DynoMode::lockSpeed); break;
    case BrakeControllerMode_acceleration: deviceMode = int(DynoMode::lockAcc); break;
    default:
        qDebug() << "unhandled mode" << mode;
        deviceMode = int(DynoMode::idle);
        break;
    }
    inputs.mode.store(mode);
    inputs.variable.store(comboBox_channel->currentIndex());
    emit signal_updateBrakeControllerThreadMode();
    // The new targets reach the MCU before the mode that acts on them.
    if (theBrakeControllerThread)
        theBrakeControllerThread->slot_tick();
    if (theMCUThread)
        theMCUThread->setDeviceMode(DynoMode(deviceMode));
}

void BrakeController::setWidgetAndLabelVisible(QWidget* widget, bool visible)
{
    if (widget)
        form->setRowVisible(widget, visible);
}

void BrakeController::updateWidgetVisibility()
{
    if (!theDynoSettings || !theDynoSettings->initialized || !spinBox_minDynoSpeed)
        return;
    const int mode = comboBox_mode->currentIndex();
    for (int cell = 0; cell < spinBox_brakeTargets.size(); ++cell) {
        const DynoSetting* source = theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, cell);
        const bool driven = source && source->value().toInt() >= 2;
        const bool shown = driven
                           && (mode == BrakeControllerMode_torque
                               || (mode == BrakeControllerMode_torqueJoined && cell == 0));
        setWidgetAndLabelVisible(spinBox_brakeTargets.at(cell), shown);
    }
    if (!label_brakeTargets.isEmpty())
        label_brakeTargets.first()->setText(mode == BrakeControllerMode_torqueJoined ? tr("Torque") + QLatin1Char(' ')
                                                                                     : tr("Torque") + QStringLiteral(" 1"));
    const bool road = comboBox_channel->currentIndex() == BrakeControllerChannel_roadSpeed;
    const bool engine = comboBox_channel->currentIndex() == BrakeControllerChannel_engineSpeed;
    setWidgetAndLabelVisible(spinBox_minDynoSpeed, road);
    setWidgetAndLabelVisible(spinBox_dynoSpeedTarget, road && mode == BrakeControllerMode_speed);
    setWidgetAndLabelVisible(spinBox_dynoAccTarget, road && mode == BrakeControllerMode_acceleration);
    setWidgetAndLabelVisible(dynoSpeedFF, road);
    setWidgetAndLabelVisible(spinBox_minEngineSpeed, engine);
    setWidgetAndLabelVisible(spinBox_engineSpeedTarget, engine && mode == BrakeControllerMode_speed);
    setWidgetAndLabelVisible(spinBox_engineAccTarget, engine && mode == BrakeControllerMode_acceleration);
    setWidgetAndLabelVisible(engineSpeedFF, engine);
}

void BrakeController::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    updateWidgetVisibility();
}

void BrakeController::startRun()
{
    modeChangedDuringRun = false;
    runActive = true;
    updateDeviceMode();
    clearPreviousAdvancedTests();
}

void BrakeController::stopRun()
{
    runActive = false;
    updateDeviceMode();
}

unsigned BrakeController::getRunType()
{
    // Hidden by the operator's choice; a panel on a tab not shown counts as visible.
    if (isHidden())
        return 1;
    if (previousAdvancedTests.size() == 1) {
        const int test = previousAdvancedTests.first();
        if (test >= 1 && test <= 8) {
            clearPreviousAdvancedTests();
            return unsigned(test + 5);
        }
    }
    clearPreviousAdvancedTests();
    if (modeChangedDuringRun)
        return 0;
    switch (comboBox_mode->currentIndex()) {
    case BrakeControllerMode_off: return 1;
    case BrakeControllerMode_torque:
    case BrakeControllerMode_torqueJoined: return 2;
    case BrakeControllerMode_speed: return 3;
    case BrakeControllerMode_acceleration: return 5;
    default: return 0;
    }
}

void BrakeController::setMode(int mode)
{
    comboBox_mode->setCurrentIndex(mode);
}

void BrakeController::setChannel(int channel)
{
    comboBox_channel->setCurrentIndex(channel);
}

void BrakeController::advancedTestStarted(int type)
{
    advancedTestActive = true;
    previousAdvancedTests.append(type);
}

void BrakeController::advancedTestStopped()
{
    advancedTestActive = false;
}

void BrakeController::clearPreviousAdvancedTests()
{
    if (advancedTestActive && !previousAdvancedTests.isEmpty()) {
        const int last = previousAdvancedTests.last();
        previousAdvancedTests = {last};
    } else {
        previousAdvancedTests.clear();
    }
}

// ------------------------------------------------------- external control

QList<SafeSpinBox*> BrakeController::targetEditors() const
{
    return {spinBox_dynoSpeedTarget, spinBox_engineSpeedTarget, spinBox_dynoAccTarget, spinBox_engineAccTarget};
}

void BrakeController::backupSettings()
{
    if (!spinBox_minDynoSpeed)
        return;
    backupVariable = comboBox_channel->currentIndex();
    const SafeSpinBox* editors[6] = {spinBox_minDynoSpeed,   spinBox_dynoSpeedTarget,   spinBox_dynoAccTarget,
                                     spinBox_minEngineSpeed, spinBox_engineSpeedTarget, spinBox_engineAccTarget};
    for (int i = 0; i < 6; ++i)
        backupValues[i] = editors[i]->getValueSI();
}

void BrakeController::restoreSettings()
{
    if (!spinBox_minDynoSpeed)
        return;
    comboBox_channel->setCurrentIndex(backupVariable);
    SafeSpinBox* editors[6] = {spinBox_minDynoSpeed,   spinBox_dynoSpeedTarget,   spinBox_dynoAccTarget,
                               spinBox_minEngineSpeed, spinBox_engineSpeedTarget, spinBox_engineAccTarget};
    for (int i = 0; i < 6; ++i)
        editors[i]->setValueSI(backupValues[i]);
}

void BrakeController::enableExternalThreadControl()
{
    if (!spinBox_minDynoSpeed)
        return;
    comboBox_mode->setEnabled(false);
    comboBox_channel->setEnabled(false);
    for (SafeSpinBox* editor : targetEditors()) {
        editor->setEnabled(false);
        // What they show now is the test's target: neither stored nor sent.
        editor->blockSignals(true);
    }
    targetIndicationTimer->start();
    externalControl = true;
    inputs.externalControl.store(true);
}

void BrakeController::disableExternalThreadControl()
{
    if (!spinBox_minDynoSpeed)
        return;
    comboBox_mode->setEnabled(true);
    comboBox_channel->setEnabled(true);
    externalControl = false;
    inputs.externalControl.store(false);
    targetIndicationTimer->stop();
    for (SafeSpinBox* editor : targetEditors()) {
        editor->setEnabled(true);
        editor->blockSignals(false);
    }
    setMode(BrakeControllerMode_off);
    for (SafeSpinBox* editor : targetEditors())
        emit editor->signal_valueChangedSI(editor->getValueSI());
}

void BrakeController::slot_updateTargetControlIndication()
{
    BrakeControllerThread* thread = theBrakeControllerThread;
    if (!thread || !spinBox_minDynoSpeed)
        return;
    spinBox_dynoSpeedTarget->setValueSI(thread->externalDynoSpeedTarget.load());
    spinBox_engineSpeedTarget->setValueSI(thread->externalEngineSpeedTarget.load());
    spinBox_dynoAccTarget->setValueSI(thread->externalDynoAccTarget.load());
    spinBox_engineAccTarget->setValueSI(thread->externalEngineAccTarget.load());
}

void BrakeController::slot_updateAntiStallIndication()
{
    if (!label_dynoAntiStall)
        return;
    const bool stalled = theBrakeControllerThread && theBrakeControllerThread->antiStallActive.exchange(false);
    for (QLabel* label : {label_dynoAntiStall, label_engineAntiStall}) {
        if (stalled) {
            QPalette coloured = label->palette();
            coloured.setColor(QPalette::Window, kAntiStallColor);
            label->setPalette(coloured);
        } else {
            label->setPalette(QPalette());
        }
    }
}

QWidget* BrakeController::getWidgetForFocus() const
{
    const bool engine = comboBox_channel->currentIndex() == BrakeControllerChannel_engineSpeed;
    switch (comboBox_mode->currentIndex()) {
    case BrakeControllerMode_torque:
    case BrakeControllerMode_torqueJoined:
        return spinBox_brakeTargets.isEmpty() ? nullptr : spinBox_brakeTargets.first();
    case BrakeControllerMode_speed: return engine ? spinBox_engineSpeedTarget : spinBox_dynoSpeedTarget;
    case BrakeControllerMode_acceleration: return engine ? spinBox_engineAccTarget : spinBox_dynoAccTarget;
    default: return nullptr;
    }
}

// ------------------------------------------------------------ remote slots

void BrakeController::slot_remote_changeBrakeMode(int mode)
{
    if (!comboBox_mode->isEnabled())
        return;
    setMode(mode);
    if (QWidget* target = getWidgetForFocus())
        target->setFocus(Qt::OtherFocusReason);
}

void BrakeController::slot_remote_setBrakePower(double value)
{
    if (!spinBox_brakeTargets.isEmpty() && spinBox_brakeTargets.first()->isEnabled())
        spinBox_brakeTargets.first()->setValueSI(value);
}

void BrakeController::slot_remote_setRoadSpeed(double value)
{
    if (spinBox_dynoSpeedTarget && spinBox_dynoSpeedTarget->isEnabled())
        spinBox_dynoSpeedTarget->setValueSI(value);
}

void BrakeController::slot_remote_setEngineSpeed(double value)
{
    if (spinBox_engineSpeedTarget && spinBox_engineSpeedTarget->isEnabled())
        spinBox_engineSpeedTarget->setValueSI(value);
}

void BrakeController::postKey(int key)
{
    QWidget* target = getWidgetForFocus();
    if (!target || !target->isEnabled())
        return;
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
}

void BrakeController::slot_remote_roughStepUp()
{
    postKey(Qt::Key_PageUp);
}

void BrakeController::slot_remote_roughStepDown()
{
    postKey(Qt::Key_PageDown);
}

void BrakeController::slot_remote_fineStepUp()
{
    postKey(Qt::Key_Up);
}

void BrakeController::slot_remote_fineStepDown()
{
    postKey(Qt::Key_Down);
}
