#include "AbstractObdInterface.h"

#include "ObdThread.h"

AbstractObdInterface::AbstractObdInterface(QObject* parent)
    : QObject(parent)
{
}

void AbstractObdInterface::slot_socketConnected()
{
    emit signal_connectedSignal(true);
}

void AbstractObdInterface::slot_socketDisconnected()
{
    emit signal_connectedSignal(false);
}

bool AbstractObdInterface::stopRequested()
{
    return theObdThread && theObdThread->isInterruptionRequested();
}
