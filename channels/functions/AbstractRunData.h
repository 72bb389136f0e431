#pragma once

#include <QString>
#include <QVariant>

class VectorChannel;

// A recorded run as the channel model sees it: arguments of recalculated
// functions bind to its recorded channels and read its stored project values.
// The runs layer (RunData) implements it.
class AbstractRunData
{
public:
    virtual ~AbstractRunData() = default;
    // The recorded channel whose setup's run key (the live channel's key) is `key`.
    virtual VectorChannel* getChannelByRunKey(const QString& key) const = 0;
    // A project value stored in the run, or `defaultValue`. `field` is a
    // ProjectListFieldId.
    virtual QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const = 0;
};
