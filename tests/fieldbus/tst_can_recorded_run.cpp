// A recorded run's CAN frames decoded by the run's own CAN inputs, built by
// the factory the field-bus layer registers, into the run's recorded channels.
#include "ChannelSetup.h"
#include "FieldBus.h"
#include "RecordedCanInputs.h"
#include "RunDataHooks.h"
#include "RunDataTestSupport.h"
#include "RunFileTestSupport.h"
#include "VectorChannel.h"

#include <QTest>

#include <cmath>
#include <cstring>

class TestCanRecordedRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void framesBecomeChannels();

private:
    RunDataTest::Options options;
};

void TestCanRecordedRun::initTestCase()
{
    RunFileTest::prepareProcess();
    RunAnalysisOptions::install(&options);
    FieldBus::registerHooks();
}

void TestCanRecordedRun::cleanupTestCase()
{
    RunAnalysisOptions::install(nullptr);
}

void TestCanRecordedRun::framesBecomeChannels()
{
    const QString xml = QStringLiteral(
        "<canInputs>"
        "<canInput name=\"speed\" canId=\"291\" bitCount=\"16\" byteOffset=\"6\" multiplier=\"0.1\" divider=\"1\" "
        "timeoutEnable=\"1\" timeoutTime=\"0.5\"><variableSetup unitType=\"2\" unit=\"km/h\"/></canInput>"
        "<canInput name=\"unused\" canId=\"292\" bitCount=\"8\" multiplier=\"1\" divider=\"1\"/>"
        "</canInputs>");
    const RunDataHooks::ModelFactory factory =
        RunDataHooks::instance().modelFactories.value(QStringLiteral("canParserSetup"));
    QVERIFY(factory);

    auto run = RunDataTest::gridRun(2.0);
    const quint32 stamps[4] = {0, 300, 600, 1500};
    char* records = run->frames.resize(FrameId_can, 4);
    for (int r = 0; r < 4; ++r) {
        canFrame_t frame;
        frame.canData = quint64(100 * (r + 1)) << 48; // data bytes 0 and 1
        frame.canChannelAndId = 291;
        frame.timestamp = stamps[r];
        std::memcpy(records + r * sizeof(canFrame_t), &frame, sizeof frame);
    }
    run->canInputsModel.reset(factory(xml));
    QCOMPARE(run->canInputsModel->channelCount(), 2);
    QCOMPARE(run->processCanFrames(), 0);
    VectorChannel* speed = run->getVectorChannel(ChannelId_canInputs, 0);
    QVERIFY(speed);
    QCOMPARE(run->getVectorChannel(ChannelId_canInputs, 1), nullptr);
    QCOMPARE(speed->setup->runKey, QStringLiteral("C_speed"));
    // 10, 20 and 30 km/h at 0, 0.3 and 0.6 s, in SI, interpolated between.
    const int rate = options.rate;
    QVERIFY(std::fabs(speed->rawSamples().at(0) - 10.0 / 3.6) < 1e-9);
    QVERIFY(std::fabs(speed->rawSamples().at(int(0.15 * rate)) - 15.0 / 3.6) < 1e-9);
    QVERIFY(std::fabs(speed->rawSamples().at(int(0.45 * rate)) - 25.0 / 3.6) < 1e-9);
    // The 900 ms without frames is a gap, not a ramp.
    QVERIFY(std::isnan(speed->rawSamples().at(int(1.05 * rate))));
}

QTEST_MAIN(TestCanRecordedRun)
#include "tst_can_recorded_run.moc"
