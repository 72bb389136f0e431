#include "InertiaCalibrationTest.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "MySettings.h"
#include "lib/Unit.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "TestModeContext.h"
#include "TestTicker.h"

#include <QFormLayout>

#include <limits>

namespace {

SafeSpinBox* makeEditor(QWidget* parent, const char* name, Quantity quantity, double value, std::atomic<double>* copy)
{
    auto* box = new SafeSpinBox(parent);
    box->slot_setQuantity(quantity);
    box->setObjectName(QLatin1String(name));
    box->setRangeSI(0, std::numeric_limits<double>::infinity());
    box->setValueSI(value);
    theSettings.connectSpinBoxWithUnit(box);
    copy->store(box->getValueSI());
    QObject::connect(box, &SpinBoxWithUnit::signal_valueChangedSI, parent, [copy](double v) { copy->store(v); });
    return box;
}

} // namespace

InertiaCalibrationTest::InertiaCalibrationTest(QWidget* parent)
    : AbstractTestDialog(parent)
{
    panel = TestModeContext::current().getPanel();
    target = theBrakeControllerThread ? &theBrakeControllerThread->externalEngineAccTarget : &ownTarget;
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });

    auto* form = new QFormLayout(this);
    spinBox_topSpeed = makeEditor(this, "inertiaCalibrationTest_topSpeed", Quantity::RotationalSpeed,
                                  314.1592653589793, &top);
    form->addRow(tr("Top speed"), spinBox_topSpeed);
    spinBox_bottomSpeed = makeEditor(this, "inertiaCalibrationTest_bottomSpeed", Quantity::RotationalSpeed,
                                     209.43951023931953, &bottom);
    form->addRow(tr("Bottom speed"), spinBox_bottomSpeed);
    spinBox_accelerationRate = makeEditor(this, "inertiaCalibrationTest_accelerationRate",
                                          Quantity::RotationalAcceleration, 31.41592653589793, &rate);
    form->addRow(tr("Acc. rate"), spinBox_accelerationRate);

    if (theChannels.isInitialized() && !theChannels.getChannels(ChannelId_engineSpeed).isEmpty())
        engineSpeedChannel = theChannels.getChannel(ChannelId_engineSpeed, 0);

    if (panel) {
        panel->setChannel(BrakeControllerChannel_engineSpeed);
        panel->setMode(BrakeControllerMode_acceleration);
    }
    // The engine may accelerate at once.
    target->store(float(rate.load()));
    setWindowTitle(tr("Inertia Calibration"));
    resize(300, height());
    ticker->startTimer();
}

InertiaCalibrationTest::~InertiaCalibrationTest()
{
    ticker->finish();
}

void InertiaCalibrationTest::slot_realTimeTick()
{
    const double v =
        engineSpeedChannel ? engineSpeedChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    double a = 0;
    if (logic.tick(v, bottom.load(), top.load(), rate.load(), a))
        target->store(float(a));
    accelerating.store(logic.accelerating);
}
