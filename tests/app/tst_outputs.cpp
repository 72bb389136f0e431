// The RUN tab's output column on the largest board (device code 3): relay and
// low-side buttons driving the simulated GPIO chip (its log of writes), their
// control sources, gates, sizes and the status-bar strip, and the actuator
// state machine on a clock the test moves.
#include "SettingsFixture.h"

#include "ActuatorController.h"
#include "Argument.h"
#include "ArgumentWidget.h"
#include "ChannelId.h"
#include "Channels.h"
#include "ColorButton.h"
#include "HwInfo.h"
#include "MySettings.h"
#include "OutputStatusWidget.h"
#include "OutputWidget.h"
#include "OutputWidgetContainer.h"
#include "RunChannel.h"
#include "SimulatedGpioDevice.h"
#include "rpiGPIO.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
qint64 g_now = 5'000'000;

RunChannel* logic(int n)
{
    return theChannels.getChannel(ChannelId_switchState, n);
}

void setLogic(int n, double value)
{
    logic(n)->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

void bind(ArgumentWidget* widget, RunChannel* channel)
{
    if (channel)
        widget->argument->setChannel(channel, false);
    else
        widget->argument->setNull(false);
}

double channelValue(ChannelId id, int n)
{
    return theChannels.getChannel(id, n)->getValue();
}

} // namespace

class TestOutputs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void buttonsOfTheBoard();
    void heldKeyDrivesLineWhileHeld();
    void bistableWithOffTimeout();
    void manualAndFunctionShowsPartialColour();
    void gate_data();
    void gate();
    void hiddenOutputIgnoresKey();
    void lostReleasesSwitchHeldOutputOff();
    void sizing();
    void statusStripPaintsButtonColours();
    void labelsForRemoteControl();
    void actuatorStates_data();
    void actuatorStates();
    void actuatorRemoteEdgesAndGate();
    void actuatorSavedStateRaisesCommandAgain();

private:
    OutputWidget* lowSide(int n) { return container->outputs.at(n); }
    OutputWidget* relay(int n) { return container->outputs.at(theHwInfo.lowSideOutputs + n); }
    void evaluate()
    {
        for (OutputWidget* output : std::as_const(container->outputs))
            output->slot_updateOutput();
    }

    std::unique_ptr<SettingsFixture> fixture;
    std::unique_ptr<OutputWidgetContainer> container;
    std::shared_ptr<SimulatedGpioDevice> gpio;
};

void TestOutputs::initTestCase()
{
    fixture = std::make_unique<SettingsFixture>(3);
    QVERIFY(fixture->start());
    gpio = SimulatedGpioDevice::find(QStringLiteral("gpiochip4"));
    QVERIFY(gpio);
    ActuatorController::setClock([] { return g_now; });
    container = std::make_unique<OutputWidgetContainer>();
    container->resize(260, 600);
    container->init();
    // The tests drive the evaluation themselves.
    for (OutputWidget* output : std::as_const(container->outputs))
        output->updateTimer->stop();
    for (ActuatorController* actuator : std::as_const(container->actuators))
        actuator->tickTimer->stop();
}

void TestOutputs::cleanupTestCase()
{
    container.reset();
    ActuatorController::setClock(nullptr);
    fixture.reset();
}

void TestOutputs::init()
{
    for (int n = 0; n < 4; ++n)
        setLogic(n, kNaN);
    for (OutputWidget* output : std::as_const(container->outputs)) {
        output->checkBox_visible->setChecked(true);
        output->checkBox_bistable->setChecked(false);
        output->comboBox_controlSource->setCurrentIndex(0);
        output->checkBox_gateDeactivatesOutput->setChecked(false);
        output->spinBox_autoOffTime->setValue(0);
        bind(output->argumentWidget, nullptr);
        bind(output->offArgumentWidget, nullptr);
        bind(output->gateArgumentWidget, nullptr);
        output->releaseHeld();
    }
    evaluate();
    gpio->clearLog();
}

