#pragma once

#include "DynoMode.h"
#include "DynoRegister.h"
#include "McuThreadFrameBuffer.h"
#include "SpiDynoFrame.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class FirmwareUpdaterWorker;
class QTimer;
class SpiTransport;

// Owns the SPI link to the MCU. Runs in a thread of its own at time-critical
// priority, pinned to CPU 3, and every millisecond exchanges frames with the
// MCU: it sends what any thread has queued and collects what the MCU sends.
// Control frames are handled here; data frames go in bulk to the run thread
// through a pair of input buffers. Until the MCU's firmware version is
// confirmed the link runs in single-frame mode and takes only control frames.
//
// The link never waits for the GUI: errors go out as queued notices, one at a
// time (see noticeClosed), and the link keeps exchanging frames meanwhile.
class McuThread : public QThread
{
    Q_OBJECT
public:
    enum class Notice { FatalError = 0, CrcError = 1, CrcErrorMcu = 2 };
    enum class FrameResult { Consumed, Store, CrcError };

    static constexpr int textCapacity = 256;

    // Without a transport the platform decides: the simulated controller under
    // ZEMBO_SIMULATE=1, otherwise "/dev/spidev1.0". A given transport is not owned.
    explicit McuThread(SpiTransport* transport = nullptr,
                       const QString& firmwareImagePath = QStringLiteral(":/firmware/current"));
    ~McuThread() override;

    // ---- queueing, from any thread
    void writeRegRaw(DynoRegister reg, uint32_t raw);
    void writeReg(DynoRegister reg, uint32_t value);
    void writeReg(DynoRegister reg) { writeReg(reg, 0); }
    void writeCachedReg(DynoRegister base, int index, float value);
    void setSetting(uint32_t address, uint32_t value, uint16_t channel);
    void setSettingFloat(uint32_t address, float value, uint16_t channel);
    void setDeviceMode(DynoMode mode);
    void setAbsorberLock(bool on);
    void readUserPageWord(UserPageWordId id);
    void writeUserPageWord(UserPageWordId id, uint32_t value);
    void sendCanData(uint8_t bus, uint32_t identifier, const uint8_t* data8);
    void getDeviceInfo();
    bool runSelfTest();
    int getTxBufferFill();
    void printStatistic();
    static uint8_t frameCrc(const SpiDynoFrame& frame) { return frame.computeCrc(); }

    // ---- link thread only (the firmware updater lives there)
    void sendFirmwarePage(uint32_t pageIndex, uint32_t length, const uint8_t* bytes);
    int writeReadFrameBatch(const SpiDynoFrame* batch, McuThreadFrameBuffer& input);
    FrameResult preprocessFrame(SpiDynoFrame& frame);
    void restartLoopTimer() { loopTimer.restart(); }
    // Sets firmwareConfirmed unless the board is one the program cannot drive.
    bool confirmFirmware();
    bool boardSupported() const { return !unsupportedBoard; }

    // ---- hand-over of received frames to the run thread
    // The buffer handed over, or nullptr. Read its first `count` frames, then
    // give it back with releaseInput.
    McuThreadFrameBuffer* acquireInput();
    void releaseInput(McuThreadFrameBuffer* buffer);

    // ---- notices
    // The handler of a notice calls this once the operator has closed its box.
    // Until then further notices wait (one box at a time). Closing a fatal
    // notice that ends the program ends it here.
    void noticeClosed(Notice notice);
    // How the program ends after a fatal error; qFatal by default. For tests.
    static void setProgramEnder(std::function<void(const QString&)> ender);

    SpiTransport* transport() const { return spi; }

    FirmwareUpdaterWorker* firmwareUpdater = nullptr;

    std::atomic<bool> polling{false};
    std::atomic<bool> firmwareConfirmed{false};
    std::atomic<bool> selfTestRunning{false};
    std::atomic<bool> deviceInfoPending{true};
    std::atomic<float> spiLoad{0.0f};
    std::atomic<float> peakSpiLoad{0.0f};
    std::atomic<uint8_t> mcuAverageLoad{0};
    std::atomic<uint8_t> mcuPeakLoad{0};

    McuThreadFrameBuffer inputBuffers[2];
    std::atomic<int> inputFillIndex{0};
    std::atomic<int> inputReadIndex{1};

    // Session statistics beyond the log (benchmarks, tests).
    std::atomic<quint64> inputFramesLost{0};
    std::atomic<quint64> outputFramesLost{0};
    std::atomic<quint64> framesReceived{0};
    std::atomic<qint64> peakLoopDelayUs{0};
    std::atomic<int> linkThreadId{0};

public Q_SLOTS:
    void slot_swapInputBuffer();
    void slot_swapOutputBuffer();
    void slot_commitWriteReg();
    void slot_processBuffers();
    void slot_startPolling();
    void slot_stopPollingWithoutBye();
    void slot_stopPolling();
    void slot_getDeviceInfoTimeout();
    void slot_commitUserPageWrite();

Q_SIGNALS:
    void signal_fatalError(const QString& message);
    void signal_firmwareVersionConfirmed();
    void signal_crcError();
    void signal_crcErrorMcu();
    void signal_firmwareUpdateCrc(uint32_t crc);
    void signal_firmwareUpdateFlashError();

protected:
    void run() override;

private:
    void appendFrame(const SpiDynoFrame& frame);
    void transferTick(bool fromTimer);
    void swapOutputBuffers();
    void commit();
    bool appendText(QString& text, const SpiDynoFrame& frame, QString* complete);
    void logTransferError(int result);
    void raiseNotice(Notice notice);
    void raiseFatal(const QString& message, bool endsProgram);
    void deliverNextNotice();
    void pinAndPrioritise();
    void logPeakLoad();

    SpiTransport* spi = nullptr;
    std::unique_ptr<SpiTransport> ownedTransport;

    SpiDynoFrame nullFrame{};
    SpiDynoFrameBatch nullBatch{};
    SpiDynoFrameBatch receiveBatch{};
    McuThreadFrameBuffer outputBuffers[2];
    int writeIndex = 0;
    int sendIndex = 1;
    QTimer* inputSwapTimer = nullptr;
    QTimer* outputSwapTimer = nullptr;
    QMutex queueMutex;
    QString debugText;
    QString deviceInfoText;
    QMutex canMutex;
    QMutex settingMutex;
    QMutex userPageMutex;
    int loadFrameCount = 0;
    qint64 loadWindowStart = 0;
    QTimer* processTimer = nullptr;
    QTimer* deviceInfoTimer = nullptr;
    qint64 loopDelayTotal = 0;
    qint64 loopDelayCount = 0;
    qint64 loopDelayMax = 0;
    QElapsedTimer loopTimer;

    // Board checks of the handshake.
    std::atomic<bool> unsupportedBoard{false};
    bool hardwareLocked = false;
    bool textOverflowLogged = false;

    // Loss reports: the first loss is logged, later ones only counted.
    std::atomic<bool> outputLossReported{false};
    bool inputLossReported = false;

    // Transfer errors are logged at most once a second.
    qint64 lastTransferErrorLog = -1;
    int suppressedTransferErrors = 0;

    // Notices: at most one out at a time; the others wait as pending bits.
    std::atomic<bool> noticeOpen{false};
    std::atomic<int> pendingNotices{0};
    QMutex fatalMutex;
    QStringList pendingFatalMessages;
    QString endingMessage;
    std::atomic<bool> programEnding{false};
    std::atomic<bool> shownFatalEndsProgram{false};
};

extern McuThread* theMCUThread;
