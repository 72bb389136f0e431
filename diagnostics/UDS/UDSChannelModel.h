#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>

class UDSChannel;

// Owner of the live UDS channels and their table. `mutex` is shared with the
// OBD thread: the GUI thread takes it for every change of the list, the
// priorities or the polling order; the OBD thread tries it on each polling
// tick and waits for it only during the supported-PID discovery.
class UDSChannelModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnName, ColumnCommand, ColumnAutoHeader, ColumnStatus, ColumnValue, ColumnCount };

    UDSChannelModel();
    ~UDSChannelModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // GUI thread: takes the mutex, appends the channels and registers them in
    // the polling order; the model owns them from then on.
    void addChannels(const QList<UDSChannel*>& channels);
    // GUI thread: takes the mutex, unregisters and deletes every channel.
    void clear();
    // The channels whose command begins with `command`, in list order. The
    // caller holds the mutex.
    QList<UDSChannel*> listChannelsForCommand(const QByteArray& command) const;
    UDSChannel* channelAt(int row) const { return list.at(row); }

    // Called from whichever thread changed the channel; the views hear of it
    // in the GUI thread.
    void channelStatusChanged(UDSChannel* channel);
    void channelHeaderChanged(UDSChannel* channel);

    QList<UDSChannel*> list;
    QMutex mutex;
    // Set by the OBD thread when it stored a value; the list page's refresh
    // clears it.
    std::atomic<bool> valuesChanged {false};

Q_SIGNALS:
    void signal_channelChanged(UDSChannel* channel);

public Q_SLOTS:
    // Every channel back to NaN, status "not supported" and no automatic
    // header. Runs in the GUI thread; takes the mutex itself.
    void slot_resetChannelStatusAndValues();

private Q_SLOTS:
    void slot_channelChanged(UDSChannel* channel);
};

extern UDSChannelModel theUDSChannelModel;
