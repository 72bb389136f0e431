#pragma once

#include "ChannelId.h"
#include "DynoRegister.h"
#include "DynoSettingId.h"
#include "FilterBox.h"
#include "FrameRecords.h"
#include "FreqInputSettings.h"
#include "IOReadings.h"
#include "RunThreadHooks.h"
#include "SpiDynoFrame.h"
#include "lib/FrequencyInputIds.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>

class AbstractLogWriter;
class DigitalFreqInputFrameProxy;
class EngineSpeedFrameProxy;
class McuThread;
class QTimer;
class RunChannel;

// The supplies the controller reports.
enum PowerInfoId : int {
    PowerInfoId_vccMcu = 0,
    PowerInfoId_external5V = 1,
    PowerInfoId_external12V = 2,
    PowerInfoId_external24V = 3,
    PowerInfoIdCount = 4
};

// The acquisition thread. Every 10 ms it takes the block of controller frames
// the MCU link has handed over and decodes it into live channel values, run
// records for the writer and CAN frame batches; it samples the filter bank and
// runs the roller, dyno and engine physics; it pushes the argument-driven dyno
// settings to the controller; and it carries the run: start, synchronisation
// with the controller, stop.
//
// Everything but the constructor runs in the thread itself (the object moves
// into it). The thread never waits for the GUI: a fatal error goes out as a
// queued notice and halts the thread's work until the GUI has shown it, so the
// GUI can always make blocking calls into this thread, also while it shuts down.
class RunThread : public QThread, public IOReadings
{
    Q_OBJECT
public:
    RunThread();
    ~RunThread() override;

    // The writer (not owned before, owned afterwards) moves into this thread.
    void setLogWriter(AbstractLogWriter* writer);
    AbstractLogWriter* logWriter = nullptr;

    // Where the input blocks come from; theMCUThread unless set (tests).
    void setInputSource(McuThread* link) { inputSource = link; useGlobalInputSource = false; }

    // True from the synchronised start of a run to its stop.
    std::atomic<bool> runActive{false};
    std::atomic<qint64> runStartTime{0};
    QString lastRunFilePath() const;

    // Connects the engine-speed vehicle parameter; the RUN tab calls it once the settings are ready.
    void connectDataSources();
    void stopPaThread();

    // Called in the run thread: shows the text through the main window and
    // ends the program once it has been closed.
    void raiseFatalError(const QString& message);
    // The main window calls this when the operator has closed the fatal error.
    void fatalErrorClosed();
    // How the program ends after a fatal error; qFatal by default. For tests.
    static void setProgramEnder(std::function<void(const QString&)> ender);
    bool halted() const { return fatalPending; }

    static RunThreadHooks hooks;

    // ---- decoding (run thread)
    void processBlock(const SpiDynoFrame* frames, int count);
    void processIncomingFrame(const SpiDynoFrame& frame);
    void checkPowerInfo(uint16_t millivolts, ::PowerInfoId id, const char* name, uint16_t nominalMillivolts,
                        int lowPercent, int highPercent);
    static bool isVoltageFaulty(uint16_t millivolts, uint16_t nominalMillivolts, int lowPercent, int highPercent);

    // ---- frequency inputs
    void freqFrameSplitter(FreqFrame frame, int slot);
    void toothCounter(const FreqFrame& frame, int slot);
    void sampleFreqData(qint64 now);
    // Announces a system alarm of the acquisition, at most once per type every
    // systemAlarmIntervalMs: a faulty input reports on every frame (load cells
    // every 2 ms), and the alarm field only needs to know that it goes on.
    void raiseSystemAlarm(int type);
    static constexpr qint64 systemAlarmIntervalMs = 250;
    void sampleEngineSpeedData(qint64 now);

    // ---- analog inputs and load cells
    void newAinData(const ainFrame_t& frame, int block);
    void newHpAinData(const hpAinFrame_t& frame);
    void newLoadCellData(const loadCellFrame_t& frame);
    void newLoadCellDataV2(const loadCellFrameV2_t& frame);
    void sampleAinData(qint64 now);
    void sampleHpAinData(qint64 now);
    void sampleLoadCellData(qint64 now);

