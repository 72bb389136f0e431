#pragma once
// Values of several y vectors over one shared x vector at a given x, with a
// remembered forward-only position (drive cycles, log playback). The ends hold:
// before the first x every vector's first value, beyond the last its last.

#include <QList>

class MultiVectorResampler
{
public:
    // Borrows x and the y vectors; call reset() after they change.
    MultiVectorResampler(const QList<double>* x, QList<const QList<double>*> ys);

    void reset();
    // One value per y vector, in the order of ys; NaN for each when the data
    // is empty.
    QList<double> getSamples(double x);

private:
    const QList<double>* m_x;
    QList<const QList<double>*> m_ys;
    int m_last = -1;
    int m_position = 0;
};
