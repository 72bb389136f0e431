#pragma once

#include <QString>
#include <QtGlobal>

// What the simulated BME280 measures, and its factory trimming. The program
// reads the conditions from the environment variable ZEMBO_SIM_BME280, a
// comma-separated list of key=value pairs, for example
// "temperature=31.5,pressure=97200,humidity=62" or "absent=1". Keys:
//   temperature  °C, default 20
//   pressure     Pa, default 101325
//   humidity     % relative humidity, default 45
//   absent       1: no chip answers on the bus (every byte reads 0xFF)
// Values outside the chip's range are kept, so the program's checks of
// implausible readings can be exercised.
struct SimulatedBme280Config {
    double temperature = 20.0;
    double pressure = 101325.0;
    double humidity = 45.0;
    bool absent = false;

    // The trimming words in the chip's register order (0x88..0xA1, 0xE1..0xE7),
    // the values of a typical part.
    quint16 t1 = 28009;
    qint16 t2 = 25654;
    qint16 t3 = 50;
    quint16 p1 = 39145;
    qint16 p2 = -10750;
    qint16 p3 = 3024;
    qint16 p4 = 5667;
    qint16 p5 = -120;
    qint16 p6 = -7;
    qint16 p7 = 9900;
    qint16 p8 = -10230;
    qint16 p9 = 4285;
    quint8 h1 = 75;
    qint16 h2 = 362;
    quint8 h3 = 0;
    qint16 h4 = 313; // 12 bits, signed
    qint16 h5 = 50;  // 12 bits, signed
    qint8 h6 = 30;

    // Parses the list over the defaults; an unknown key or a bad value is an
    // error (the text names it) and leaves the defaults in place.
    static SimulatedBme280Config fromString(const QString& text, QString* error = nullptr);
    static SimulatedBme280Config fromEnvironment();
};