void TestOutputs::buttonsOfTheBoard()
{
    QCOMPARE(container->outputs.size(), theHwInfo.lowSideOutputs + theHwInfo.relayOutputs);
    QCOMPARE(container->actuators.size(), 4);
    QCOMPARE(container->widgets.size(), container->outputs.size() + 4);
    QCOMPARE(lowSide(0)->prefix, QStringLiteral("outputSetup-lowSide-0-"));
    QCOMPARE(lowSide(0)->name(), QStringLiteral("F1 LS 1"));
    QCOMPARE(relay(0)->prefix, QStringLiteral("outputSetup-relay-0-"));
    QCOMPARE(relay(0)->name(), QStringLiteral("F5 Rel. 1"));
    QCOMPARE(relay(1)->getLabelText(), QStringLiteral("Starter"));
    QCOMPARE(lowSide(0)->getLabelText(), QStringLiteral("User label"));
    QCOMPARE(container->actuators.at(0)->prefix, QStringLiteral("actuatorController0/"));
    // The state channels start at 0.
    QCOMPARE(channelValue(ChannelId_relayOutputState, 0), 0.0);
    QCOMPARE(channelValue(ChannelId_lowSideOutputState, 0), 0.0);
}

void TestOutputs::heldKeyDrivesLineWhileHeld()
{
    const unsigned line = rpiGPIO::lowSideLines[0];
    container->keyActivated(Qt::Key_F1, true);
    evaluate();
    QCOMPARE(gpio->output(line), 1);
    QCOMPARE(channelValue(ChannelId_lowSideOutputState, 0), 1.0);
    evaluate();
    evaluate();
    QCOMPARE(gpio->output(line), 1);
    container->keyActivated(Qt::Key_F1, false);
    evaluate();
    QCOMPARE(gpio->output(line), 0);
    QCOMPARE(channelValue(ChannelId_lowSideOutputState, 0), 0.0);
    // One switch on, one off, nothing on any other line.
    QCOMPARE(gpio->log(), QStringList({QStringLiteral("set 12=1"), QStringLiteral("set 12=0")}));
}

void TestOutputs::bistableWithOffTimeout()
{
    OutputWidget* output = relay(0);
    output->checkBox_bistable->setChecked(true);
    output->spinBox_autoOffTime->setValue(2.5);
    container->keyActivated(Qt::Key_F5, true);
    container->keyActivated(Qt::Key_F5, false); // a release does nothing
    evaluate();
    QVERIFY(output->manualState());
    QCOMPARE(gpio->output(rpiGPIO::relayLines[0]), 1);
    QVERIFY(output->autoOffTimer->isActive());
    QCOMPARE(output->autoOffTimer->interval(), 2500);
    // A second press before the time-out switches off and stops the timer.
    container->keyActivated(Qt::Key_F5, true);
    QVERIFY(!output->manualState());
    QVERIFY(!output->autoOffTimer->isActive());
    // On again: the timer ends it.
    container->keyActivated(Qt::Key_F5, true);
    QTRY_VERIFY_WITH_TIMEOUT(!output->manualState(), 10000);
    evaluate();
    QCOMPARE(gpio->output(rpiGPIO::relayLines[0]), 0);
    // Un-checking bistable clears the manual part.
    container->keyActivated(Qt::Key_F5, true);
    QVERIFY(output->manualState());
    output->checkBox_bistable->setChecked(false);
    QVERIFY(!output->manualState());
}

void TestOutputs::manualAndFunctionShowsPartialColour()
{
    OutputWidget* output = lowSide(1);
    output->comboBox_controlSource->setCurrentIndex(3);
    bind(output->argumentWidget, logic(0));
    setLogic(0, 0.0);
    container->keyActivated(Qt::Key_F2, true);
    evaluate();
    QVERIFY(!output->outputState());
    QCOMPARE(output->backgroundColor(), QColor(220, 255, 255));
    setLogic(0, 1.0);
    evaluate();
    QVERIFY(output->outputState());
    QCOMPARE(output->backgroundColor(), QColor(140, 255, 140));
    // A stale function keeps its last state.
    setLogic(0, kNaN);
    evaluate();
    QVERIFY(output->outputState());
    container->keyActivated(Qt::Key_F2, false);
    evaluate();
    QVERIFY(!output->outputState());
    QCOMPARE(output->backgroundColor(), output->colorButton_inactive->color());
}

void TestOutputs::gate_data()
{
    QTest::addColumn<bool>("gateTurnsOff");
    QTest::addColumn<double>("gate");
    QTest::addColumn<bool>("outputWhileGated");
    QTest::addColumn<bool>("manualWhileGated");
    QTest::newRow("closed, holds") << false << 0.0 << true << true;
    QTest::newRow("closed, turns off") << true << 0.0 << false << false;
    QTest::newRow("2 is not open") << false << 2.0 << true << true;
    QTest::newRow("stale gate is open") << true << kNaN << true << true;
}

