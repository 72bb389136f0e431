// The spidev channel on devices that are not SPI buses.
#include "LogCapture.h"
#include "SpiChannel.h"

#include <QTest>

class TestSpiChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingDevice();
    void deviceThatIsNoSpiBus();
};

void TestSpiChannel::missingDevice()
{
    LogCapture log;
    SpiChannel channel;
    QCOMPARE(channel.init(QStringLiteral("/nonexistent/spidev9.9"), 8000000, 0, 8), -1);
    QCOMPARE(log.count(QStringLiteral("Unable to open SPI device: \n")), 1);
    unsigned char tx[6] = {0};
    unsigned char rx[6];
    QCOMPARE(channel.writeRead(tx, rx, 6), -1);
}

void TestSpiChannel::deviceThatIsNoSpiBus()
{
    LogCapture log;
    SpiChannel channel;
    // Every setting fails and is reported; the descriptor is still returned.
    QVERIFY(channel.init(QStringLiteral("/dev/null"), 8000000, 0, 8) >= 0);
    QCOMPARE(log.count(QStringLiteral("SPI Mode Change failure:\n")), 1);
    QCOMPARE(log.count(QStringLiteral("SPI BPW Change failure: \n")), 1);
    QCOMPARE(log.count(QStringLiteral("SPI Speed Change failure: \n")), 1);
    unsigned char tx[192] = {0};
    unsigned char rx[192];
    QCOMPARE(channel.transfer(tx, rx, 192), -1);
}

QTEST_GUILESS_MAIN(TestSpiChannel)
#include "tst_spi_channel.moc"
