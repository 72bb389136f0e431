// The board GPIO on the in-memory chip: which lines it takes and how, the
// switch inputs polled into their channels, relay, low-side and fan writes,
// the close procedure, and a board without any chip.
#include "Channels.h"
#include "GpioChip.h"
#include "HwInfo.h"
#include "LibgpiodChip.h"
#include "RunChannel.h"
#include "SimulatedGpioChip.h"
#include "SimulatedGpioDevice.h"
#include "lib/Units.h"
#include "rpiGPIO.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

// A fresh chip of that name (the program's own instance keeps the old one).
std::shared_ptr<SimulatedGpioDevice> freshChip(const QString& name = QStringLiteral("gpiochip4"))
{
    SimulatedGpioDevice::setPresentChips({name});
    return SimulatedGpioDevice::find(name);
}

RunChannel* switchChannel(int i)
{
    return theChannels.getChannel(ChannelId_switchState, i);
}

} // namespace

class TestBoardGpio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void constructionTakesTheLinesInOrder();
    void fallsBackToGpiochip0();
    void withoutAChipEverythingIsInert();
    void realChipThatIsMissingOpensNothing();
    void fanFollowsItsRule_data();
    void fanFollowsItsRule();
    void outputsReachTheirLines();
    void outputNumbersOutsideTheArraysAreIgnored();
    void closeProcedureLeavesOutputsOffAndLinesReleased();
    void switchTogglesReachTheirChannelsWithin20ms();
    void everyPollStoresAFreshValue();
    void onlyTheBoardsSwitchesArePolled();
    void failedReadCountsAsOpen();
};

void TestBoardGpio::initTestCase()
{
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    // The program's own instance found the stand-in chip at start.
    QVERIFY(theRPIGPIO.isEnabled());
    QVERIFY(dynamic_cast<SimulatedGpioChip*>(theRPIGPIO.chip()));
    QCOMPARE(theRPIGPIO.chip()->name(), QStringLiteral("gpiochip4"));
}

void TestBoardGpio::init()
{
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
}

void TestBoardGpio::constructionTakesTheLinesInOrder()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    QVERIFY(gpio.isEnabled());
    QCOMPARE(chip->log(), QStringList({"out 12=0", "out 22=0", "in 4 pull-down", "out 17=0", "out 23=0",
                                       "in 5 pull-down", "out 18=0", "out 24=0", "in 6 pull-down", "out 13=0",
                                       "out 25=0", "in 7 pull-down"}));
    for (unsigned line : {4u, 5u, 6u, 7u, 12u, 13u, 17u, 18u, 22u, 23u, 24u, 25u})
        QCOMPARE(chip->line(line).consumer, QStringLiteral("dyno"));
    // The fan waits for init().
    QVERIFY(!chip->line(rpiGPIO::fanLine).requested);
}

void TestBoardGpio::fallsBackToGpiochip0()
{
    auto chip = freshChip(QStringLiteral("gpiochip0"));
    rpiGPIO gpio;
    QVERIFY(gpio.isEnabled());
    QCOMPARE(gpio.chip()->name(), QStringLiteral("gpiochip0"));
    gpio.init(false);
    gpio.setRelayOutput(2, true);
    gpio.setLSOutput(3, true);
    // The same line numbers on that chip.
    QCOMPARE(chip->output(24), 1);
    QCOMPARE(chip->output(13), 1);
    QCOMPARE(chip->output(rpiGPIO::fanLine), 1);
}

void TestBoardGpio::withoutAChipEverythingIsInert()
{
    SimulatedGpioDevice::setPresentChips({});
    rpiGPIO gpio;
    QVERIFY(!gpio.isEnabled());
    QVERIFY(!gpio.chip());
    const double before = switchChannel(0)->getValue();
    gpio.init(false);
    gpio.startSwitchUpdate();
    gpio.setRelayOutput(0, true);
    gpio.setLSOutput(0, true);
    gpio.slot_updateSwitchState();
    gpio.setInitialOutputState();
    gpio.appCloseProcedure();
    gpio.appCloseProcedure();
    QVERIFY(!gpio.isEnabled());
    const double after = switchChannel(0)->getValue();
    QVERIFY((std::isnan(before) && std::isnan(after)) || before == after);
}

