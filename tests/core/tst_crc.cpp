#include "LogCapture.h"
#include "Tools.h"

#include <QTest>

class TestCrc : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void crc8CheckValues();
    void crc8OfControllerFrames_data();
    void crc8OfControllerFrames();
    void crc16Modbus();
    void hexString();
    void readStringAssemblesWords();
    void dumps();
};

void TestCrc::crc8CheckValues()
{
    unsigned char digits[10] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0};
    QCOMPARE(Tools::crc8(digits, 8), uint8_t(0x37));
    digits[9] = 0x37;
    QCOMPARE(Tools::crc8(digits, 9), uint8_t(0x00));
    const unsigned char one[] = {0x01};
    QCOMPARE(Tools::crc8(one, 0), uint8_t(0x1D));
    // n is the index of the last byte covered: byte 7 of a CAN frame is the CRC itself.
    unsigned char frame[8] = {1, 2, 3, 4, 5, 6, 7, 0};
    const uint8_t crc = Tools::crc8(frame, 6);
    frame[7] = 0xAA;
    QCOMPARE(Tools::crc8(frame, 6), crc);
}

void TestCrc::crc8OfControllerFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("sync request") << QByteArray::fromHex("2900000000dc");
    QTest::newRow("device info request") << QByteArray::fromHex("0300000000be");
    QTest::newRow("1.0 to torque target") << QByteArray::fromHex("8f3f80000098");
    QTest::newRow("config address 1712") << QByteArray::fromHex("2c01ac000064");
    QTest::newRow("null frame") << QByteArray::fromHex("000000000000");
}

void TestCrc::crc8OfControllerFrames()
{
    QFETCH(QByteArray, frame);
    const auto* bytes = reinterpret_cast<const unsigned char*>(frame.constData());
    QCOMPARE(Tools::crc8_frameOptimized(bytes), uint8_t(bytes[5]));
    QCOMPARE(Tools::crc8(bytes, 4), uint8_t(bytes[5]));
}

void TestCrc::crc16Modbus()
{
    unsigned char digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    // The standard check value 0x4B37, returned with its bytes exchanged.
    QCOMPARE(Tools::crc16(digits, 9), uint16_t(0x374B));
    unsigned char request[8] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0, 0};
    const uint16_t crc = Tools::crc16(request, 6);
    QCOMPARE(crc, uint16_t(0xC5CD));
    request[6] = uint8_t(crc >> 8);
    request[7] = uint8_t(crc & 0xFF);
    QCOMPARE(request[6], uint8_t(0xC5));
    QCOMPARE(Tools::crc16(request, 8), uint16_t(0x0000));
    QCOMPARE(Tools::crc16(nullptr, 0), uint16_t(0xFFFF));
}

void TestCrc::hexString()
{
    QCOMPARE(Tools::hexStringFromByteArray(QByteArray::fromHex("01ab")), QStringLiteral(" 01  AB "));
    QCOMPARE(Tools::hexStringFromByteArray(QByteArray()), QString());
}

void TestCrc::readStringAssemblesWords()
{
    QString acc;
    const unsigned int abcd = 'A' | ('B' << 8) | ('C' << 16) | (unsigned('D') << 24);
    QCOMPARE(Tools::readString(&acc, abcd), QString());
    QCOMPARE(acc, QStringLiteral("ABCD"));
    QCOMPARE(Tools::readString(&acc, 'E'), QStringLiteral("ABCDE"));
    QVERIFY(acc.isEmpty());
    QCOMPARE(Tools::readString(&acc, 0x41414100u), QString()); // lowest byte zero, nothing gathered
    QVERIFY(acc.isEmpty());
    QCOMPARE(Tools::readString(&acc, 0x000000FFu), QString(QChar(0xFFFD)));
}

void TestCrc::dumps()
{
    LogCapture log;
    unsigned char bytes[17];
    for (int i = 0; i < 17; ++i)
        bytes[i] = static_cast<unsigned char>('a' + i);
    bytes[3] = 0x01;
    Tools::printBuffer(bytes, 17);
    QCOMPARE(log.messages().size(), 2);
    QVERIFY(log.messages()[0].contains(QStringLiteral("61 62 63 01 ")));
    QVERIFY(log.messages()[0].contains(QStringLiteral("abc.efgh")));
    Tools::printBuffer(bytes, 0);
    QCOMPARE(log.messages().size(), 2);
    log.clear();
    Tools::printCTable(bytes, 17);
    QCOMPARE(log.messages(), (QStringList{"buffer={",
                                         "0x61, 0x62, 0x63, 0x01, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x6b, 0x6c, "
                                         "0x6d, 0x6e, 0x6f, 0x70, ",
                                         "0x71, ", "}"}));
}

QTEST_GUILESS_MAIN(TestCrc)
#include "tst_crc.moc"
