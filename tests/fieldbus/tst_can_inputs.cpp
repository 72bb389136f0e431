// CAN inputs: decoding of one data word, routing of live frames, time-outs,
// recorded runs, canInputs.xml, the DBC and .canx imports, the .trace replay
// and the readdressing actions.
#include "CanInput.h"
#include "CanInputsModel.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "RecordedCanInputs.h"
#include "RecordingAnswerer.h"
#include "lib/Units.h"

#include <QDomDocument>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

qint64 g_now = 1000000;
qint64 fakeClock()
{
    return g_now;
}

quint64 word(std::initializer_list<int> bytes)
{
    quint64 w = 0;
    int shift = 56;
    for (int b : bytes) {
        w |= quint64(quint8(b)) << shift;
        shift -= 8;
    }
    return w;
}

canFrame_t frame(quint32 channelAndId, quint64 data, quint32 timestamp = 0)
{
    canFrame_t f;
    f.canData = data;
    f.canChannelAndId = channelAndId;
    f.timestamp = timestamp;
    return f;
}

CanInput* makeInput(CanInputsModel& model, const QString& name, std::function<void(CanInputDefinition&)> edit)
{
    auto* input = new CanInput();
    input->setChildName(name);
    edit(input->def);
    model.addInput(input);
    return input;
}

const char* const kDbcFixture = R"(VERSION ""
BU_: ECU
BO_ 2147484672 EXT: 8 ECU
 SG_ Wide : 24|16@1+ (0.125,0) [0|1000] "°C" Vector__XXX
 SG_ Neg : 7|8@0- (1,0) [0|0] "m/s²" Vector__XXX
BO_ 291 MUXED: 8 ECU
 SG_ A m1 : 15|8@0+ (1,0) [0|0] "" Vector__XXX
 SG_ B m2 : 15|8@0+ (2,0) [0|0] "" Vector__XXX
 SG_ Sel M : 7|8@0+ (1,0) [0|0] "" Vector__XXX
BO_ 300 BIG: 9 ECU
 SG_ Dropped : 0|8@1+ (1,0) [0|0] "" Vector__XXX
BO_ 301 OUTSIDE: 8 ECU
 SG_ Past : 63|16@0+ (1,0) [0|0] "" Vector__XXX
 SG_ Kept : 0|8@1+ (1,0) [0|0] "" Vector__XXX
 SG_ Beyond : 60|8@1+ (1,0) [0|0] "" Vector__XXX
CM_ SG_ 2147484672 Wide "Coolant temperature";
VAL_ 291 A 0 "off" 1 "on" ;
VAL_ 291 Nothing 0 "x" ;
)";

const char* const kCanxFixture = R"(<CANbuseXport>
 <mob canbusID="600" shift="0" type="Normal">
  <frame offset="0">
   <channel id="c_oil_temp" type="u16-be" byteOffset="2" multiplier="1" decimalPlaces="1" offset="-400" unit="°C"/>
  </frame>
  <frame offset="1">
   <channel id="c_rpm" type="u16-le" byteOffset="0" unit=""/>
  </frame>
 </mob>
 <mob canbusID="700" type="Compound8" compoundOffset="2">
  <frame offset="1"><channel id="c_lambda" type="s8" byteOffset="1"/></frame>
 </mob>
</CANbuseXport>)";

} // namespace

class TestCanInputs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void decoding_data();
    void decoding();
    void routing();
    void removalRoutesTheRestAtOnce();
    void timeouts();
    void recordedRunGapPoints();
    void xmlRoundTripAndMissingAttributes();
    void malformedFileIsKeptAside();
    void dbcImportEdgeCases();
    void dbcLatin1GivesTheSameInputs();
    void dbcLineSplitting();
    void canxImport();
    void traceReplay();
    void readdressing();

private:
    RecordingAnswerer answerer;
};

void TestCanInputs::initTestCase()
{
    theUnits.init();
    RunChannel::setWallClock(&fakeClock);
}

void TestCanInputs::cleanupTestCase()
{
    RunChannel::setWallClock(nullptr);
}

