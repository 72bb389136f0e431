#pragma once
// Moving average that sums its window when asked and can change the window
// while keeping the newest samples. A NaN sample stays in the window (and
// makes the average NaN) until it leaves it; an infinite one empties it.

class DoubleRollingAverage
{
public:
    explicit DoubleRollingAverage(int size);
    ~DoubleRollingAverage();
    DoubleRollingAverage(const DoubleRollingAverage&) = delete;
    DoubleRollingAverage& operator=(const DoubleRollingAverage&) = delete;

    void addData(double x);
    double getAverage() const;
    void reset();
    void setFilterSize(int size);

private:
    static double* allocate(int size);

    double* m_buffer = nullptr; // null when its allocation failed: the average then answers NaN
    int m_count = 0;
    int m_index = 0;
    int m_size = 1;
};
