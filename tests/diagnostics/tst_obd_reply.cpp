#include "ObdThread.h"
#include "SimulatedObdAdapter.h"

#include <QTest>

// Reply clean-up, assembly and verdicts as the OBD thread judges adapter output.
class TestObdReply : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void verdicts_data();
    void verdicts();
    void simulatorMultiFrame();
    void expectedPrefixes_data();
    void expectedPrefixes();
};

void TestObdReply::verdicts_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("prefixLength");
    QTest::addColumn<int>("dataLength");
    QTest::addColumn<QByteArray>("assembled");
    QTest::addColumn<int>("verdict");

    QTest::newRow("single line") << QByteArray("410C1AF8\r\r>") << QByteArray("410C") << 4 << -1
                                 << QByteArray("410C1AF8") << int(Ok);
    QTest::newRow("lower-case hex, line feeds") << QByteArray("410c1af8\r\n\r\n>") << QByteArray("410C") << 4 << -1
                                                << QByteArray("410C1AF8") << int(Ok);
    QTest::newRow("multi-frame, headers off")
        << QByteArray("014\r0:490201314434\r1:47503030523535\r2:42313233343536\r\r>") << QByteArray() << 0 << -1
        << QByteArray("49020131443447503030523535423132333435 36").replace(" ", "") << int(Ok);
    QTest::newRow("multi-frame with blanks")
        << QByteArray("00A\r0: 62 F1 90 01 02 03\r1: 04 05 06 07 00 00 00\r\r>") << QByteArray("62F190") << 6 << -1
        << QByteArray("62F19001020304050607000000") << int(Ok);
    QTest::newRow("negative outweighed") << QByteArray("7F0112\r410C1AF8\r\r>") << QByteArray("410C") << 4 << -1
                                         << QByteArray("410C1AF8") << int(Ok);
    QTest::newRow("pending then answer") << QByteArray("7F2278\r62F18C534E\r\r>") << QByteArray("62F18C") << 6 << -1
                                         << QByteArray("62F18C534E") << int(Ok);
    QTest::newRow("all negative") << QByteArray("7F2231\r7F2231\r\r>") << QByteArray("62F190") << 6 << -1
                                  << QByteArray("7F2231\r7F2231") << int(NegativeResponse);
    QTest::newRow("searching then no data") << QByteArray("SEARCHING...\rNO DATA\r\r>") << QByteArray("410C") << 4
                                            << -1 << QByteArray("NO DATA") << int(NoData);
    QTest::newRow("prefix only") << QByteArray("410C\r\r>") << QByteArray("410C") << 4 << -1 << QByteArray("410C")
                                 << int(Ok);
    QTest::newRow("too short") << QByteArray("414F01\r\r>") << QByteArray("414F") << 4 << 8 << QByteArray("414F01")
                               << int(TooShort);
    QTest::newRow("any reply passes") << QByteArray("NO DATA\r\r>") << QByteArray() << 0 << -1
                                      << QByteArray("NO DATA") << int(Ok);
    QTest::newRow("unable") << QByteArray("UNABLE TO CONNECT\r\r>") << QByteArray("4100") << 0 << -1
                            << QByteArray("UNABLE TO CONNECT") << int(UnableToConnect);
    QTest::newRow("stopped") << QByteArray("STOPPED\r\r>") << QByteArray("4100") << 0 << -1
                             << QByteArray("STOPPED") << int(Stopped);
    QTest::newRow("unknown command") << QByteArray("?\r\r>") << QByteArray("OK") << 0 << -1 << QByteArray("?")
                                     << int(UnexpectedReply);
    QTest::newRow("nothing") << QByteArray() << QByteArray("OK") << 0 << -1 << QByteArray() << int(UnexpectedReply);
    QTest::newRow("echoed command") << QByteArray("ATL0\rOK\r\r>") << QByteArray("ATL0\rOK") << 0 << -1
                                    << QByteArray("ATL0\rOK") << int(Ok);
    QTest::newRow("two ECUs") << QByteArray("410D00\r410D00\r\r>") << QByteArray("410D") << 4 << -1
                              << QByteArray("410D00\r410D00") << int(Ok);
}

void TestObdReply::verdicts()
{
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, expected);
    QFETCH(int, prefixLength);
    QFETCH(int, dataLength);
    QFETCH(QByteArray, assembled);
    QFETCH(int, verdict);
    const QByteArray text = ObdThread::assembleReply(ObdThread::cleanReply(raw));
    QCOMPARE(text, assembled);
    QCOMPARE(int(ObdThread::judgeReply(text, expected, prefixLength, dataLength)), verdict);
}

// What the simulated adapter prints for long answers assembles to the payload.
void TestObdReply::simulatorMultiFrame()
{
    SimulatedObdAdapter adapter;
    adapter.handleCommand("ATZ");
    adapter.handleCommand("ATE0");
    adapter.handleCommand("ATS0");
    adapter.handleCommand("ATL0");
    adapter.handleCommand("ATSP6");
    const QByteArray vin = QByteArray("1ZEMB0SIMULAT0R01").toHex().toUpper();
    QCOMPARE(ObdThread::assembleReply(ObdThread::cleanReply(adapter.handleCommand("0902"))), "490201" + vin);
    adapter.handleCommand("ATSH7E0");
    QCOMPARE(ObdThread::assembleReply(ObdThread::cleanReply(adapter.handleCommand("22F190"))), "62F190" + vin);
    QCOMPARE(ObdThread::assembleReply(ObdThread::cleanReply(adapter.handleCommand("22F18C"))),
             "62F18C" + QByteArray("SN0001").toHex().toUpper());
    QCOMPARE(ObdThread::assembleReply(ObdThread::cleanReply(adapter.handleCommand("2201"))), QByteArray("7F2231"));
    adapter.handleCommand("ATSH7DF");
    // Functional request: the transmission's refusal is outweighed by the engine's answer.
    const QByteArray both = ObdThread::assembleReply(ObdThread::cleanReply(adapter.handleCommand("22F190")));
    QVERIFY(both.startsWith("62F190" + vin));
    QCOMPARE(int(ObdThread::judgeReply(both, "62F190", 6, -1)), int(Ok));
}

void TestObdReply::expectedPrefixes_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("length");
    QTest::newRow("service 01") << QByteArray("010C") << QByteArray("410C") << 4;
    QTest::newRow("service 02") << QByteArray("020C00") << QByteArray("420C") << 4;
    QTest::newRow("service 22") << QByteArray("22F190") << QByteArray("62F190") << 6;
    QTest::newRow("service 09") << QByteArray("0902") << QByteArray() << 0;
    QTest::newRow("service 00") << QByteArray("0000") << QByteArray() << 0;
}

void TestObdReply::expectedPrefixes()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, prefix);
    QFETCH(int, length);
    int prefixLength = -1;
    QCOMPARE(ObdThread::expectedPrefix(command, prefixLength), prefix);
    QCOMPARE(prefixLength, length);
}

QTEST_GUILESS_MAIN(TestObdReply)
#include "tst_obd_reply.moc"
