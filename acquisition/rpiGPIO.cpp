#include "rpiGPIO.h"

#include <QDebug>

rpiGPIO theRPIGPIO;

void rpiGPIO::init()
{
    fanOn = true;
}

void rpiGPIO::startSwitchUpdate()
{
}

void rpiGPIO::setRelayOutput(int n, bool on)
{
    if (n >= 0 && n < 4)
        relayOutputs[n] = on;
}

void rpiGPIO::setLSOutput(int n, bool on)
{
    if (n >= 0 && n < 4)
        lowSideOutputs[n] = on;
}

void rpiGPIO::appCloseProcedure()
{
    for (int i = 0; i < 4; ++i) {
        relayOutputs[i] = false;
        lowSideOutputs[i] = false;
    }
    if (!fanAlwaysOn)
        fanOn = false;
    qDebug() << "GPIO outputs off";
}
