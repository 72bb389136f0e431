#pragma once

#include "FrameRecords.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>

// The run thread's view of its run-file writer. The writer belongs to the runs
// layer above this one; it is handed to the run thread when the RUN panel
// creates it, and lives in the run thread from then on.
//
// The decoder calls the direct appends in the run thread while a run is
// logged; the other sources reach the slots through queued connections that
// the run thread makes when the run has synchronised and breaks at stop.
class AbstractLogWriter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Creates the file of a new run; afterwards `initialized` tells whether it exists.
    Q_INVOKABLE virtual void init() = 0;
    // Finishes and closes the run file. Takes the marker times (seconds since
    // the run start) that the run thread collected, and empties the list.
    virtual void runStopProcedure(QList<double>& markerTimes) = 0;

    // Direct appends, run thread only. `input` 0..5 is the frequency input,
    // `index` 0 or 1 the analog-input group.
    virtual void newFreqFrame(const FreqFrame& frame, unsigned char input) = 0;
    virtual void newLoadCellFrame(const loadCellFrame_t& frame) = 0;
    virtual void newLoadCellFrameV2(const loadCellFrameV2_t& frame) = 0;
    virtual void newAccControllerOutFrame(const speedControllerOutFrame_t& frame) = 0;
    virtual void newSpeedControllerOutFrame(const speedControllerOutFrame_t& frame) = 0;
    virtual void newTorqueControllerOutFrame(const torqueControllerOutFrame_t& frame) = 0;
    virtual void newAINControllerOutFrame(const ainControllerOutFrame_t& frame) = 0;
    virtual void newAccControllerSPFrame(const speedControllerSPFrame_t& frame) = 0;
    virtual void newSpeedControllerSPFrame(const speedControllerSPFrame_t& frame) = 0;
    virtual void newTorqueControllerSPFrame(const torqueControllerSPFrame_t& frame) = 0;
    virtual void newAINControllerSPFrame(const ainControllerSPFrame_t& frame) = 0;
    virtual void newPidDetailsFrame(const pidDetailsFrameV2_t& frame) = 0;
    virtual void newAinFrame(const ainFrame_t& frame, int index) = 0;
    virtual void newTcFrame(const hpAinFrame_t& frame) = 0;
    virtual void newCANFrame(const canFrame_t& frame) = 0;

    // Written by init in the run thread; read by the GUI after its blocking
    // call returns. init stores `initialized` last, whatever the outcome, so
    // a reader that has read the flag also sees the name and path.
    QString filePath;
    QString timestampName;
    std::atomic<bool> initialized{false};
    // One line per live channel logged into the table "channel" (apart from
    // the operator input channels): its id (low 16 bits of the unique id) in
    // decimal, ",", its key, "\n". Filled once by the run thread when the
    // settings are ready; stored with every run.
    QString miscChannelsDescriptor;

public Q_SLOTS:
    virtual void slot_newAmbientFrame(const ambientFrame_t& frame) = 0;
    // A live channel's sample; the channel is the sender.
    virtual void slot_newChannelData(double data, qint64 timestamp) = 0;
    virtual void slot_newAudioBuffer_1(const AudioBlock& block) = 0;
    virtual void slot_newAudioBuffer_2(const AudioBlock& block) = 0;
    virtual void slot_newSerialInputDeviceData(double data, uint16_t id, qint64 timestamp) = 0;
    virtual void slot_newModbusData(double data, uint16_t id, qint64 timestamp) = 0;
    virtual void slot_newUDSInputData(double data, uint16_t id, qint64 timestamp) = 0;

Q_SIGNALS:
    void signal_error(const QString& message);
};
