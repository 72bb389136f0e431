#pragma once

#include "FunctionAccessControl.h"

#include <QObject>
#include <QString>

// Whether the settings are locked and which access keys are protected. A key
// is protected while the settings store holds "ACM/" + key, so protection
// outlives the program; the lock itself comes anew at every start. GUI thread.
class AccessControlManager : public QObject, public FunctionAccessControl
{
    Q_OBJECT
public:
    AccessControlManager();

    void lock();
    // Nothing (no signal) when not locked.
    void unlock();
    void lockKey(const QString& key);
    void unlockKey(const QString& key);
    bool isKeyLocked(const QString& key) const;

    bool isLocked() const override { return locked; }
    bool isManufacturerMode() const override { return manufacturerMode; }

    bool locked = false;
    // Set by the first lock and kept until the program ends.
    bool manufacturerMode = false;

Q_SIGNALS:
    void signal_manufacturerModeEnabled();
    void signal_unlock();
};

extern AccessControlManager theACM;