void TestBoardGpio::realChipThatIsMissingOpensNothing()
{
    // The libgpiod path answers a missing device with no chip, which leaves
    // the board GPIO inert as above.
    QVERIFY(!LibgpiodChip::open(QStringLiteral("zembo-no-such-chip")));
    // Under tests the factory hands out the stand-in, and only chips that exist there.
    SimulatedGpioDevice::setPresentChips({QStringLiteral("gpiochip4")});
    QVERIFY(dynamic_cast<SimulatedGpioChip*>(GpioChip::open(QStringLiteral("gpiochip4")).get()));
    QVERIFY(!GpioChip::open(QStringLiteral("gpiochip0")));
}

void TestBoardGpio::fanFollowsItsRule_data()
{
    QTest::addColumn<bool>("noFan");
    QTest::addColumn<bool>("staysOn");
    QTest::addColumn<int>("atStart");
    QTest::addColumn<int>("afterClose");
    QTest::newRow("normal") << false << false << 1 << 0;
    QTest::newRow("stays on at exit") << false << true << 1 << 1;
    QTest::newRow("no-fan mode") << true << false << 0 << 0;
    QTest::newRow("no-fan mode, stays on") << true << true << 0 << 0;
}

void TestBoardGpio::fanFollowsItsRule()
{
    QFETCH(bool, noFan);
    QFETCH(bool, staysOn);
    QFETCH(int, atStart);
    QFETCH(int, afterClose);
    auto chip = freshChip();
    rpiGPIO gpio;
    gpio.init(noFan);
    QCOMPARE(chip->output(rpiGPIO::fanLine), atStart);
    QCOMPARE(chip->line(rpiGPIO::fanLine).consumer, QStringLiteral("dyno"));
    chip->clearLog();
    gpio.fanStaysOnAtExit = staysOn;
    gpio.appCloseProcedure();
    QCOMPARE(chip->line(rpiGPIO::fanLine).value, afterClose);
    QVERIFY(!chip->line(rpiGPIO::fanLine).requested);
    // Staying on means not written at all; otherwise 0 is written, also in no-fan mode.
    QCOMPARE(chip->log().contains(QStringLiteral("set 26=0")), !staysOn);
}

void TestBoardGpio::outputsReachTheirLines()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    const unsigned relays[4] = {22, 23, 24, 25};
    const unsigned lowSides[4] = {12, 17, 18, 13};
    for (uint8_t n = 0; n < 4; ++n) {
        gpio.setRelayOutput(n, true);
        QCOMPARE(chip->output(relays[n]), 1);
        gpio.setLSOutput(n, true);
        QCOMPARE(chip->output(lowSides[n]), 1);
    }
    for (uint8_t n = 0; n < 4; ++n) {
        gpio.setRelayOutput(n, false);
        QCOMPARE(chip->output(relays[n]), 0);
        // The other outputs keep their state.
        QCOMPARE(chip->output(lowSides[n]), 1);
        gpio.setLSOutput(n, false);
        QCOMPARE(chip->output(lowSides[n]), 0);
    }
}

void TestBoardGpio::outputNumbersOutsideTheArraysAreIgnored()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    gpio.init(false);
    chip->clearLog();
    for (uint8_t n : {uint8_t(4), uint8_t(5), uint8_t(127), uint8_t(255)}) {
        gpio.setRelayOutput(n, true);
        gpio.setLSOutput(n, true);
    }
    QCOMPARE(chip->log(), QStringList());
    // Nothing next to the arrays moved: the fan, the switch lines.
    QCOMPARE(chip->output(rpiGPIO::fanLine), 1);
    QCOMPARE(chip->output(4), -1);
}

