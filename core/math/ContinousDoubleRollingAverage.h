#pragma once
// Moving average over a fixed number of samples with a running sum: constant
// time per sample. Answers NaN until the window is full; a non-finite sample
// empties it.

#include <QList>

class ContinousDoubleRollingAverage
{
public:
    explicit ContinousDoubleRollingAverage(int size);
    ~ContinousDoubleRollingAverage();
    ContinousDoubleRollingAverage(const ContinousDoubleRollingAverage&) = delete;
    ContinousDoubleRollingAverage& operator=(const ContinousDoubleRollingAverage&) = delete;

    double addData(double x);
    void reset();

    // Two box averages (forward over n/2 + 1, backward over (n + 1)/2 samples)
    // that together weight n samples without shifting the signal.
    static void filterVector(QList<double>* data, int n);
    static void filterVectorToOther(const QList<double>* in, QList<double>* out, int n);

private:
    double* m_buffer = nullptr; // null when its allocation failed: the average then answers NaN
    double m_sum = 0.0;
    int m_count = 0;
    int m_index = 0;
    int m_size = 1;
};
