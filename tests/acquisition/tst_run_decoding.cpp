// The run thread's decoder on one board (ZEMBO_TEST_DEVICE_CODE, default 3):
// blocks of controller frames as the link hands them over, into channels,
// records for the writer and CAN batches.
#include "ActiveProjectValues.h"
#include "Channels.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "LogCapture.h"
#include "RunChannel.h"
#include "RunThreadFixture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstring>

namespace {

int boardCode()
{
    return qEnvironmentVariableIsSet("ZEMBO_TEST_DEVICE_CODE") ? qEnvironmentVariableIntValue("ZEMBO_TEST_DEVICE_CODE")
                                                               : 3;
}

uint32_t bits(float f)
{
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

uint32_t halves(int high, int low)
{
    return (uint32_t(uint16_t(high)) << 16) | uint16_t(low);
}

int reg(DynoRegister r)
{
    return int(r);
}

bool near(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

} // namespace

class TestRunDecoding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void dataWaitsForTheDecoders();
    void canFramesLeaveAsOneBatchPerBlock();
    void setPointRecordsCompleteAtTheLastController();
    void recordsReachTheWriterOnlyWhileLogging();
    void supplyExcursionsAreLoggedOncePerEpisode();
    void controllerDetailsAndBridgeCurrents();
    void analogInputsRatiometric();
    void thermocoupleInKelvin();
    void loadCellsMakeBrakeTorque_data();
    void loadCellsMakeBrakeTorque();
    void loadCellClippingAlarm();
    void stoppedInputsReadZero();
    void lossPolynomial_data();
    void lossPolynomial();
    void roadSpeedLeavesSlowRollersOut_data();
    void roadSpeedLeavesSlowRollersOut();
    void engineTorqueBelowATenthOfAnRpm();
    void slipFollowsTheEngineSpeedSource();

private:
    std::unique_ptr<RunThreadFixture> fixture;
};

void TestRunDecoding::initTestCase()
{
    fixture = std::make_unique<RunThreadFixture>(boardCode());
    // Before the settings are ready only the control registers count.
    RunThread* thread = fixture->thread.get();
    thread->start();
    fixture->feed({{reg(DynoRegister::sync), 0}});
    QVERIFY(thread->isSynced());
    thread->quit();
    thread->wait();
    QVERIFY(fixture->start());
    QCOMPARE(int(theHwInfo.deviceCode), boardCode());
}

void TestRunDecoding::cleanupTestCase()
{
    fixture.reset();
}

void TestRunDecoding::dataWaitsForTheDecoders()
{
    fixture->feed({{reg(DynoRegister::debugChannel1), bits(42.0f)}});
    QCOMPARE(RunThreadFixture::channel(ChannelId_debugChannel, 0), 42.0);
}

void TestRunDecoding::canFramesLeaveAsOneBatchPerBlock()
{
    QSignalSpy batches(fixture->thread.get(), &RunThread::signal_newCanFrameBatch);
    fixture->feed({{reg(DynoRegister::canData0), 1},
                   {reg(DynoRegister::canData1), 2},
                   {reg(DynoRegister::canTimestamp), 1000},
                   {reg(DynoRegister::canId), 0x80000000u + 291},
                   {reg(DynoRegister::canData0), 0x11223344},
                   {reg(DynoRegister::canData1), 0x55667788},
                   {reg(DynoRegister::canTimestamp), 1001},
                   {reg(DynoRegister::canId), 0x18FEF100}});
    QCOMPARE(batches.count(), 1);
    const auto batch = batches.at(0).at(0).value<QList<canFrame_t>>();
    QCOMPARE(batch.size(), 2);
    QCOMPARE(batch.at(0).canData, (uint64_t(1) << 32) + 2);
    QCOMPARE(batch.at(0).canChannelAndId >> 31, 1u);
    QCOMPARE(batch.at(0).canChannelAndId & 0x1FFFFFFFu, 291u);
    QCOMPARE(batch.at(0).timestamp, 1000u);
    // CAN data byte 0 in bits 63..56.
    QCOMPARE(uint8_t(batch.at(1).canData >> 56), uint8_t(0x11));
    QCOMPARE(uint8_t(batch.at(1).canData), uint8_t(0x88));
    QCOMPARE(batch.at(1).canChannelAndId >> 31, 0u);

    // Data of a frame whose identifier comes with the next block.
    fixture->feed({{reg(DynoRegister::canData0), 7}, {reg(DynoRegister::canData1), 8}});
    QCOMPARE(batches.count(), 1);
    fixture->feed({{reg(DynoRegister::canTimestamp), 5}, {reg(DynoRegister::canId), 0x100}});
    QCOMPARE(batches.count(), 2);
    const auto late = batches.at(1).at(0).value<QList<canFrame_t>>();
    QCOMPARE(late.size(), 1);
    QCOMPARE(late.at(0).canData, (uint64_t(7) << 32) + 8);
    QCOMPARE(late.at(0).timestamp, 5u);
}

void TestRunDecoding::setPointRecordsCompleteAtTheLastController()
{
    fixture->writer->clear();
    fixture->startLoggingRun();
    QVERIFY(fixture->thread->isLogging());
    const int rollers = theHwInfo.rollers;
    QList<QPair<int, uint32_t>> frames;
    for (int i = 0; i < 4; ++i)
        frames.append({reg(DynoRegister::accPID_1_SP) + i, bits(float(10 * (i + 1)))});
    fixture->feed(frames);
    const auto records = fixture->writer->accSetPoints();
    QCOMPARE(records.size(), 1);
    // Completed by controller `rollers`; the later ones only update the buffer.
    for (int i = 0; i < rollers; ++i)
        QCOMPARE(records.at(0).data[i], float(10 * (i + 1)));
    for (int i = 0; i < 4; ++i) {
        const double value = RunThreadFixture::channel(ChannelId_accControllerSP, i);
        if (i < rollers)
            QCOMPARE(value, 10.0 * (i + 1));
    }
    fixture->feed({{reg(DynoRegister::accPID_1_SP) + rollers - 1, bits(99.0f)}});
    const auto again = fixture->writer->accSetPoints();
    QCOMPARE(again.size(), 2);
    if (rollers < 4)
        QCOMPARE(again.at(1).data[3], 40.0f);
    fixture->inRunThread([this] { fixture->thread->slot_stopRun(); });
}

void TestRunDecoding::recordsReachTheWriterOnlyWhileLogging()
{
    // One record of each kind: a lite board completes its first analog and
    // its high-precision record early.
    const bool lite = theHwInfo.liteVariant;
    QList<QPair<int, uint32_t>> block{
        {reg(DynoRegister::freq1_frequency), 32000},
        {reg(DynoRegister::ain1_2), halves(1000, 2000)},
        {reg(lite ? DynoRegister::debugChannel2 : DynoRegister::ain3_4), halves(1000, 2000)},
        {reg(lite ? DynoRegister::debugChannel2 : DynoRegister::ain5_6), halves(1000, 2000)},
        {reg(DynoRegister::accPID_output), 0xFF800000},
        {reg(DynoRegister::speedPID_output), 0},
        {reg(DynoRegister::torquePID_output), 0},
        {reg(DynoRegister::ainPID_output1), 0},
        {reg(DynoRegister::ainPID_output2), 0},
        {reg(DynoRegister::pidDetails5), 0},
        {reg(DynoRegister::tcCh1_2), 0},
        {reg(DynoRegister::tcCh3_4), 0},
        {reg(lite ? DynoRegister::debugChannel2 : DynoRegister::tcCh5_6), 0},
        {reg(lite ? DynoRegister::debugChannel2 : DynoRegister::tcCh7_8), 0},
        {reg(DynoRegister::canTimestamp), 0},
        {reg(DynoRegister::canId), 0},
    };
    fixture->writer->clear();
    fixture->feed(block);
    for (const char* kind : {"freq", "ain0", "accOut", "speedOut", "torqueOut", "ainOut", "pidDetails", "tc", "can"})
        QCOMPARE(fixture->writer->records(kind), 0);
    // The output bytes still reach their channels.
    QCOMPARE(RunThreadFixture::channel(ChannelId_accControllerOutput, 0), 1.0);

    fixture->startLoggingRun();
    fixture->feed(block);
    fixture->inRunThread([this] { fixture->thread->slot_stopRun(); });
    for (const char* kind : {"freq", "freq0", "ain0", "accOut", "speedOut", "torqueOut", "ainOut", "pidDetails",
                             "tc", "can"})
        QVERIFY2(fixture->writer->records(kind) == 1, kind);
    QCOMPARE(fixture->thread->pulseCounts[0].load() >= 2, true);
}

void TestRunDecoding::supplyExcursionsAreLoggedOncePerEpisode()
{
    LogCapture log;
    auto supplies = [this](int vcc, int ext5) {
        fixture->feed({{reg(DynoRegister::diagVcc_diag5V), halves(vcc, ext5)}});
    };
    supplies(4850, 5151);
    QCOMPARE(log.count(QStringLiteral("External 5V voltage warning 5151 mV")), 1);
    QCOMPARE(log.count(QStringLiteral("MCU VCC voltage warning")), 0);
    QCOMPARE(RunThreadFixture::channel(ChannelId_voltage5), 5.151);
    QCOMPARE(RunThreadFixture::channel(ChannelId_voltage5Mcu), 4.85);
    supplies(4850, 5160);
    QCOMPARE(log.count(QStringLiteral("External 5V voltage warning")), 1);
    supplies(4850, 5150);
    supplies(5201, 5151);
    QCOMPARE(log.count(QStringLiteral("External 5V voltage warning")), 2);
    QCOMPARE(log.count(QStringLiteral("MCU VCC voltage warning 5201 mV")), 1);

    // The 24 V supply of a lite board is not there.
    fixture->feed({{reg(DynoRegister::diag12V_diag24V), halves(11399, 0)}});
    QCOMPARE(log.count(QStringLiteral("External 12V voltage warning 11399 mV")), 1);
    QCOMPARE(log.count(QStringLiteral("External 24V voltage warning")), theHwInfo.liteVariant ? 0 : 1);

    struct Limit {
        int mv, nominal, low, high;
        bool faulty;
    } limits[] = {{4849, 5000, 3, 4, true}, {4850, 5000, 3, 4, false}, {5200, 5000, 3, 4, false},
                  {5201, 5000, 3, 4, true}, {22800, 24000, 5, 5, false}, {25201, 24000, 5, 5, true}};
    for (const Limit& l : limits)
        QCOMPARE(RunThread::isVoltageFaulty(uint16_t(l.mv), uint16_t(l.nominal), l.low, l.high), l.faulty);
}

void TestRunDecoding::controllerDetailsAndBridgeCurrents()
{
    fixture->feed({{reg(DynoRegister::pidDetails2), halves(-32768, 32767)},
                   {reg(DynoRegister::bridgeCurrents), 0x08100001}});
    QCOMPARE(RunThreadFixture::channel(ChannelId_pidDetailsFF), -32768.0 / 32767.0);
    QCOMPARE(RunThreadFixture::channel(ChannelId_pidDetailsP), 1.0);
    if (theHwInfo.deviceCode == DeviceCode_ZR6) {
        QCOMPARE(RunThreadFixture::channel(ChannelId_bridgeCurrent, 0), 1.0);
        QCOMPARE(RunThreadFixture::channel(ChannelId_bridgeCurrent, 1), 2.0);
        QCOMPARE(RunThreadFixture::channel(ChannelId_bridgeCurrent, 3), 0.125);
    } else {
        QVERIFY(!(RunThreadFixture::channel(ChannelId_bridgeCurrent, 0) == 1.0));
    }
}

void TestRunDecoding::analogInputsRatiometric()
{
    const int input = std::min(3, theHwInfo.analogInputs - 1);
    fixture->setSetting(DynoSettingId_ainCalibration, input, 0.01);
    fixture->setSetting(DynoSettingId_ainRatiometric, input, true);
    QList<QPair<int, uint32_t>> block;
    // Input 3 is the high half of ain3_4; a lite board's inputs come in ain1_2 alone.
    const int word = reg(DynoRegister::ain1_2) + input / 2;
    for (int i = 0; i < 400; ++i) {
        block.append({word, halves(input % 2 ? 0 : 2500, input % 2 ? 2500 : 0)});
        for (int w = word + 1; w <= reg(DynoRegister::ain5_6); ++w)
            block.append({w, 0});
    }
    fixture->feed(block);
    for (double supply : {5.0, 4.8}) {
        // The supply channel has its own display filter: it takes a few samples to get there.
        const double expected = (2.5 + 0.01) * 5.0 / supply;
        const bool reached = QTest::qWaitFor([&] {
            fixture->feed({{reg(DynoRegister::diagVcc_diag5V), halves(5000, int(supply * 1000))}});
            return near(RunThreadFixture::channel(ChannelId_voltage5), supply, 1e-9)
                   && near(RunThreadFixture::channel(ChannelId_ainVoltage, input), expected, 1e-6);
        }, 10000);
        QVERIFY2(reached, qPrintable(QString::number(RunThreadFixture::channel(ChannelId_ainVoltage, input))));
    }
    fixture->setSetting(DynoSettingId_ainRatiometric, input, false);
}

void TestRunDecoding::thermocoupleInKelvin()
{
    fixture->setSetting(DynoSettingId_hpAinMode, 0, 6);
    for (double calibration : {0.0, 0.00405152}) {
        fixture->setSetting(DynoSettingId_hpAinCalibration, 0, calibration);
        // The editor keeps as many decimals as its unit shows.
        calibration = theDynoSettings->getSettingValueDouble(DynoSettingId_hpAinCalibration, 0);
        for (int i = 0; i < 10; ++i)
            fixture->feed({{reg(DynoRegister::tcCh1_2), halves(400, 0)},
                           {reg(DynoRegister::tcCh3_4), 0},
                           {reg(DynoRegister::tcCh5_6), 0},
                           {reg(DynoRegister::tcCh7_8), 0}});
        // 400 counts of 0.0625 °C are 25 °C; the calibration voltage counts as
        // degrees at the K-type sensitivity of 40.5152 µV per degree.
        const double expected = 298.15 + calibration / 0.0000405152;
        QTRY_VERIFY2(near(RunThreadFixture::channel(ChannelId_hpAin, 0), expected, 1e-6),
                     qPrintable(QString::number(RunThreadFixture::channel(ChannelId_hpAin, 0))));
    }
}

void TestRunDecoding::loadCellsMakeBrakeTorque_data()
{
    QTest::addColumn<int>("direction0");
    QTest::addColumn<int>("direction1");
    QTest::addColumn<double>("torque");
    QTest::newRow("forward and reverse") << 1 << 2 << 70.0;
    QTest::newRow("auto") << 0 << 0 << 130.0;
}

void TestRunDecoding::loadCellsMakeBrakeTorque()
{
    QFETCH(int, direction0);
    QFETCH(int, direction1);
    QFETCH(double, torque);
    if (theHwInfo.loadCells < 2)
        QSKIP("one load cell on this board");
    for (int i = 0; i < 2; ++i) {
        fixture->setSetting(DynoSettingId_loadCellRoller, i, 1);
        fixture->setSetting(DynoSettingId_loadCellA, i, 1.0);
        fixture->setSetting(DynoSettingId_loadCellB, i, 0.0);
        fixture->setSetting(DynoSettingId_loadCellVoltageCheckLow, i, 0.0);
    }
    fixture->setSetting(DynoSettingId_loadCellDirection, 0, direction0);
    fixture->setSetting(DynoSettingId_loadCellDirection, 1, direction1);
    QList<QPair<int, uint32_t>> block;
    for (int i = 0; i < 200; ++i) {
        if (theHwInfo.generation == 1) {
            block.append({reg(DynoRegister::ainlc1_2), halves(100, 30)});
            if (theHwInfo.deviceCode != DeviceCode_ZR5L)
                block.append({reg(DynoRegister::ainlc3_4), 0});
        } else {
            for (int k = 0; k < theHwInfo.loadCells; ++k)
                block.append({reg(DynoRegister::ainlcV2_1) + k, bits(k == 0 ? 100.0f : k == 1 ? 30.0f : 0.0f)});
        }
    }
    fixture->feed(block);
    QTRY_VERIFY2(near(RunThreadFixture::channel(ChannelId_rollerBrakesTorque, 0), torque, 1e-3),
                 qPrintable(QString::number(RunThreadFixture::channel(ChannelId_rollerBrakesTorque, 0))));
    QCOMPARE(RunThreadFixture::channel(ChannelId_loadCellValue, 0), 100.0);
    if (theHwInfo.rollers > 1)
        QCOMPARE(RunThreadFixture::channel(ChannelId_rollerBrakesTorque, 1), 0.0);
}

void TestRunDecoding::loadCellClippingAlarm()
{
    QSignalSpy alarms(fixture->thread.get(), &RunThread::signal_systemAlarm);
    fixture->setSetting(DynoSettingId_loadCellRoller, 0, 1);
    fixture->setSetting(DynoSettingId_loadCellVoltageCheckLow, 0, 1.2);
    fixture->setSetting(DynoSettingId_loadCellPgaGain, 0, 7);
    if (theHwInfo.loadCells > 1)
        fixture->setSetting(DynoSettingId_loadCellRoller, 1, 0);
    QList<QPair<int, uint32_t>> offending;
    if (theHwInfo.generation == 1) {
        // 1100 mV on both cells: only the assigned one alarms.
        offending = {{reg(DynoRegister::ainlc1_2), halves(1100, 1100)}};
        if (theHwInfo.deviceCode != DeviceCode_ZR5L)
            offending.append({reg(DynoRegister::ainlc3_4), 0});
    } else {
        // 0.007 of full scale times the gain of 128: 0.896.
        for (int k = 0; k < theHwInfo.loadCells; ++k)
            offending.append({reg(DynoRegister::ainlcV2_1) + k, bits(0.007f)});
    }
    // The run thread announces a lasting fault at most every 250 ms, however
    // many frames report it. The load cells of the test before clipped too:
    // their announcement's interval has to pass before this one counts.
    QTest::qWait(int(RunThread::systemAlarmIntervalMs) + 20);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 5; ++i)
        fixture->feed(offending);
    const qint64 ms = elapsed.elapsed();
    int clipping = 0;
    for (const QList<QVariant>& alarm : alarms)
        clipping += alarm.at(0).toInt() == 2 ? 1 : 0;
    QVERIFY(clipping >= 1);
    QVERIFY2(clipping <= 1 + ms / RunThread::systemAlarmIntervalMs + 1, qPrintable(QString::number(clipping)));
}

