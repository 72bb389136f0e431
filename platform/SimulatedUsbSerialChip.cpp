#include "SimulatedUsbSerialChip.h"

#include "SimulatedLoopbackPeer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// One allocation holding a configuration descriptor and everything it points
// at, so the bus can free it as one block.
struct ConfigBlock
{
    libusb_config_descriptor config;
    libusb_interface interfaces[4];
    libusb_interface_descriptor settings[4];
    libusb_endpoint_descriptor endpoints[8];
};

bool wIndexCarriesPort(uint16_t bcdDevice)
{
    switch (bcdDevice >> 8) {
    case 0x05: case 0x07: case 0x08: case 0x09: case 0x10: case 0x15: case 0x16: case 0x18: case 0x19:
    case 0x24: case 0x25: case 0x28: case 0x29: case 0x30: case 0x31: case 0x32: case 0x33: case 0x35: case 0x36:
        return true;
    default:
        return false;
    }
}

// Rate of a divisor: 16-bit word (integer part, two sub-integer bits) plus
// the third fraction bit and the 12 MHz flag of the divisor index.
double decodeBaud(uint16_t value, unsigned index)
{
    const bool high = index & 2;
    const double reference = high ? 12e6 : 3e6;
    if (value == 0)
        return reference;
    if (high && value == 1)
        return 8e6;
    static const int eighths[2][4] = {{0, 4, 2, 1}, {3, 5, 6, 7}};
    const int n = value & 0x3FFF;
    const int s = value >> 14;
    const int x = index & 1;
    return reference / (n + eighths[x][s] / 8.0);
}

std::vector<uint8_t> scrambled(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> out(bytes);
    for (uint8_t& b : out)
        b = uint8_t(b * 5 + 0x33); // garbage; garbled twice (out and back) it stays garbage
    return out;
}
} // namespace

SimulatedUsbSerialChip::SimulatedUsbSerialChip(const SimulatedUsbSerialChipConfig& config, std::mutex& busLock,
                                               std::condition_variable& busWake)
    : m_config(config), m_lock(busLock), m_wake(busWake)
{
    m_config.interfaces = std::clamp(m_config.interfaces, 1, 4);
    m_ports.resize(size_t(m_config.interfaces));
    for (Port& p : m_ports) {
        p.lastPacket = Clock::now();
        if (m_config.peerBaud > 0) {
            auto* loop = new SimulatedLoopbackPeer(m_config.peerBaud);
            m_ownPeers.push_back(loop);
            p.peer = loop;
        }
    }
}

SimulatedUsbSerialChip::~SimulatedUsbSerialChip()
{
    for (SimulatedLoopbackPeer* p : m_ownPeers)
        delete p;
}

std::vector<SimulatedUsbSerialChip::ControlRecord> SimulatedUsbSerialChip::controlRequests() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_control;
}

std::vector<SimulatedUsbSerialChip::BulkOutRecord> SimulatedUsbSerialChip::bulkOut() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_bulkOut;
}

std::vector<SimulatedUsbSerialChip::InSubmission> SimulatedUsbSerialChip::inSubmissions() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_inSubmissions;
}

void SimulatedUsbSerialChip::clearRecords()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_control.clear();
    m_bulkOut.clear();
    m_inSubmissions.clear();
}

SimulatedUsbSerialChip::PortState SimulatedUsbSerialChip::portState(int port) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_ports.at(size_t(port)).state;
}

int SimulatedUsbSerialChip::clearHaltCount() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_clearHalts;
}

int SimulatedUsbSerialChip::resetCount() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_resets;
}

int SimulatedUsbSerialChip::claimedInterfaces() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_claimed;
}

int SimulatedUsbSerialChip::openHandles() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_openHandles;
}

int SimulatedUsbSerialChip::pendingInTransfers() const
{
    std::lock_guard<std::mutex> g(m_lock);
    int n = 0;
    for (const Port& p : m_ports)
        n += int(p.inQueue.size());
    return n;
}

void SimulatedUsbSerialChip::attachPeer(int port, SimulatedSerialPeer* peer)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_ports.at(size_t(port)).peer = peer;
}

