// Modbus query building and response checks, serial command encoding and
// reply decoding, and the XML files' round trip and limits.
#include "ModbusFunction.h"
#include "ModbusInterface.h"
#include "ModbusInterfaceModel.h"
#include "SerialInputChannel.h"
#include "SerialInputDevice.h"
#include "SerialInputDevicesModel.h"
#include "Argument.h"
#include "ChannelFrameSorting.h"
#include "lib/Tools.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

QByteArray withCrc(QByteArray frame)
{
    const uint16_t crc = Tools::crc16(reinterpret_cast<unsigned char*>(frame.data()), ushort(frame.size()));
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    return frame;
}

} // namespace

class TstModbusSerial : public QObject
{
    Q_OBJECT
private slots:
    void modbusQueryAndResponses();
    void modbusWriteScaling();
    void serialEncoding_data();
    void serialEncoding();
    void serialDecoding_data();
    void serialDecoding();
    void filesRoundTripAndLimits();
    void sortingOfRecordedSamples();
};

void TstModbusSerial::modbusQueryAndResponses()
{
    ModbusFunction f;
    f.slaveId = 1;
    f.functionCode = ModbusFunctionCode_readHoldingRegisters;
    f.address = 0;
    QCOMPARE(f.generateQuery(), QByteArray::fromHex("010300000001840A"));
    f.responseTextsEnabled = true;
    QString interpretation;
    connect(&f, &ModbusFunction::signal_responseInterpretation, this,
            [&](QString& text) { interpretation = text; });
    struct Case {
        QByteArray response;
        QString text;
        double value;
    };
    const QList<Case> cases = {
        {withCrc(QByteArray::fromHex("010302002A")), "OK, value = 42", 42},
        {withCrc(QByteArray::fromHex("010302FFFF")), "OK, value = 65535", 65535},
        {withCrc(QByteArray::fromHex("018302")), "Exception: illegal data address", NAN},
        {withCrc(QByteArray::fromHex("018307")), "Exception: unknown", NAN},
        {QByteArray::fromHex("01030200"), "Response too short", NAN},
        {QByteArray(), "Response too short", NAN},
        {withCrc(QByteArray::fromHex("020302002A")), "Slave ID mismatch", NAN},
        {withCrc(QByteArray::fromHex("010402002A")), "Function code mismatch", NAN},
        {withCrc(QByteArray::fromHex("010301002A")), "Response length mismatch", NAN},
        {withCrc(QByteArray::fromHex("01030102")), "Invalid response length", NAN},
    };
    for (const Case& c : cases) {
        double value = 0;
        f.parseResponse(c.response, 1000, value);
        QCOMPARE(interpretation, c.text);
        if (std::isnan(c.value))
            QVERIFY(std::isnan(value));
        else
            QCOMPARE(value, c.value);
    }
    // CRC bytes high byte first.
    QByteArray swapped = withCrc(QByteArray::fromHex("010302002A"));
    std::swap(swapped[5], swapped[6]);
    double value = 0;
    f.parseResponse(swapped, 1000, value);
    QCOMPARE(interpretation, QStringLiteral("CRC error"));
}

void TstModbusSerial::modbusWriteScaling()
{
    ModbusFunction f;
    f.functionCode = ModbusFunctionCode_writeSingleRegister;
    f.multiplier = 10;
    // No source: nothing is sent, the value is NaN with the reason.
    QVERIFY(f.generateQuery().isEmpty());
    QVERIFY(!f.refusal().isEmpty());
    f.argument->setConstant(7000.5, false);
    QByteArray q = f.generateQuery();
    QCOMPARE(q.mid(4, 2), QByteArray::fromHex("FFFF"));
    f.argument->setConstant(-3, false);
    q = f.generateQuery();
    QCOMPARE(q.mid(4, 2), QByteArray::fromHex("0000"));
    // A preview keeps the values the query in flight is checked against.
    f.argument->setConstant(5, false);
    f.generateQuery(true);
    QCOMPARE(f.lastWrittenValue(), quint16(0));
    double value = 0;
    QVERIFY(f.parseResponse(withCrc(q.left(6)), 1, value));
    QCOMPARE(value, -3.0);
    // Code 5: scaled 1 goes out unchanged; an echo of 0000 is a mismatch.
    f.functionCode = ModbusFunctionCode_writeSingleCoil;
    f.multiplier = 1;
    f.argument->setConstant(1, false);
    q = f.generateQuery();
    QCOMPARE(q.mid(4, 2), QByteArray::fromHex("0001"));
    QByteArray echo = q.left(4) + QByteArray::fromHex("0000");
    QVERIFY(!f.parseResponse(withCrc(echo), 1, value));
}