void TestRunDecoding::stoppedInputsReadZero()
{
    QCOMPARE(fixture->thread->stoppedInputTimerCount(), theHwInfo.mcuFreqSlots);
    // No frames since the settings were ready: zeroed within 2 s and valid.
    QTRY_COMPARE_WITH_TIMEOUT(RunThreadFixture::channel(ChannelId_freqInputFrequency, 0), 0.0, 3000);
    QCOMPARE(RunThreadFixture::channel(ChannelId_freqInputRotationalSpeed, 0), 0.0);
}

void TestRunDecoding::lossPolynomial_data()
{
    QTest::addColumn<QList<double>>("coefficients");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("loss");
    QTest::newRow("fewer than three") << QList<double>{10, 2} << 2.0 << 0.0;
    QTest::newRow("quadratic") << QList<double>{10, 2, 0.5} << 2.0 << 16.0;
    QTest::newRow("fourth power") << QList<double>{10, 2, 0.5, 1, 1} << 2.0 << 40.0;
    QTest::newRow("beyond the fourth ignored") << QList<double>{10, 2, 0.5, 1, 1, 100} << 2.0 << 40.0;
}

void TestRunDecoding::lossPolynomial()
{
    QFETCH(QList<double>, coefficients);
    QFETCH(double, x);
    QFETCH(double, loss);
    QCOMPARE(RunThread::lossPolynomial(coefficients, x), loss);
}

