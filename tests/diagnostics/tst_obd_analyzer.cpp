#include "Channels.h"
#include "Diagnostics.h"
#include "OBDAnalyzer.h"
#include "ObdServiceNames.h"
#include "RecordingAnswerer.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "lib/Units.h"

#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// A frame of bus `bus` with up to eight bytes, padded with zeros.
canFrame_t frame(quint32 id, const QByteArray& hex, int bus = 0)
{
    const QByteArray bytes = QByteArray::fromHex(hex).leftJustified(8, '\0');
    quint64 data = 0;
    for (int i = 0; i < 8; ++i)
        data = (data << 8) | quint8(bytes.at(i));
    return canFrame_t {data, id | (quint32(bus) << 31), 0};
}

} // namespace

// The passive analyser on hand-made traffic: entries, service-22 records,
// channels made from them, the entry cap and the log file.
class TestObdAnalyzer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void names();
    void entries();
    void multiFrameFromTwoEcus();
    void service22Records();
    void generateChannels();
    void capAndLog();

private:
    RecordingAnswerer answerer;
};

void TestObdAnalyzer::initTestCase()
{
    theUnits.init();
    theChannels.init();
    Diagnostics::registerHooks();
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.zembo/log"));
}

void TestObdAnalyzer::cleanup()
{
    theUDSChannelModel.clear();
    answerer.shown.clear();
}

void TestObdAnalyzer::names()
{
    QCOMPARE(_serviceStrings.size(), 37);
    QCOMPARE(_negativeResponseStrings.size(), 39);
    QCOMPARE(_serviceStrings.value(0x01), QStringLiteral("Show current data"));
    QCOMPARE(_serviceStrings.value(0x62 - 0x40), QStringLiteral("Read Data By Identifier"));
    QCOMPARE(_serviceStrings.value(0x12, "unknown"), QStringLiteral("unknown"));
    QCOMPARE(_negativeResponseStrings.value(0x78), QStringLiteral("Neg Response - Response Pending"));
    QCOMPARE(_negativeResponseStrings.value(0x8E, "unknown"), QStringLiteral("unknown"));
    QCOMPARE(_negativeResponseStrings.value(0x0A), QStringLiteral("Positive Response"));
}

void TestObdAnalyzer::entries()
{
    OBDAnalyzer analyzer(nullptr, 0);
    QCOMPARE(analyzer.windowTitle(), QStringLiteral("OBD / UDS Analyzer"));
    analyzer.slot_newCanFrameBatch({frame(0x7E0, "02010C"), frame(0x7E8, "04410C1AF8"),
                                    frame(0x7E8, "04410C1AF8", 1), // the other bus
                                    frame(0x700, "0322F190"),       // no entry
                                    frame(0x7DF, "020100"),
                                    frame(0x7EA, "037F2231"),
                                    frame(0x7EB, "027F22"),
                                    frame(0x18DA10F1, "0322F40C"),
                                    frame(0x18DAF110, "0562F40C1AF8"),
                                    frame(0x18DB33F1, "0209 02")});
    const QStringList expected {
        "\nRequest 7E0 02 01 0C 00 00 00 00 00 \nECU ID: 0\nService: 01 Show current data\nPID: 0C",
        "\nResponse 7E8 04 41 0C 1A F8 00 00 00 \nECU ID: 0\nService: 01 Show current data\nPID: 0C\nDATA: 1A F8 ",
        "\nBroadcast request 7DF 02 01 00 00 00 00 00 00 \nECU ID: Broadcast\nService: 01 Show current data\nPID: 00",
        "\nResponse 7EA 03 7F 22 31 00 00 00 00 \nECU ID: 2\nNegative response\nRejected service: Read Data By "
        "Identifier\nReason: Neg Response - Request Out Of Range",
        "\nResponse 7EB 02 7F 22 00 00 00 00 00 \nECU ID: 3\nNegative response",
        "\nRequest 18DA10F1 03 22 F4 0C 00 00 00 00 \nECU ID: 16\nService: 22 Read Data By Identifier\nPID: F40C",
        "\nResponse 18DAF110 05 62 F4 0C 1A F8 00 00 \nECU ID: 16\nService: 22 Read Data By Identifier\nPID: "
        "F40C\nDATA: 1A F8 ",
        "\nBroadcast request 18DB33F1 02 09 02 00 00 00 00 00 \nECU ID: Broadcast\nService: 09 Request vehicle "
        "information"};
    QCOMPARE(analyzer.lines, expected);
    analyzer.slot_refreshDisplay();
    QCOMPARE(analyzer.trafficView->toPlainText(), expected.join('\n'));
}

