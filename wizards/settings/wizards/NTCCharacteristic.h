#pragma once

// An NTC thermistor by three temperature (K) / resistance (Ω) points, and the
// pull-up resistor (Ω) it was wired with.
struct NTCCharacteristic {
    double T1 = 0.0;
    double R1 = 0.0;
    double T2 = 0.0;
    double R2 = 0.0;
    double T3 = 0.0;
    double R3 = 0.0;
    double pullUp = 0.0;
};
