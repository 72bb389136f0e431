#pragma once

#include "AbstractLogWriter.h"
#include "RunThread.h"
#include "SettingsFixture.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QPair>

#include <functional>
#include <memory>

// A writer that keeps what the run thread hands it, for the tests to read.
class RecordingLogWriter : public AbstractLogWriter
{
    Q_OBJECT
public:
    void init() override { initialized = true; }
    void runStopProcedure(QList<double>& markerTimes) override;

    void newFreqFrame(const FreqFrame& frame, unsigned char input) override;
    void newLoadCellFrame(const loadCellFrame_t&) override { count("loadCell"); }
    void newLoadCellFrameV2(const loadCellFrameV2_t&) override { count("loadCellV2"); }
    void newAccControllerOutFrame(const speedControllerOutFrame_t&) override { count("accOut"); }
    void newSpeedControllerOutFrame(const speedControllerOutFrame_t&) override { count("speedOut"); }
    void newTorqueControllerOutFrame(const torqueControllerOutFrame_t&) override { count("torqueOut"); }
    void newAINControllerOutFrame(const ainControllerOutFrame_t&) override { count("ainOut"); }
    void newAccControllerSPFrame(const speedControllerSPFrame_t& frame) override;
    void newSpeedControllerSPFrame(const speedControllerSPFrame_t&) override { count("speedSP"); }
    void newTorqueControllerSPFrame(const torqueControllerSPFrame_t&) override { count("torqueSP"); }
    void newAINControllerSPFrame(const ainControllerSPFrame_t&) override { count("ainSP"); }
    void newPidDetailsFrame(const pidDetailsFrameV2_t&) override { count("pidDetails"); }
    void newAinFrame(const ainFrame_t&, int index) override { count(index ? "ain1" : "ain0"); }
    void newTcFrame(const hpAinFrame_t&) override { count("tc"); }
    void newCANFrame(const canFrame_t& frame) override;

    void slot_newAmbientFrame(const ambientFrame_t&) override { count("ambient"); }
    void slot_newChannelData(double data, qint64 timestamp) override;
    void slot_newAudioBuffer_1(const AudioBlock&) override {}
    void slot_newAudioBuffer_2(const AudioBlock&) override {}
    void slot_newSerialInputDeviceData(double, uint16_t, qint64) override {}
    void slot_newModbusData(double, uint16_t, qint64) override {}
    void slot_newUDSInputData(double, uint16_t, qint64) override {}

    int records(const char* kind) const;
    QList<canFrame_t> canFrames() const;
    QList<speedControllerSPFrame_t> accSetPoints() const;
    // Samples of live channels: (sender, value, time).
    struct Sample {
        QObject* channel;
        double value;
        qint64 time;
    };
    QList<Sample> channelSamples() const;
    int stops() const;
    QList<double> storedMarkers() const;
    void clear();

private:
    void count(const char* kind);
    mutable QMutex mutex;
    QHash<QByteArray, int> counts;
    QList<canFrame_t> can;
    QList<speedControllerSPFrame_t> acc;
    QList<Sample> samples;
    QList<double> markers;
    int stopCount = 0;
};

// A board with its dyno settings (SettingsFixture) and a run thread on it
// with a recording writer. Blocks are fed by the test unless the thread reads
// the link (`takeBlocksFromLink`).
class RunThreadFixture
{
public:
    explicit RunThreadFixture(int deviceCode, bool takeBlocksFromLink = false);
    ~RunThreadFixture();

    bool start();
    // Runs `work` in the run thread and waits for it.
    void inRunThread(const std::function<void()>& work);
    // One input block, decoded in the run thread.
    void feed(const QList<QPair<int, uint32_t>>& frames);
    // Starts a run and lets the (fed) echo synchronise it.
    void startLoggingRun();
    void setSetting(DynoSettingId id, int channel, const QVariant& value);
    static double channel(ChannelId id, int index = 0);

    SettingsFixture settings;
    std::unique_ptr<RunThread> thread;
    RecordingLogWriter* writer = nullptr;
    QStringList endings;
};