    // ---- physics
    void propagateSpeedDataToRoller(int roller, double rotationalSpeed, double rotationalAcceleration, qint64 t);
    void calculateChannelsFromAllRollers(qint64 t);
    void calculateEnginePowerAndTorque(qint64 t);
    void updateSpeedRatio(double engineSpeed, qint64 t);
    // The roller speed a road-speed or engine-speed target asks for (brake controller).
    static double rollerRotSpeedFromDynoSpeed(double speed, RollerId roller);
    static double rollerRotSpeedFromEngineSpeed(double engineSpeed, RollerId roller);
    // Volts per count of the high-precision converter by input mode ("5V range"
    // to "250mV range"); mode 6, the K-type thermocouple, is degrees Celsius per
    // count. The I/O page converts with the same table.
    static constexpr double HPADCGains[7] = {0.0001875,   0.000125,     0.0000625, 0.00003125,
                                             0.000015625, 0.0000078125, 0.0625};
    static constexpr int HPADCThermocoupleMode = 6;
    // Loss power of a coefficient list at x: 0 below three coefficients, up to the fourth power.
    static double lossPolynomial(const QList<double>& coefficients, double x);

    // Re-reads the dyno settings the decoders and the physics use.
    void refreshSettings();

    // Pulses counted per MCU frequency slot since the program started.
    std::atomic<uint64_t> pulseCounts[6] = {};
    // Passes of the 10 ms input-buffer timer, so a watcher in another thread
    // can see the thread keep its pace.
    std::atomic<uint64_t> cycles {0};

    // What the I/O page reads (any thread; the run thread installs itself).
    uint64_t pulseCount(int mcuSlot) const override;
    uint16_t supplyMillivolts(int powerInfoId) const override;
    bool supplyWarningLogged(int powerInfoId) const override;
    double filterOutput(int group, int channel) const override;
    // The run's state as the tests and the I/O page see it.
    bool isSynced() const { return synced; }
    bool isLogging() const { return logging; }
    bool areDecodersReady() const { return decodersReady; }
    QList<double> markerTimes() const { return markers; }
    const QList<RunChannel*>& loggedMiscChannels() const { return miscChannelsToLog; }
    FilterBox& filters() { return filterBox; }
    DigitalFreqInputFrameProxy* freqInputProxy(int digitalInput) const;
    EngineSpeedFrameProxy* engineSpeedDecoder() const { return engineSpeedProxy; }
    int stoppedInputTimerCount() const;
    void addChannelIdToMiscChannelsToLog(ChannelId id);
    void sync();
    void deSync();

public Q_SLOTS:
    void slot_processInputBuffer();
    void slot_updateMcuArguments();
    void slot_sampleFilterBox();
    void slot_syncTimeout();
    void slot_settingsReady();
    void slot_startRun();
    void slot_stopRun();
    void slot_insertMarker();
    void slot_newEngineSpeedVPData(double engineSpeed, qint64 timestamp);
    void slot_stoppedMcuFreqInputCleanup();

protected:
    void run() override;

Q_SIGNALS:
    void signal_fatalError(const QString& message);
    void signal_error(const QString& message);
    void signal_systemAlarm(int type);
    void signal_newCanBus0Status(unsigned status);
    void signal_newCanBus1Status(unsigned status);
    void signal_newCanFrameBatch(QList<canFrame_t> canFrameBatch);
    void signal_userPageDataReceived(unsigned char wordId, unsigned data);
    // Asks the GUI to mark a new run on every RUN desktop.
    void signal_newRunStarted();

private:
    struct RollerSettings {
        int speedSource = 0;
        int supportRoller = 0;
        double inertia = 0.0;
        double diameter = 1.0;
        QList<double> lossModel;
    };
    struct LoadCellSettings {
        int roller = 0;
        int direction = 0;
        double a = 0.0;
        double b = 0.0;
        double voltageCheckLow = 0.0;
        double voltageCheckHigh = 0.0;
        int pgaGain = 7;
    };
    struct AinSettings {
        double calibration = 0.0;
        bool ratiometric = false;
    };
    struct HpAinSettings {
        int mode = 0;
        double calibration = 0.0;
    };

