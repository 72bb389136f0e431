#include "AlarmWidget.h"

#include "AlarmSoundPlayer.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "RunThread.h"
#include "lib/Tools.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

QPointer<AlarmWidget>& connectedWidget()
{
    static QPointer<AlarmWidget> widget;
    return widget;
}

bool soundOptionChecked()
{
    const QString key = theSettings.keyPrefix + QStringLiteral("checkBox_settings_alarmSound");
    return theSettings.value(key, 0).toInt() == Qt::Checked;
}

} // namespace

AlarmWidget::AlarmWidget(QWidget* parent)
    : QLabel(parent)
{
    qRegisterMetaType<SystemAlarmType>("SystemAlarmType");
    qRegisterMetaType<AlarmType>("AlarmType");
    setFixedWidth(200);
    setFrameShape(QFrame::Box);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setText(tr("No alarms"));

    blinkTimer = new QTimer(this);
    blinkTimer->setInterval(blinkIntervalMs);
    connect(blinkTimer, &QTimer::timeout, this, &AlarmWidget::slot_blinkTimer);
    player = new AlarmSoundPlayer(this);

    // Every live channel reports its alarms here: those made from now on
    // through the connector, those that exist already right away.
    connectedWidget() = this;
    RunChannel::setAlarmConnector([](RunChannel* channel) {
        if (AlarmWidget* widget = connectedWidget())
            connect(channel, &RunChannel::signal_alarm, widget, &AlarmWidget::slot_alarm, Qt::UniqueConnection);
    });
    for (const QList<RunChannel*>* list : std::as_const(theChannels.channelLists)) {
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel)
                connect(channel, &RunChannel::signal_alarm, this, &AlarmWidget::slot_alarm, Qt::UniqueConnection);
        }
    }
    connectRunThread();
}

AlarmWidget::~AlarmWidget()
{
    if (connectedWidget() == this)
        RunChannel::setAlarmConnector(nullptr);
    for (const ChannelAlarm& alarm : std::as_const(channelAlarms))
        disconnect(alarm.destroyedConnection);
}

void AlarmWidget::connectRunThread()
{
    if (!theRunThread)
        return;
    disconnect(runThreadConnection);
    runThreadConnection =
        connect(theRunThread, &RunThread::signal_systemAlarm, this, &AlarmWidget::slot_systemAlarm);
}

bool AlarmWidget::isAlarmActive() const
{
    return blinkTimer->isActive();
}

QString AlarmWidget::systemAlarmDescription(int type)
{
    switch (type) {
    case SystemAlarmType_none:
        return QString();
    case SystemAlarmType_freqSignalFault:
        return tr("Freq signal fault");
    case SystemAlarmType_loadCellClipping:
        return tr("Load cell signal clipping");
    case SystemAlarmType_audioInputClipping:
        return tr("Audio input clipping. Reduce input level in system volume control");
    default:
        return tr("Unknown system alarm");
    }
}

void AlarmWidget::setSoundPlayer(AlarmSoundPlayer* newPlayer)
{
    if (newPlayer == player)
        return;
    delete player;
    player = newPlayer;
    if (player)
        player->setParent(this);
}

void AlarmWidget::slot_alarm(AlarmType type)
{
    if (auto* channel = qobject_cast<RunChannel*>(sender()))
        channelAlarm(channel, type);
}

void AlarmWidget::channelAlarm(RunChannel* channel, AlarmType type)
{
    if (!channel)
        return;
    const qint64 deadline = RunChannel::wallClock() + channelAlarmHoldMs;
    auto it = channelAlarms.find(channel);
    if (it == channelAlarms.end()) {
        ChannelAlarm alarm;
        // A channel that goes away leaves the list at once; only its address
        // is used from then on, never the channel.
        alarm.destroyedConnection = connect(channel, &QObject::destroyed, this, [this, channel] {
            channelAlarms.remove(channel);
            checkRemainingAlarms();
        });
        it = channelAlarms.insert(channel, alarm);
    }
    it->type = type;
    it->deadline = deadline;
    startBlinking();
}

void AlarmWidget::slot_systemAlarm(int type)
{
    systemAlarms.insert(type, RunChannel::wallClock() + systemAlarmHoldMs);
    startBlinking();
}

void AlarmWidget::startBlinking()
{
    if (blinkTimer->isActive()) {
        // Already blinking: a new alarm shows now, not with the next blink.
        updateTexts();
        return;
    }
    blinkTimer->start();
    // The field shows the alarm now, not a blink period later.
    slot_blinkTimer();
}

void AlarmWidget::checkTimeouts()
{
    const qint64 now = RunChannel::wallClock();
    for (auto it = channelAlarms.begin(); it != channelAlarms.end();) {
        if (now < it->deadline) {
            ++it;
            continue;
        }
        // Still in alarm by the channel's own account: keep it another hold time.
        if (it.key()->alarmState().alarmActive) {
            it->deadline = now + channelAlarmHoldMs;
            ++it;
            continue;
        }
        disconnect(it->destroyedConnection);
        it = channelAlarms.erase(it);
    }
    for (auto it = systemAlarms.begin(); it != systemAlarms.end();) {
        if (now >= it.value())
            it = systemAlarms.erase(it);
        else
            ++it;
    }
    checkRemainingAlarms();
}

void AlarmWidget::checkRemainingAlarms()
{
    if (!channelAlarms.isEmpty() || !systemAlarms.isEmpty())
        return;
    if (!blinkTimer->isActive())
        return;
    blinkTimer->stop();
    setAutoFillBackground(false);
    setPalette(QPalette());
    setText(tr("No alarms"));
    setToolTip(QString());
}

QStringList AlarmWidget::alarmTexts() const
{
    QStringList texts;
    for (auto it = systemAlarms.cbegin(); it != systemAlarms.cend(); ++it)
        texts.append(systemAlarmDescription(it.key()));
    for (auto it = channelAlarms.cbegin(); it != channelAlarms.cend(); ++it) {
        const ChannelSetup* setup = it.key()->setup;
        texts.append(setup ? setup->getName() : QString());
    }
    return texts;
}

void AlarmWidget::updateTexts()
{
    const QStringList texts = alarmTexts();
    setToolTip(texts.join(QLatin1Char('\n')));
    const QString last = texts.isEmpty() ? QString() : texts.constLast();
    const int room = contentsRect().width() - 2 * margin() - 4;
    setText(fontMetrics().elidedText(last, Qt::ElideRight, std::max(room, 0)));
}

void AlarmWidget::slot_blinkTimer()
{
    checkTimeouts();
    if (!blinkTimer->isActive())
        return;
    if (blinkPhaseOn) {
        Tools::setBackgroundColorWithPalette(this, QColor(255, 50, 50));
        if (player && soundOptionChecked())
            player->play();
    } else {
        setAutoFillBackground(false);
        setPalette(QPalette());
    }
    blinkPhaseOn = !blinkPhaseOn;
    updateTexts();
}
