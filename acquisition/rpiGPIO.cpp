#include "rpiGPIO.h"

#include "Channels.h"
#include "GpioChip.h"
#include "HwInfo.h"
#include "RunChannel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QTimer>

rpiGPIO theRPIGPIO;

rpiGPIO::rpiGPIO()
{
    gpioChip = GpioChip::open(QStringLiteral("gpiochip4"));
    if (!gpioChip)
        gpioChip = GpioChip::open(QStringLiteral("gpiochip0"));
    // No chip: the fan and the outputs are simply not there, and nothing
    // else of the program depends on them.
    if (!gpioChip)
        return;
    // Failed requests leave the line unusable and are not reported; the
    // writes to it then fail quietly too.
    for (int n = 0; n < outputCount; ++n) {
        gpioChip->requestOutput(lowSideLines[n], consumer, 0);
        gpioChip->requestOutput(relayLines[n], consumer, 0);
        gpioChip->requestInput(switchLines[n], consumer, true);
    }
    enabled = true;
}

rpiGPIO::~rpiGPIO()
{
    // The timer belongs to the GUI thread's event loop; after the application
    // object is gone there is nothing left to stop it with.
    if (QCoreApplication::instance())
        delete switchTimer;
}

void rpiGPIO::init(bool noFanMode)
{
    if (gpioChip)
        gpioChip->requestOutput(fanLine, consumer, noFanMode ? 0 : 1);
}

void rpiGPIO::startSwitchUpdate()
{
    if (!enabled || switchTimer)
        return;
    switchTimer = new QTimer();
    connect(switchTimer, &QTimer::timeout, this, &rpiGPIO::slot_updateSwitchState);
    switchTimer->start(10);
}

void rpiGPIO::slot_updateSwitchState()
{
    if (!enabled || !theChannels.isInitialized())
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const int count = qMin(theHwInfo.switchInputs, outputCount);
    for (int i = 0; i < count; ++i) {
        RunChannel* channel = theChannels.getChannel(ChannelId_switchState, i);
        if (!channel)
            continue;
        // A failed read (-1) counts as an open switch.
        channel->setData(gpioChip->getValue(switchLines[i]) == 1 ? 1.0 : 0.0, now);
    }
}

void rpiGPIO::setRelayOutput(uint8_t n, bool on)
{
    if (!enabled || n >= outputCount)
        return;
    gpioChip->setValue(relayLines[n], on ? 1 : 0);
}

void rpiGPIO::setLSOutput(uint8_t n, bool on)
{
    if (!enabled || n >= outputCount)
        return;
    gpioChip->setValue(lowSideLines[n], on ? 1 : 0);
}

void rpiGPIO::setInitialOutputState()
{
    if (!enabled)
        return;
    for (int n = 0; n < outputCount; ++n)
        gpioChip->setValue(lowSideLines[n], 0);
    for (int n = 0; n < outputCount; ++n)
        gpioChip->setValue(relayLines[n], 0);
}

void rpiGPIO::appCloseProcedure()
{
    if (!gpioChip)
        return;
    setInitialOutputState();
    if (!fanStaysOnAtExit)
        gpioChip->setValue(fanLine, 0);
    for (int n = 0; n < outputCount; ++n) {
        gpioChip->release(switchLines[n]);
        gpioChip->release(relayLines[n]);
        gpioChip->release(lowSideLines[n]);
    }
    gpioChip->release(fanLine);
    gpioChip.reset();
    enabled = false;
    if (switchTimer)
        switchTimer->stop();
    qDebug() << "GPIO outputs off";
}
