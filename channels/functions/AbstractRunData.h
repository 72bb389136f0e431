#pragma once

#include "ChannelId.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>

class VectorChannel;

// A recorded run as the channel model and the toolkit's run widgets see it:
// arguments of recalculated functions bind to its recorded channels and read
// its stored project values; the range plot shows its speeds and selection,
// the loss-model editor reads its stored dyno settings, the analysis plots add
// markers to it. The runs layer (RunData) implements it and registers how a
// run file is opened (setOpener).
class AbstractRunData
{
public:
    virtual ~AbstractRunData() = default;
    // The recorded channel whose setup's run key (the live channel's key) is `key`.
    virtual VectorChannel* getChannelByRunKey(const QString& key) const = 0;
    // A project value stored in the run, or `defaultValue`. `field` is a
    // ProjectListFieldId.
    virtual QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const = 0;

    // The recorded channel of a built-in channel kind, or null.
    virtual VectorChannel* getVectorChannel(ChannelId id, int instance) const
    {
        Q_UNUSED(id);
        Q_UNUSED(instance);
        return nullptr;
    }
    // The stored selection (start, end) in seconds; (0, 0) when none.
    virtual std::pair<double, double> getSelection() const { return {0.0, 0.0}; }
    // A run-table field (RunListFieldId) of the run, or `defaultValue` when null.
    virtual QVariant getRunInfoValue(int field, const QVariant& defaultValue) const
    {
        Q_UNUSED(field);
        return defaultValue;
    }
    // Loads the dyno settings stored in the run once; 0 on success.
    virtual int loadDynoSettings() { return 1; }
    // A dyno setting (DynoSettingId) as the run stored it, or `defaultValue`.
    virtual QVariant getSettingValue(int setting, int instance, const QVariant& defaultValue) const
    {
        Q_UNUSED(setting);
        Q_UNUSED(instance);
        return defaultValue;
    }
    // The run's main time base (seconds from the run start): its sample count
    // and rate are those of the recalculated functions. Null when the run has none.
    virtual const VectorChannel* getMainTimeVector() const { return nullptr; }
    // Replaces the run's recorded channels of one group (ChannelId 88..96) by
    // `vectors`; the run owns them from now on and deletes the list it held
    // before. A run that keeps no groups deletes what it is given.
    virtual void setVectorGroup(ChannelId group, const QList<VectorChannel*>& vectors);
    // Adds a marker at `time` (seconds): for every channel when `label` is
    // empty, else for the channel of that analysis key.
    virtual void addMarker(double time, const QString& label)
    {
        Q_UNUSED(time);
        Q_UNUSED(label);
    }

    // How a run file is opened (the cache of opened runs); null when the file
    // cannot be opened or no opener is registered.
    using Opener = std::function<AbstractRunData*(const QString& path)>;
    static void setOpener(Opener opener);
    static AbstractRunData* open(const QString& path);
};
