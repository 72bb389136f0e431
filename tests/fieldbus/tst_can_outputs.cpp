// CAN output messages: encoding of signals, building and sending the frame,
// canOutputs.xml, the DBC export text and edits of a live message.
#include "Argument.h"
#include "CanInput.h"
#include "CanOutputChannel.h"
#include "CanOutputMessage.h"
#include "CanOutputMessageModel.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "lib/Units.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

struct Sent {
    int bus;
    quint32 id;
    QByteArray bytes;
};
QList<Sent> g_sent;
QMutex g_sentMutex;

void recordSend(uint8_t bus, uint32_t id, const uint8_t* data)
{
    QMutexLocker lock(&g_sentMutex);
    g_sent.append({bus, id, QByteArray(reinterpret_cast<const char*>(data), 8)});
}

CanOutputChannel* constantSignal(double value, int bitCount, int byteOffset, int bitOffset, Signedness sign)
{
    auto* c = new CanOutputChannel();
    c->argument->setConstant(value, false);
    c->bitCount = bitCount;
    c->byteOffset = byteOffset;
    c->bitOffset = bitOffset;
    c->isSigned = sign;
    return c;
}

} // namespace

class TestCanOutputs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void encoding_data();
    void encoding();
    void unitsAndFallback();
    void wordAndFrameBytes();
    void xmlRoundTrip();
    void malformedFileIsKeptAside();
    void dbcExport();
    void editsSwapInWhileShotsRun();
};

void TestCanOutputs::initTestCase()
{
    theUnits.init();
    CanOutputMessage::setSender(&recordSend);
}

void TestCanOutputs::cleanupTestCase()
{
    CanOutputMessage::setSender(nullptr);
}

void TestCanOutputs::encoding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("isSigned");
    QTest::addColumn<double>("offset");
    QTest::addColumn<quint64>("expected");

    QTest::newRow("u8 300 saturates") << 300.0 << 8 << 0 << false << 0.0 << quint64(0xFF);
    QTest::newRow("u8 -5 is 0") << -5.0 << 8 << 0 << false << 0.0 << quint64(0);
    QTest::newRow("u8 3.9 truncates") << 3.9 << 8 << 0 << false << 0.0 << quint64(3);
    QTest::newRow("s8 -1") << -1.0 << 8 << 0 << true << 0.0 << quint64(0xFF);
    QTest::newRow("s8 -200 is -128") << -200.0 << 8 << 0 << true << 0.0 << quint64(0x80);
    QTest::newRow("s8 -3.9 is -3") << -3.9 << 8 << 0 << true << 0.0 << quint64(0xFD);
    QTest::newRow("offset before scaling") << 20.0 << 8 << 0 << false << 40.0 << quint64(60);
    QTest::newRow("u16 at bit 8") << 65535.0 << 16 << 8 << false << 0.0 << quint64(0xFFFF00);
    QTest::newRow("s64 huge") << 1e300 << 64 << 0 << true << 0.0 << quint64(9223372036854771712ull);
    QTest::newRow("s64 -huge") << -1e300 << 64 << 0 << true << 0.0 << quint64(0x8000000000001000ull);
    QTest::newRow("infinite value sends the fallback") << std::numeric_limits<double>::infinity() << 8 << 0 << true
                                                       << 0.0 << quint64(0);
    QTest::newRow("u64 huge") << 1e30 << 64 << 0 << false << 0.0 << quint64(18446744073709543424ull);
    QTest::newRow("8 bits at 60 keep 4") << 255.0 << 8 << 60 << false << 0.0 << quint64(0xF000000000000000ull);
    QTest::newRow("start 64 writes nothing") << 1.0 << 8 << 64 << false << 0.0 << quint64(0);
    QTest::newRow("bit count 0 writes nothing") << 1.0 << 0 << 0 << false << 0.0 << quint64(0);
    QTest::newRow("bit count 65 writes nothing") << 1.0 << 65 << 0 << false << 0.0 << quint64(0);
    QTest::newRow("negative start writes nothing") << 1.0 << 8 << -8 << false << 0.0 << quint64(0);
}

void TestCanOutputs::encoding()
{
    QFETCH(double, value);
    QFETCH(int, bitCount);
    QFETCH(int, start);
    QFETCH(bool, isSigned);
    QFETCH(double, offset);
    QFETCH(quint64, expected);
    CanOutputChannel c;
    c.argument->setConstant(value, false);
    c.bitCount = bitCount;
    c.byteOffset = 0;
    c.bitOffset = start;
    c.isSigned = isSigned ? Signedness_signed : Signedness_unsigned;
    c.offset = offset;
    QCOMPARE(c.getData(), expected);
    QCOMPARE(c.getData() & ~c.getMask(), quint64(0));
}

