#pragma once

#include <QList>
#include <QString>

// A prescribed speed over time for the road simulation, read from text: the
// title, the description (speeds in mph when it says "mph", else km/h), then
// one "time speed" pair a line. Unreadable and non-finite numbers count as 0;
// times are kept as they stand.
class DriveCycle
{
public:
    // A cycle longer than this would need an unreasonable grid.
    static constexpr double maxDuration = 24 * 3600.0;

    // False with `error` set when the text is refused; the cycle is then unchanged.
    bool parse(const QString& text, QString* error = nullptr);
    bool isEmpty() const { return times.isEmpty(); }

    // The tolerance band around a target speed x (m/s): absolute a (m/s) and
    // relative r (fraction).
    static void lowHigh(double x, double a, double r, double& low, double& high);
    // The cycle resampled at 10 Hz (t = i / 10 for i below last time · 10)
    // and the band around it, widened by the time tolerance tau (s); the
    // largest finite high is returned (0 without any).
    double computeBand(double a, double r, double tau);

    QString title;
    QString description;
    QList<double> times;  // s
    QList<double> speeds; // m/s

    QList<double> gridTimes;
    QList<double> gridSpeeds;
    QList<double> gridLow;
    QList<double> gridHigh;
};