void TstModbusSerial::serialEncoding_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("newLine");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text CRLF") << "MEAS?" << 0 << 1 << QByteArray::fromHex("4D4541533F0D0A");
    QTest::newRow("hex none") << "01 03 00 00 00 02" << 1 << 2 << QByteArray::fromHex("010300000002");
    QTest::newRow("hex CR") << "01 03 00 00 00 02" << 1 << 0 << QByteArray::fromHex("0103000000020D");
    QTest::newRow("odd digits") << "ABC" << 1 << 2 << QByteArray::fromHex("0ABC");
    QTest::newRow("backslash literal") << "A\\r" << 0 << 2 << QByteArray("A\\r");
}

void TstModbusSerial::serialEncoding()
{
    QFETCH(QString, command);
    QFETCH(int, format);
    QFETCH(int, newLine);
    QFETCH(QByteArray, bytes);
    QCOMPARE(SerialInputChannel::encodeCommand(command, format, newLine), bytes);
}

void TstModbusSerial::serialDecoding_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("spaces");
    QTest::addColumn<int>("echo");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("number");
    QTest::newRow("decimal padded") << QByteArray("  12.50\r\n") << 0 << false << 0 << true << 12.5;
    QTest::newRow("exponent") << QByteArray("+1.234E+01\r") << 0 << false << 0 << true << 12.34;
    QTest::newRow("unit") << QByteArray("12.5 V\r") << 0 << false << 0 << false << 0.0;
    QTest::newRow("unit no spaces") << QByteArray("12.5 V\r") << 0 << true << 0 << false << 0.0;
    QTest::newRow("echo") << QByteArray("READ7.5\r") << 0 << false << 4 << true << 7.5;
    QTest::newRow("echo line") << QByteArray("READ\r7.5\r") << 0 << false << 4 << false << 0.0;
    QTest::newRow("hex") << QByteArray("1A2B\r") << 1 << false << 0 << true << 6699.0;
    QTest::newRow("hex max") << QByteArray("FFFFFFFF") << 1 << false << 0 << true << 4294967295.0;
    QTest::newRow("hex over") << QByteArray("100000000") << 1 << false << 0 << false << 0.0;
    QTest::newRow("big") << QByteArray::fromHex("0102") << 2 << false << 0 << true << 258.0;
    QTest::newRow("little") << QByteArray::fromHex("0102") << 3 << false << 0 << true << 513.0;
    QTest::newRow("leading zeros") << QByteArray::fromHex("0000000001") << 2 << false << 0 << true << 1.0;
    QTest::newRow("too large") << QByteArray::fromHex("0100000000") << 2 << false << 0 << false << 0.0;
    QTest::newRow("empty") << QByteArray() << 2 << false << 0 << false << 0.0;
    QTest::newRow("cut at CR") << QByteArray::fromHex("120D34") << 2 << false << 0 << true << 18.0;
}

void TstModbusSerial::serialDecoding()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, format);
    QFETCH(bool, spaces);
    QFETCH(int, echo);
    QFETCH(bool, ok);
    QFETCH(double, number);
    double n = 0;
    QCOMPARE(SerialInputChannel::readNumber(reply, format, spaces, echo, &n), ok);
    if (ok)
        QCOMPARE(n, number);
    // Scaling: multiplier 2, divider 4, offset 1, reply 10 gives 6.
    SerialInputChannel channel;
    channel.multiplier = 2;
    channel.divider = 4;
    channel.offset = 1;
    double value = 0;
    QVERIFY(channel.decodeReply("10", 0, false, false, &value));
    QCOMPARE(value, 6.0);
}

