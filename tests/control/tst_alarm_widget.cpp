// The status bar's alarm field on a clock the test moves (the channels' wall
// clock): hold times of channel and system alarms, the texts and their order,
// blinking and the sound option with a recording player.
#include "AlarmSoundPlayer.h"
#include "AlarmWidget.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "RunChannel.h"

#include <QTest>
#include <QSet>

#include <memory>

namespace {

qint64 g_now = 1'000'000;
qint64 fakeClock()
{
    return g_now;
}

class RecordingPlayer : public AlarmSoundPlayer
{
public:
    void play() override { ++plays; }
    int plays = 0;
};

std::unique_ptr<RunChannel> makeChannel(const QString& name)
{
    auto channel = std::make_unique<RunChannel>(0, QString(), 1, QString(), Quantity::None);
    channel->setup->displayName = name;
    return channel;
}

void setSoundOption(bool on)
{
    theSettings.setValue(theSettings.keyPrefix + QStringLiteral("checkBox_settings_alarmSound"),
                         on ? int(Qt::Checked) : int(Qt::Unchecked));
}

} // namespace

class TestAlarmWidget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void channelAlarmHoldsTwoSecondsAfterLastReport();
    void channelStillInAlarmStaysListed();
    void systemAlarmHoldsThreeSeconds();
    void textsSystemFirstThenChannels();
    void alarmWhileBlinkingShowsAtOnce();
    void systemAlarmDescriptions_data();
    void systemAlarmDescriptions();
    void destroyedChannelLeavesAtOnce();
    void blinksAndSoundsOnlyWithOption();
    void channelSignalReachesField();

private:
    std::unique_ptr<AlarmWidget> widget;
    RecordingPlayer* player = nullptr;
};

void TestAlarmWidget::init()
{
    g_now = 1'000'000;
    RunChannel::setWallClock(&fakeClock);
    widget = std::make_unique<AlarmWidget>();
    player = new RecordingPlayer;
    widget->setSoundPlayer(player);
    setSoundOption(false);
}

void TestAlarmWidget::cleanup()
{
    widget.reset();
    RunChannel::setWallClock(nullptr);
}

void TestAlarmWidget::channelAlarmHoldsTwoSecondsAfterLastReport()
{
    auto channel = makeChannel(QStringLiteral("Oil temperature"));
    QCOMPARE(widget->text(), QStringLiteral("No alarms"));
    QVERIFY(!widget->isAlarmActive());
    widget->channelAlarm(channel.get(), AlarmType_high);
    QVERIFY(widget->isAlarmActive());
    QCOMPARE(widget->toolTip(), QStringLiteral("Oil temperature"));
    // Reported again 500 ms later (the channel's check period), then quiet.
    g_now += 500;
    widget->channelAlarm(channel.get(), AlarmType_high);
    g_now += 1999;
    widget->checkTimeouts();
    QVERIFY(widget->isAlarmActive());
    g_now += 1;
    widget->checkTimeouts();
    QVERIFY(!widget->isAlarmActive());
    QCOMPARE(widget->text(), QStringLiteral("No alarms"));
    QCOMPARE(widget->toolTip(), QString());
}

void TestAlarmWidget::channelStillInAlarmStaysListed()
{
    auto channel = makeChannel(QStringLiteral("Water temperature"));
    channel->setup->alarmHigh = 100.0;
    channel->slot_setupChanged();
    channel->setDataWithoutFilter(150.0, g_now);
    QVERIFY(channel->alarmState().alarmActive);
    widget->channelAlarm(channel.get(), AlarmType_high);
    // No further report, but the channel says it is still in alarm.
    g_now += 5000;
    widget->checkTimeouts();
    QVERIFY(widget->isAlarmActive());
    channel->setDataWithoutFilter(50.0, g_now);
    QVERIFY(!channel->alarmState().alarmActive);
    g_now += 2000;
    widget->checkTimeouts();
    QVERIFY(!widget->isAlarmActive());
}

void TestAlarmWidget::systemAlarmHoldsThreeSeconds()
{
    widget->slot_systemAlarm(SystemAlarmType_freqSignalFault);
    QCOMPARE(widget->toolTip(), QStringLiteral("Freq signal fault"));
    g_now += 2999;
    widget->checkTimeouts();
    QVERIFY(widget->isAlarmActive());
    // A new report restarts the hold time.
    widget->slot_systemAlarm(SystemAlarmType_freqSignalFault);
    g_now += 2999;
    widget->checkTimeouts();
    QVERIFY(widget->isAlarmActive());
    g_now += 1;
    widget->checkTimeouts();
    QVERIFY(!widget->isAlarmActive());
}