void TestCanInputs::decoding_data()
{
    QTest::addColumn<int>("endianness");
    QTest::addColumn<int>("isSigned");
    QTest::addColumn<int>("byteOffset");
    QTest::addColumn<int>("bitOffset");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<bool>("compound");
    QTest::addColumn<int>("compoundOffset");
    QTest::addColumn<int>("compoundCount");
    QTest::addColumn<int>("compoundId");
    QTest::addColumn<quint64>("data");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("raw");

    const quint64 ab = word({0xAB, 0xCD, 0, 0, 0, 0, 0x12, 0x34});
    QTest::newRow("BE bytes 0-1 at offset 6") << 0 << 0 << 6 << 0 << 16 << false << 0 << 0 << 0 << ab << true
                                              << double(0xABCD);
    QTest::newRow("BE bytes 6-7 at offset 0") << 0 << 0 << 0 << 0 << 16 << false << 0 << 0 << 0 << ab << true
                                              << double(0x1234);
    QTest::newRow("LE byte 0 low, byte 1 high") << 1 << 0 << 0 << 0 << 16 << false << 0 << 0 << 0 << ab << true
                                                << double(0xCDAB);
    const quint64 ff = word({0xFF});
    QTest::newRow("signed 8 bits 0xFF") << 0 << 1 << 7 << 0 << 8 << false << 0 << 0 << 0 << ff << true << -1.0;
    QTest::newRow("unsigned 8 bits 0xFF") << 0 << 0 << 7 << 0 << 8 << false << 0 << 0 << 0 << ff << true << 255.0;
    QTest::newRow("64 bits whole word") << 0 << 0 << 0 << 0 << 64 << false << 0 << 0 << 0 << quint64(0x8000000000000001ull)
                                        << true << 9223372036854775808.0;
    QTest::newRow("64 bits signed") << 0 << 1 << 0 << 0 << 0 << false << 0 << 0 << 0 << ~quint64(0) << true << -1.0;
    QTest::newRow("field past bit 63 reads zeros") << 0 << 0 << 7 << 4 << 8 << false << 0 << 0 << 0 << ff << true
                                                   << 15.0;
    QTest::newRow("start 64 reads 0") << 0 << 0 << 8 << 0 << 8 << false << 0 << 0 << 0 << ~quint64(0) << true << 0.0;
    QTest::newRow("negative start reads 0") << 0 << 0 << -1 << 0 << 8 << false << 0 << 0 << 0 << ~quint64(0) << true
                                            << 0.0;
    QTest::newRow("compound id 3 matches byte 0") << 0 << 0 << 6 << 0 << 8 << true << 56 << 8 << 3
                                                  << word({3, 0x22}) << true << 34.0;
    QTest::newRow("compound id 3 refuses byte 0 = 4") << 0 << 0 << 6 << 0 << 8 << true << 56 << 8 << 3
                                                      << word({4, 0x22}) << false << 0.0;
    QTest::newRow("compound offset 64 refuses all") << 0 << 0 << 6 << 0 << 8 << true << 64 << 8 << 0 << quint64(0)
                                                    << false << 0.0;
    QTest::newRow("compound offset -8 is 56") << 0 << 0 << 6 << 0 << 8 << true << -8 << 8 << 3 << word({3, 0x22})
                                              << true << 34.0;
    QTest::newRow("compound count 0 keeps 64 bits") << 0 << 0 << 0 << 0 << 8 << true << 0 << 0 << -1 << ~quint64(0)
                                                    << true << 255.0;
    QTest::newRow("compound LE default is byte 7") << 1 << 0 << 0 << 0 << 8 << true << 56 << 8 << 5
                                                   << word({0x11, 0, 0, 0, 0, 0, 0, 5}) << true << 17.0;
}