void TestOutputs::gate()
{
    QFETCH(bool, gateTurnsOff);
    QFETCH(double, gate);
    QFETCH(bool, outputWhileGated);
    QFETCH(bool, manualWhileGated);
    OutputWidget* output = lowSide(2);
    output->checkBox_bistable->setChecked(true);
    output->checkBox_gateDeactivatesOutput->setChecked(gateTurnsOff);
    bind(output->gateArgumentWidget, logic(2));
    setLogic(2, 1.0);
    container->keyActivated(Qt::Key_F3, true);
    evaluate();
    QVERIFY(output->outputState());

    setLogic(2, gate);
    evaluate();
    QCOMPARE(output->outputState(), outputWhileGated);
    QCOMPARE(output->manualState(), manualWhileGated);
    const bool closed = !(std::isnan(gate) || gate == 1.0);
    QCOMPARE(output->label_text->palette().color(QPalette::WindowText), closed ? QColor(Qt::gray) : QColor(Qt::black));
    if (closed && !gateTurnsOff) {
        // Presses change nothing on the line until the gate opens.
        container->keyActivated(Qt::Key_F3, true);
        evaluate();
        QVERIFY(output->outputState());
        QCOMPARE(gpio->output(rpiGPIO::lowSideLines[2]), 1);
        setLogic(2, 1.0);
        evaluate();
        QVERIFY(!output->outputState());
    }
}

void TestOutputs::hiddenOutputIgnoresKey()
{
    OutputWidget* output = relay(2);
    output->checkBox_visible->setChecked(false);
    container->keyActivated(Qt::Key_F7, true);
    evaluate();
    QVERIFY(!output->manualState());
    QCOMPARE(gpio->output(rpiGPIO::relayLines[2]), 0);
    output->checkBox_visible->setChecked(true);
    container->keyActivated(Qt::Key_F7, true);
    QVERIFY(output->manualState());
    container->keyActivated(Qt::Key_F7, false);
}

void TestOutputs::lostReleasesSwitchHeldOutputOff()
{
    // The "Starter": held, not bistable.
    OutputWidget* starter = relay(1);
    OutputWidget* bistable = relay(3);
    bistable->checkBox_bistable->setChecked(true);

    // Released with a modifier held: the main window does not pass it on.
    container->keyActivated(Qt::Key_F6, true);
    QVERIFY(starter->manualState());
    QKeyEvent shiftRelease(QEvent::KeyRelease, Qt::Key_F6, Qt::ShiftModifier);
    QApplication::sendEvent(container.get(), &shiftRelease);
    QVERIFY(!starter->manualState());

    // Focus lost to a box or another window; a bistable output stays on.
    container->keyActivated(Qt::Key_F6, true);
    container->keyActivated(Qt::Key_F8, true);
    container->releaseHeldOutputs();
    QVERIFY(!starter->manualState());
    QVERIFY(bistable->manualState());

    // A modal box opening takes the focus window: the held output is released
    // through the application's own signal.
    container->show();
    QVERIFY(QTest::qWaitForWindowExposed(container.get()));
    container->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(container.get()));
    container->keyActivated(Qt::Key_F6, true);
    QVERIFY(starter->manualState());
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Box"), QStringLiteral("A modal box"));
        box.setModal(true);
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTRY_VERIFY(!starter->manualState());
    }
    container->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(container.get()));

    // Hidden while held.
    container->keyActivated(Qt::Key_F6, true);
    starter->checkBox_visible->setChecked(false);
    QVERIFY(!starter->manualState());
    container->hide();
    starter->checkBox_visible->setChecked(true);
    bistable->checkBox_bistable->setChecked(false);
}

void TestOutputs::sizing()
{
    // Eight visible buttons: the actuators hidden.
    for (ActuatorController* actuator : std::as_const(container->actuators))
        actuator->checkBox_visible->setChecked(false);
    QCOMPARE(container->outputs.size(), 8);
    container->resize(260, 400);
    QResizeEvent event(QSize(260, 400), QSize(260, 600));
    QApplication::sendEvent(container.get(), &event);
    QCOMPARE(lowSide(0)->label_icon->width(), 36);
    QCOMPARE(lowSide(0)->label_text->text(), QStringLiteral("F1 LS 1 - User label"));
    QResizeEvent taller(QSize(260, 408), QSize(260, 400));
    QApplication::sendEvent(container.get(), &taller);
    QCOMPARE(lowSide(0)->label_icon->width(), 37);
    QCOMPARE(lowSide(0)->label_text->text(), QStringLiteral("F1 LS 1\nUser label"));
    // The icon never grows beyond 60.
    QResizeEvent huge(QSize(260, 4000), QSize(260, 408));
    QApplication::sendEvent(container.get(), &huge);
    QCOMPARE(relay(0)->label_icon->width(), 60);
    for (ActuatorController* actuator : std::as_const(container->actuators))
        actuator->checkBox_visible->setChecked(true);
}

