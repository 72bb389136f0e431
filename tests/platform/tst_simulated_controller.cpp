// The simulated dyno controller seen directly through its SPI transport.
#include "FirmwarePageCheck.h"
#include "LogCapture.h"
#include "SimulatedControllerConfig.h"
#include "SimulatedDynoController.h"
#include "SimulatedFirmwareImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>

namespace {

using Frame = std::array<unsigned char, 6>;

Frame frame(uint8_t reg, uint32_t value)
{
    Frame f;
    SimulatedDynoController::encodeFrame(reg, value, f.data());
    return f;
}

// One single-frame transfer: sends `tx`, returns what came back.
Frame transferOne(SimulatedDynoController& sim, const Frame& tx)
{
    Frame rx{};
    if (sim.transfer(tx.data(), rx.data(), 6) != 6)
        return Frame{0xEE};
    return rx;
}

uint32_t valueOf(const Frame& f)
{
    return (uint32_t(f[1]) << 24) | (uint32_t(f[2]) << 16) | (uint32_t(f[3]) << 8) | f[4];
}

} // namespace

class TestSimulatedController : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void repliesLeaveWithTheNextTransfer();
    void silentControllerAnswersNothing();
    void configFromText_data();
    void configFromText();
    void userPageFile();
    void unreadableUserPageFileIsKeptAside();
    void pageCheckAndImages();
};

void TestSimulatedController::repliesLeaveWithTheNextTransfer()
{
    SimulatedControllerConfig config;
    config.firmwareVersion = QStringLiteral("VER12345");
    config.deviceCode = 2;
    config.revision = 'C';
    SimulatedDynoController sim(config, QString());

    // What the request's own transfer returns was queued before: the start flag.
    const Frame first = transferOne(sim, frame(3, 0));
    QCOMPARE(first[0], uint8_t(8));
    const Frame null{};
    QList<Frame> replies;
    for (int i = 0; i < 6; ++i)
        replies.append(transferOne(sim, null));
    for (const Frame& f : replies)
        QCOMPARE(SimulatedDynoController::frameCrc(f.data()), f[5]);
    QCOMPARE(replies[0][0], uint8_t(11));
    QCOMPARE(valueOf(replies[0]), uint32_t('C'));
    QCOMPARE(replies[1][0], uint8_t(12));
    QCOMPARE(valueOf(replies[1]), 2u);
    // Eight characters in two frames, then a frame of zeros ends the text.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(replies[2].data() + 1), 4), QByteArray("VER1"));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(replies[3].data() + 1), 4), QByteArray("2345"));
    QCOMPARE(replies[4][0], uint8_t(3));
    QCOMPARE(valueOf(replies[4]), 0u);
    QCOMPARE(replies[5][0], uint8_t(0));

    // A damaged frame from the board is dropped and answered with the flag.
    Frame damaged = frame(41, 0);
    damaged[5] ^= 1;
    transferOne(sim, damaged);
    QCOMPARE(transferOne(sim, null)[0], uint8_t(14));
    QCOMPARE(sim.syncRequests(), 0);
}

void TestSimulatedController::silentControllerAnswersNothing()
{
    SimulatedControllerConfig config;
    config.silent = true;
    SimulatedDynoController sim(config, QString());
    unsigned char tx[192] = {3};
    unsigned char rx[192];
    std::memset(rx, 0x55, sizeof rx);
    QCOMPARE(sim.transfer(tx, rx, 192), 192);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(rx), 192), QByteArray(192, '\0'));
    QCOMPARE(sim.deviceInfoRequests(), 0);
}

void TestSimulatedController::configFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("deviceCode");
    QTest::addColumn<QString>("version");
    QTest::newRow("empty") << "" << true << 3 << "";
    QTest::newRow("several") << "deviceCode=2, version=OLD_1.0,revision=D" << true << 2 << "OLD_1.0";
    QTest::newRow("unknown board code") << "deviceCode=200" << true << 200 << "";
    QTest::newRow("code out of a byte") << "deviceCode=256" << false << 3 << "";
    QTest::newRow("unknown key") << "colour=red" << false << 3 << "";
    QTest::newRow("not a number") << "stream=fast" << false << 3 << "";
    QTest::newRow("no value") << "silent" << false << 3 << "";
    QTest::newRow("page size not a multiple of 4") << "pageSize=254" << false << 3 << "";
}

