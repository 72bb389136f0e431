// The CANopen tool against the simulated controller's CANopen node, through
// the real MCU link: requests leave as the board's CAN registers, the node's
// answers and TPDOs come back as received frames.
#include "CANopenTool.h"
#include "CanDataHexEdit.h"
#include "CanInput.h"
#include "CanInputsModel.h"
#include "CanOutputMessage.h"
#include "HexDataLineEdit.h"
#include "LinkFixture.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

namespace {

qint64 g_now = 1000000;
qint64 fakeClock()
{
    return g_now;
}

} // namespace

class TestCanopenLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void toolTalksToTheNode();

private:
    // The frames the link received since the last call, as the run thread
    // hands them over.
    QList<canFrame_t> newFrames(LinkFixture& link);
    bool waitFor(LinkFixture& link, const std::function<bool(const QList<canFrame_t>&)>& done);
    int taken = 0;
};

void TestCanopenLink::initTestCase()
{
    theUnits.init();
    RunChannel::setWallClock(&fakeClock);
}

QList<canFrame_t> TestCanopenLink::newFrames(LinkFixture& link)
{
    const QList<SpiDynoFrame> ids = link.receivedOf(DynoRegister::canId);
    const QList<SpiDynoFrame> highs = link.receivedOf(DynoRegister::canData0);
    const QList<SpiDynoFrame> lows = link.receivedOf(DynoRegister::canData1);
    QList<canFrame_t> frames;
    const int complete = int(qMin(ids.size(), qMin(highs.size(), lows.size())));
    for (; taken < complete; ++taken) {
        canFrame_t frame;
        frame.canData = (quint64(highs.at(taken).value) << 32) | lows.at(taken).value;
        frame.canChannelAndId = ids.at(taken).value;
        frame.timestamp = 0;
        frames.append(frame);
    }
    return frames;
}

bool TestCanopenLink::waitFor(LinkFixture& link, const std::function<bool(const QList<canFrame_t>&)>& done)
{
    QList<canFrame_t> all;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        all += newFrames(link);
        if (done(all))
            return true;
    }
    return false;
}

void TestCanopenLink::toolTalksToTheNode()
{
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    SimulatedControllerConfig config;
    config.canopenNode = 5;
    config.canopenBus = 1;
    LinkFixture link(config);
    link.start();
    QVERIFY(link.waitConfirmed(5000));
    CanOutputMessage::setSender(
        [&link](uint8_t bus, uint32_t id, const uint8_t* data) { link.link->sendCanData(bus, id, data); });

    CANopenTool tool(nullptr, 1);
    tool.nodeIdSpinBox->setValue(5);
    auto feed = [&tool](const QList<canFrame_t>& frames) {
        tool.slot_newCanFrameBatch(frames);
        theCanInputsModel.slot_newCanFrameBatch(frames);
    };

    // Starting values (1 data byte) with index 1017, data 000003E8: the node
    // stores the one byte, then an upload reads it back.
    tool.requestIndex->setText(QStringLiteral("1017"));
    tool.requestData->setText(QStringLiteral("000003E8"));
    tool.slot_sendSDO();
    auto sdoReply = [](const QList<canFrame_t>& frames) {
        for (const canFrame_t& f : frames) {
            if (f.canChannelAndId == ((1u << 31) | 0x585u))
                return true;
        }
        return false;
    };
    QVERIFY(waitFor(link, [&](const QList<canFrame_t>& frames) {
        feed(frames);
        return sdoReply(frames);
    }));
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("60"));
    tool.requestCommand->setText(QStringLiteral("40"));
    tool.slot_sendSDO();
    QVERIFY(waitFor(link, [&](const QList<canFrame_t>& frames) {
        feed(frames);
        return sdoReply(frames);
    }));
    QCOMPARE(tool.responseCommand->text(), QStringLiteral("43"));
    QCOMPARE(tool.responseIndex->text(), QStringLiteral("1017"));
    QCOMPARE(tool.responseData->text(), QStringLiteral("000000E8"));

    // The generated input decodes TPDO1 (its byte 0, the counter's low byte).
    tool.addCanInput(0);
    QCOMPARE(theCanInputsModel.inputCount(), 1);
    CanInput* input = theCanInputsModel.input(0);
    tool.slot_commandGoOperational();
    quint64 lastTpdo1 = 0;
    int tpdo1Count = 0;
    QVERIFY(waitFor(link, [&](const QList<canFrame_t>& frames) {
        feed(frames);
        for (const canFrame_t& f : frames) {
            if (f.canChannelAndId == ((1u << 31) | 0x185u)) {
                lastTpdo1 = f.canData;
                ++tpdo1Count;
            }
        }
        return tpdo1Count >= 5;
    }));
    QCOMPARE(input->getValue(), double(lastTpdo1 >> 56));
    QCOMPARE(quint64(lastTpdo1 & 0x0000FFFFFFFFFFFFull), 0x0000011213141516ull);
    const QString shown = tool.tpdoDisplays[0]->text().remove(QLatin1Char(' ')).toUpper();
    QVERIFY2(shown.startsWith(QLatin1String("1615141312")), qPrintable(shown));

    // The board sent each request on bus 1 as built.
    const auto sent = link.sim->sentCanFrames();
    QVERIFY(sent.size() >= 3);
    QCOMPARE(sent.at(0).bus, 1);
    QCOMPARE(sent.at(0).identifier, 0x605u);
    QCOMPARE(QString::fromLatin1(sent.at(0).data.toHex(' ').toUpper()), QStringLiteral("2F 17 10 00 E8 03 00 00"));
    QCOMPARE(sent.at(2).identifier, 0x000u);
    CanOutputMessage::setSender(nullptr);
}

QTEST_MAIN(TestCanopenLink)
#include "tst_canopen_link.moc"
