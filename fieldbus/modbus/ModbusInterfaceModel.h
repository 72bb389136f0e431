#pragma once

#include "ChannelFamily.h"
#include "FrameRecords.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class ModbusFunction;
class ModbusInterface;
class QTimer;

// The Modbus interfaces: "modbus.xml", the table of the Modbus page, the
// channel family "M_" of the registry, and the numbering of every value for
// the run recorder (interface index × 256 + function index). The live model
// (`theModbusInterfacesModel`) polls; a recorded run's model only gives the
// structure and sorts the run's samples: it opens no port and has no timer,
// so it may be built on a worker thread.
class ModbusInterfaceModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    static constexpr int maxInterfaces = 256;

    explicit ModbusInterfaceModel(bool forRunData = false, QObject* parent = nullptr);
    ~ModbusInterfaceModel() override;

    // Loads "modbus.xml" and starts polling (the live model, once).
    void initLive();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Refused while a run records: later interfaces would be renumbered and
    // their earlier samples filed under other channels.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    void loadFromFile();
    void loadFromString(const QString& text);
    QString setupToString() const;
    QString setupToString(const QList<int>& rows) const;
    // False (and a message) when 256 interfaces exist already.
    bool addInterface(ModbusInterface* interface);
    ModbusInterface* interface(int row) const { return interfaces.value(row); }
    int interfaceCount() const { return int(interfaces.size()); }

    // ChannelFamily.
    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;

    int channelCount() const;
    QList<QString> getUsedChannelNames() const;
    void updateArgumentPointers();
    QList<ModbusFunction*> allFunctions() const;

    // The page's table actions: New ("Maximum 256 interfaces are available"
    // beyond the limit), Edit (false for a row outside the list; checkOnly
    // only asks), Delete of the rows from the highest down, file import and
    // export ("modbus" documents). An interface is paused while its dialog is
    // open; a new one is held until Ok and then started.
    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_remove(const QList<int>& rows);
    void action_import();
    void action_export(const QList<int>& rows);

    void sortFrames(const QList<channelFrame_t>* frames, QList<QList<QList<double>>>* times,
                    QList<QList<QList<double>>>* values) const;

    // True while a run records (set by the program; removals are refused).
    static bool (*runRecording)();
    QString fileName;

Q_SIGNALS:
    void signal_newData(double data, uint16_t id, qint64 timestamp);
    void signal_selectLast();
    void signal_emitError(const QString& text);

public Q_SLOTS:
    void slot_doubleClicked(const QModelIndex& index);
    void slot_newInterfaceData(double data, uint8_t channelId, qint64 timestamp);
    void slot_saveToFile();
    void scheduleSave();

private:
    const bool forRunData;
    QList<ModbusInterface*> interfaces;
    QTimer* saveTimer = nullptr;
    bool saveAllowed = true;
};

extern ModbusInterfaceModel theModbusInterfacesModel;