void TestCanInputs::decoding()
{
    QFETCH(int, endianness);
    QFETCH(int, isSigned);
    QFETCH(int, byteOffset);
    QFETCH(int, bitOffset);
    QFETCH(int, bitCount);
    QFETCH(bool, compound);
    QFETCH(int, compoundOffset);
    QFETCH(int, compoundCount);
    QFETCH(int, compoundId);
    QFETCH(quint64, data);
    QFETCH(bool, ok);
    QFETCH(double, raw);
    CanInput input;
    input.def.endianness = Endianness(endianness);
    input.def.isSigned = Signedness(isSigned);
    input.def.byteOffset = byteOffset;
    input.def.bitOffset = bitOffset;
    input.def.bitCount = bitCount;
    input.def.compoundMessage = compound;
    input.def.compoundIdBitOffset = compoundOffset;
    input.def.compoundIdBitCount = compoundCount;
    input.def.compoundId = compoundId;
    bool accepted = !ok;
    const double value = input.parseData(data, &accepted);
    QCOMPARE(accepted, ok);
    if (ok)
        QCOMPARE(value, raw);
    else
        QVERIFY(std::isnan(value));

    // Scaling and the input unit, in the documented order.
    if (QByteArray(QTest::currentDataTag()) == "BE bytes 6-7 at offset 0") {
        input.def.bitCount = 16;
        input.def.multiplier = 0.1;
        input.def.offset = -40;
        QCOMPARE(input.parseData(word({0, 0, 0, 0, 0, 0, 0x01, 0xF4}), &accepted), 10.0);
        input.def.multiplier = 1;
        input.def.offset = 0;
        input.def.inputUnit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
        QCOMPARE(input.parseData(word({0, 0, 0, 0, 0, 0, 0, 36}), &accepted), 10.0);
    }
}

void TestCanInputs::routing()
{
    CanInputsModel model;
    CanInput* masked = makeInput(model, QStringLiteral("masked"), [](CanInputDefinition& d) {
        d.canMask = 0x7F0;
        d.canId = 0x120;
        d.byteOffset = 7;
    });
    CanInput* outside = makeInput(model, QStringLiteral("outside"), [](CanInputDefinition& d) {
        d.canMask = 0x7F0;
        d.canId = 0x125;
        d.byteOffset = 7;
    });
    CanInput* bus1 = makeInput(model, QStringLiteral("bus1"), [](CanInputDefinition& d) {
        d.channelId = 1;
        d.canId = 0x123;
        d.byteOffset = 7;
    });
    CanInput* first = makeInput(model, QStringLiteral("first"), [](CanInputDefinition& d) {
        d.canId = 0x123;
        d.byteOffset = 7;
    });
    CanInput* second = makeInput(model, QStringLiteral("second"), [](CanInputDefinition& d) {
        d.canId = 0x123;
        d.byteOffset = 6;
    });
    model.rebuildParsingMap();

    struct Case {
        quint32 channelAndId;
        QList<CanInput*> fed;
    };
    const QList<Case> cases = {
        {0x120, {masked}},
        {0x12F, {masked}},
        {0x130, {}},
        {0x123, {masked, first, second}},
        {0x80000123u, {bus1}},
        {0x20000123u, {}}, // bit 29 set: no input accepts it
        {0x40000120u, {}},
        {0x1123, {masked}}, // bits outside the mask do not count
    };
    const QList<CanInput*> all = {masked, outside, bus1, first, second};
    for (const Case& c : cases) {
        ++g_now;
        model.slot_newCanFrameBatch({frame(c.channelAndId, word({9, 8, 7, 6, 5, 4, 3, 2}))});
        for (CanInput* input : all) {
            double value = 0;
            qint64 stamp = 0;
            input->getTimestampedData(value, stamp);
            QVERIFY2((stamp == g_now) == c.fed.contains(input),
                     qPrintable(QStringLiteral("%1 for 0x%2").arg(input->getChildName()).arg(c.channelAndId, 0, 16)));
        }
    }
    QCOMPARE(first->getValue(), 9.0);
    QCOMPARE(second->getValue(), 8.0);
    QVERIFY(first->received());
    QVERIFY(!outside->received());
    QCOMPARE(model.data(model.index(3, 0), Qt::BackgroundRole).value<QColor>(), QColor(140, 255, 140));
    QVERIFY(!model.data(model.index(1, 0), Qt::BackgroundRole).isValid());
    QCOMPARE(model.data(model.index(2, 2), Qt::DisplayRole).toInt(), 2);
    QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("0x120"));
}

