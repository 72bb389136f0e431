#pragma once

#include <QKeySequence>
#include <QMetaType>

class Argument;

// The configuration of a trigger, copyable so that forms can back it up: a
// copy owns an argument of its own that takes the other's source.
struct TriggerSetup {
    TriggerSetup();
    TriggerSetup(const TriggerSetup& other);
    TriggerSetup& operator=(const TriggerSetup& other);
    ~TriggerSetup();

    // 0 single (fires on a rising edge), 1 repeat (fires every interval).
    int mode = 0;
    qint64 interval = 1000;
    QKeySequence shortcut;
    Argument* argument = nullptr;
    // Repeat mode fires every interval whatever the argument says.
    bool active = false;
};
Q_DECLARE_METATYPE(TriggerSetup)
