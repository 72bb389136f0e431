#pragma once

#include <QObject>

// A low-pass channel of the run thread's filter bank. Its cut-off follows a
// dyno setting whose editor lives in the GUI thread, so the new cut-off
// arrives through a queued call into the run thread.
class AbstractFilterBoxChannel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public Q_SLOTS:
    // Hz. Re-initialises the coefficients; the output is invalid until it has settled again.
    virtual void setFilterCutoffFrequency(double cutoffFrequency) = 0;
};
