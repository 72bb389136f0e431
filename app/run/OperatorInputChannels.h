#pragma once

#include <QList>

class RunChannel;

// The operator input channels in row order, for the run thread to record. It
// asks at the run start, from its own thread: the list is read under the
// model's lock.
QList<RunChannel*> operatorInputChannelsForRecording();
