#include "LogWriter.h"

#include "Hdf5Lock.h"
#include "LogDescriptor.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "RunFile.h"
#include "RunThread.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <H5PTpublic.h>

#include <cstring>

LogWriter::LogWriter(QObject* parent)
    : AbstractLogWriter(parent)
{
    for (hid_t& table : packetTables)
        table = -1;
    runFile = new RunFile(this);
    periodicFlushTimer = new QTimer(this);
    periodicFlushTimer->setInterval(periodicFlushInterval);
    connect(periodicFlushTimer, &QTimer::timeout, this, &LogWriter::slot_periodicFlush);
    batchTimer = new QTimer(this);
    batchTimer->setInterval(batchInterval);
    connect(batchTimer, &QTimer::timeout, this, &LogWriter::slot_writeBatches);

    // Allocated once: recording allocates nothing per record.
    size_t total = 0;
    for (const FrameDescriptor* descriptor : theLogDescriptor.frameDescriptors)
        total += descriptor->frameType->recordSize * batchCapacity;
    batchStorage = QByteArray(qsizetype(total), '\0');
    char* next = batchStorage.data();
    for (int id = 0; id < FrameIdCount; ++id) {
        batches[id].data = next;
        batches[id].recordSize = theLogDescriptor.frameDescriptors.at(id)->frameType->recordSize;
        next += batches[id].recordSize * batchCapacity;
    }
}

LogWriter::~LogWriter()
{
    quitClean();
}

void LogWriter::setStopInputs(const RunStopInputs& inputs)
{
    QMutexLocker locker(&stopInputsMutex);
    stopInputs = inputs;
    stopInputsGiven = true;
}

qint64 LogWriter::runStartTime() const
{
    return theRunThread ? theRunThread->runStartTime.load() : initTime;
}

