#pragma once

// What record forms bind beside the channel model's own objects: triggers and
// their panel, game-pad bindings and their button, the key-sequence button,
// and a user channel whose key is made from its name part.

#include "GamepadEvent.h"
#include "GamepadEventWidget.h"
#include "RunChannel.h"
#include "ShortcutWidget.h"
#include "Trigger.h"
#include "TriggerWidget.h"

#include <QString>

// A user channel whose key is made from its name part.
class NamedChannel : public RunChannel
{
public:
    NamedChannel()
        : RunChannel(8, QString(), 0, QString(), Quantity::None)
    {
    }
    QString getChildName() const override { return childName; }
    void setChildName(const QString& name) override { childName = name; }
    QString childName = QStringLiteral("engine");
};
