#pragma once
// Places a value on a bin axis (ascending bin centres) and tells where inside
// its bin it lies. Bin boundaries are the midpoints between centres; a value
// exactly on a midpoint belongs to the upper bin. Values below the first or
// above the last centre belong to no bin: callers drop them first.

#include <QList>

class BinFinder
{
public:
    // Borrows the axis. Returns true when the axis is empty.
    bool init(const QList<double>* axis);
    // Call after the axis changed. Returns true when it is empty (callers
    // then skip the sample).
    bool recheckBins();
    int findBin(double x);
    // 0 at the current bin's centre, up to +-0.5 at its boundaries; +-inf
    // beyond the outer centres of the first and last bin.
    float getBinRelativePosition(double x) const;

private:
    const QList<double>* m_axis = nullptr;
    int m_current = 0;
    int m_last = -1;
};
