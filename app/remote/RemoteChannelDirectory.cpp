#include "RemoteChannelDirectory.h"

#include "ChannelFamily.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "RemoteControlState.h"
#include "RemoteProtocol.h"
#include "RunChannel.h"

#include <QDomDocument>
#include <QTimer>

RemoteChannelDirectory::RemoteChannelDirectory(RemoteControlState* state, QObject* parent)
    : QObject(parent), state(state)
{
    refreshTimer = new QTimer(this);
    refreshTimer->setSingleShot(true);
    refreshTimer->setInterval(100);
    connect(refreshTimer, &QTimer::timeout, this, &RemoteChannelDirectory::refresh);
    watchTimer = new QTimer(this);
    watchTimer->setInterval(2000);
    connect(watchTimer, &QTimer::timeout, this, &RemoteChannelDirectory::checkForChanges);
    watchTimer->start();
}

void RemoteChannelDirectory::slot_scheduleRefresh()
{
    refreshTimer->start();
}

QList<AbstractChannel*> RemoteChannelDirectory::collectChannels() const
{
    // Built-in channels first, then the families in lookup order: a key found
    // earlier wins, as in the registry's own lookup.
    QList<AbstractChannel*> channels;
    for (const QList<RunChannel*>* list : theChannels.channelLists) {
        if (!list)
            continue;
        for (RunChannel* channel : *list) {
            if (channel)
                channels.append(channel);
        }
    }
    for (int family = 0; family < Channels::FamilyCount; ++family) {
        if (const ChannelFamily* model = theChannels.family(Channels::Family(family)))
            channels += model->listChannelsForArgument(Quantity(-1));
    }
    return channels;
}

void RemoteChannelDirectory::checkForChanges()
{
    if (collectChannels() != known)
        refresh();
}

void RemoteChannelDirectory::refresh()
{
    refreshTimer->stop();
    auto snapshot = std::make_shared<RemoteChannelSnapshot>();
    known = collectChannels();
    for (AbstractChannel* channel : std::as_const(known)) {
        auto* live = qobject_cast<RunChannel*>(channel);
        if (!live || !live->setup)
            continue;
        const QByteArray key = live->setup->key.toUtf8();
        if (snapshot->byKey.contains(key))
            continue;
        QDomDocument document;
        QDomElement element = document.createElement(QStringLiteral("setup"));
        document.appendChild(element);
        live->setup->writeSetupToDomElement(&element);
        snapshot->byKey.insert(key, {live, document.toString(1).toUtf8().toBase64()});

        connect(live, &AbstractChannel::signal_setupChanged, this, &RemoteChannelDirectory::slot_scheduleRefresh,
                Qt::UniqueConnection);
        connect(live->setup, &ChannelSetup::signal_setupChanged, this, &RemoteChannelDirectory::slot_scheduleRefresh,
                Qt::UniqueConnection);
        connect(live->setup, &ChannelSetup::signal_keyChanged, this, &RemoteChannelDirectory::slot_scheduleRefresh,
                Qt::UniqueConnection);
        connect(live, &QObject::destroyed, this, &RemoteChannelDirectory::forget, Qt::UniqueConnection);
    }
    if (const ChannelFamily* inputs = theChannels.family(Channels::Family_inputChannels)) {
        for (AbstractChannel* channel : inputs->listChannelsForArgument(Quantity(-1))) {
            auto* live = qobject_cast<RunChannel*>(channel);
            if (live && live->setup)
                snapshot->inputByKey.insert(live->setup->key.toUtf8(), live);
        }
    }
    for (AbstractChannel* channel : theChannels.listChannelsForMdi()) {
        if (!channel->setup)
            continue;
        snapshot->listReply += RemoteProtocol::percentEncode(channel->setup->key.toUtf8()) + ':'
                               + RemoteProtocol::percentEncode(channel->setup->displayName.toUtf8()) + ';';
    }
    state->setChannels(std::move(snapshot));
}

void RemoteChannelDirectory::forget(QObject* object)
{
    // Called while the channel is being destroyed: it must leave the server's
    // list before its memory goes, so the list is copied without it at once.
    const std::shared_ptr<const RemoteChannelSnapshot> current = state->channels();
    auto copy = std::make_shared<RemoteChannelSnapshot>(*current);
    for (auto it = copy->byKey.begin(); it != copy->byKey.end();) {
        if (static_cast<QObject*>(it->channel) == object)
            it = copy->byKey.erase(it);
        else
            ++it;
    }
    for (auto it = copy->inputByKey.begin(); it != copy->inputByKey.end();) {
        if (static_cast<QObject*>(it.value()) == object)
            it = copy->inputByKey.erase(it);
        else
            ++it;
    }
    known.removeAll(static_cast<AbstractChannel*>(object));
    state->setChannels(std::move(copy));
}
