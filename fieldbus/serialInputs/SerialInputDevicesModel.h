#pragma once

#include "ChannelFamily.h"
#include "FrameRecords.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class QTimer;
class SerialInputChannel;
class SerialInputDevice;

// The serial instruments: "serialInputDevices.xml", the table of the serial
// inputs page, the channel family "S_" of the registry, and the numbering of
// every value for the run recorder (device × 256 + channel). The live model
// (`theSerialDevicesModel`) starts its devices; a recorded run's model only
// gives the structure and sorts the run's samples: no port, no timer, so it
// may be built on a worker thread.
class SerialInputDevicesModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    static constexpr int maxDevices = 256;

    explicit SerialInputDevicesModel(bool forRunData = false, QObject* parent = nullptr);
    ~SerialInputDevicesModel() override;

    // Loads "serialInputDevices.xml" and starts the devices (the live model, once).
    void initLive();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Refused while a run records: later devices would be renumbered and
    // their earlier samples filed under other channels.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    void loadFromFile();
    void loadFromString(const QString& text);
    QString setupToString() const;
    QString setupToString(const QList<int>& rows) const;
    bool addDevice(SerialInputDevice* device);
    SerialInputDevice* device(int row) const { return devices.value(row); }
    int deviceCount() const { return int(devices.size()); }

    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;

    int channelCount() const;
    QList<QString> getUsedChannelNames() const;
    QList<SerialInputChannel*> allChannels() const;

    // The page's table actions: New ("Maximum 256 devices are available"
    // beyond the limit), Edit (false for a row outside the list; checkOnly
    // only asks; the device starts anew afterwards, Ok or not), Delete of
    // the rows from the highest down, imports (files, the online library) and
    // export ("serialInputDevices" documents).
    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_remove(const QList<int>& rows);
    void action_import();
    void action_importServer();
    void action_export(const QList<int>& rows);

    void sortFrames(const QList<channelFrame_t>* frames, QList<QList<QList<double>>>* times,
                    QList<QList<QList<double>>>* values) const;

    static bool (*runRecording)();
    QString fileName;

Q_SIGNALS:
    void signal_newData(double data, uint16_t id, qint64 timestamp);
    void signal_selectLast();
    void signal_emitError(const QString& text);

public Q_SLOTS:
    void slot_doubleClicked(const QModelIndex& index);
    void slot_newDeviceData(double data, uint8_t channelId, qint64 timestamp);
    void slot_saveToFile();
    void scheduleSave();

private:
    const bool forRunData;
    QList<SerialInputDevice*> devices;
    QTimer* saveTimer = nullptr;
    bool saveAllowed = true;
};

extern SerialInputDevicesModel theSerialDevicesModel;