void LogWriter::init()
{
    initialized.store(false, std::memory_order_relaxed);
    bool created = false;
    const auto publish = qScopeGuard([this, &created] { initialized.store(created, std::memory_order_release); });
    if (runFile->fileId >= 0) {
        qDebug() << "Run file still open at run start; closing it first";
        QList<double> none;
        runStopProcedure(none);
    }
    QDateTime now = QDateTime::currentDateTime();
    for (;;) {
        timestampName = now.toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
        filePath = theSettings.runsDir.filePath(timestampName + QStringLiteral(".h5"));
        if (!QFile::exists(filePath))
            break;
        // The name of a run is its start second: wait for the next free one.
        QThread::msleep(20);
        now = QDateTime::currentDateTime();
    }
    initTime = now.toMSecsSinceEpoch();
    {
        QMutexLocker locker(&stopInputsMutex);
        stopInputs = RunStopInputs();
        stopInputsGiven = false;
    }

    Hdf5Lock lock;
    runFile->fileName = filePath;
    H5check();
    runFile->fileId = H5Fcreate(QFile::encodeName(filePath).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    if (runFile->fileId < 0) {
        emit signal_error(tr("Can't create log file") + filePath);
        return;
    }

    const hid_t frames = H5Gcreate2(runFile->fileId, "/frames", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    for (int id = 0; id < FrameIdCount; ++id) {
        const FrameDescriptor* descriptor = theLogDescriptor.frameDescriptors.at(id);
        const FrameType* type = descriptor->frameType;
        const QByteArray name = descriptor->name.toUtf8();
        packetTables[id] = H5PTcreate(frames, name.constData(), type->compoundType,
                                      hsize_t(type->recordSize) * hsize_t(theLogDescriptor.chunkFactor), H5P_DEFAULT);
        if (packetTables[id] < 0) {
            qDebug().noquote() << "Error creating" << descriptor->name << "dataset";
            if (frames >= 0)
                H5Gclose(frames);
            quitClean();
            return;
        }
        const uint32_t samplingType = type->samplingType;
        const uint32_t samplingFrequency = type->samplingFrequency;
        runFile->createWriteScalarAttribute(packetTables[id], QStringLiteral("samplingType"), H5T_NATIVE_UINT32,
                                            &samplingType);
        runFile->createWriteScalarAttribute(packetTables[id], QStringLiteral("samplingFrequency"),
                                            H5T_NATIVE_UINT32, &samplingFrequency);
    }
    H5Gclose(frames);
    const hid_t runInfo = H5Gcreate2(runFile->fileId, "/runInfo", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    if (runInfo >= 0)
        H5Gclose(runInfo);

    const hid_t root = H5Gopen2(runFile->fileId, "/", H5P_DEFAULT);
    runFile->writeToDataset(root, QStringLiteral("logVersion"), QStringLiteral("zembo_1"));
    H5Gclose(root);

    const qint64 seconds = now.toSecsSinceEpoch();
    runFile->updateRunInfo(RunListFields::creationTimestamp, seconds);
    runFile->updateRunInfo(RunListFields::modificationTimestamp, seconds);
    runFile->updateRunInfo(RunListFields::lastAccessTimestamp, seconds);

    // What exists now is on disk before the first record arrives.
    H5Fflush(runFile->fileId, H5F_SCOPE_LOCAL);
    periodicFlushTimer->start();
    batchTimer->start();
    created = true;
}

void LogWriter::runStopProcedure(QList<double>& markerTimes)
{
    if (runFile->fileId < 0) {
        markerTimes.clear();
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    RunStopInputs inputs;
    {
        QMutexLocker locker(&stopInputsMutex);
        if (!stopInputsGiven)
            qDebug() << "Run stopped without the RUN tab's inputs; the run file keeps defaults";
        inputs = stopInputs;
        stopInputsGiven = false;
    }

    Hdf5Lock lock;
    runFile->writeAllDynoSettings(inputs.dynoSettings);
    runFile->writeAllProjectInfo(inputs.projectInfo);

    using namespace RunListFields;
    runFile->updateRunInfo(runLength, double(now - runStartTime()) / 1000.0);
    runFile->updateRunInfo(distance, inputs.distance);
    runFile->updateRunInfo(engineSpeedSource, inputs.engineSpeedSource);
    runFile->updateRunInfo(engineSpeedRatio, inputs.engineSpeedRatio.toDouble());
    runFile->updateRunInfo(enginePowerCorrectionStandard, inputs.powerCorrectionStandard);
    runFile->updateRunInfo(enginePowerCorrectionValue, inputs.correctionFactor);
    runFile->updateRunInfo(ambientTemperature, inputs.ambientTemperature);
    runFile->updateRunInfo(ambientPressure, inputs.ambientPressure);
    runFile->updateRunInfo(ambientHumidity, inputs.ambientHumidity);
    runFile->updateRunInfo(measuredWheelPower, inputs.wheelPowerMax);
    runFile->updateRunInfo(peakRoadSpeed, inputs.roadSpeedMax);
    runFile->updateRunInfo(comment, inputs.comment);
    runFile->updateRunInfo(name, inputs.name);
    runFile->updateRunInfo(createdWithSoftwareVersion, inputs.softwareVersion);
    runFile->updateRunInfo(type, inputs.runType);
    runFile->updateRunInfo(deviceCode, inputs.deviceCode);

    runFile->createFilesGroup();
    runFile->writeXMLSetup(QStringLiteral("canParserSetup"), inputs.canParserSetup);
    runFile->writeXMLSetup(QStringLiteral("functionsSetup"), inputs.functionsSetup);
    runFile->writeXMLSetup(QStringLiteral("inputChannelsSetup"), inputs.inputChannelsSetup);
    runFile->writeXMLSetup(QStringLiteral("serialInputDevicesSetup"), inputs.serialInputDevicesSetup);
    runFile->writeXMLSetup(QStringLiteral("modbusSetup"), inputs.modbusSetup);
    runFile->writeXMLSetup(QStringLiteral("miscChannelsDescriptor"), miscChannelsDescriptor);
    runFile->writeXMLSetup(QStringLiteral("udsChannelSetup"), inputs.udsChannelSetup);

    if (!inputs.lossModelAttached)
        runFile->updateDynoSetting(DynoSettingId_lossModel, QVariant::fromValue(QList<double>()), 0);

    // The markers of a recording are on all channels: one empty label each.
    runFile->updateMarkers(markerTimes, QList<QString>(markerTimes.size()));
    markerTimes.clear();
    quitClean();
}

void LogWriter::quitClean()
{
    // Stopped only when running: the destructor may run after the run thread ended.
    if (periodicFlushTimer->isActive())
        periodicFlushTimer->stop();
    if (batchTimer->isActive())
        batchTimer->stop();
    Hdf5Lock lock;
    if (runFile->fileId >= 0) {
        slot_writeBatches();
        for (int id = 0; id < FrameIdCount; ++id) {
            if (packetTables[id] < 0)
                continue;
            if (H5PTclose(packetTables[id]) != 0)
                qDebug().noquote() << "Error closing dataset" << theLogDescriptor.frameDescriptors.at(id)->name;
            packetTables[id] = -1;
        }
    }
    for (Batch& batch : batches)
        batch.count = 0;
    runFile->closeFile();
}

void LogWriter::slot_periodicFlush()
{
    if (runFile->fileId < 0)
        return;
    Hdf5Lock lock;
    slot_writeBatches();
    H5Fflush(runFile->fileId, H5F_SCOPE_LOCAL);
}

void LogWriter::slot_writeBatches()
{
    for (int id = 0; id < FrameIdCount; ++id) {
        if (batches[id].count > 0)
            writeBatch(id);
    }
}

void LogWriter::writeBatch(int id)
{
    Batch& batch = batches[id];
    Hdf5Lock lock;
    if (runFile->fileId >= 0 && H5PTappend(packetTables[id], batch.count, batch.data) < 0)
        runFile->handleLogFrameWriteError();
    batch.count = 0;
}

void LogWriter::append(FrameId id, const void* record)
{
    if (runFile->fileId < 0)
        return;
    Batch& batch = batches[id];
    memcpy(batch.data + batch.count * batch.recordSize, record, batch.recordSize);
    if (++batch.count == batchCapacity)
        writeBatch(id);
}

void LogWriter::appendDirect(FrameId id, const void* records, size_t count)
{
    if (runFile->fileId < 0)
        return;
    // Records already in the batch go first: the table keeps arrival order.
    if (batches[id].count > 0)
        writeBatch(id);
    Hdf5Lock lock;
    if (H5PTappend(packetTables[id], count, records) < 0)
        runFile->handleLogFrameWriteError();
}

void LogWriter::appendChannelFrame(FrameId id, double data, uint16_t sourceId, qint64 timestamp)
{
    const qint64 start = runStartTime();
    // A sample from before the run start is not part of the run; stored, it
    // would wrap to a time some 49 days later.
    if (timestamp < start)
        return;
    channelFrame_t frame;
    frame.value = data;
    frame.id = sourceId;
    frame.timestamp = uint32_t(timestamp - start);
    append(id, &frame);
}

void LogWriter::newFreqFrame(const FreqFrame& frame, unsigned char input)
{
    if (input < 6)
        append(static_cast<FrameId>(FrameId_freq_1 + input), &frame);
}

void LogWriter::newLoadCellFrame(const loadCellFrame_t& frame)
{
    append(FrameId_loadCell, &frame);
}

void LogWriter::newLoadCellFrameV2(const loadCellFrameV2_t& frame)
{
    append(FrameId_loadCellV2, &frame);
}

void LogWriter::newAccControllerOutFrame(const speedControllerOutFrame_t& frame)
{
    append(FrameId_accController, &frame);
}

void LogWriter::newSpeedControllerOutFrame(const speedControllerOutFrame_t& frame)
{
    append(FrameId_speedController, &frame);
}

void LogWriter::newTorqueControllerOutFrame(const torqueControllerOutFrame_t& frame)
{
    append(FrameId_torqueController, &frame);
}

void LogWriter::newAINControllerOutFrame(const ainControllerOutFrame_t& frame)
{
    append(FrameId_ainController, &frame);
}

void LogWriter::newAccControllerSPFrame(const speedControllerSPFrame_t& frame)
{
    append(FrameId_accControllerSP, &frame);
}

void LogWriter::newSpeedControllerSPFrame(const speedControllerSPFrame_t& frame)
{
    append(FrameId_speedControllerSP, &frame);
}

void LogWriter::newTorqueControllerSPFrame(const torqueControllerSPFrame_t& frame)
{
    append(FrameId_torqueControllerSP, &frame);
}

void LogWriter::newAINControllerSPFrame(const ainControllerSPFrame_t& frame)
{
    append(FrameId_ainControllerSP, &frame);
}

void LogWriter::newPidDetailsFrame(const pidDetailsFrameV2_t& frame)
{
    append(FrameId_pidDetailsV2, &frame);
}

void LogWriter::newAinFrame(const ainFrame_t& frame, int index)
{
    if (index == 0 || index == 1)
        append(index == 0 ? FrameId_ain : FrameId_ain_2, &frame);
}

void LogWriter::newTcFrame(const hpAinFrame_t& frame)
{
    append(FrameId_hpAin, &frame);
}

void LogWriter::newCANFrame(const canFrame_t& frame)
{
    append(FrameId_can, &frame);
}

void LogWriter::slot_newAmbientFrame(const ambientFrame_t& frame)
{
    append(FrameId_ambient, &frame);
}

void LogWriter::slot_newChannelData(double data, qint64 timestamp)
{
    const auto* channel = qobject_cast<const RunChannel*>(sender());
    appendChannelFrame(FrameId_channel, data, channel ? uint16_t(channel->uniqueId & 0xFFFF) : 0, timestamp);
}

void LogWriter::slot_newAudioBuffer_1(const AudioBlock& block)
{
    appendDirect(FrameId_audio_1, block.samples, AudioBlock::sampleCount);
}

void LogWriter::slot_newAudioBuffer_2(const AudioBlock& block)
{
    appendDirect(FrameId_audio_2, block.samples, AudioBlock::sampleCount);
}

void LogWriter::slot_newSerialInputDeviceData(double data, uint16_t id, qint64 timestamp)
{
    if (timestamp > runStartTime())
        appendChannelFrame(FrameId_serialInputChannel, data, id, timestamp);
}

void LogWriter::slot_newModbusData(double data, uint16_t id, qint64 timestamp)
{
    if (timestamp > runStartTime())
        appendChannelFrame(FrameId_modbus, data, id, timestamp);
}

void LogWriter::slot_newUDSInputData(double data, uint16_t id, qint64 timestamp)
{
    if (timestamp > runStartTime())
        appendChannelFrame(FrameId_udsInputChannel, data, id, timestamp);
}
