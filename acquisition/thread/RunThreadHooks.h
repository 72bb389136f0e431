#pragma once

#include <QList>
#include <QMetaObject>

#include <functional>

class AbstractLogWriter;
class RunChannel;

// What the run thread reaches in layers above its own: the operator input
// channels, the other recorded sources (audio capture, serial instruments,
// Modbus, UDS), the odometer and the RUN desktops. The main window fills these
// in at start-up; whatever is left empty is skipped.
struct RunThreadHooks {
    // The operator input channels in row order (logged like the misc channels).
    std::function<QList<RunChannel*>()> operatorInputChannels;
    // Called in the run thread once the run has synchronised, one per source
    // family (audio, UDS, Modbus and serial instruments): each connects its
    // sources to the writer and returns the connections, cut at the stop.
    using SourceConnector = std::function<QList<QMetaObject::Connection>(AbstractLogWriter* writer)>;
    QList<SourceConnector> connectSources;
    // The audio controllers: prepared once the settings are ready, flushed at
    // a run start, their capture threads stopped at shutdown.
    std::function<void()> audioInit;
    std::function<void()> audioFlush;
    std::function<void()> stopAudioCapture;
    // The odometer. Called from the run thread: the owner makes them safe
    // (for example by queued calls).
    std::function<void(qint64 runStartTime)> odometerRunStarted;
    std::function<void(double runSeconds)> odometerRunFinished;
    std::function<void(double speed, qint64 timestamp)> odometerSpeed;
    std::function<void(double acceleration)> odometerAcceleration;
};
