#include "ObdChannelIterator.h"
#include "ObdOptions.h"
#include "UDSChannel.h"
#include "UDSChannelModel.h"

#include <QTest>

// The polling order: which channel the OBD thread reads on each tick.
class TestObdPolling : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void order_data();
    void order();
    void group12StepCounter();
    void moveChannel();
};

void TestObdPolling::cleanup()
{
    theUDSChannelModel.clear();
    theObdOptions.readAllChannels = false;
    theObdOptions.readAllAvailableOnceAfterConnection = false;
    theObdOptions.skipChannelsWithNoData = false;
}

void TestObdPolling::order_data()
{
    // channels: "name:group:status" in model row order; mode: "", "all",
    // "once", "skip"; expected: the names the calls return ("-" for none).
    QTest::addColumn<QString>("channels");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty model") << "" << "" << "-,-";
    QTest::newRow("empty model, read all") << "" << "all" << "-";
    QTest::newRow("one channel in group 1") << "X:1:0" << "" << "X,X,X,X";
    QTest::newRow("groups 1 and 2") << "A:1:0,B:2:0" << "" << "A,B,A,B,A,B";
    QTest::newRow("groups 1 and 3") << "A:1:0,B:3:0" << "" << "A,A,B,A,A,B";
    QTest::newRow("two in group 2") << "P:2:0,Q:2:0,A:1:0" << "" << "A,Q,A,P,A,Q";
    QTest::newRow("group 0 never") << "A:0:0,B:0:0" << "" << "-,-";
    QTest::newRow("group 0 beside group 1") << "A:0:0,B:1:0" << "" << "B,B,B";
    QTest::newRow("read all") << "A:0:1,B:5:-1,C:12:6" << "all" << "A,B,C,A,B,C";
    QTest::newRow("read once") << "A:1:0,B:1:1,C:1:0" << "once" << "A,C,B,C,A";
    QTest::newRow("skip no data") << "A:1:1,B:1:0,C:1:1" << "skip" << "B,B,B";
    QTest::newRow("all skipped") << "A:1:1,B:2:1" << "skip" << "-,-";
    QTest::newRow("no data without skip") << "A:1:1" << "" << "A,A";
}

static QList<UDSChannel*> makeChannels(const QString& spec, ObdChannelIterator& iterator)
{
    QList<UDSChannel*> list;
    if (spec.isEmpty())
        return list;
    for (const QString& item : spec.split(',')) {
        const QStringList parts = item.split(':');
        auto* channel = new UDSChannel;
        channel->setChildName(parts[0]);
        channel->udsSetup.priorityGroup = PriorityGroup(parts[1].toInt());
        channel->slot_setStatus(UDSResponse(parts[2].toInt()));
        list.append(channel);
    }
    theUDSChannelModel.addChannels(list);
    for (UDSChannel* channel : list)
        iterator.slot_moveChannel(channel, channel->udsSetup.priorityGroup);
    return list;
}

void TestObdPolling::order()
{
    QFETCH(QString, channels);
    QFETCH(QString, mode);
    QFETCH(QString, expected);
    theObdOptions.readAllChannels = mode == "all";
    theObdOptions.readAllAvailableOnceAfterConnection = mode == "once";
    theObdOptions.skipChannelsWithNoData = mode == "skip";
    ObdChannelIterator iterator;
    makeChannels(channels, iterator);
    QStringList got;
    for (int i = 0; i < expected.split(',').size(); ++i) {
        UDSChannel* channel = iterator.getNextChannelToQuery();
        got.append(channel ? channel->getChildName() : QStringLiteral("-"));
    }
    QCOMPARE(got.join(','), expected);
}

// Group "1/1000" is first due at step 1000; an empty call moves the counter by 1002.
void TestObdPolling::group12StepCounter()
{
    ObdChannelIterator iterator;
    makeChannels("X:12:0,Y:12:0,Z:12:0", iterator);
    QCOMPARE(iterator.getNextChannelToQuery()->getChildName(), QString("Y"));
    QCOMPARE(iterator.stepCounter, 1001u);
    QCOMPARE(iterator.getNextChannelToQuery()->getChildName(), QString("Z"));
    QCOMPARE(iterator.getNextChannelToQuery()->getChildName(), QString("X"));
    QCOMPARE(iterator.getNextChannelToQuery()->getChildName(), QString("Y"));
    QCOMPARE(iterator.stepCounter, 2001u);

    theUDSChannelModel.clear();
    theObdOptions.skipChannelsWithNoData = true;
    ObdChannelIterator skipping;
    makeChannels("A:12:1", skipping);
    QVERIFY(!skipping.getNextChannelToQuery());
    QCOMPARE(skipping.stepCounter, 1003u);
}

void TestObdPolling::moveChannel()
{
    ObdChannelIterator iterator;
    const QList<UDSChannel*> list = makeChannels("A:1:0,B:1:0", iterator);
    iterator.moveChannel(list[0], 1);
    QCOMPARE(iterator.groupLists[1], (QList<UDSChannel*>{list[1], list[0]}));
    iterator.moveChannel(list[1], -1);
    QCOMPARE(iterator.groupLists[1], QList<UDSChannel*>{list[0]});
    // A group from outside the table lands in group 0, never polled.
    iterator.moveChannel(list[0], 40);
    QCOMPARE(iterator.groupLists[0], QList<UDSChannel*>{list[0]});
    QCOMPARE(list[0]->registeredGroup, 0);
    QVERIFY(!iterator.getNextChannelToQuery());
}

QTEST_MAIN(TestObdPolling)
#include "tst_obd_polling.moc"
