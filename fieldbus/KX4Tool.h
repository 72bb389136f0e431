#pragma once

#include "FrameRecords.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QDoubleSpinBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QTimer;

// Commands of a 0x160 frame (byte 4).
enum class KX4Register : uint8_t {
    echo = 1,
    firmwareText = 3,
    firmwarePageStart = 4,
    firmwareData = 5,
    firmwareUpdateEnd = 6,
    enterFirmwareUpdate = 8,
    scan = 10,
    talkingTo = 11,
    writeSetting = 12,
    readSetting = 13,
    fanTest = 15,
    tone = 16,
};

// Setting ids (byte 5 of commands 12 and 13 and of reply 13).
enum class KX4Setting : uint8_t {
    outputChannel = 1, // 0..7, shown as 1..8
    currentRange = 2,  // 0..4095 for 0..100 %
};

// The eight data bytes of a KX4 frame in frame order, the same layout both ways:
// 0-3 value (big-endian), 4 command or reply code, 5 setting id, 6 zero, 7 CRC-8.
struct KX4ConfigurationCanFrame {
    std::array<uint8_t, 8> bytes{};

    uint32_t value() const;
    void setValue(uint32_t value);
    uint8_t code() const { return bytes[4]; }
    // Tools::crc8 over bytes 0-6 (polynomial 0x1D, initial 0, MSB first).
    uint8_t computeCrc() const;
    bool crcValid() const { return computeCrc() == bytes[7]; }
};

// The KX4 tool: finds the KX4 power modules on one CAN bus of
// the controller, selects one by its serial number, assigns its output
// channel and current range, tests its fan and output, updates its firmware
// from ":/firmware-KX4/current" (in developer mode, theSettings.developerMode,
// from page 32 on), and plays tones for the MIDI test (playNote).
//
// Frames go out through McuThread::sendCanData on the tool's bus with
// identifier 0x160; replies (0x161) arrive in RunThread::signal_newCanFrameBatch.
// The module's pauses (51 ms after a setting, 50 ms + 32 × 4.16 ms + 51 ms per
// firmware page, 1 s and 2 s around an update, 500 µs between CAN-test
// frames) are kept by a timer instead of blocking the GUI thread: a sequence
// of sends and pauses runs step by step, and replies that arrive while one
// runs are handled when it ends, as if the pauses had blocked.
//
// Threads: GUI thread, except playNote and serialNumbers, which any thread
// may call (the MIDI test's worker): they read a copy of the listed serial
// numbers kept under a lock, and sending is thread-safe.
class KX4Tool : public QDialog
{
    Q_OBJECT
public:
    static constexpr uint32_t hostIdentifier = 0x160;
    static constexpr uint32_t moduleIdentifier = 0x161;
    static constexpr int headerSize = 136;

    // Opens the image, builds the dialog, starts a scan and shows itself.
    // Window title "KX4 Tool (CAN n)", n = canBus + 1.
    KX4Tool(QWidget* parent, int canBus);
    ~KX4Tool() override;

    // Tone on the module in `deviceRow` of the device list (from 0): selects
    // it (command 11), then sends command 16 with the tone word. Nothing is
    // sent for a row that is not listed; only command 11 for a duty outside
    // 0..1. Any thread.
    void playNote(int deviceRow, float frequencyHz, float durationS, float duty);
    // The tone word of command 16: (f × 10) << 16 | (duty × 255 & 0xFF) << 8
    // | (duration × 50 & 0xFF), single precision, truncated; duration capped
    // at 5.1 s. Only the low 16 bits of f × 10 are kept.
    static uint32_t toneWord(float frequencyHz, float durationS, float duty);
    // Serial numbers of the listed modules, in list order. Any thread.
    QList<quint32> serialNumbers() const;
    int canBus() const { return bus; }
    bool updateActive() const { return updateIsActive; }
    // True while a sequence of sends and pauses is running.
    bool busy() const;

