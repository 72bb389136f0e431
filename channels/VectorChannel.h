#pragma once

#include "AbstractChannel.h"

#include <QList>
#include <QString>

class RunChannel;
class Unit;

// The samples of one channel of one recorded run, on the run's common time
// base, in SI units (NaN where the channel had no value). Hands out the raw
// samples, the samples low-pass filtered (zero phase) with the setup's filter
// time, and those converted to the setup's unit; the last two are cached per
// filter time and unit. Used by one thread at a time: the views write the caches.
class VectorChannel : public AbstractChannel
{
    Q_OBJECT
public:
    // No samples; a private copy of the template's setup.
    VectorChannel(ChannelSetup* templateSetup, double samplingRate, const VectorChannel* timeVector);
    // The source's samples (shared until one side writes), a private copy of
    // its setup, its time vector, sampling rate and suffix.
    explicit VectorChannel(VectorChannel* source);
    // No samples; the analysis setup of `key`, made from the template when new.
    VectorChannel(double samplingRate, int flags, const QString& key, const ChannelSetup* templateSetup,
                  const VectorChannel* timeVector);
    // `count` zero samples of instance index + 1 of a live channel's kind.
    VectorChannel(const RunChannel* channel, int index, int count, double samplingRate,
                  const VectorChannel* timeVector, const QString& suffix, Quantity quantity);
    // `count` zero samples of any channel; a private copy of its setup or the
    // analysis setup of its recorded key.
    VectorChannel(AbstractChannel* source, int count, double samplingRate, const VectorChannel* timeVector,
                  bool privateSetup);
    // `count` zero samples with the analysis setup of `key` (a private default
    // setup when the key is empty).
    VectorChannel(double samplingRate, const QString& key, const QString& name, Quantity quantity, int count,
                  const VectorChannel* timeVector);
    // Samples index .. index + count - 1 of the source, with a private setup copy.
    VectorChannel(VectorChannel* source, int index, int count, const QString& displayName);
    ~VectorChannel() override;

    // The samples for writing: both caches are dropped.
    QList<double>* getRawData();
    // The samples for reading only; the caches stay.
    const QList<double>& rawSamples() const { return rawData; }
    const QList<double>* getFilteredData();
    const QList<double>* getTranslatedData();
    // The time vector; the channel itself (after a debug line) when it has none.
    const VectorChannel* getTimeVector() const;
    void setTimeVector(const VectorChannel* vector) { timeVector = vector; }
    void mid(VectorChannel* source, int index, int count);
    void setSetup(ChannelSetup* newSetup) override;

    double samplingRate = 0.0;
    QString suffix;

public Q_SLOTS:
    void slot_channelSetupChanged();

private:
    void usePrivateCopy(const ChannelSetup* templateSetup);
    void rebuildFiltered(double tau);

    const VectorChannel* timeVector = nullptr;
    QList<double> filteredData;
    QList<double> translatedData;
    QList<double> rawData;
    const Unit* translatedUnit = nullptr;
    double translatedFilter = -1.0;
    double filteredFilter = -1.0;
};
