#include "OperatorInputChannels.h"

#include "InputChannel.h"
#include "InputChannelsModel.h"

#include <QMutexLocker>

QList<RunChannel*> operatorInputChannelsForRecording()
{
    QList<RunChannel*> channels;
    QMutexLocker lock(&theInputChannelsModel.listMutex);
    for (int row = 0; row < theInputChannelsModel.rowCount(); ++row)
        channels.append(theInputChannelsModel.input(row));
    return channels;
}