void TestOutputs::statusStripPaintsButtonColours()
{
    container->keyActivated(Qt::Key_F5, true);
    evaluate();
    OutputStatusWidget strip;
    strip.setContainer(container.get());
    strip.resize(40, 28);
    const QImage image = strip.grab().toImage();
    // Middle column, first relay (of four cells 7 px high): the active colour.
    QCOMPARE(QColor(image.pixel(40 / 3 + 2, 2)), QColor(140, 255, 140));
    // Left column, first low-side output: inactive.
    QCOMPARE(QColor(image.pixel(2, 2)), lowSide(0)->colorButton_inactive->color());
    // Right column, four actuators, each in its state's colour (inactive: white).
    QCOMPARE(QColor(image.pixel(2 * 40 / 3 + 2, 2)), container->actuators.at(0)->palette().color(QPalette::Window));
    container->keyActivated(Qt::Key_F5, false);
    evaluate();
}

void TestOutputs::labelsForRemoteControl()
{
    QSignalSpy changed(container.get(), &OutputWidgetContainer::signal_outputLabelsChanged);
    relay(0)->lineEdit_userLabel->setText(QStringLiteral("Ignition key"));
    QCOMPARE(changed.count(), 1);
    const QList<QString> labels = container->outputLabels();
    QCOMPARE(labels.size(), container->widgets.size());
    QCOMPARE(labels.at(theHwInfo.lowSideOutputs), QStringLiteral("Ignition key"));
    QVERIFY(labels.constLast().isNull());
    QCOMPARE(relay(0)->label_text->text().contains(QStringLiteral("Ignition key")), true);
    relay(0)->lineEdit_userLabel->setText(QStringLiteral("Ignition"));
}

void TestOutputs::actuatorStates_data()
{
    QTest::addColumn<bool>("withCompletion");
    QTest::addColumn<double>("completion"); // the completion argument's value during the movement
    QTest::addColumn<int>("afterActivation");
    QTest::addColumn<int>("afterDeactivation");
    QTest::newRow("no completion arguments") << false << kNaN << int(ActuatorState_active)
                                             << int(ActuatorState_inactive);
    QTest::newRow("completion never confirms") << true << 0.0 << int(ActuatorState_activationTimeout)
                                               << int(ActuatorState_deactivationTimeout);
}