void TestObdAnalyzer::multiFrameFromTwoEcus()
{
    // Two ECUs answer a broadcast with multi-frame messages, interleaved.
    OBDAnalyzer analyzer(nullptr, 0);
    analyzer.slot_newCanFrameBatch({frame(0x7DF, "020902"),
                                    frame(0x7E8, "1014490201313233"),
                                    frame(0x7E9, "1014490201414243"),
                                    frame(0x7E8, "2134353637383930"),
                                    frame(0x7E9, "2144454647484950"),
                                    frame(0x7E8, "2231323334353637"),
                                    frame(0x7E9, "2251525354555657")});
    QCOMPARE(analyzer.lines.size(), 7);
    QVERIFY(analyzer.lines.at(5).endsWith("\nService: 09 Request vehicle information"));
    QVERIFY(analyzer.lines.at(6).endsWith("\nService: 09 Request vehicle information"));
    for (int i : {1, 2, 3, 4})
        QVERIFY(!analyzer.lines.at(i).contains("Service"));
}

void TestObdAnalyzer::service22Records()
{
    OBDAnalyzer analyzer(nullptr, 0);
    QVERIFY(!analyzer.generateButton->isEnabled());
    analyzer.slot_newCanFrameBatch({
        frame(0x7E0, "0322F190"), frame(0x7E8, "101462F190313233"),
        frame(0x7E0, "300000"), // the tester's flow control: bytes 2 and 3 are 00 00
        frame(0x7E8, "2134353637383930"), frame(0x7E8, "2241424344454647"),
    });
    // The flow control replaced the remembered identifier: no record.
    QVERIFY(analyzer.detectedServices.isEmpty());
    analyzer.slot_newCanFrameBatch({
        frame(0x7E0, "0322F40C"), frame(0x7E8, "0562F40C1AF8"),
        frame(0x7E0, "0322F40C"), frame(0x7E8, "0562F40C0000"), // a second answer keeps the first data
        frame(0x7E0, "0322F40D"), frame(0x7E8, "0462F40E01"),   // another identifier: nothing
        frame(0x7E0, "0322F40F"), frame(0x7E8, "0362F40F"),     // no data bytes: nothing
        frame(0x7E0, "0322F405"), frame(0x7E9, "0462F40577"),   // 7E9 answers 7E1, not 7E0
        frame(0x18DA10F1, "0322F411"), frame(0x18DAF120, "0462F41142"),
    });
    QCOMPARE(analyzer.detectedServices.keys(), (QList<QByteArray> {"18DA10F1 22F411", "7E0 22F40C"}));
    QCOMPARE(analyzer.detectedServices.value("7E0 22F40C").data, QByteArray("1A F8 "));
    QCOMPARE(analyzer.detectedServices.value("7E0 22F40C").dataLength, 2);
    QCOMPARE(analyzer.servicesView->toPlainText(),
             QStringLiteral("18DA10F1 22F411 : 42 \n7E0 22F40C : 1A F8 \n"));
    QVERIFY(analyzer.generateButton->isEnabled());
    analyzer.slot_clear();
    QVERIFY(!analyzer.generateButton->isEnabled());
    QVERIFY(analyzer.lines.isEmpty());
}

