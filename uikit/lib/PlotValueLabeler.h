#pragma once

#include <QString>

class QCPAxis;

// What a plot that owns a tracking line tells it about its axes: the text of a
// value (channel labels, units, decimals), and whether the key axis shows time.
// The RUN screen's time plot and the analysis plots implement it.
class PlotValueLabeler
{
public:
    virtual ~PlotValueLabeler() = default;
    virtual QString getValueLabel(const QCPAxis* axis, double value) = 0;
    // When the key axis shows time: the span given in its display unit, in
    // seconds, and true. False for any other quantity.
    virtual bool keySpanInSeconds(double span, double* seconds) const
    {
        Q_UNUSED(span);
        Q_UNUSED(seconds);
        return false;
    }
};
