#pragma once

#include "ChannelId.h"
#include "VehicleParamId.h"
#include "lib/Quantity.h"

#include <QList>
#include <QObject>
#include <QString>

class AbstractChannel;
class ChannelFamily;
class QTimer;
class RunChannel;

// The registry of the built-in live channels: every kind (ChannelId) with its
// instances, sized by the connected board, and the vehicle parameters. It also
// answers lookups over the user-defined families and owns the timer of the
// periodic warning and alarm check. Filled once by init when the controller has
// confirmed its firmware; empty before. After init the lists never change and
// are read without a lock from every thread.
class Channels : public QObject
{
    Q_OBJECT
public:
    // The user-defined families, in the order getChannelByKey searches them.
    enum Family : int {
        Family_functions = 0,     // theFunctionsModel, "F_"
        Family_inputChannels = 1, // theInputChannelsModel, "I_"
        Family_canInputs = 2,     // theCanInputsModel, "C_"
        Family_serialDevices = 3, // theSerialDevicesModel, "S_"
        Family_modbus = 4,        // theModbusInterfacesModel, "M_"
        Family_uds = 5,           // theUDSChannelModel, "UDS_"
        FamilyCount = 6
    };

    explicit Channels(QObject* parent = nullptr);
    ~Channels() override;

    // Registers every built-in kind with the counts of theHwInfo and the
    // vehicle parameters. Runs once; a second call changes nothing.
    void init();
    bool isInitialized() const { return initialized; }

    RunChannel* registerChannel(ChannelId id, const QString& keyTemplate, const QString& nameTemplate, int count,
                                Quantity quantity, int flags);
    RunChannel* registerVehicleParameter(VehicleParamId id, const QString& name, const QString& displayName,
                                         Quantity quantity, int flags);

    // Instance `index` (0-based) of a kind; null outside its list. An id out of
    // range or never registered is a programming error and ends the program.
    RunChannel* getChannel(ChannelId id, int index) const;
    // The none channel for an id outside 0..21.
    RunChannel* getVehicleParam(int id) const;
    RunChannel* getChannelByKey(const QString& key) const;
    ChannelId getChannelIdByKey(const QString& key) const;
    // The instances of a kind (empty when the board has none or before init).
    QList<RunChannel*> getChannels(ChannelId id) const;
    // The key and name templates, quantity and flags a kind is registered
    // with, known without the registry (recorded runs of a larger board, or
    // recalculated before the controller confirmed). False outside 0..87.
    static bool kindTemplate(ChannelId id, QString* keyTemplate, QString* nameTemplate, Quantity* quantity,
                             int* flags);

    QList<AbstractChannel*> listBaseChannelsForArgument(Quantity quantity) const;
    QList<AbstractChannel*> listAllChannels(Quantity quantity) const;
    QList<AbstractChannel*> listChannelsForMdi() const;

    void zeroOnLogStart();

    // A family's model registers itself (not owned); nullptr removes it.
    void registerFamily(Family family, ChannelFamily* model);
    ChannelFamily* family(Family family) const { return families[family]; }

    QTimer* alarmCheckTimer = nullptr;
    RunChannel* noneChannel = nullptr;
    QList<QList<RunChannel*>*> channelLists;
    QList<RunChannel*>* vehicleParameters = nullptr;

private:
    bool initialized = false;
    ChannelFamily* families[FamilyCount] = {};
};

extern Channels theChannels;
