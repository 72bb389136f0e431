#pragma once

#include "SimulatedCanPeer.h"
#include "SimulatedControllerConfig.h"
#include "SimulatedPlant.h"
#include "SpiTransport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class SimulatedTestStream;

// Stand-in for the dyno controller's MCU behind "/dev/spidev1.0": our own model
// of its firmware, speaking the register protocol byte for byte.
//
// Full duplex as on the wire: what a transfer returns was queued before the
// controller saw that transfer's frames; replies to them leave with the next
// transfer. Everything happens inside transfer(): the model never sleeps and
// produces the frames due since the last call from a monotonic clock.
//
// The application answers the device-information request (revision, board
// code, version text), sends its serial number once the board runs batches,
// keeps configuration memory, latches every target register, echoes sync,
// answers CAN-bus status and self test, keeps user-page words (committed words
// survive in a file), records CAN frames the board sends and lets tests inject
// received ones. The bootloader takes pages, answers their check values and
// boots the new version at the end of an update. Data come from a SimulatedPlant.
//
// Thread-safe: the link thread transfers while tests inject and observe.
class SimulatedDynoController : public SpiTransport
{
public:
    struct TraceEntry {
        quint64 transfer = 0;    // running number of the transfer, from 1
        int transferBytes = 0;   // length of that transfer
        int slot = 0;            // frame position within it
        uint8_t reg = 0;
        uint32_t value = 0;      // big-endian value as on the wire
        std::array<uint8_t, 6> bytes{};
        bool crcOk = true;
    };
    struct SentCanFrame {
        int bus = 0;
        uint32_t identifier = 0;
        QByteArray data;
    };

    SimulatedDynoController(const SimulatedControllerConfig& config, const QString& userPageFile);
    ~SimulatedDynoController() override;

    int transfer(const unsigned char* tx, unsigned char* rx, int length) override;

    // The data source; the default is a SimulatedTestStream at the configured rate.
    void setPlant(std::unique_ptr<SimulatedPlant> plant);
    // The data source, for tests that compare with what really happens.
    SimulatedPlant* currentPlant() const { return plant.get(); }
    // Rate of the default test stream (frames per ms); no effect on another plant.
    void setStreamRate(int framesPerMs);

    // Fault injection.
    void setSilent(bool silent);
    // The n-th frame (from 1) of the next transfer that returns at least n
    // frames goes out with a wrong CRC.
    void corruptCrcOfFrame(int n);
    void reportOutputBufferFull();
    // Sent once per session, as the firmware does.
    void reportInputBufferFull();
    // The next frame from the board fails the controller's CRC check: dropped
    // and answered with the controller-side CRC error flag.
    void rejectNextBoardFrame();
    void setSyncEchoSuppressed(bool suppressed);
    void setBootloaderFaults(int flashErrorPage, int wrongCheckPage, int silentPage);
    // Queues frames towards the board (all in one go, so they leave together).
    void sendFrame(uint8_t reg, uint32_t value);
    void sendFrames(const QList<QPair<uint8_t, uint32_t>>& frames);
    void sendRawFrame(const unsigned char* frame);
    void injectCanFrame(int bus, uint32_t identifier, const unsigned char* data8, uint32_t timestamp);
    // A device on the CAN buses: it sees every frame the board sends and
    // may answer (see SimulatedCanPeer).
    void addCanPeer(std::shared_ptr<SimulatedCanPeer> peer);
    // Sets the bus states and reports them to the board at once.
    void setCanStatus(uint32_t bus0, uint32_t bus1);
    // The vehicle plant's load cells read beyond their range (no effect on another plant).
    void setLoadCellClipping(bool clipping);
    // Read requests of user-page words get no answer (writes still work).
    void setUserPageReadsUnanswered(bool unanswered);

    // Observation.
    void setTraceEnabled(bool enabled);
    QList<TraceEntry> trace() const;
    void clearTrace();
    QString runningVersion() const;
    bool inBootloader() const;
    bool configWord(uint32_t byteAddress, uint16_t channel, uint32_t* value) const;
    uint32_t target(uint8_t reg) const;
    // The newest frames the board sent (at most maxSentCanFrames).
    QList<SentCanFrame> sentCanFrames() const;
    static constexpr int maxSentCanFrames = 20000;
    bool userPageWord(uint8_t id, uint32_t* value) const;
    QList<int> flashedPages() const;
    int deviceInfoRequests() const;
    int syncRequests() const;
    quint64 framesDropped() const;
    quint64 transfers() const;

    static void encodeFrame(uint8_t reg, uint32_t value, unsigned char* out);
    static uint8_t frameCrc(const unsigned char* frame);

private:
    using Frame = std::array<uint8_t, 6>;
    class Sink;
    class CanBus;
    void receiveCanLocked(int bus, uint32_t identifier, const uint8_t* data8, uint32_t timestamp);

    int64_t nowUs() const;
    void advance(int64_t now);
    void push(uint8_t reg, uint32_t value);
    void pushRaw(uint8_t reg, const uint8_t* bytes4);
    void pushFrame(const Frame& frame);
    bool pop(Frame& frame);
    void clearQueue();
    void handle(uint8_t reg, const uint8_t* bytes, int64_t now);
    void handleApplication(uint8_t reg, uint32_t value, const uint8_t* bytes, int64_t now);
    void handleBootloader(uint8_t reg, uint32_t value, const uint8_t* bytes, int64_t now);
    void answerDeviceInfo();
    void finishPage();
    void bootApplication(int64_t now);
    void loadUserPage();
    void saveUserPage();

    mutable QMutex mutex;
    SimulatedControllerConfig config;
    QString userPageFile;
    QElapsedTimer clock;

    std::unique_ptr<SimulatedPlant> plant;
    SimulatedTestStream* testStream = nullptr;

    // Queue towards the board: the firmware's fixed transmit buffer.
    static constexpr int queueCapacity = 8192;
    std::vector<Frame> queue;
    int queueHead = 0;
    int queueSize = 0;
    bool overflowFlagPending = false;
    quint64 dropped = 0;

    bool bootloader = false;
    QString version;
    bool serialSent = false;
    bool inputFullReported = false;
    int64_t nextPerformanceUs = 0;
    int64_t selfTestDoneUs = -1;

    // Fault injection.
    int corruptFrame = 0;
    bool rejectNext = false;
    bool syncEchoSuppressed = false;
    bool userPageReadsUnanswered = false;
    int flashErrorPage = -1;
    int wrongCheckPage = -1;
    int silentPage = -1;

    // Application state.
    uint32_t configAddressLatch = 0;
    QHash<uint32_t, uint32_t> configMemory;
    std::array<uint32_t, 256> targets{};
    std::unique_ptr<QFile> targetLog;
    std::array<bool, 256> targetLogged{};
    uint32_t userPageLatch = 0;
    QMap<uint8_t, uint32_t> userPage;
    std::array<uint8_t, 8> canData{};
    QList<SentCanFrame> canSent;
    std::vector<std::shared_ptr<SimulatedCanPeer>> canPeers;
    int64_t canNowUs = 0;
    uint32_t canStatus[2] = {1, 1};
    int deviceInfoCount = 0;
    int syncCount = 0;

    // Bootloader state.
    int pageIndex = -1;
    QByteArray pageData;
    QMap<int, QByteArray> flash;

    bool tracing = false;
    QList<TraceEntry> traceEntries;
    quint64 transferCount = 0;
};