void TestOutputs::actuatorStates()
{
    QFETCH(bool, withCompletion);
    QFETCH(double, completion);
    QFETCH(int, afterActivation);
    QFETCH(int, afterDeactivation);
    ActuatorController* actuator = container->actuators.at(0);
    bind(actuator->gateArgumentWidget, nullptr);
    bind(actuator->remoteControlArgumentWidget, nullptr);
    bind(actuator->activationCompleteArgumentWidget, withCompletion ? logic(0) : nullptr);
    bind(actuator->deactivationCompleteArgumentWidget, withCompletion ? logic(1) : nullptr);
    setLogic(0, completion);
    setLogic(1, completion);
    actuator->setState(ActuatorState_inactive);
    actuator->slot_tick();
    QVERIFY(actuator->isReady());

    actuator->slot_clicked();
    QCOMPARE(actuator->state(), ActuatorState_activating);
    QCOMPARE(channelValue(ChannelId_actuatorControllerActivate, 0), 1.0);
    QCOMPARE(channelValue(ChannelId_actuatorControllerState, 0), 1.0);
    // Busy: not ready, a click does nothing.
    actuator->slot_tick();
    QVERIFY(!actuator->isReady());
    actuator->slot_clicked();
    QCOMPARE(actuator->state(), ActuatorState_activating);
    // 3 s is not yet beyond the time-out; 3.05 s is.
    g_now += 3000;
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_activating);
    g_now += 50;
    actuator->slot_tick();
    QCOMPARE(int(actuator->state()), afterActivation);
    QCOMPARE(channelValue(ChannelId_actuatorControllerActivate, 0), 0.0);
    if (withCompletion) {
        // A late confirmation still completes the movement.
        setLogic(0, 1.0);
        actuator->slot_tick();
        QCOMPARE(actuator->state(), ActuatorState_active);
    }

    actuator->slot_tick();
    actuator->slot_clicked();
    QCOMPARE(actuator->state(), ActuatorState_deactivating);
    QCOMPARE(channelValue(ChannelId_actuatorControllerDeactivate, 0), 1.0);
    if (withCompletion) {
        // Confirmed at once.
        setLogic(1, 1.0);
        actuator->slot_tick();
        QCOMPARE(actuator->state(), ActuatorState_inactive);
        setLogic(1, completion);
        actuator->slot_tick();
        actuator->slot_clicked();
        actuator->slot_tick();
        actuator->slot_clicked(); // busy
        actuator->setState(ActuatorState_active);
        actuator->slot_tick();
        actuator->slot_clicked();
        QCOMPARE(actuator->state(), ActuatorState_deactivating);
    }
    g_now += 3050;
    actuator->slot_tick();
    QCOMPARE(int(actuator->state()), afterDeactivation);
    QCOMPARE(channelValue(ChannelId_actuatorControllerDeactivate, 0), 0.0);
    QCOMPARE(channelValue(ChannelId_actuatorControllerState, 0), double(afterDeactivation));
    // Both states at rest have their colours.
    QCOMPARE(actuator->palette().color(QPalette::Window),
             afterDeactivation == ActuatorState_inactive ? actuator->colorButtons[6]->color() : QColor(255, 224, 77));
}

void TestOutputs::actuatorRemoteEdgesAndGate()
{
    ActuatorController* actuator = container->actuators.at(1);
    bind(actuator->activationCompleteArgumentWidget, nullptr);
    bind(actuator->deactivationCompleteArgumentWidget, nullptr);
    bind(actuator->remoteControlArgumentWidget, logic(2));
    bind(actuator->gateArgumentWidget, logic(3));
    actuator->checkBox_gateDeactivates->setChecked(true);
    setLogic(3, 1.0);
    setLogic(2, 0.0);
    actuator->setState(ActuatorState_inactive);
    actuator->slot_tick();
    // Rising edge: activate; time-out without completion: active.
    setLogic(2, 1.0);
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_activating);
    g_now += 3100;
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_active);
    // Falling edge: deactivate.
    setLogic(2, 0.0);
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_deactivating);
    g_now += 3100;
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_inactive);
    // Rising again repeats it.
    setLogic(2, 1.0);
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_activating);
    g_now += 3100;
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_active);
    // The gate closes: an active actuator deactivates by itself; a click does nothing.
    setLogic(3, 0.0);
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_deactivating);
    g_now += 3100;
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_inactive);
    actuator->slot_clicked();
    QCOMPARE(actuator->state(), ActuatorState_inactive);
    // An edge while not ready is lost.
    setLogic(2, 0.0);
    actuator->slot_tick();
    setLogic(2, 1.0);
    actuator->slot_tick();
    setLogic(3, 1.0);
    actuator->slot_tick();
    QCOMPARE(actuator->state(), ActuatorState_inactive);
    actuator->checkBox_gateDeactivates->setChecked(false);
}

void TestOutputs::actuatorSavedStateRaisesCommandAgain()
{
    ActuatorController* actuator = container->actuators.at(2);
    actuator->setState(ActuatorState_activating);
    QCOMPARE(theSettings.value(theSettings.keyPrefix + QStringLiteral("actuatorController2/savedState")).toInt(), 1);
    // As after a restart: a new controller restores the movement and raises its command.
    setLogic(0, kNaN);
    theChannels.getChannel(ChannelId_actuatorControllerActivate, 2)->setDataWithoutFilter(0.0, 1);
    ActuatorController restarted(nullptr, 2);
    restarted.init();
    restarted.tickTimer->stop();
    QCOMPARE(restarted.state(), ActuatorState_activating);
    QCOMPARE(channelValue(ChannelId_actuatorControllerActivate, 2), 1.0);
    // A saved 0 passes to inactive at the first tick.
    restarted.setState(ActuatorState_initial);
    restarted.slot_tick();
    QCOMPARE(restarted.state(), ActuatorState_inactive);
}

QTEST_MAIN(TestOutputs)
#include "tst_outputs.moc"