bool SimulatedUsbSerialChip::lineMatchesLocked(int port) const
{
    const Port& p = m_ports[size_t(port)];
    if (!p.peer || (p.state.lineControl & 0x7FFF) != 0x0008)
        return false;
    const double peer = p.peer->baudRate();
    return peer > 0 && std::abs(p.state.baud - peer) <= 0.03 * peer;
}

void SimulatedUsbSerialChip::sendFromPeer(int port, const std::vector<uint8_t>& bytes)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        Port& p = m_ports.at(size_t(port));
        const std::vector<uint8_t> wire = lineMatchesLocked(port) ? bytes : scrambled(bytes);
        p.rx.insert(p.rx.end(), wire.begin(), wire.end());
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::setModemLines(int port, uint8_t modemStatus)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_ports.at(size_t(port)).modem = modemStatus & 0xF0;
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::injectLineError(int port, uint8_t lineBits)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_ports.at(size_t(port)).lineErrors |= lineBits;
}

void SimulatedUsbSerialChip::queueRawTransfer(int port, const std::vector<uint8_t>& bytes)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_ports.at(size_t(port)).raw.push_back(bytes);
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::setSilent(bool silent)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_silent = silent;
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::injectStall(int port)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_ports.at(size_t(port)).halted = true;
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::injectOverflow(int port)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_ports.at(size_t(port)).overflows++;
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::setShortControlData(bool on)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_shortControl = on;
}

void SimulatedUsbSerialChip::setRefusedRequest(int bRequest)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_refused = bRequest;
}

void SimulatedUsbSerialChip::setOutputNotTaken(bool on)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_outputNotTaken = on;
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialChip::setSlowCancellation(int ms)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_slowCancelMs = ms;
}

void SimulatedUsbSerialChip::setSubmitError(int libusbError)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_submitError = libusbError;
}

void SimulatedUsbSerialChip::setKernelDriverAttached(int interfaceNumber, bool attached)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_ports.at(size_t(interfaceNumber)).kernelDriver = attached;
}

void SimulatedUsbSerialChip::setHeldElsewhere(int interfaceNumber, bool held)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_ports.at(size_t(interfaceNumber)).heldElsewhere = held;
}

libusb_config_descriptor* SimulatedUsbSerialChip::makeConfigDescriptor() const
{
    auto* block = new ConfigBlock();
    libusb_config_descriptor& c = block->config;
    c.bLength = LIBUSB_DT_CONFIG_SIZE;
    c.bDescriptorType = LIBUSB_DT_CONFIG;
    c.bNumInterfaces = uint8_t(m_config.interfaces);
    c.bConfigurationValue = 1;
    c.bmAttributes = 0x80;
    c.MaxPower = 45;
    c.interface = block->interfaces;
    for (int k = 0; k < m_config.interfaces; ++k) {
        libusb_interface_descriptor& s = block->settings[k];
        s.bLength = LIBUSB_DT_INTERFACE_SIZE;
        s.bDescriptorType = LIBUSB_DT_INTERFACE;
        s.bInterfaceNumber = uint8_t(k);
        s.bNumEndpoints = 2;
        s.bInterfaceClass = 0xFF;
        s.bInterfaceSubClass = 0xFF;
        s.bInterfaceProtocol = 0xFF;
        s.iInterface = 2;
        s.endpoint = &block->endpoints[2 * k];
        libusb_endpoint_descriptor* e = &block->endpoints[2 * k];
        e[0].bLength = e[1].bLength = LIBUSB_DT_ENDPOINT_SIZE;
        e[0].bDescriptorType = e[1].bDescriptorType = LIBUSB_DT_ENDPOINT;
        e[0].bEndpointAddress = uint8_t(0x81 + 2 * k);
        e[1].bEndpointAddress = uint8_t(0x02 + 2 * k);
        e[0].bmAttributes = e[1].bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
        e[0].wMaxPacketSize = e[1].wMaxPacketSize = uint16_t(m_config.packetSize);
        block->interfaces[k].altsetting = &s;
        block->interfaces[k].num_altsetting = 1;
    }
    return &block->config;
}