    void synced_();
    void setChannel(ChannelId id, int index, double value, qint64 now);
    double channelValue(ChannelId id, int index = 0) const;
    double rollerRadius(int roller) const;
    void updateMcuArgument(DynoSettingId id, DynoRegister firstRegister, int count);
    double characteristicAt(DynoSettingId id, int channel, double x) const;
    void connectChannelsToWriter(qint64 now);
    void disconnectChannelsFromWriter(qint64 now);
    McuThread* link() const;
    void restartStoppedInputTimers();

    // Timers.
    QTimer* stoppedInputTimers[6] = {};
    // Slots that had frames in the current block: their stopped-input timer
    // restarts once per block rather than once per frame.
    bool slotSawFrame[6] = {};
    QTimer* filterBoxTimer = nullptr;
    QTimer* syncTimer = nullptr;
    QTimer* inputBufferTimer = nullptr;
    QTimer* mcuArgumentsTimer = nullptr;

    // CAN frames of the current block.
    QList<canFrame_t> canFrameBatch;
    canFrame_t pendingCanFrame{};
    uint32_t canData0Latch = 0;
    uint32_t canData1Latch = 0;
    uint32_t userPageWordLatch = 0;

    // Written by the run thread only; atomics because the tests and the I/O
    // page read them from other threads (decodersReady is set last, so a
    // reader that sees it also sees the channel lists and timers made before).
    std::atomic<bool> synced{false};
    std::atomic<bool> decodersReady{false};
    QList<QMetaObject::Connection> sourceConnections;
    QList<RunChannel*> loggedInputChannels;

    FilterBox filterBox;
    QList<RunChannel*> miscChannelsToLog;
    // Written by the run thread only; atomics because the I/O page reads them.
    std::atomic<uint16_t> supplyMillivoltsNow[PowerInfoIdCount] = {};
    std::atomic<bool> supplyWarningActive[PowerInfoIdCount] = {};
    // Set once the filter bank has its channels: the bank's lists are not
    // touched after that, so other threads may read its outputs.
    std::atomic<bool> filtersBuilt{false};

    // Record assembly buffers: a record spread over several registers is
    // completed in place with whatever the other entries hold from before.
    ainFrame_t ainFrame{};
    hpAinFrame_t hpAinFrame{};
    ainControllerOutFrame_t ainControllerOutFrame{};
    speedControllerSPFrame_t speedControllerSPFrame{};
    speedControllerSPFrame_t accControllerSPFrame{};
    torqueControllerSPFrame_t torqueControllerSPFrame{};
    ainControllerSPFrame_t ainControllerSPFrame{};
    pidDetailsFrameV2_t pidDetailsFrame{};
    loadCellFrame_t loadCellFrame{};
    loadCellFrameV2_t loadCellFrameV2{};

    bool runStartPending = false;
    std::atomic<bool> logging{false};
    QList<double> markers;

    DigitalFreqInputFrameProxy* freqInputProxies[5] = {};
    EngineSpeedFrameProxy* engineSpeedProxy = nullptr;

    // Settings as the decoders and the physics read them (refreshSettings).
    FreqInputSettings freqSettings[6];
    RollerSettings rollerSettings[4];
    LoadCellSettings loadCellSettings[4];
    AinSettings ainSettings[12];
    HpAinSettings hpAinSettings[8];
    int dynoType = 1;
    int engineSpeedSource = 0;
    double engineSpeedRatio = 1.0;
    double slipEstimationCoefficient = 0.0;
    // The RUN tab's engine-speed panel offers the slip coefficient exactly
    // then (a roller dyno, engine speed calculated, no support roller); read
    // from the settings with the rest, so a changed source counts at once.
    bool slipEstimationAvailable = false;
    double dynoLossFromLoadFactor = 0.0;
    QList<double> internalLossModel;
    QList<double> speedLossModel;

    // When each system alarm type was last announced (ms, block time).
    qint64 lastSystemAlarm[4] = {};

    // Time of the block being decoded (ms since the epoch).
    qint64 blockTime = 0;

    McuThread* inputSource = nullptr;
    bool useGlobalInputSource = true;

    mutable QMutex pathMutex;
    QString lastPath;
    std::atomic<bool> fatalPending{false};
    QString fatalMessage;
};

extern RunThread* theRunThread;