void TestCanInputs::removalRoutesTheRestAtOnce()
{
    CanInputsModel model;
    makeInput(model, QStringLiteral("a"), [](CanInputDefinition& d) { d.canId = 1; });
    CanInput* b = makeInput(model, QStringLiteral("b"), [](CanInputDefinition& d) {
        d.canId = 2;
        d.byteOffset = 7;
    });
    model.rebuildParsingMap();
    QVERIFY(!model.removeRows(1, 2));
    QVERIFY(model.removeRows(0, 1));
    ++g_now;
    model.slot_newCanFrameBatch({frame(2, word({42}))});
    QCOMPARE(b->getValue(), 42.0);

    // Imports route their inputs at once too.
    model.importDbcBytes("BO_ 5 M: 8 X\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" X\n");
    QCOMPARE(model.inputCount(), 2);
    ++g_now;
    model.slot_newCanFrameBatch({frame(5, word({7}))});
    QCOMPARE(model.input(1)->getValue(), 7.0);
}

void TestCanInputs::timeouts()
{
    CanInputsModel model;
    CanInput* input = makeInput(model, QStringLiteral("t"), [](CanInputDefinition& d) {
        d.canId = 0x10;
        d.byteOffset = 7;
        d.timeoutEnable = true;
        d.timeoutTime = 0.5;
        d.timeoutValue = -1;
    });
    model.rebuildParsingMap();
    g_now = 2000000;
    model.slot_newCanFrameBatch({frame(0x10, word({5}))});
    QVERIFY(input->received());
    g_now += 500;
    model.slot_checkTimeouts();
    QCOMPARE(input->getValue(), 5.0); // exactly 500 ms: not yet
    g_now += 1;
    model.slot_checkTimeouts();
    QCOMPARE(input->getValue(), -1.0);
    QVERIFY(!input->received());
    qint64 value = 0;
    double v = 0;
    input->getTimestampedData(v, value);
    QCOMPARE(value, g_now);
    // Holding exactly the time-out value, nothing is stored again.
    g_now += 600;
    model.slot_checkTimeouts();
    input->getTimestampedData(v, value);
    QCOMPARE(value, g_now - 600);
    QCOMPARE(input->timeoutString(), QStringLiteral("after 0.5s set -1"));
}

void TestCanInputs::recordedRunGapPoints()
{
    const QString xml = QStringLiteral(
        "<canInputs><canInput name=\"r\" canId=\"16\" bitCount=\"8\" byteOffset=\"7\" multiplier=\"1\" "
        "divider=\"1\" timeoutEnable=\"1\" timeoutTime=\"1\"/>"
        "<canInput name=\"other\" canId=\"17\" bitCount=\"8\" multiplier=\"1\" divider=\"1\"/></canInputs>");
    RecordedCanInputs recorded(xml);
    QCOMPARE(recorded.channelCount(), 2);
    const QList<canFrame_t> frames = {frame(0x10, word({1}), 1200), frame(0x10, word({2}), 2000),
                                      frame(0x80000010u, word({9}), 2500), frame(0x10, word({3}), 3500)};
    QList<QList<double>> times;
    QList<QList<double>> values;
    recorded.model()->parseCanFrames(&frames, &times, &values);
    QCOMPARE(times.at(0), (QList<double> {0.6, 1.2, 2.0, 2.75, 3.5}));
    QCOMPARE(values.at(0).size(), 5);
    QVERIFY(std::isnan(values.at(0).at(0)) && std::isnan(values.at(0).at(3)));
    QCOMPARE(values.at(0).at(1), 1.0);
    QCOMPARE(values.at(0).at(4), 3.0);
    QVERIFY(times.at(1).isEmpty());
}

void TestCanInputs::xmlRoundTripAndMissingAttributes()
{
    CanInputsModel model;
    model.loadFromString(QStringLiteral(
        "<canInputs>"
        "<canInput name=\"dup\" canId=\"291\" endianness=\"1\" bitCount=\"12\" canMask=\"2032\" compoundMessage=\"1\" "
        "compoundId=\"4\" multiplier=\"0.1\" divider=\"3\" offset=\"-40\" timeoutEnable=\"1\" timeoutTime=\"0.25\" "
        "timeoutValue=\"7\" vehicleParamId=\"2\" channelId=\"1\">"
        "<variableSetup quantity=\"2\" unit=\"km/h\"/></canInput>"
        "<canInput name=\"dup\" canMask=\"nope\"/>"
        "<canInput name=\"dup\" compoundIdBitCount=\"x\"/>"
        "<other/>"
        "</canInputs>"));
    QCOMPARE(model.listInputNames(), (QStringList {QStringLiteral("dup"), QStringLiteral("dup 1"),
                                                   QStringLiteral("dup 2")}));
    const CanInputDefinition& a = model.input(0)->def;
    QCOMPARE(a.compoundIdBitOffset, 0); // little endian without a stored position: data byte 0
    QCOMPARE(a.compoundIdBitCount, 8);
    QCOMPARE(a.canMask, 2032u);
    QCOMPARE(a.vehicleParamId, 2);
    const CanInputDefinition& b = model.input(1)->def;
    QCOMPARE(b.canMask, 0u);
    QCOMPARE(b.vehicleParamId, -1);
    QCOMPARE(b.multiplier, 0.0);
    QCOMPARE(b.compoundIdBitOffset, 56);
    QCOMPARE(model.input(2)->def.compoundIdBitCount, 0);
    QCOMPARE(model.input(2)->def.compoundIdBitOffset, 0);
    QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("0x123, C:4"));

    const QString text = model.setupToString();
    CanInputsModel again;
    again.loadFromString(text);
    QCOMPARE(again.setupToString(), text);
    QCOMPARE(again.input(0)->def.multiplier, 0.1);
    QCOMPARE(again.input(0)->def.inputUnit, a.inputUnit);

    // Saved through the file and loaded again by a fresh model.
    QFile::remove(theSettings.settingsDir.filePath(QStringLiteral("canInputs.xml")));
    CanInputsModel live;
    live.loadFromFile();
    live.loadFromString(text);
    live.slot_saveToFile();
    CanInputsModel reread;
    reread.loadFromFile();
    QCOMPARE(reread.setupToString(), text);
}