void TestAlarmWidget::textsSystemFirstThenChannels()
{
    auto first = makeChannel(QStringLiteral("Boost pressure"));
    auto second = makeChannel(QStringLiteral("Exhaust temperature"));
    widget->channelAlarm(first.get(), AlarmType_high);
    widget->channelAlarm(second.get(), AlarmType_low);
    widget->slot_systemAlarm(SystemAlarmType_loadCellClipping);
    widget->slot_blinkTimer();
    const QStringList lines = widget->toolTip().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("Load cell signal clipping"));
    QCOMPARE(QSet<QString>(lines.begin() + 1, lines.end()),
             QSet<QString>({QStringLiteral("Boost pressure"), QStringLiteral("Exhaust temperature")}));
    // The field shows the last of them.
    QCOMPARE(widget->text(), lines.at(2));
}

void TestAlarmWidget::alarmWhileBlinkingShowsAtOnce()
{
    auto channel = makeChannel(QStringLiteral("Road speed"));
    widget->channelAlarm(channel.get(), AlarmType_high);
    QCOMPARE(widget->toolTip(), QStringLiteral("Road speed"));
    // Already blinking: the next alarm is listed without waiting for a blink.
    widget->slot_systemAlarm(SystemAlarmType_loadCellClipping);
    QCOMPARE(widget->toolTip(), QStringLiteral("Load cell signal clipping\nRoad speed"));
    auto other = makeChannel(QStringLiteral("Oil temperature"));
    widget->channelAlarm(other.get(), AlarmType_high);
    QCOMPARE(widget->toolTip().split(QLatin1Char('\n')).size(), 3);
}

void TestAlarmWidget::systemAlarmDescriptions_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << QString();
    QTest::newRow("freq") << 1 << QStringLiteral("Freq signal fault");
    QTest::newRow("load cell") << 2 << QStringLiteral("Load cell signal clipping");
    QTest::newRow("audio") << 3
                           << QStringLiteral("Audio input clipping. Reduce input level in system volume control");
    QTest::newRow("unknown") << 7 << QStringLiteral("Unknown system alarm");
    QTest::newRow("negative") << -1 << QStringLiteral("Unknown system alarm");
}

void TestAlarmWidget::systemAlarmDescriptions()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QCOMPARE(AlarmWidget::systemAlarmDescription(type), text);
    // Every type is listed, even the empty one.
    widget->slot_systemAlarm(type);
    QVERIFY(widget->isAlarmActive());
    QCOMPARE(widget->alarmTexts(), QStringList{text});
}

void TestAlarmWidget::destroyedChannelLeavesAtOnce()
{
    auto channel = makeChannel(QStringLiteral("Lambda"));
    widget->channelAlarm(channel.get(), AlarmType_low);
    QVERIFY(widget->isAlarmActive());
    channel.reset();
    QVERIFY(!widget->isAlarmActive());
    QCOMPARE(widget->text(), QStringLiteral("No alarms"));
}

void TestAlarmWidget::blinksAndSoundsOnlyWithOption()
{
    widget->slot_systemAlarm(SystemAlarmType_freqSignalFault);
    // The first phase shows at once: red, and silent without the option.
    QVERIFY(widget->autoFillBackground());
    QCOMPARE(widget->palette().color(QPalette::Window), QColor(255, 50, 50));
    QCOMPARE(player->plays, 0);
    widget->slot_blinkTimer();
    QVERIFY(!widget->autoFillBackground());
    widget->slot_blinkTimer();
    QVERIFY(widget->autoFillBackground());
    QCOMPARE(player->plays, 0);

    setSoundOption(true);
    widget->slot_blinkTimer(); // off phase: no sound
    QCOMPARE(player->plays, 0);
    widget->slot_blinkTimer();
    QCOMPARE(player->plays, 1);
    widget->slot_blinkTimer();
    widget->slot_blinkTimer();
    QCOMPARE(player->plays, 2);
}

void TestAlarmWidget::channelSignalReachesField()
{
    // A channel made now is connected by the connector the widget installed.
    auto channel = makeChannel(QStringLiteral("Coolant level"));
    channel->setup->alarmLow = 1.0;
    channel->slot_setupChanged();
    channel->setDataWithoutFilter(0.0, g_now);
    QVERIFY(widget->isAlarmActive());
    QCOMPARE(widget->toolTip(), QStringLiteral("Coolant level"));
}

QTEST_MAIN(TestAlarmWidget)
#include "tst_alarm_widget.moc"