void TestCanOutputs::unitsAndFallback()
{
    CanInput speed; // any live channel
    speed.setup->quantity = Quantity::Speed;
    speed.setData(10.0, 1);
    CanOutputChannel c;
    c.argument->setChannel(&speed, false);
    c.outputUnit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    c.multiplier = 10;
    c.bitCount = 16;
    c.isSigned = Signedness_unsigned;
    QCOMPARE(c.getData(), quint64(360));
    c.argument->setNull(false);
    c.fallbackValue = 5; // m/s, sent as 18 km/h × 10
    QCOMPARE(c.getData(), quint64(180));
    c.divider = 0;
    c.fallbackValue = 0;
    QCOMPARE(c.getData(), quint64(0)); // 0 / 0
}

void TestCanOutputs::wordAndFrameBytes()
{
    CanOutputMessage m;
    m.initialData = 0x0102030405060708ull;
    m.canId = 0xFFFFFFFF;
    m.channelId = 1;
    g_sent.clear();
    m.slot_send();
    QCOMPARE(g_sent.size(), 1);
    QCOMPARE(g_sent.at(0).bytes.toHex(), QByteArray("0102030405060708"));
    QCOMPARE(g_sent.at(0).bus, 1);
    m.endianness = Endianness_little;
    m.slot_send();
    QCOMPARE(g_sent.at(1).bytes.toHex(), QByteArray("0807060504030201"));

    // Overlaps: the later signal wins; bits outside all fields keep the initial data.
    m.initialData = ~quint64(0);
    m.addChannel(constantSignal(0, 8, 0, 0, Signedness_unsigned));
    m.addChannel(constantSignal(0x0F, 8, 0, 4, Signedness_unsigned));
    QCOMPARE(m.updateData(), 0xFFFFFFFFFFFFF0F0ull);
    QCOMPARE(m.data, 0xFFFFFFFFFFFFF0F0ull);
}

void TestCanOutputs::xmlRoundTrip()
{
    CanOutputMessageModel model;
    model.loadFromString(QStringLiteral(
        "<canOutputs><canOutput channelId=\"1\" canId=\"418119936\" initialData=\"1\" endianness=\"1\" "
        "comment=\"c\"><trigger mode=\"1\" interval=\"10\"/>"
        "<channel fallbackValue=\"2.5\" outputUnit=\"km/h\" fallbackUnit=\"nope\" divider=\"1\" offset=\"-3\" "
        "isSigned=\"1\" bitCount=\"12\" byteOffset=\"1\" bitOffset=\"3\" comment=\"x\">"
        "<argument type=\"constant\" value=\"3\" unitType=\"2\" unit=\"km/h\"/></channel>"
        "</canOutput><canOutput canId=\"-5\"/><junk/></canOutputs>"));
    QCOMPARE(model.messageCount(), 2);
    const CanOutputMessage* m = model.message(0);
    QCOMPARE(m->canId, 418119936u);
    QCOMPARE(m->initialData, quint64(1));
    QCOMPARE(m->channels.size(), 1);
    const CanOutputChannel* c = m->channels.first();
    QCOMPARE(c->multiplier, 0.0); // missing reads as 0, not the default
    QCOMPARE(c->outputUnit->name, QStringLiteral("km/h"));
    QCOMPARE(c->fallbackUnit, theUnits.getDefaultUnit(Quantity::Speed));
    QCOMPARE(model.message(1)->canId, 0u);
    QCOMPARE(model.data(model.index(0, 4), Qt::DisplayRole).toString(),
             QStringLiteral("00 00 00 00 00 00 00 01 "));
    QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("0x18EC0100"));

    const QString text = model.setupToString();
    CanOutputMessageModel again;
    again.loadFromString(text);
    QCOMPARE(again.setupToString(), text);

    // Through the file.
    QFile::remove(theSettings.settingsDir.filePath(QStringLiteral("canOutputs.xml")));
    CanOutputMessageModel live;
    live.loadFromFile();
    live.loadFromString(text);
    live.slot_saveToFile();
    CanOutputMessageModel reread;
    reread.loadFromFile();
    QCOMPARE(reread.setupToString(), text);

    // Removing rows 3 and 1 of four removes exactly those.
    for (int i = 0; i < 2; ++i)
        live.loadFromString(text);
    live.message(0)->comment = QStringLiteral("r0");
    live.message(1)->comment = QStringLiteral("r1");
    live.message(2)->comment = QStringLiteral("r2");
    live.message(3)->comment = QStringLiteral("r3");
    live.action_remove({3, 1});
    QCOMPARE(live.messageCount(), 4);
    QCOMPARE(live.message(0)->comment, QStringLiteral("r0"));
    QCOMPARE(live.message(1)->comment, QStringLiteral("r2"));
}