void TstModbusSerial::filesRoundTripAndLimits()
{
    // Modbus: read, write, read identical; duplicate names made unique;
    // 300 interfaces load 256.
    const QString modbus = QStringLiteral(
        "<modbus><interface name=\"A\" serialPort=\"\" baudrate=\"19200\" dataBits=\"8\" parity=\"2\" "
        "stopBits=\"3\" flowControl=\"0\"><function name=\"Flow\" slaveId=\"3\" functionCode=\"4\" "
        "address=\"16\" responseWaitTime=\"0.05\" multiplier=\"2\" divider=\"3\" offset=\"1\"/>"
        "<function name=\"Flow\" slaveId=\"1\" functionCode=\"3\" address=\"0\"/></interface></modbus>");
    ModbusInterfaceModel m(true);
    m.loadFromString(modbus);
    QCOMPARE(m.getUsedChannelNames(), (QList<QString>{"Flow", "Flow 1"}));
    QCOMPARE(m.interface(0)->portSettingsDescription(), QStringLiteral("19200-8-E-1.5"));
    const QString written = m.setupToString();
    ModbusInterfaceModel m2(true);
    m2.loadFromString(written);
    QCOMPARE(m2.setupToString(), written);
    QString many = QStringLiteral("<modbus>");
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("<interface name=\"%1\"/>").arg(i);
    many += QStringLiteral("</modbus>");
    ModbusInterfaceModel m3(true);
    m3.loadFromString(many);
    QCOMPARE(m3.interfaceCount(), 256);

    // Sorting: ids outside the model are skipped.
    QList<channelFrame_t> frames = {{1.0, 0x0000, 1000}, {2.0, 0x0001, 1100}, {3.0, 0x0500, 1200}};
    QList<QList<QList<double>>> times;
    QList<QList<QList<double>>> values;
    m.sortFrames(&frames, &times, &values);
    QCOMPARE(times[0][0], QList<double>{1.0});
    QCOMPARE(values[0][1], QList<double>{2.0});

    // Serial devices: line feeds of the init commands survive; the older
    // hexadecimal flag wins over replyFormat.
    const QString serial = QStringLiteral(
        "<serialInputDevices><device name=\"D\" serialPort=\"\" baudrate=\"9600\" dataBits=\"7\" parity=\"3\" "
        "stopBits=\"3\" initCommands=\"ATZ&#xa;&#xa;ATE0\" replyIsHexadecimal=\"1\" replyFormat=\"3\">"
        "<channel name=\"Temp\" command=\"T?\"/><channel name=\"Temp\" command=\"T?\"/></device>"
        "</serialInputDevices>");
    SerialInputDevicesModel s(true);
    s.loadFromString(serial);
    QCOMPARE(s.device(0)->def.replyFormat, ReplyFormat_textHexadecimal);
    QCOMPARE(s.device(0)->def.initCommands, QStringLiteral("ATZ\n\nATE0"));
    QCOMPARE(s.getUsedChannelNames(), (QList<QString>{"Temp", "Temp 1"}));
    QCOMPARE(s.device(0)->portSettingsDescription(), QStringLiteral("9600-7-O-1.5"));
    const QString serialWritten = s.setupToString();
    SerialInputDevicesModel s2(true);
    s2.loadFromString(serialWritten);
    QCOMPARE(s2.setupToString(), serialWritten);
    QCOMPARE(s2.device(0)->def.initCommands, QStringLiteral("ATZ\n\nATE0"));
}

void TstModbusSerial::sortingOfRecordedSamples()
{
    // Two groups of 2 and 3 series; ids past a group's series or past the
    // groups are skipped; every series holds exactly its own samples, in order.
    const QList<channelFrame_t> frames = {{1.0, 0x0000, 1000}, {2.0, 0x0101, 1100}, {3.0, 0x0002, 1200},
                                          {4.0, 0x0500, 1300}, {5.0, 0x0000, 1400}, {6.0, 0x0102, 1500},
                                          {7.0, 0xFFFF, 1600}};
    QList<QList<QList<double>>> times;
    QList<QList<QList<double>>> values;
    sortChannelFrames(frames, {2, 3}, &times, &values);
    QCOMPARE(values.size(), 2);
    QCOMPARE(values[0], (QList<QList<double>>{{1.0, 5.0}, {}}));
    QCOMPARE(values[1], (QList<QList<double>>{{}, {2.0}, {6.0}}));
    QCOMPARE(times[0][0], (QList<double>{1000 * 0.001, 1400 * 0.001}));
    QCOMPARE(times[1][2], QList<double>{1500 * 0.001});

    // The models give their own structure: the serial devices' as well.
    SerialInputDevicesModel s(true);
    s.loadFromString(QStringLiteral("<serialInputDevices><device name=\"D\"><channel name=\"A\"/>"
                                    "<channel name=\"B\"/></device></serialInputDevices>"));
    s.sortFrames(&frames, &times, &values);
    QCOMPARE(values, (QList<QList<QList<double>>>{{{1.0, 5.0}, {}}}));
}

QTEST_MAIN(TstModbusSerial)
#include "tst_modbus_serial.moc"