void TestRunDecoding::roadSpeedLeavesSlowRollersOut_data()
{
    QTest::addColumn<QList<double>>("speeds");
    QTest::addColumn<double>("roadSpeed");
    QTest::newRow("slow roller left out") << QList<double>{20.0, 1.5} << 20.0;
    QTest::newRow("a tenth takes part") << QList<double>{20.0, 2.0} << 11.0;
    QTest::newRow("all standing") << QList<double>{0.0, 0.0} << 0.0;
    QTest::newRow("one invalid") << QList<double>{20.0, std::nan("")} << std::nan("");
}

void TestRunDecoding::roadSpeedLeavesSlowRollersOut()
{
    QFETCH(QList<double>, speeds);
    QFETCH(double, roadSpeed);
    if (theHwInfo.rollers < 2)
        QSKIP("one roller on this board");
    RunThread* thread = fixture->thread.get();
    double speed = 0.0;
    fixture->inRunThread([&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int j = 0; j < theHwInfo.rollers; ++j) {
            const double v = j < speeds.size() ? speeds.at(j) : 0.0;
            theChannels.getChannel(ChannelId_rollerSpeed, j)->setData(v, now);
            theChannels.getChannel(ChannelId_rollerRotationalAcceleration, j)->setData(0.0, now);
        }
        thread->calculateChannelsFromAllRollers(now);
        speed = RunThreadFixture::channel(ChannelId_dynoSpeed);
    });
    if (std::isnan(roadSpeed))
        QVERIFY(std::isnan(speed));
    else
        QCOMPARE(speed, roadSpeed);
}

