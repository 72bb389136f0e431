#pragma once

#include "SimulatedUsbSerialChipConfig.h"

#include <libusb-1.0/libusb.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class SimulatedSerialPeer;
class SimulatedLoopbackPeer;

// One simulated USB-serial chip on the SimulatedUsbSerialBus: descriptors,
// strings, one serial port per interface, the vendor requests of such chips
// (recorded, and decoded where they change the port), bulk-IN packets that
// start with two status bytes, bulk OUT to the serial peer, and the faults
// tests inject. All state is guarded by the bus's lock; every public method
// takes it, so tests may call them from any thread.
class SimulatedUsbSerialChip
{
public:
    using Clock = std::chrono::steady_clock;

    struct ControlRecord
    {
        uint8_t requestType;
        uint8_t request;
        uint16_t value;
        uint16_t index;
        std::vector<uint8_t> data; // OUT: what the host sent; IN: what it got
        bool operator==(const ControlRecord& o) const
        {
            return requestType == o.requestType && request == o.request && value == o.value && index == o.index
                && data == o.data;
        }
    };
    struct BulkOutRecord
    {
        int port;
        std::vector<uint8_t> data; // empty: a zero-length packet
    };
    struct InSubmission
    {
        int port;
        int length;
        unsigned int timeoutMs;
    };
    // What the host last set on one serial port.
    struct PortState
    {
        uint16_t divisor = 0x4138;
        uint16_t divisorIndex = 0;
        double baud = 9600;
        uint16_t lineControl = 8;
        uint16_t flowControl = 0;
        uint8_t xon = 0, xoff = 0;
        bool dtr = false, rts = false;
        uint16_t eventChar = 0, errorChar = 0;
        uint8_t latencyMs = 16;
        uint8_t bitMask = 0, bitMode = 0;
    };

    SimulatedUsbSerialChip(const SimulatedUsbSerialChipConfig& config, std::mutex& busLock,
                           std::condition_variable& busWake);
    ~SimulatedUsbSerialChip();

    const SimulatedUsbSerialChipConfig& config() const { return m_config; }

    // Observation.
    std::vector<ControlRecord> controlRequests() const;
    std::vector<BulkOutRecord> bulkOut() const;
    std::vector<InSubmission> inSubmissions() const;
    void clearRecords();
    PortState portState(int port) const;
    int clearHaltCount() const;
    int resetCount() const;
    int claimedInterfaces() const; // bit mask over all handles
    int openHandles() const;
    int pendingInTransfers() const;

    // Serial side.
    void attachPeer(int port, SimulatedSerialPeer* peer); // nullptr: no plug
    void sendFromPeer(int port, const std::vector<uint8_t>& bytes);
    void setModemLines(int port, uint8_t modemStatus);     // high nibble: CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80
    void injectLineError(int port, uint8_t lineBits);      // carried by the next packet of the port
    // The next IN transfer of the port completes with exactly these bytes.
    void queueRawTransfer(int port, const std::vector<uint8_t>& bytes);

    // Faults.
    void setSilent(bool silent);                 // no packets at all: transfers time out
    void injectStall(int port);                  // the IN endpoint halts until cleared
    void injectOverflow(int port);               // the next IN transfer completes with overflow
    void setShortControlData(bool on);           // IN control requests return one byte less
    void setRefusedRequest(int bRequest);        // that request stalls (-1: none)
    void setOutputNotTaken(bool on);             // bulk OUT takes nothing until the time-out
    void setSlowCancellation(int ms);            // cancellations complete that much later
    void setSubmitError(int libusbError);        // every IN submission fails so (0: none)
    void setKernelDriverAttached(int interfaceNumber, bool attached);
    void setHeldElsewhere(int interfaceNumber, bool held); // another program has claimed it

private:
    friend class SimulatedUsbSerialBus;
    struct PendingIn
    {
        libusb_transfer* transfer = nullptr;
        Clock::time_point submitted{};
        int filled = 0;
        bool cancelled = false;
        Clock::time_point cancelDue{};
    };
    struct Port
    {
        PortState state;
        std::deque<PendingIn> inQueue;
        std::deque<uint8_t> rx;
        std::deque<std::vector<uint8_t>> raw;
        Clock::time_point lastPacket;
        uint8_t modem = 0x30;
        uint8_t lineErrors = 0;
        bool halted = false;
        int overflows = 0;
        bool kernelDriver = false;
        bool heldElsewhere = false;
        SimulatedSerialPeer* peer = nullptr;
    };

    // Called by the bus with its lock held.
    libusb_config_descriptor* makeConfigDescriptor() const;
    static void destroyConfigDescriptor(libusb_config_descriptor* config);
    int portOfEndpoint(unsigned char endpoint) const;
    int portOfIndex(uint16_t wIndex) const;
    bool lineMatchesLocked(int port) const;
    int controlLocked(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, unsigned char* data,
                      uint16_t length);
    int submitLocked(libusb_transfer* transfer, Clock::time_point now);
    bool cancelLocked(libusb_transfer* transfer, Clock::time_point now);
    // Moves finished IN transfers to `done` and lowers `nextWake` to the time
    // something is due next.
    void collectLocked(Clock::time_point now, std::vector<libusb_transfer*>& done, Clock::time_point& nextWake);
    void unplugLocked();

    SimulatedUsbSerialChipConfig m_config;
    std::mutex& m_lock;
    std::condition_variable& m_wake;
    std::vector<Port> m_ports;
    std::vector<SimulatedLoopbackPeer*> m_ownPeers;
    bool m_plugged = true;
    bool m_silent = false;
    bool m_shortControl = false;
    int m_refused = -1;
    bool m_outputNotTaken = false;
    int m_slowCancelMs = 0;
    int m_submitError = 0;
    int m_claimed = 0;
    int m_openHandles = 0;
    int m_clearHalts = 0;
    int m_resets = 0;
    std::vector<ControlRecord> m_control;
    std::vector<BulkOutRecord> m_bulkOut;
    std::vector<InSubmission> m_inSubmissions;
};
