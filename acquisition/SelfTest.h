#pragma once

#include <QObject>

#include <cstdint>

class QTimer;

// Drives the controller's outputs and interfaces in fixed patterns so that a
// test bench, or someone watching the I/O page, can check them: analog
// outputs follow a 1 Hz sine, low-side and relay outputs pulse one after the
// other, frequency inputs switch capture modes and CAN frames with known data
// go out on each bus while the terminators are switched. It drives; it does
// not judge.
//
// Everything goes the way an operator's change would: through the dyno
// settings' editors (so the usual configuration writes reach the MCU), the
// link's CAN writes and the board GPIO. GUI thread.
class SelfTest : public QObject
{
    Q_OBJECT
public:
    explicit SelfTest(QObject* parent = nullptr);

    // The wall clock the patterns follow, in ms since the epoch; nullptr
    // restores the system clock. For tests.
    static void setClock(qint64 (*clock)());

    static constexpr uint8_t canFrameA[8] = {0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00};
    static constexpr uint8_t canFrameB[8] = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88};

    bool isRunning() const;

    uint32_t tickCount = 0;
    QTimer* gpioTimer = nullptr;
    QTimer* freqInTimer = nullptr;
    QTimer* aoutTimer = nullptr;
    QTimer* canTimer = nullptr;
    int relayCycles = 2;

public Q_SLOTS:
    void slot_aoutTick();
    void slot_canTick();
    void slot_freqInTick();
    void slot_gpioTick();
    void slot_enable(int enable);

private:
    void applyInitialSettings();
};