void TestRunDecoding::engineTorqueBelowATenthOfAnRpm()
{
    RunThread* thread = fixture->thread.get();
    double torque = -1.0;
    double corrected = -1.0;
    fixture->inRunThread([&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        theChannels.getChannel(ChannelId_engineSpeed, 0)->setData(0.01, now);
        theChannels.getChannel(ChannelId_dynoOnWheelsPower, 0)->setDataWithoutFilter(5000.0, now);
        theChannels.getChannel(ChannelId_ambientCorrectionFactor, 0)->setData(0.0, now);
        thread->calculateEnginePowerAndTorque(now);
        torque = RunThreadFixture::channel(ChannelId_engineTorque);
        corrected = RunThreadFixture::channel(ChannelId_engineCorrectedTorque);
    });
    QCOMPARE(torque, 0.0);
    QCOMPARE(corrected, 0.0);
}

// The slip estimate and its (1 + s) in the engine speed follow a change of the
// engine-speed source at the next decoded block: no restart, no project change.
void TestRunDecoding::slipFollowsTheEngineSpeedSource()
{
    RunThread* thread = fixture->thread.get();
    fixture->setSetting(DynoSettingId_dynoType, 0, 1);
    for (int j = 0; j < theHwInfo.rollers; ++j)
        fixture->setSetting(DynoSettingId_rollerSupportRoller, j, 0);
    fixture->setSetting(DynoSettingId_engineSpeedRatio, 0, 3.0);
    fixture->setSetting(DynoSettingId_slipEstimationCoefficient, 0, 0.05);
    theActiveProjectValues.mass = 1000.0;
    theActiveProjectValues.driveWheels = 1;
    theActiveProjectValues.active = true;

    struct Result {
        double slip;
        double ratio;
    };
    auto calculate = [&](int source) {
        fixture->setSetting(DynoSettingId_engineSpeedSource, 0, source);
        fixture->feed({}); // a block: the thread reads its settings
        Result result{};
        fixture->inRunThread([&] {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            for (int j = 0; j < theHwInfo.rollers; ++j) {
                theChannels.getChannel(ChannelId_rollerSpeed, j)->setData(20.0, now);
                theChannels.getChannel(ChannelId_rollerRotationalAcceleration, j)->setData(0.0, now);
                theChannels.getChannel(ChannelId_rollerPower, j)->setDataWithoutFilter(j == 0 ? 60000.0 : 0.0, now);
            }
            thread->calculateChannelsFromAllRollers(now);
            result = {RunThreadFixture::channel(ChannelId_dynoEstimatedSlip),
                      RunThreadFixture::channel(ChannelId_engineRollerSpeedRatio)};
        });
        return result;
    };

    const Result calculated = calculate(0);
    // 60 kW at 20 m/s on the rollers (the channels of the force may be
    // filtered by an earlier case, the slip is computed from the raw force):
    // F = 3000 N plus what the internal loss adds, drive wheels 1, so half the
    // mass carries the driven axle.
    QVERIFY(calculated.slip > 0.0);
    QVERIFY(near(calculated.ratio, (1.0 + calculated.slip) * 3.0, 1e-9));

    const Result measured = calculate(1);
    QCOMPARE(measured.slip, 0.0);

    const Result again = calculate(0);
    QVERIFY(near(again.slip, calculated.slip, 1e-12));
    QVERIFY(near(again.ratio, (1.0 + calculated.slip) * 3.0, 1e-9));

    theActiveProjectValues.clear();
    fixture->setSetting(DynoSettingId_engineSpeedRatio, 0, 1.0);
}

QTEST_MAIN(TestRunDecoding)
#include "tst_run_decoding.moc"
