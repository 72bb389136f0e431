#pragma once

#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class ChannelSetup;
class RunData;
class VectorChannel;

// One loaded run of the result table: the sample taken at each step of the
// master channel inside the run's selection, and per table channel the run's
// vector and the steps of its smallest and largest value.
class AMdiTableModelItem
{
public:
    // Entries beyond this many per run are dropped (and logged): a spike in
    // the master channel or a tiny step must not run the search for ever.
    static constexpr int kMaxEntries = 100000;

    explicit AMdiTableModelItem(RunData* run);

    // The step search on master data m (display unit) over the selection
    // first ... last (inclusive). Fills the sample indexes and the first step
    // number; false (and nothing found) when the step or the data leave no
    // range to search.
    static bool searchSteps(const QList<double>& m, int first, int last, double step, int* firstStep,
                            QList<int>* indexes);

    void update(double step, const ChannelSetup* master);
    void addChannel(const QString& key);
    void removeChannel(int channel);
    void updateChannelMinMax(int channel);
    double data(int channel, int stepNumber) const;
    QString stringData(int channel, int stepNumber, const AMdiTableModelItem* reference) const;
    int getMinMaxFlag(int channel, int stepNumber) const;
    QColor getAlarmWarningColor(int channel, int stepNumber) const;

    QStringList channelKeys;
    QList<QPointer<VectorChannel>> channelVectors;
    QList<int> maxPositions;
    QList<int> minPositions;
    RunData* run = nullptr;
    QList<int> sampleIndexes;
    int firstStep = 0;
};