void TestCanOutputs::malformedFileIsKeptAside()
{
    const QString path = theSettings.settingsDir.filePath(QStringLiteral("canOutputs.xml"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<canOutputs><canOutput");
    }
    CanOutputMessageModel model;
    QSignalSpy errors(&model, &CanOutputMessageModel::signal_emitError);
    model.loadFromFile();
    QCOMPARE(errors.count(), 1);
    QVERIFY(QFile::exists(path + QStringLiteral(".bad")));
    model.slot_saveToFile();
    QFile bad(path + QStringLiteral(".bad"));
    QVERIFY(bad.open(QIODevice::ReadOnly));
    QCOMPARE(bad.readAll(), QByteArray("<canOutputs><canOutput"));
}

void TestCanOutputs::dbcExport()
{
    CanInput oilSpace;
    oilSpace.setChildName(QStringLiteral("Oil temp"));
    CanInput oilHyphen;
    oilHyphen.setChildName(QStringLiteral("Oil-temp"));
    oilHyphen.setup->quantity = Quantity::Temperature;
    oilHyphen.setup->unit = theUnits.celsius;

    CanOutputMessageModel model;
    auto* big = new CanOutputMessage();
    big->canId = 0x123;
    auto* s1 = new CanOutputChannel();
    s1->argument->setChannel(&oilSpace, false);
    s1->bitCount = 16;
    s1->multiplier = 10;
    s1->offset = 40;
    big->addChannel(s1);
    auto* s2 = new CanOutputChannel();
    s2->argument->setChannel(&oilHyphen, false);
    s2->bitCount = 8;
    s2->byteOffset = 2;
    s2->multiplier = 1e7;
    s2->isSigned = Signedness_unsigned;
    big->addChannel(s2);
    auto* zero = new CanOutputChannel();
    zero->argument->setChannel(&oilSpace, false);
    zero->multiplier = 0;
    big->addChannel(zero);
    big->addChannel(constantSignal(1, 8, 0, 0, Signedness_unsigned));
    model.addOutput(big);
    auto* little = new CanOutputMessage();
    little->canId = 0x18FEF100;
    little->endianness = Endianness_little;
    auto* s3 = new CanOutputChannel();
    s3->argument->setChannel(&oilSpace, false);
    s3->bitCount = 16;
    little->addChannel(s3);
    model.addOutput(little);

    const QStringList lines = model.dbcText({0, 1}).split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("VERSION \"\""));
    QVERIFY(lines.contains(QStringLiteral("\tSG_MUL_VAL_")));
    QVERIFY(lines.contains(QStringLiteral("BO_ 291 _123: 8 Vector__XXX")));
    QVERIFY(lines.contains(QStringLiteral("\tSG_ C_Oil_temp : 55|16@0- (0.100000,-40.000000) [0|0] \"\" Vector__XXX")));
    QVERIFY(lines.contains(QStringLiteral("\tSG_ C_Oil_temp_ : 47|8@0+ (1e-07,0.000000) [0|0] \"°C\" Vector__XXX")));
    QVERIFY(lines.contains(QStringLiteral("BO_ 2566844672 _18FEF100: 8 Vector__XXX")));
    QVERIFY(lines.contains(QStringLiteral("\tSG_ C_Oil_temp__ : 0|16@1- (1.000000,0.000000) [0|0] \"\" Vector__XXX")));
    QCOMPARE(lines.filter(QStringLiteral("SG_ ")).size(), 3); // multiplier 0 and the constant are left out
    QVERIFY(!model.dbcText({0}).contains(QStringLiteral("inf")));
}

void TestCanOutputs::editsSwapInWhileShotsRun()
{
    // Two signals that must always agree: a rebuild sees either the old pair
    // or the new pair, never one of each.
    CanOutputMessage m;
    m.addChannel(constantSignal(1, 8, 0, 0, Signedness_unsigned));
    m.addChannel(constantSignal(1, 8, 1, 0, Signedness_unsigned));
    g_sent.clear();
    std::atomic<bool> stop {false};
    QThread* shooter = QThread::create([&] {
        while (!stop.load())
            m.slot_send();
    });
    shooter->start();
    auto sentCount = [] {
        QMutexLocker lock(&g_sentMutex);
        return g_sent.size();
    };
    for (int round = 2; round < 300 || sentCount() < 1000; ++round) {
        CanOutputMessage copy;
        m.copyDefinitionTo(&copy);
        for (CanOutputChannel* c : copy.channels)
            c->argument->setConstant(round % 256, false);
        m.applyEdit(&copy);
        m.updateData(); // the preview rebuilds too
    }
    stop = true;
    shooter->wait();
    delete shooter;
    QMutexLocker lock(&g_sentMutex);
    QVERIFY(!g_sent.isEmpty());
    for (const Sent& s : std::as_const(g_sent))
        QCOMPARE(quint8(s.bytes.at(7)), quint8(s.bytes.at(6)));
}

QTEST_MAIN(TestCanOutputs)
#include "tst_can_outputs.moc"