void TestSimulatedController::configFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, deviceCode);
    QFETCH(QString, version);
    QString error;
    const SimulatedControllerConfig config = SimulatedControllerConfig::fromString(text, &error);
    QCOMPARE(error.isEmpty(), ok);
    QCOMPARE(config.deviceCode, deviceCode);
    QCOMPARE(config.firmwareVersion, version);
}

void TestSimulatedController::userPageFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.txt"));
    {
        SimulatedDynoController sim(SimulatedControllerConfig(), path);
        const Frame null{};
        unsigned char idFrame[6] = {35, 0, 0, 0, 6, 0};
        idFrame[5] = SimulatedDynoController::frameCrc(idFrame);
        transferOne(sim, frame(37, 77));
        transferOne(sim, Frame{idFrame[0], idFrame[1], idFrame[2], idFrame[3], idFrame[4], idFrame[5]});
        QVERIFY(!QFile::exists(path));
        transferOne(sim, frame(36, 0));
        QVERIFY(QFile::exists(path));
        transferOne(sim, null);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("6 77\n"));
    SimulatedDynoController again(SimulatedControllerConfig(), path);
    uint32_t value = 0;
    QVERIFY(again.userPageWord(6, &value));
    QCOMPARE(value, 77u);
}

void TestSimulatedController::unreadableUserPageFileIsKeptAside()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("2 100\nthree 4\n");
    file.close();
    LogCapture log;
    SimulatedDynoController sim(SimulatedControllerConfig(), path);
    QVERIFY(!sim.userPageWord(2, nullptr));
    QVERIFY(!QFile::exists(path));
    QFile bad(path + QStringLiteral(".bad"));
    QVERIFY(bad.open(QIODevice::ReadOnly));
    QCOMPARE(bad.readAll(), QByteArray("2 100\nthree 4\n"));
    QCOMPARE(log.count(QStringLiteral("cannot be read")), 1);
}

void TestSimulatedController::pageCheckAndImages()
{
    // CRC-8 with polynomial 0x07: the check value of "123456789" is 0xF4.
    QCOMPARE(int(firmwarePageCheck(reinterpret_cast<const unsigned char*>("123456789"), 9)), 0xF4);

    const QByteArray image = SimulatedFirmwareImage::build(QStringLiteral("ZMCU_X"), 64, 3, 5);
    QCOMPARE(image.size(), SimulatedFirmwareImage::headerSize + 3 * 65);
    QCOMPARE(image.left(7), QByteArray("ZMCU_X\0", 7));
    QCOMPARE(uint8_t(image[128]), uint8_t(64));
    QCOMPARE(uint8_t(image[130]), uint8_t(3));
    for (int p = 0; p < 3; ++p) {
        const QByteArray page = image.mid(SimulatedFirmwareImage::headerSize + p * 65, 64);
        QCOMPARE(uint8_t(image[SimulatedFirmwareImage::headerSize + p * 65 + 64]),
                 firmwarePageCheck(reinterpret_cast<const unsigned char*>(page.constData()), 64));
    }
    int pages = 0;
    QString version;
    QVERIFY(SimulatedFirmwareImage::readVersionMarker(image.mid(SimulatedFirmwareImage::headerSize + 2 * 65, 64),
                                                      &pages, &version));
    QCOMPARE(pages, 3);
    QCOMPARE(version, QStringLiteral("ZMCU_X"));
    QCOMPARE(SimulatedFirmwareImage::build(QStringLiteral("ZMCU_X"), 64, 3, 5), image);

    QVERIFY(SimulatedFirmwareImage::build(QStringLiteral("V"), 62, 3, 1).isEmpty());
    QVERIFY(SimulatedFirmwareImage::build(QStringLiteral("V"), 64, 0, 1).isEmpty());
    QVERIFY(SimulatedFirmwareImage::build(QString(200, QLatin1Char('V')), 512, 1, 1).isEmpty());
    QVERIFY(SimulatedFirmwareImage::build(QStringLiteral("LONG_VERSION_TEXT"), 8, 1, 1).isEmpty());
}

QTEST_GUILESS_MAIN(TestSimulatedController)
#include "tst_simulated_controller.moc"
