#include "RoadLoad.h"

#include <cmath>
#include <limits>

RoadLoad RoadLoad::compute(double v, double F, double cx, double area, double mass, double extraMass,
                           double rollingCoefficient, double hillAngle)
{
    RoadLoad load;
    load.air = float(cx * 0.55 * area * v * v);
    load.rolling = float(mass * rollingCoefficient * 9.81 * std::cos(hillAngle));
    load.hill = float(mass * 9.81 * std::sin(hillAngle));
    const double total = mass + extraMass;
    load.target = (F - double(load.air) - double(load.rolling) - double(load.hill)) / total;
    // No mass: nothing finite to ask of the absorber, and an infinite target
    // must never reach the brake-controller thread.
    if (!std::isfinite(load.target))
        load.target = std::numeric_limits<double>::quiet_NaN();
    return load;
}
