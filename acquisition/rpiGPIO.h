#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class GpioChip;
class QTimer;

// The connectors of the dyno controller that the board running the program
// drives itself, through its own GPIO lines rather than through the MCU: four
// switch inputs (polled into "switch_%1_state" every 10 ms), four relays, four
// low-side outputs and the cooling fan.
//
// The one instance theRPIGPIO is made during static initialisation and opens
// "gpiochip4", else "gpiochip0" (an in-memory chip under ZEMBO_SIMULATE=1 and
// tests). Without a chip it stays inert: every operation does nothing. GUI
// thread only.
class rpiGPIO : public QObject
{
    Q_OBJECT
public:
    static constexpr int outputCount = 4;
    static constexpr unsigned switchLines[4] = {4, 5, 6, 7};
    static constexpr unsigned relayLines[4] = {22, 23, 24, 25};
    // In output order, which is not ascending.
    static constexpr unsigned lowSideLines[4] = {12, 17, 18, 13};
    static constexpr unsigned fanLine = 26;
    static constexpr const char* consumer = "dyno";

    rpiGPIO();
    ~rpiGPIO() override;

    // Requests the fan line as an output: on, or off in no-fan mode.
    void init(bool noFanMode);
    // Starts polling the switch inputs into their channels.
    void startSwitchUpdate();
    // Outputs 0..3; any other number is ignored.
    void setRelayOutput(uint8_t n, bool on);
    void setLSOutput(uint8_t n, bool on);
    void setInitialOutputState();
    // Outputs off, fan off unless it is to stay on, lines released, chip
    // closed. The object is inert afterwards.
    void appCloseProcedure();

    bool isEnabled() const { return enabled; }
    // The open chip, null when none could be opened or after the close.
    GpioChip* chip() const { return gpioChip.get(); }

    // Set by the settings page: the fan keeps running after the program ends.
    bool fanStaysOnAtExit = false;

public Q_SLOTS:
    void slot_updateSwitchState();

private:
    std::unique_ptr<GpioChip> gpioChip;
    QTimer* switchTimer = nullptr;
    bool enabled = false;
};

extern rpiGPIO theRPIGPIO;
