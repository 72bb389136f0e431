// The register frame on the wire, and the names the debug log prints.
#include "DynoRegisterNames.h"
#include "SpiDynoFrame.h"

#include <QTest>

namespace {
QByteArray bytesOf(const SpiDynoFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(&frame), 6);
}

QString printed(DynoRegister reg)
{
    QString text;
    QDebug(&text).nospace() << reg;
    return text;
}
} // namespace

class TestSpiDynoFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wireBytes_data();
    void wireBytes();
    void receivedFrameConvertsToHostOrder();
    void debugNames();
};

void TestSpiDynoFrame::wireBytes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("null frame") << bytesOf(SpiDynoFrame::make(DynoRegister::null, 0))
                                << QByteArray::fromHex("000000000000");
    QTest::newRow("sync request") << bytesOf(SpiDynoFrame::make(DynoRegister::sync, 0))
                                  << QByteArray::fromHex("2900000000dc");
    QTest::newRow("device-information request") << bytesOf(SpiDynoFrame::make(DynoRegister::deviceInfo, 0))
                                                << QByteArray::fromHex("0300000000be");
    QTest::newRow("1.0 to bcTorqueTarget1") << bytesOf(SpiDynoFrame::makeFloat(DynoRegister::bcTorqueTarget1, 1.0f))
                                            << QByteArray::fromHex("8f3f80000098");
    QTest::newRow("configAddress 1712 channel 0")
        << bytesOf(SpiDynoFrame::make(DynoRegister::configAddress, (1712u / 4) << 16))
        << QByteArray::fromHex("2c01ac000064");
    // Raw registers carry a byte stream: the first byte leaves first.
    const SpiDynoFrame raw = SpiDynoFrame::makeRaw(DynoRegister::canData0, 0x44332211u);
    QTest::newRow("raw bytes in stream order") << bytesOf(raw).left(5) << QByteArray::fromHex("2e11223344");
    // A word id packed as id << 24 reads as the id big-endian.
    QTest::newRow("user-page word id") << bytesOf(SpiDynoFrame::makeRaw(DynoRegister::readUserPageWord, 7u << 24)).mid(1, 4)
                                       << QByteArray::fromHex("00000007");
}

void TestSpiDynoFrame::wireBytes()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestSpiDynoFrame::receivedFrameConvertsToHostOrder()
{
    SpiDynoFrame frame = SpiDynoFrame::makeFloat(DynoRegister::ainlcV2_1, -2.5f);
    QVERIFY(frame.crcOk());
    frame.convertToHostOrder();
    QCOMPARE(frame.valueFloat, -2.5f);

    SpiDynoFrame damaged = SpiDynoFrame::make(DynoRegister::sync, 0);
    damaged.bytes[2] ^= 0x01;
    QVERIFY(!damaged.crcOk());
}

void TestSpiDynoFrame::debugNames()
{
    QCOMPARE(theDynoRegisterMap.size(), 113);
    QCOMPARE(printed(DynoRegister::pwmArgument1).trimmed(), QStringLiteral("pwmArgument1"));
    QCOMPARE(printed(DynoRegister::serialNumber), QStringLiteral("unknown register name"));
    QCOMPARE(printed(static_cast<DynoRegister>(200)), QStringLiteral("unknown register name"));
    // Names are padded with tabs so that debug lines align.
    QVERIFY(printed(DynoRegister::sync).startsWith(QStringLiteral("sync\t")));

    QString modes;
    QDebug(&modes).nospace() << DynoMode::idle << '|' << DynoMode::lockAcc << '|' << static_cast<DynoMode>(9);
    QCOMPARE(modes, QStringLiteral("idle|lockAcc|unknown mode name"));
}

QTEST_GUILESS_MAIN(TestSpiDynoFrame)
#include "tst_spi_dyno_frame.moc"