void TestBoardGpio::closeProcedureLeavesOutputsOffAndLinesReleased()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    gpio.init(false);
    gpio.startSwitchUpdate();
    for (uint8_t n = 0; n < 4; ++n) {
        gpio.setRelayOutput(n, true);
        gpio.setLSOutput(n, true);
    }
    chip->clearLog();
    gpio.appCloseProcedure();
    QCOMPARE(chip->log(),
             QStringList({"set 12=0", "set 17=0", "set 18=0", "set 13=0", "set 22=0", "set 23=0", "set 24=0",
                          "set 25=0", "set 26=0", "release 4", "release 22", "release 12", "release 5",
                          "release 23", "release 17", "release 6", "release 24", "release 18", "release 7",
                          "release 25", "release 13", "release 26", "close"}));
    QVERIFY(!chip->isOpen());
    QVERIFY(!gpio.isEnabled());
    QVERIFY(!gpio.chip());

    // Inert afterwards: late requests and polls change nothing.
    chip->clearLog();
    gpio.setRelayOutput(0, true);
    gpio.setLSOutput(0, true);
    gpio.slot_updateSwitchState();
    gpio.appCloseProcedure();
    QCOMPARE(chip->log(), QStringList());
}

void TestBoardGpio::switchTogglesReachTheirChannelsWithin20ms()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    gpio.startSwitchUpdate();
    QTest::qWait(30);
    // Each toggle is timed from the moment the line changes until the
    // channel holds the new state; the event loop of a loaded machine may
    // be late now and then, so the typical delay is what is judged.
    QList<qint64> delays;
    for (int k = 0; k < 12; ++k) {
        const int sw = k % 4;
        const int level = (k / 4) % 2 == 0 ? 1 : 0;
        QElapsedTimer clock;
        chip->setInput(rpiGPIO::switchLines[sw], level);
        clock.start();
        while (switchChannel(sw)->getValue() != level && clock.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QCOMPARE(switchChannel(sw)->getValue(), double(level));
        delays.append(clock.elapsed());
    }
    std::sort(delays.begin(), delays.end());
    qInfo() << "switch delays (ms):" << delays;
    QVERIFY2(delays.at(delays.size() / 2) <= 20, "median delay above 20 ms");
    gpio.appCloseProcedure();
}

void TestBoardGpio::everyPollStoresAFreshValue()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    chip->setInput(rpiGPIO::switchLines[0], 1);
    QList<qint64> stamps;
    connect(switchChannel(0), &RunChannel::signal_newData, this,
            [&stamps](double value, qint64 timestamp) {
                if (value == 1.0)
                    stamps.append(timestamp);
            });
    gpio.startSwitchUpdate();
    QTest::qWait(200);
    disconnect(switchChannel(0), &RunChannel::signal_newData, this, nullptr);
    gpio.appCloseProcedure();
    // A held switch gives a value on every poll, unchanged as it is.
    QVERIFY2(stamps.size() >= 10, qPrintable(QString::number(stamps.size())));
    for (int i = 1; i < stamps.size(); ++i)
        QVERIFY(stamps.at(i) >= stamps.at(i - 1));
    QVERIFY(stamps.last() > stamps.first());
}

void TestBoardGpio::onlyTheBoardsSwitchesArePolled()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    for (unsigned line : rpiGPIO::switchLines)
        chip->setInput(line, 1);
    struct Board {
        DeviceCode code;
        int polled;
    };
    for (const Board board : {Board{DeviceCode_ZR6L, 1}, Board{DeviceCode_ZR5L, 2}, Board{DeviceCode_ZR5, 4}}) {
        theHwInfo.setDeviceCode(board.code);
        for (int i = 0; i < 4; ++i)
            switchChannel(i)->setData(0.0, 1);
        gpio.slot_updateSwitchState();
        for (int i = 0; i < 4; ++i) {
            qint64 stamp = 0;
            double value = 0;
            switchChannel(i)->getTimestampedData(value, stamp);
            QCOMPARE(value, i < board.polled ? 1.0 : 0.0);
            QCOMPARE(stamp > 1, i < board.polled);
        }
    }
}

void TestBoardGpio::failedReadCountsAsOpen()
{
    auto chip = freshChip();
    rpiGPIO gpio;
    chip->setInput(rpiGPIO::switchLines[1], 1);
    gpio.slot_updateSwitchState();
    QCOMPARE(switchChannel(1)->getValue(), 1.0);
    chip->setReadFailing(rpiGPIO::switchLines[1], true);
    gpio.slot_updateSwitchState();
    QCOMPARE(switchChannel(1)->getValue(), 0.0);
}

QTEST_MAIN(TestBoardGpio)
#include "tst_board_gpio.moc"