void TestCanInputs::malformedFileIsKeptAside()
{
    const QString path = theSettings.settingsDir.filePath(QStringLiteral("canInputs.xml"));
    QFile::remove(path + QStringLiteral(".bad"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<canInputs><canInput name=\"x\"");
    }
    CanInputsModel model;
    QSignalSpy errors(&model, &CanInputsModel::signal_emitError);
    model.loadFromFile();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(model.inputCount(), 0);
    QVERIFY(QFile::exists(path + QStringLiteral(".bad")));
    QFile bad(path + QStringLiteral(".bad"));
    QVERIFY(bad.open(QIODevice::ReadOnly));
    QCOMPARE(bad.readAll(), QByteArray("<canInputs><canInput name=\"x\""));
}

void TestCanInputs::dbcImportEdgeCases()
{
    CanInputsModel model;
    model.importDbcBytes(QByteArray(kDbcFixture));
    QCOMPARE(model.listInputNames(),
             (QStringList {QStringLiteral("EXT - Wide"), QStringLiteral("EXT - Neg"), QStringLiteral("MUXED - A"),
                           QStringLiteral("MUXED - B"), QStringLiteral("OUTSIDE - Kept")}));
    const CanInput* wide = model.input(0);
    QCOMPARE(wide->def.canId, 0x400);
    QCOMPARE(wide->def.byteOffset, 3);
    QCOMPARE(wide->def.bitOffset, 0);
    QCOMPARE(wide->def.bitCount, 16);
    QCOMPARE(wide->def.endianness, Endianness_little);
    QCOMPARE(wide->def.isSigned, Signedness_unsigned);
    QCOMPARE(wide->def.multiplier, 0.125);
    QCOMPARE(wide->def.inputUnit->name, QStringLiteral("°C"));
    QCOMPARE(wide->setup->comment, QStringLiteral("Coolant temperature"));
    QCOMPARE(wide->setup->displayName, QStringLiteral("Wide"));
    QVERIFY(!wide->setup->autorangeMin);
    QCOMPARE(wide->setup->rangeMax, 1000 + 273.15);

    const CanInput* neg = model.input(1);
    QCOMPARE(neg->def.byteOffset, 7);
    QCOMPARE(neg->def.bitOffset, 0);
    QCOMPARE(neg->def.endianness, Endianness_big);
    QCOMPARE(neg->def.isSigned, Signedness_signed);
    QVERIFY(neg->setup->autorangeMin && neg->setup->autorangeMax);
    QCOMPARE(neg->def.inputUnit->name, QStringLiteral("m/s²"));

    const CanInput* a = model.input(2);
    QVERIFY(a->def.compoundMessage);
    QCOMPARE(a->def.compoundId, 1);
    QCOMPARE(a->def.compoundIdBitOffset, 56);
    QCOMPARE(a->def.compoundIdBitCount, 8);
    QCOMPARE(a->def.byteOffset * 8 + a->def.bitOffset, 48);
    QCOMPARE(a->setup->labels.value(1), QStringLiteral("on"));
    QCOMPARE(a->setup->quantity, Quantity::Enumerated);
    QCOMPARE(model.input(3)->def.compoundId, 2);
    QVERIFY(model.input(3)->setup->labels.isEmpty());

    // Decoding the multiplexed pair: selector 1 feeds A only.
    bool ok = false;
    QCOMPARE(a->parseData(word({1, 0x33}), &ok), 51.0);
    QVERIFY(ok);
    model.input(3)->parseData(word({1, 0x33}), &ok);
    QVERIFY(!ok);
}

