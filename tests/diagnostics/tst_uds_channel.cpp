#include "ChannelSetup.h"
#include "Channels.h"
#include "ObdOptions.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"
#include "VehicleParamId.h"
#include "lib/Units.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

class TestUdsChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void keepLastValueAndVehicleParameter();
    void statusNotifiesOnce();
    void xmlRoundTrip();
    void storedNumbersOutOfRange_data();
    void storedNumbersOutOfRange();
};

void TestUdsChannel::initTestCase()
{
    theChannels.init();
}

void TestUdsChannel::cleanup()
{
    theObdOptions.keepLastValueOnFailedRead = false;
}

void TestUdsChannel::keepLastValueAndVehicleParameter()
{
    UDSChannel channel;
    channel.udsSetup.equation = "(A*256+B)/4";
    channel.udsSetup.priorityGroup = PriorityGroup_1;
    channel.udsSetup.vehicleParamId = VehicleParamId_engineSpeed;
    QVERIFY(!channel.updateAndCheckEquation(false));
    RunChannel* engineSpeed = theChannels.getVehicleParam(VehicleParamId_engineSpeed);

    QCOMPARE(channel.newByteData("1AF8", 1000), 1726.0);
    QCOMPARE(channel.getValue(), 1726.0);
    QCOMPARE(engineSpeed->getValue(), 1726.0);
    QVERIFY(channel.available);

    // A bad reply leaves value and vehicle parameter alone whatever the option says.
    QVERIFY(std::isnan(channel.newByteData("ZZ10", 1010)));
    QCOMPARE(channel.status(), UnexpectedReply);
    QCOMPARE(channel.getValue(), 1726.0);
    QVERIFY(!channel.available);

    // Unsupported by its bit: NaN stored, unless the last value is kept.
    channel.udsSetup.supportBit = 0;
    theObdOptions.keepLastValueOnFailedRead = true;
    QVERIFY(std::isnan(channel.newByteData("0E00", 1020)));
    QCOMPARE(channel.status(), NoData);
    QCOMPARE(channel.getValue(), 1726.0);
    theObdOptions.keepLastValueOnFailedRead = false;
    QVERIFY(std::isnan(channel.newByteData("0E00", 1030)));
    QVERIFY(std::isnan(channel.getValue()));
    QVERIFY(std::isnan(engineSpeed->getValue()));

    // A NaN the equation makes itself is stored even when keeping the last value.
    channel.udsSetup.supportBit = -1;
    QCOMPARE(channel.newByteData("0F00", 1040), 960.0);
    theObdOptions.keepLastValueOnFailedRead = true;
    QVERIFY(std::isnan(channel.newByteData("0F", 1050)));
    QVERIFY(std::isnan(channel.getValue()));
    QCOMPARE(channel.status(), NoData);

    // An empty equation fails every reply.
    channel.udsSetup.equation.clear();
    QVERIFY(channel.updateAndCheckEquation(false));
    theObdOptions.keepLastValueOnFailedRead = false;
    QVERIFY(std::isnan(channel.newByteData("0F00", 1060)));
    QCOMPARE(channel.status(), UnexpectedReply);
}

void TestUdsChannel::statusNotifiesOnce()
{
    auto* channel = new UDSChannel;
    theUDSChannelModel.addChannels({channel});
    QSignalSpy changed(&theUDSChannelModel, &UDSChannelModel::signal_channelChanged);
    channel->setStatusFromObdThread(NoData);
    channel->setStatusFromObdThread(NoData);
    QCOMPARE(changed.size(), 1);
    channel->setChildName("RPM");
    QCOMPARE(channel->setup->key, QString("UDS_RPM"));
    QCOMPARE(channel->getChildName(), QString("RPM"));
    theUDSChannelModel.clear();
}

void TestUdsChannel::xmlRoundTrip()
{
    UDSChannel original;
    original.setChildName("Boost");
    original.udsSetup.header = "7E0";
    original.udsSetup.command = "22F40C";
    original.udsSetup.prefixCommands = "ATSH7E0,ATST10";
    original.udsSetup.suffixCommands = "ATAR";
    original.udsSetup.equation = "S16(A*256+B)/10";
    original.udsSetup.priorityGroup = PriorityGroup(7);
    original.udsSetup.vehicleParamId = 3;
    original.udsSetup.supportBit = 5;
    QDomDocument doc;
    QDomElement element = doc.createElement("UDSChannel");
    original.writeSetupToDomElement(&element);
    QCOMPARE(element.attribute("uniqueId").toUInt(), uint(original.logId()));
    QVERIFY(!element.firstChildElement("variableSetup").isNull());

    UDSChannel copy;
    copy.parseDomElement(&element, true);
    QCOMPARE(copy.udsSetup.header, original.udsSetup.header);
    QCOMPARE(copy.udsSetup.command, original.udsSetup.command);
    QCOMPARE(copy.udsSetup.prefixCommands, original.udsSetup.prefixCommands);
    QCOMPARE(copy.udsSetup.suffixCommands, original.udsSetup.suffixCommands);
    QCOMPARE(copy.udsSetup.equation, original.udsSetup.equation);
    QCOMPARE(int(copy.udsSetup.priorityGroup), 7);
    QCOMPARE(copy.udsSetup.vehicleParamId, 3);
    QCOMPARE(copy.udsSetup.supportBit, 5);
    QCOMPARE(copy.logId(), original.logId());
    QCOMPARE(copy.udsSetup.inputUnit, theUnits.unitless);

    // `set` copies the user's settings, not the id.
    UDSChannel third(&copy);
    QCOMPARE(third.udsSetup.equation, original.udsSetup.equation);
    QVERIFY(third.logId() != copy.logId());
}

void TestUdsChannel::storedNumbersOutOfRange_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("param");
    QTest::addColumn<int>("bit");
    QTest::newRow("absent") << "" << 0 << -1 << -1;
    QTest::newRow("in range") << "priorityGroup=12 vehicleParamId=21 supportBit=7" << 12 << 21 << 7;
    QTest::newRow("too big") << "priorityGroup=13 vehicleParamId=22 supportBit=8" << 0 << -1 << -1;
    QTest::newRow("negative") << "priorityGroup=-1 vehicleParamId=-5 supportBit=-2" << 0 << -1 << -1;
    QTest::newRow("not numbers") << "priorityGroup=x vehicleParamId=y supportBit=z" << 0 << -1 << 0;
}

// A stored channel without a vehicle parameter must not feed engine speed
// (parameter 0); numbers outside their tables read as "none".
void TestUdsChannel::storedNumbersOutOfRange()
{
    QFETCH(QString, attributes);
    QFETCH(int, group);
    QFETCH(int, param);
    QFETCH(int, bit);
    QDomDocument doc;
    QDomElement element = doc.createElement("UDSChannel");
    for (const QString& pair : attributes.split(' ', Qt::SkipEmptyParts))
        element.setAttribute(pair.section('=', 0, 0), pair.section('=', 1));
    UDSChannel channel;
    channel.parseDomElement(&element, false);
    QCOMPARE(int(channel.udsSetup.priorityGroup), group);
    QCOMPARE(channel.udsSetup.vehicleParamId, param);
    QCOMPARE(channel.udsSetup.supportBit, bit);
}

QTEST_MAIN(TestUdsChannel)
#include "tst_uds_channel.moc"
