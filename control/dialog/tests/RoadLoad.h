#pragma once

// The road load the road simulation puts on the vehicle: the forces a road
// would oppose at speed v, and the acceleration the vehicle would have there.
struct RoadLoad {
    float air = 0;     // N
    float rolling = 0; // N
    float hill = 0;    // N
    // (F − air − rolling − hill) / (m + extra mass), m/s²; NaN when a value
    // is not valid or the masses leave no finite result.
    double target = 0;

    // v (m/s) and F (N) measured; Cx, front surface A (m²), vehicle mass m
    // and extra equivalent mass (kg), rolling resistance coefficient and hill
    // angle (rad) set.
    static RoadLoad compute(double v, double F, double cx, double area, double mass, double extraMass,
                            double rollingCoefficient, double hillAngle);
};