void TestObdAnalyzer::generateChannels()
{
    OBDAnalyzer analyzer(nullptr, 0);
    // Records of 1, 3 and 21 data bytes.
    QList<canFrame_t> frames {frame(0x7E0, "0322F401"), frame(0x7E8, "0462F40111"),
                              frame(0x7E0, "0322F402"), frame(0x7E8, "0662F402112233"),
                              frame(0x7E0, "0322F403"), frame(0x7E8, "101862F403000102"),
                              frame(0x7E0, "300000")};
    analyzer.slot_newCanFrameBatch(frames);
    // The flow control took the place of the request: send the request again
    // and let the consecutive frames follow without one.
    analyzer.slot_newCanFrameBatch({frame(0x7E0, "0322F403"), frame(0x7E8, "101862F403000102"),
                                    frame(0x7E8, "2103040506070809"), frame(0x7E8, "220A0B0C0D0E0F10"),
                                    frame(0x7E8, "2311121314")});
    QCOMPARE(analyzer.detectedServices.size(), 3);

    auto* taken = new UDSChannel;
    taken->setChildName("ECU");
    theUDSChannelModel.addChannels({taken});
    answerer.respond = [](QDialog* dialog) {
        if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            input->setTextValue("ECU");
            return int(QDialog::Accepted);
        }
        return int(QDialog::Accepted);
    };
    analyzer.slot_generateUDSChannels();
    answerer.respond = nullptr;
    QCOMPARE(theUDSChannelModel.rowCount(), 4);
    QStringList equations;
    for (int row = 1; row < 4; ++row) {
        UDSChannel* channel = theUDSChannelModel.channel(row);
        QCOMPARE(channel->getChildName(), QStringLiteral("ECU 1"));
        QCOMPARE(channel->udsSetup.header, QByteArray("7E0"));
        equations.append(channel->udsSetup.equation);
    }
    QCOMPARE(equations.at(0), QStringLiteral("A"));
    QCOMPARE(equations.at(1), QStringLiteral("((A*256+B)*256+C)"));
    QVERIFY(equations.at(2).endsWith("*256+U)"));
    QCOMPARE(theUDSChannelModel.channel(2)->udsSetup.command, QByteArray("22F402"));
    QCOMPARE(answerer.shown.last().text, QStringLiteral("Channels generated"));

    // An empty prefix does nothing.
    answerer.result = QDialog::Accepted;
    analyzer.slot_generateUDSChannels();
    QCOMPARE(theUDSChannelModel.rowCount(), 4);
}

void TestObdAnalyzer::capAndLog()
{
    QString logName;
    {
        OBDAnalyzer analyzer(nullptr, 1);
        logName = analyzer.logFile->fileName();
        QVERIFY(QFileInfo(logName).fileName().startsWith("CAN_OBD_Analyze_"));
        QList<canFrame_t> batch;
        for (int i = 0; i < OBDAnalyzer::maxLines + 1; ++i)
            batch.append(frame(0x7E0, QByteArray::number(0x0201000000 + i, 16).rightJustified(10, '0'), 1));
        analyzer.slot_newCanFrameBatch(batch);
        QCOMPARE(analyzer.lines.size(), OBDAnalyzer::maxLines);
        QVERIFY(analyzer.lines.first().startsWith("\nRequest 7E0 02 01 00 00 01 "));
        // The refresh puts what the view shows on disk.
        analyzer.slot_refreshDisplay();
        QFile early(logName);
        QVERIFY(early.open(QIODevice::ReadOnly));
        // Analysers opened within the same second append to one file.
        const QByteArray shown = early.readAll();
        QCOMPARE(shown.mid(shown.lastIndexOf("CAN OBD Analyzer log start")).count("\nRequest 7E0"),
                 OBDAnalyzer::maxLines + 1);
    }
    QFile file(logName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("CAN OBD Analyzer log start "));
    QCOMPARE(text.mid(text.lastIndexOf("CAN OBD Analyzer log start")).count("\nRequest 7E0"),
             OBDAnalyzer::maxLines + 1);
}

QTEST_MAIN(TestObdAnalyzer)
#include "tst_obd_analyzer.moc"
