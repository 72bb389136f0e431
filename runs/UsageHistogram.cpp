#include "UsageHistogram.h"

#include <algorithm>
#include <numeric>

void UsageHistogram::add(const QList<double>& speed, const QList<double>& power)
{
    const qsizetype n = std::min(speed.size(), power.size());
    for (qsizetype i = 0; i < n; ++i)
        addSample(speed.at(i), power.at(i));
}

uint64_t UsageHistogram::total() const
{
    return std::accumulate(counts.begin(), counts.end(), uint64_t{0});
}