void SimulatedUsbSerialChip::destroyConfigDescriptor(libusb_config_descriptor* config)
{
    // The descriptor is the first member of the block makeConfigDescriptor made.
    delete reinterpret_cast<ConfigBlock*>(config);
}

int SimulatedUsbSerialChip::portOfEndpoint(unsigned char endpoint) const
{
    const int k = ((endpoint & 0x7F) - ((endpoint & 0x80) ? 1 : 2)) / 2;
    return k >= 0 && k < m_config.interfaces ? k : -1;
}

int SimulatedUsbSerialChip::portOfIndex(uint16_t wIndex) const
{
    const int low = wIndex & 0xFF;
    return std::clamp(low == 0 ? 0 : low - 1, 0, m_config.interfaces - 1);
}

int SimulatedUsbSerialChip::controlLocked(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                                          unsigned char* data, uint16_t length)
{
    ControlRecord rec{requestType, request, value, index, {}};
    const bool in = requestType & 0x80;
    if (!in && data && length)
        rec.data.assign(data, data + length);
    if (!m_plugged) {
        m_control.push_back(rec);
        return LIBUSB_ERROR_NO_DEVICE;
    }
    if (request == m_refused) {
        m_control.push_back(rec);
        return LIBUSB_ERROR_PIPE;
    }
    Port& p = m_ports[size_t(portOfIndex(index))];
    PortState& s = p.state;
    std::vector<uint8_t> reply;
    switch (request) {
    case 0:
        if (value == 1)
            p.rx.clear();
        break;
    case 1:
        if (value & 0x0100)
            s.dtr = value & 0x01;
        if (value & 0x0200)
            s.rts = value & 0x02;
        break;
    case 2:
        s.flowControl = index & 0xFF00;
        s.xon = uint8_t(value);
        s.xoff = uint8_t(value >> 8);
        break;
    case 3: {
        const unsigned divisorIndex = wIndexCarriesPort(m_config.bcdDevice) ? unsigned(index >> 8) : unsigned(index);
        s.divisor = value;
        s.divisorIndex = uint16_t(divisorIndex);
        s.baud = decodeBaud(value, divisorIndex);
        break;
    }
    case 4:
        s.lineControl = value;
        break;
    case 5:
        reply = {uint8_t(p.modem | 0x01), 0x60};
        break;
    case 6:
        s.eventChar = value;
        break;
    case 7:
        s.errorChar = value;
        break;
    case 9:
        s.latencyMs = uint8_t(value);
        break;
    case 10:
        reply = {s.latencyMs};
        break;
    case 11:
        s.bitMask = uint8_t(value);
        s.bitMode = uint8_t(value >> 8);
        break;
    case 12:
        reply = {0x00};
        break;
    case 0x20:
        for (int i = 0; i < length; ++i)
            reply.push_back(uint8_t(i));
        break;
    case 0x21:
        break;
    default:
        m_control.push_back(rec);
        return LIBUSB_ERROR_PIPE;
    }
    if (!in) {
        m_control.push_back(rec);
        return length;
    }
    int n = std::min<int>(int(reply.size()), length);
    if (m_shortControl && n > 0)
        --n;
    if (n > 0)
        std::memcpy(data, reply.data(), size_t(n));
    rec.data.assign(reply.begin(), reply.begin() + n);
    m_control.push_back(rec);
    return n;
}

