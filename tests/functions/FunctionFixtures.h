#pragma once

// What the computed-function tests share: a wall clock the test moves, live
// source channels bound to a function's arguments, and a recorded run whose
// channels and time base the test writes.

#include "AbstractRunData.h"
#include "Argument.h"
#include "ChannelSetup.h"
#include "Function.h"
#include "FunctionsModel.h"
#include "RunChannel.h"
#include "VectorChannel.h"

#include <QList>
#include <QMap>

#include <cmath>
#include <limits>
#include <memory>

namespace fixtures {

inline qint64& nowMs()
{
    static qint64 now = 1'700'000'000'000;
    return now;
}

inline qint64 testClock()
{
    return nowMs();
}

// Moves the channels' clock to the test's own.
struct TestClock {
    TestClock() { RunChannel::setWallClock(&testClock); }
    ~TestClock() { RunChannel::setWallClock(nullptr); }
    qint64 advance(qint64 ms) { return nowMs() += ms; }
    qint64 now() const { return nowMs(); }
};

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A live channel without filter: a value set is read back at once.
inline RunChannel* makeSource()
{
    return new RunChannel(0, QString(), 0, QString(), Quantity::None);
}

// A function whose arguments are bound to sources the test sets.
struct LiveRig {
    explicit LiveRig(Operator op, int sourceCount)
    {
        for (int i = 0; i < sourceCount; ++i) {
            sources.append(std::shared_ptr<RunChannel>(makeSource()));
            function.arguments[i]->setChannel(sources.last().get(), false);
        }
        function.setOperator(op);
    }
    // Sets source `index` now, with the clock's time stamp.
    void set(int index, double value) { sources[index]->setData(value, nowMs()); }
    void constant(int index, double value) { function.arguments[index]->setConstant(value, false); }
    // One live pass `ms` after the previous one.
    double step(qint64 ms = 10)
    {
        nowMs() += ms;
        function.update(nowMs());
        return function.getValue();
    }

    Function function;
    QList<std::shared_ptr<RunChannel>> sources;
};

// A recorded run: a main time base at `rate` samples per second and the
// recorded channels the test adds by their live key. Keeps the group lists the
// functions store.
class TestRun : public AbstractRunData
{
public:
    TestRun(int samples, double rate)
        : time(rate, QString(), QString(), Quantity::Time, samples, nullptr)
    {
        QList<double>* times = time.getRawData();
        for (int i = 0; i < samples; ++i)
            (*times)[i] = i / rate;
    }
    ~TestRun() override
    {
        for (const QList<VectorChannel*>& group : std::as_const(groups))
            qDeleteAll(group);
        qDeleteAll(recorded);
    }

    VectorChannel* getChannelByRunKey(const QString& key) const override
    {
        for (VectorChannel* vector : recorded) {
            if (vector->setup->runKey == key)
                return vector;
        }
        for (const QList<VectorChannel*>& group : groups) {
            for (VectorChannel* vector : group) {
                if (vector->setup->runKey == key)
                    return vector;
            }
        }
        return nullptr;
    }
    QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const override
    {
        return field == 7 ? QVariant(1450.0) : defaultValue;
    }
    const VectorChannel* getMainTimeVector() const override { return &time; }
    void setVectorGroup(ChannelId group, const QList<VectorChannel*>& vectors) override
    {
        qDeleteAll(groups.value(group));
        groups.insert(group, vectors);
        ++groupStores;
    }

    // A recorded channel whose live key is `key`, with the given samples.
    VectorChannel* addChannel(const QString& key, const QList<double>& samples)
    {
        ChannelSetup templateSetup;
        templateSetup.key = key;
        auto* vector = new VectorChannel(&templateSetup, time.samplingRate, &time);
        vector->setup->runKey = key;
        *vector->getRawData() = samples;
        recorded.append(vector);
        return vector;
    }

    QList<double> functionSamples(int index) const
    {
        const QList<VectorChannel*> group = groups.value(ChannelId_functions);
        return index < group.size() ? group.at(index)->rawSamples() : QList<double>();
    }

    VectorChannel time;
    QList<VectorChannel*> recorded;
    QMap<ChannelId, QList<VectorChannel*>> groups;
    int groupStores = 0;
};

} // namespace fixtures