void TestCanInputs::dbcLatin1GivesTheSameInputs()
{
    CanInputsModel utf8;
    utf8.importDbcBytes(QByteArray(kDbcFixture));
    CanInputsModel latin1;
    latin1.importDbcBytes(QString::fromUtf8(kDbcFixture).toLatin1());
    QCOMPARE(latin1.setupToString(), utf8.setupToString());
}

void TestCanInputs::dbcLineSplitting()
{
    QCOMPARE(CanInputsModel::splitDBCLineToStringList(QStringLiteral("SG_ a : 0|8@1+ (1,0) [0|0] \"\" X")).size(), 8);
    QCOMPARE(CanInputsModel::splitDBCLineToStringList(QStringLiteral("CM_ SG_ 1 s \"two words\u00A0here\"")),
             (QStringList {QStringLiteral("CM_"), QStringLiteral("SG_"), QStringLiteral("1"), QStringLiteral("s"),
                           QStringLiteral("two words\u00A0here")}));
    QCOMPARE(CanInputsModel::splitDBCLineToStringList(QStringLiteral("a\tb\u2003c")).size(), 3);
    int start = 0;
    int size = 0;
    Endianness e;
    Signedness s;
    QVERIFY(!CanInputsModel::parseDBCExtractionString(QStringLiteral("7|8@0-"), start, size, e, s));
    QCOMPARE(start, 56);
    QVERIFY(CanInputsModel::parseDBCExtractionString(QStringLiteral("7|8@0"), start, size, e, s));
    QVERIFY(CanInputsModel::parseDBCExtractionString(QStringLiteral("7 8@0+"), start, size, e, s));
    QVERIFY(CanInputsModel::parseDBCExtractionString(QStringLiteral("x|8@0+"), start, size, e, s));
}