int SimulatedUsbSerialChip::submitLocked(libusb_transfer* transfer, Clock::time_point now)
{
    if (!m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (m_submitError)
        return m_submitError;
    const int port = portOfEndpoint(transfer->endpoint);
    if (port < 0 || !(transfer->endpoint & 0x80))
        return LIBUSB_ERROR_NOT_FOUND;
    PendingIn pending;
    pending.transfer = transfer;
    pending.submitted = now;
    m_ports[size_t(port)].inQueue.push_back(pending);
    m_inSubmissions.push_back(InSubmission{port, transfer->length, transfer->timeout});
    return 0;
}

bool SimulatedUsbSerialChip::cancelLocked(libusb_transfer* transfer, Clock::time_point now)
{
    for (Port& p : m_ports) {
        for (PendingIn& in : p.inQueue) {
            if (in.transfer == transfer && !in.cancelled) {
                in.cancelled = true;
                in.cancelDue = now + std::chrono::milliseconds(m_slowCancelMs);
                return true;
            }
        }
    }
    return false;
}

void SimulatedUsbSerialChip::unplugLocked()
{
    m_plugged = false;
}

void SimulatedUsbSerialChip::collectLocked(Clock::time_point now, std::vector<libusb_transfer*>& done,
                                           Clock::time_point& nextWake)
{
    const int packet = m_config.packetSize;
    for (size_t port = 0; port < m_ports.size(); ++port) {
        Port& p = m_ports[port];
        // Cancellations and a vanished chip end transfers anywhere in the queue.
        for (auto it = p.inQueue.begin(); it != p.inQueue.end();) {
            libusb_transfer* t = it->transfer;
            if (!m_plugged) {
                t->status = LIBUSB_TRANSFER_NO_DEVICE;
                t->actual_length = 0;
            } else if (it->cancelled && it->cancelDue <= now) {
                t->status = LIBUSB_TRANSFER_CANCELLED;
                t->actual_length = it->filled;
            } else {
                if (it->cancelled)
                    nextWake = std::min(nextWake, it->cancelDue);
                ++it;
                continue;
            }
            done.push_back(t);
            it = p.inQueue.erase(it);
        }
        while (!p.inQueue.empty()) {
            PendingIn& head = p.inQueue.front();
            libusb_transfer* t = head.transfer;
            if (head.cancelled)
                break; // nothing more flows into a transfer being cancelled
            bool finished = false;
            if (p.halted) {
                t->status = LIBUSB_TRANSFER_STALL;
                t->actual_length = 0;
                finished = true;
            } else if (p.overflows > 0) {
                p.overflows--;
                t->status = LIBUSB_TRANSFER_OVERFLOW;
                t->actual_length = 0;
                finished = true;
            } else if (!p.raw.empty()) {
                const std::vector<uint8_t> bytes = p.raw.front();
                p.raw.pop_front();
                const int n = std::min<int>(int(bytes.size()), t->length);
                std::memcpy(t->buffer, bytes.data(), size_t(n));
                t->status = int(bytes.size()) > t->length ? LIBUSB_TRANSFER_OVERFLOW : LIBUSB_TRANSFER_COMPLETED;
                t->actual_length = n;
                finished = true;
            } else if (m_silent) {
                if (t->timeout == 0)
                    break;
                const Clock::time_point due = head.submitted + std::chrono::milliseconds(t->timeout);
                if (due > now) {
                    nextWake = std::min(nextWake, due);
                    break;
                }
                t->status = LIBUSB_TRANSFER_TIMED_OUT;
                t->actual_length = head.filled;
                finished = true;
            } else {
                const auto latency = std::chrono::milliseconds(std::max<int>(1, p.state.latencyMs));
                // Packets flow while the transfer has room: full ones as soon
                // as enough bytes wait, a short one when the latency timer runs out.
                while (!finished) {
                    const int room = t->length - head.filled;
                    if (room < 2) {
                        finished = true;
                        break;
                    }
                    const int maxPayload = std::min(packet, room) - 2;
                    const bool full = int(p.rx.size()) >= maxPayload && 2 + maxPayload == packet;
                    if (!full && now - p.lastPacket < latency) {
                        nextWake = std::min(nextWake, p.lastPacket + latency);
                        break;
                    }
                    const int payload = std::min<int>(int(p.rx.size()), maxPayload);
                    uint8_t* out = t->buffer + head.filled;
                    out[0] = uint8_t(p.modem | 0x01);
                    out[1] = uint8_t(p.lineErrors | 0x60);
                    p.lineErrors = 0;
                    std::copy_n(p.rx.begin(), payload, out + 2);
                    p.rx.erase(p.rx.begin(), p.rx.begin() + payload);
                    head.filled += 2 + payload;
                    p.lastPacket = now;
                    if (2 + payload < packet || head.filled == t->length)
                        finished = true;
                }
                if (finished) {
                    t->status = LIBUSB_TRANSFER_COMPLETED;
                    t->actual_length = head.filled;
                }
            }
            if (!finished)
                break;
            done.push_back(t);
            p.inQueue.pop_front();
        }
    }
}
