#pragma once

#include <QList>

#include <array>
#include <cstdint>

// How long the dyno ran at each road speed and wheel power: 50 speed bins of
// 2 m/s over 0..100 m/s by 150 power bins of 10 kW over 0..1500 kW, counting
// samples. Bounds are open: 0 and 100 m/s, 0 and 1500 kW count nowhere.
class UsageHistogram
{
public:
    static constexpr int kSpeedBins = 50;
    static constexpr int kPowerBins = 150;

    // Counts the pairs of samples both lists hold. Speed in m/s, power in W.
    void add(const QList<double>& speed, const QList<double>& power);
    void addSample(double speedMetresPerSecond, double powerWatts)
    {
        const double kilowatts = powerWatts * 0.001;
        // NaN fails both comparisons and is not counted.
        if (!(speedMetresPerSecond > 0.0 && speedMetresPerSecond < 100.0) || !(kilowatts > 0.0 && kilowatts < 1500.0))
            return;
        ++counts[static_cast<int>(speedMetresPerSecond * 0.5) * kPowerBins + static_cast<int>(kilowatts / 10.0)];
    }
    uint64_t count(int speedBin, int powerBin) const { return counts[speedBin * kPowerBins + powerBin]; }
    uint64_t total() const;
    void clear() { counts.fill(0); }

private:
    std::array<uint64_t, kSpeedBins * kPowerBins> counts{};
};