void TestCanInputs::canxImport()
{
    CanInputsModel model;
    model.importCanxBytes(QByteArray(kCanxFixture), QStringLiteral("ecu"));
    QCOMPARE(model.listInputNames(), (QStringList {QStringLiteral("ecu - oil temp"), QStringLiteral("ecu - rpm"),
                                                   QStringLiteral("ecu - lambda")}));
    const CanInput* oil = model.input(0);
    QCOMPARE(oil->def.canId, 0x600);
    QCOMPARE(oil->def.multiplier, 0.1);
    QCOMPARE(oil->def.offset, -40.0);
    bool ok = false;
    // Data bytes 2 and 3 hold the high and low byte: 0x0190 = 400 → 0 °C.
    QCOMPARE(oil->parseData(word({0, 0, 0x01, 0x90}), &ok), 273.15);
    QCOMPARE(model.input(1)->def.canId, 0x601);
    const CanInput* lambda = model.input(2);
    QCOMPARE(lambda->def.canId, 0x700);
    QVERIFY(lambda->def.compoundMessage);
    QCOMPARE(lambda->def.compoundId, 3);
    QCOMPARE(lambda->parseData(word({0, 0xFE, 0, 0, 0, 0, 0, 3}), &ok), -2.0);
    QVERIFY(ok);
}

void TestCanInputs::traceReplay()
{
    CanInputsModel model;
    CanInput* input = makeInput(model, QStringLiteral("t"), [](CanInputDefinition& d) {
        d.canId = 0x123;
        d.byteOffset = 4;
        d.bitCount = 32;
    });
    model.rebuildParsingMap();
    canFrame_t f;
    QVERIFY(!CanInputsModel::parseTraceLine(QStringLiteral("; comment"), &f));
    QVERIFY(CanInputsModel::parseTraceLine(QStringLiteral("1 10.7 Rx 123 8 01 02 03 04"), &f));
    QCOMPARE(f.canData, word({1, 2, 3, 4}));
    QCOMPARE(f.timestamp, 10u);
    QCOMPARE(f.canChannelAndId, 0x123u);

    QSignalSpy dataChanges(&model, &QAbstractItemModel::dataChanged);
    model.queueTraceText(QStringLiteral("; first file\n1 10.2 Rx 123 8 01 02 03 04\n2 10.7 Rx 123 8 01 02 03 05\n"
                                        "3 12 Rx 124 8 00\n"));
    model.queueTraceText(QStringLiteral("1 2 Rx 123 8 0A 0B 0C 0D\n"));
    model.startTraceReplay();
    QVERIFY(model.traceReplayRunning());
    model.simulationTimer->stop(); // the test ticks by hand
    QList<int> sentAt;
    double lastValue = 0;
    for (int tick = 0; tick < 40 && model.inputCount(); ++tick) {
        double before = 0;
        qint64 stampBefore = 0;
        input->getTimestampedData(before, stampBefore);
        ++g_now;
        model.slot_frameSimulationTick();
        double after = 0;
        qint64 stampAfter = 0;
        input->getTimestampedData(after, stampAfter);
        if (stampAfter != stampBefore) {
            sentAt.append(tick);
            lastValue = after;
        }
    }
    // 10.2 and 10.7 go out together at tick 10 (the last one wins); the
    // second file restarts the counter and plays at its 2 ms.
    QCOMPARE(sentAt.first(), 10);
    QCOMPARE(sentAt.size(), 2);
    QCOMPARE(lastValue, double(0x0A0B0C0D));
}

void TestCanInputs::readdressing()
{
    CanInputsModel model;
    makeInput(model, QStringLiteral("j"), [](CanInputDefinition& d) { d.canId = 0x123; });
    makeInput(model, QStringLiteral("k"), [](CanInputDefinition& d) { d.channelId = 1; });
    QVERIFY(model.changeSourceAddress({0}, QStringLiteral("2A")));
    QCOMPARE(model.input(0)->def.canId, 0x12A);
    QVERIFY(!model.changeSourceAddress({0}, QStringLiteral("5")));
    QVERIFY(!model.changeSourceAddress({0}, QStringLiteral("123")));
    QVERIFY(!model.changeSourceAddress({0}, QStringLiteral("zz")));
    QCOMPARE(model.input(0)->def.canId, 0x12A);
    QVERIFY(model.action_swapChannel({1}));
    QCOMPARE(model.input(1)->def.channelId, 0);
    QVERIFY(model.saveTimer->isActive());
}

QTEST_MAIN(TestCanInputs)
#include "tst_can_inputs.moc"