    // Where frames and commits go: McuThread::sendCanData and a queued
    // McuThread::slot_commitWriteReg unless a test installs others. The
    // sender must be callable from any thread.
    using Sender = std::function<void(uint8_t bus, uint32_t identifier, const uint8_t* data8)>;
    static void setSender(Sender sender);
    static void setCommitter(std::function<void()> committer);
    // Scales every pause (1 by default; tests take 0 to run an update at once).
    static void setPauseScale(double scale);
    // Another image than ":/firmware-KX4/current" (tests).
    static void setImagePath(const QString& path);

    // Frame builders: zeros, the fields, byte 7, sent on the tool's bus.
    void writeReg(KX4Register command);
    void writeReg(KX4Register command, uint32_t value);
    void writeRegRaw(KX4Register command, uint32_t value);
    void writeSetting(KX4Setting id, uint32_t value);
    void getSetting(KX4Setting id);
    void writeConfigurationFrame(KX4ConfigurationCanFrame& frame);

    // True when it failed (no device selected).
    bool sendTalkingToMessage();
    void checkFirmware();
    void newInfoToLog(const QString& text);

    // The widgets, for tests and the MIDI window.
    QListWidget* deviceList = nullptr;
    QTextEdit* logPane = nullptr;
    QSpinBox* channelBox = nullptr;
    QDoubleSpinBox* currentRangeBox = nullptr;
    QPushButton* scanButton = nullptr;
    QPushButton* assignButton = nullptr;
    QPushButton* currentRangeButton = nullptr;
    QPushButton* fanButton = nullptr;
    QPushButton* outputButton = nullptr;
    QPushButton* upgradeButton = nullptr;

    QString imageVersionText() const { return imageVersion; }
    int imagePageSize() const { return pageSize; }
    int imagePageCount() const { return pageCount; }
    int currentPageIndex() const { return pageIndex; }

public Q_SLOTS:
    void slot_scanForDevices();
    void slot_assignToChannel();
    void slot_setCurrentRange();
    void slot_testFan();
    void slot_testPWM();
    void slot_testCAN();
    void slot_upgradeFirmware();
    void slot_responseTimeout();
    void slot_newDeviceSelection();
    void slot_newCanFrameBatch(QList<canFrame_t> canFrameBatch);

Q_SIGNALS:
    // An update ended (success or not).
    void signal_updateFinished(bool success);

private:
    void newCanFrame(const canFrame_t& frame);
    void checkDeviceInfo(const QString& text);
    void firmwareCRC(uint32_t value);
    void firmwareFlashError(uint32_t code);
    void sendPage();
    void sendFirmwarePage(uint32_t index, uint32_t size, const uint8_t* data);
    void updateEnd();
    void commit();
    void refreshSerialNumbers();
    void sendFrame(const KX4ConfigurationCanFrame& frame);

    // The step sequence standing in for blocking pauses.
    void then(std::function<void()> action);
    void pause(qint64 microseconds);
    void runSteps();
    void handlePendingFrames();

    struct Step {
        std::function<void()> action;
        qint64 pauseUs = 0;
    };

    const int bus;
    QFile image;
    QByteArray header;
    QString imageVersion;
    int pageSize = 0;
    int pageCount = 0;
    std::unique_ptr<uint8_t[]> pageBuffer;
    uint8_t checkByte = 0;
    int pageIndex = 0;
    bool noError = true;
    bool updateIsActive = false;
    QTimer* responseTimer = nullptr;
    QTimer* selectionTimer = nullptr;
    QString replyText;

    QList<Step> steps;
    QTimer* stepTimer = nullptr;
    QElapsedTimer stepClock;
    qint64 stepDueUs = 0;
    bool stepsRunning = false;
    bool inStepLoop = false;
    QList<canFrame_t> pendingFrames;

    mutable QMutex serialMutex;
    QList<quint32> serials;
};
