#pragma once

#include "AbstractLogWriter.h"
#include "FrameId.h"
#include "RunStopInputs.h"

#include <QMutex>

#include <hdf5.h>

class QTimer;
class RunFile;

// Records a run into a new run file while the run goes on: at start the file
// "yyyy-MM-dd_hh-mm-ss.h5" in the runs folder with its 30 packet tables, during
// the run every record of the decoder and of the other sources, at the end the
// dyno settings, project and run information, model setups, loss-model choice
// and markers. One instance, owned by the run thread and living in it, so all
// writing of a running run happens there.
//
// Records are collected per table and appended in batches, one packet-table
// append per table every batch interval (or when a table's batch is full):
// one append per record would cost the run thread far more for the same file.
// The file is flushed every few seconds while recording, so a crash or a
// power cut loses seconds, not the run. The run file's handle (RunFile) is a
// child: the writer's own base is the run thread's view of it.
class LogWriter : public AbstractLogWriter
{
    Q_OBJECT
public:
    explicit LogWriter(QObject* parent = nullptr);
    ~LogWriter() override;

    Q_INVOKABLE void init() override;
    void runStopProcedure(QList<double>& markerTimes) override;
    // Closes every open packet table and the file.
    void quitClean();

    // What the end of the run stores from the GUI thread; handed over by the
    // RUN tab before it asks the run thread to stop. Any thread.
    void setStopInputs(const RunStopInputs& inputs);

    void newFreqFrame(const FreqFrame& frame, unsigned char input) override;
    void newLoadCellFrame(const loadCellFrame_t& frame) override;
    void newLoadCellFrameV2(const loadCellFrameV2_t& frame) override;
    void newAccControllerOutFrame(const speedControllerOutFrame_t& frame) override;
    void newSpeedControllerOutFrame(const speedControllerOutFrame_t& frame) override;
    void newTorqueControllerOutFrame(const torqueControllerOutFrame_t& frame) override;
    void newAINControllerOutFrame(const ainControllerOutFrame_t& frame) override;
    void newAccControllerSPFrame(const speedControllerSPFrame_t& frame) override;
    void newSpeedControllerSPFrame(const speedControllerSPFrame_t& frame) override;
    void newTorqueControllerSPFrame(const torqueControllerSPFrame_t& frame) override;
    void newAINControllerSPFrame(const ainControllerSPFrame_t& frame) override;
    void newPidDetailsFrame(const pidDetailsFrameV2_t& frame) override;
    void newAinFrame(const ainFrame_t& frame, int index) override;
    void newTcFrame(const hpAinFrame_t& frame) override;
    void newCANFrame(const canFrame_t& frame) override;

    // Milliseconds between the flushes of a recording file.
    static constexpr int periodicFlushInterval = 2000;
    // Milliseconds between the batch appends, and records per table batch.
    static constexpr int batchInterval = 50;
    static constexpr size_t batchCapacity = 4096;

    RunFile* runFile = nullptr;
    hid_t packetTables[FrameIdCount];

public Q_SLOTS:
    void slot_newAmbientFrame(const ambientFrame_t& frame) override;
    void slot_newChannelData(double data, qint64 timestamp) override;
    void slot_newAudioBuffer_1(const AudioBlock& block) override;
    void slot_newAudioBuffer_2(const AudioBlock& block) override;
    void slot_newSerialInputDeviceData(double data, uint16_t id, qint64 timestamp) override;
    void slot_newModbusData(double data, uint16_t id, qint64 timestamp) override;
    void slot_newUDSInputData(double data, uint16_t id, qint64 timestamp) override;
    void slot_periodicFlush();
    // Appends every table's collected records.
    void slot_writeBatches();

private:
    // One record into its table's batch.
    void append(FrameId id, const void* record);
    void writeBatch(int id);
    void appendDirect(FrameId id, const void* records, size_t count);
    void appendChannelFrame(FrameId id, double data, uint16_t sourceId, qint64 timestamp);
    qint64 runStartTime() const;

    struct Batch {
        char* data = nullptr;
        size_t recordSize = 0;
        size_t count = 0;
    };
    Batch batches[FrameIdCount];
    QByteArray batchStorage;
    QTimer* periodicFlushTimer = nullptr;
    QTimer* batchTimer = nullptr;
    qint64 initTime = 0;
    QMutex stopInputsMutex;
    RunStopInputs stopInputs;
    bool stopInputsGiven = false;
};
