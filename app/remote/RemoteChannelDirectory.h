#pragma once

#include <QList>
#include <QObject>

class AbstractChannel;
class QTimer;
class RemoteControlState;

// Keeps the server's picture of the channels current: in the GUI thread it
// lists every channel with its key, display name and setup, and publishes the
// list as a whole to RemoteControlState. It rebuilds 100 ms after a channel's
// setup or key changed, and when the set of channels changed (checked every
// 2 s, since the families announce no additions). A deleted channel leaves the
// list at once.
class RemoteChannelDirectory : public QObject
{
    Q_OBJECT
public:
    RemoteChannelDirectory(RemoteControlState* state, QObject* parent = nullptr);

    // Rebuilds at once.
    void refresh();

public Q_SLOTS:
    void slot_scheduleRefresh();

private:
    QList<AbstractChannel*> collectChannels() const;
    void forget(QObject* channel);
    void checkForChanges();

    RemoteControlState* state;
    QTimer* refreshTimer = nullptr;
    QTimer* watchTimer = nullptr;
    QList<AbstractChannel*> known;
};
