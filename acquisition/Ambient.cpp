#include "Ambient.h"

#include <QDebug>

Ambient::Ambient() = default;

void Ambient::initSensor()
{
    qDebug() << "Ambient sensor: no BME280 driver in this build";
}

int Ambient::getData(bme280_data*)
{
    if (!failureLogged) {
        failureLogged = true;
        qDebug() << "Ambient sensor: no reading";
    }
    return -1;
}

double Ambient::calculateCorrectionFactor(double, double, double, int, PowerCorrectionEngineType, double, double)
{
    return 1.0;
}
