#include "ChannelFrameSorting.h"

#include <vector>

void sortChannelFrames(const QList<channelFrame_t>& frames, const QList<int>& seriesPerGroup,
                       QList<QList<QList<double>>>* times, QList<QList<QList<double>>>* values)
{
    times->clear();
    values->clear();
    // Flat index of each id's series (-1: not in the model).
    std::vector<int> slotOfId(65536, -1);
    int seriesTotal = 0;
    for (int group = 0; group < seriesPerGroup.size() && group < 256; ++group)
        for (int series = 0; series < seriesPerGroup.at(group) && series < 256; ++series)
            slotOfId[size_t(group * 256 + series)] = seriesTotal++;

    std::vector<qsizetype> counts(size_t(seriesTotal), 0);
    for (const channelFrame_t& frame : frames) {
        const int slot = slotOfId[frame.id];
        if (slot >= 0)
            ++counts[size_t(slot)];
    }

    std::vector<double*> timeOut(size_t(seriesTotal), nullptr);
    std::vector<double*> valueOut(size_t(seriesTotal), nullptr);
    int slot = 0;
    for (int group = 0; group < seriesPerGroup.size() && group < 256; ++group) {
        const int n = std::min(seriesPerGroup.at(group), 256);
        times->append(QList<QList<double>>(n));
        values->append(QList<QList<double>>(n));
        QList<QList<double>>& t = times->last();
        QList<QList<double>>& v = values->last();
        for (int series = 0; series < n; ++series, ++slot) {
            t[series].resize(counts[size_t(slot)]);
            v[series].resize(counts[size_t(slot)]);
            timeOut[size_t(slot)] = t[series].data();
            valueOut[size_t(slot)] = v[series].data();
        }
    }
    for (const channelFrame_t& frame : frames) {
        const int s = slotOfId[frame.id];
        if (s < 0)
            continue;
        *timeOut[size_t(s)]++ = frame.timestamp * 0.001;
        *valueOut[size_t(s)]++ = frame.value;
    }
}
