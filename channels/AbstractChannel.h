#pragma once

#include "lib/Quantity.h"

#include <QObject>
#include <QString>

#include <atomic>

class ChannelSetup;
class Unit;

// What every channel has, live or recorded: a setup (display and alarm
// configuration, found by the channel's key), the key and name templates it
// was made from, and whether its source delivers data at the moment.
class AbstractChannel : public QObject
{
    Q_OBJECT
public:
    explicit AbstractChannel(QObject* parent = nullptr);
    ~AbstractChannel() override;

    // The name part a channel family adds after its key prefix ("F_", "I_",
    // "C_", "M_", "S_", "UDS_"). Built-in and recorded channels have none.
    virtual QString getChildName() const;
    virtual void setChildName(const QString& name);

    // Drops every connection from the previous setup, follows the new one and
    // announces the change once.
    virtual void setSetup(ChannelSetup* newSetup);
    QString getNameWithUnit() const;
    QString generateVectorChannelName(int index) const;
    // The key of a recorded copy of this channel: the key (index -1) or the key
    // template filled with index + 1, "_", the quantity's symbol and, when
    // given, "_" and the suffix.
    QString generateVectorChannelKey(int index, const QString& suffix, Quantity quantity) const;

    ChannelSetup* setup = nullptr;
    QString keyTemplate;
    QString nameTemplate;
    // Cleared and set by the inputs whose source can go away (CAN, UDS); the
    // channel pickers grey out or hide channels that are not available.
    std::atomic<bool> available {true};

Q_SIGNALS:
    void signal_setupChanged();

public Q_SLOTS:
    void slot_setQuantity(Quantity quantity);
    void slot_setUnit(const Unit* unit);
};
