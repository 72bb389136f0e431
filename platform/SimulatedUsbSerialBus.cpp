#include "SimulatedUsbSerialBus.h"

#include "PlatformMode.h"
#include "SimulatedSerialPeer.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
struct SimHandle
{
    SimulatedUsbSerialChip* chip;
    int claimed = 0;
};

SimHandle* simHandle(libusb_device_handle* handle) { return reinterpret_cast<SimHandle*>(handle); }
SimulatedUsbSerialChip* simChip(libusb_device* device) { return reinterpret_cast<SimulatedUsbSerialChip*>(device); }
} // namespace

SimulatedUsbSerialBus& SimulatedUsbSerialBus::instance()
{
    // Never destroyed: the library's tear-down at exit may still call in.
    static SimulatedUsbSerialBus* bus = [] {
        auto* b = new SimulatedUsbSerialBus;
        const QString configured = qEnvironmentVariable("ZEMBO_SIM_USB");
        if (!configured.isEmpty()) {
            QString error;
            const auto chips = SimulatedUsbSerialChipConfig::parseList(configured, &error);
            if (!error.isEmpty())
                qWarning("ZEMBO_SIM_USB: %s", qPrintable(error));
            for (const auto& c : chips)
                b->plug(c);
        } else if (PlatformMode::simulated() && !PlatformMode::underTest()) {
            b->plug(SimulatedUsbSerialChipConfig());
        }
        return b;
    }();
    return *bus;
}

SimulatedUsbSerialBus::SimulatedUsbSerialBus() = default;

SimulatedUsbSerialChip* SimulatedUsbSerialBus::plug(const SimulatedUsbSerialChipConfig& config)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_allChips.push_back(std::make_unique<SimulatedUsbSerialChip>(config, m_lock, m_wake));
    m_present.push_back(m_allChips.back().get());
    return m_present.back();
}

void SimulatedUsbSerialBus::unplug(SimulatedUsbSerialChip* chip)
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        chip->unplugLocked();
        m_present.erase(std::remove(m_present.begin(), m_present.end(), chip), m_present.end());
    }
    m_wake.notify_all();
}

void SimulatedUsbSerialBus::unplugAll()
{
    {
        std::lock_guard<std::mutex> g(m_lock);
        for (SimulatedUsbSerialChip* c : m_present)
            c->unplugLocked();
        m_present.clear();
    }
    m_wake.notify_all();
}

std::vector<SimulatedUsbSerialChip*> SimulatedUsbSerialBus::chips() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_present;
}

int SimulatedUsbSerialBus::openHandles() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_openHandles;
}

int SimulatedUsbSerialBus::initCount() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_inits;
}

int SimulatedUsbSerialBus::init()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_inits++;
    return 0;
}

void SimulatedUsbSerialBus::exit()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_inits--;
}

int SimulatedUsbSerialBus::handleEventsTimeout(int timeoutMs)
{
    using Clock = SimulatedUsbSerialChip::Clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<libusb_transfer*> done;
    {
        std::unique_lock<std::mutex> g(m_lock);
        for (;;) {
            const Clock::time_point now = Clock::now();
            Clock::time_point nextWake = deadline;
            for (auto& chip : m_allChips)
                chip->collectLocked(now, done, nextWake);
            if (!done.empty() || now >= deadline)
                break;
            m_wake.wait_until(g, nextWake);
        }
    }
    // As libusb does: callbacks run on the thread handling events, with no
    // lock of ours held, and the transfer is not touched afterwards.
    for (libusb_transfer* t : done)
        t->callback(t);
    return 0;
}

ssize_t SimulatedUsbSerialBus::getDeviceList(libusb_device*** list)
{
    std::lock_guard<std::mutex> g(m_lock);
    auto** out = static_cast<libusb_device**>(std::calloc(m_present.size() + 1, sizeof(libusb_device*)));
    if (!out)
        return LIBUSB_ERROR_NO_MEM;
    for (size_t i = 0; i < m_present.size(); ++i)
        out[i] = reinterpret_cast<libusb_device*>(m_present[i]);
    *list = out;
    return ssize_t(m_present.size());
}

void SimulatedUsbSerialBus::freeDeviceList(libusb_device** list, int)
{
    std::free(list);
}

int SimulatedUsbSerialBus::getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* d)
{
    const SimulatedUsbSerialChipConfig& c = simChip(device)->config();
    std::memset(d, 0, sizeof(*d));
    d->bLength = LIBUSB_DT_DEVICE_SIZE;
    d->bDescriptorType = LIBUSB_DT_DEVICE;
    d->bcdUSB = c.packetSize > 64 ? 0x0200 : 0x0110;
    d->bMaxPacketSize0 = 8;
    d->idVendor = c.vid;
    d->idProduct = c.pid;
    d->bcdDevice = c.bcdDevice;
    d->iManufacturer = c.manufacturer.isEmpty() ? 0 : 1;
    d->iProduct = c.product.isEmpty() ? 0 : 2;
    d->iSerialNumber = c.serial.isEmpty() ? 0 : 3;
    d->bNumConfigurations = 1;
    return 0;
}

int SimulatedUsbSerialBus::getConfigDescriptor(libusb_device* device, uint8_t index, libusb_config_descriptor** config)
{
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    *config = simChip(device)->makeConfigDescriptor();
    return 0;
}

void SimulatedUsbSerialBus::freeConfigDescriptor(libusb_config_descriptor* config)
{
    SimulatedUsbSerialChip::destroyConfigDescriptor(config);
}

uint8_t SimulatedUsbSerialBus::getBusNumber(libusb_device* device) { return simChip(device)->config().bus; }
uint8_t SimulatedUsbSerialBus::getDeviceAddress(libusb_device* device) { return simChip(device)->config().address; }

int SimulatedUsbSerialBus::open(libusb_device* device, libusb_device_handle** handle)
{
    SimulatedUsbSerialChip* chip = simChip(device);
    std::lock_guard<std::mutex> g(m_lock);
    if (!chip->m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    *handle = reinterpret_cast<libusb_device_handle*>(new SimHandle{chip});
    chip->m_openHandles++;
    m_openHandles++;
    return 0;
}

void SimulatedUsbSerialBus::close(libusb_device_handle* handle)
{
    SimHandle* h = simHandle(handle);
    {
        std::lock_guard<std::mutex> g(m_lock);
        h->chip->m_claimed &= ~h->claimed;
        h->chip->m_openHandles--;
        m_openHandles--;
    }
    delete h;
}

int SimulatedUsbSerialBus::claimInterface(libusb_device_handle* handle, int n)
{
    SimHandle* h = simHandle(handle);
    std::lock_guard<std::mutex> g(m_lock);
    SimulatedUsbSerialChip* c = h->chip;
    if (!c->m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (n < 0 || n >= c->m_config.interfaces)
        return LIBUSB_ERROR_NOT_FOUND;
    if (h->claimed & (1 << n))
        return 0;
    const auto& port = c->m_ports[size_t(n)];
    if ((c->m_claimed & (1 << n)) || port.kernelDriver || port.heldElsewhere)
        return LIBUSB_ERROR_BUSY;
    c->m_claimed |= 1 << n;
    h->claimed |= 1 << n;
    return 0;
}

int SimulatedUsbSerialBus::releaseInterface(libusb_device_handle* handle, int n)
{
    SimHandle* h = simHandle(handle);
    std::lock_guard<std::mutex> g(m_lock);
    if (n < 0 || n >= 32 || !(h->claimed & (1 << n)))
        return LIBUSB_ERROR_NOT_FOUND;
    h->claimed &= ~(1 << n);
    h->chip->m_claimed &= ~(1 << n);
    return h->chip->m_plugged ? 0 : LIBUSB_ERROR_NO_DEVICE;
}

int SimulatedUsbSerialBus::getStringDescriptorAscii(libusb_device_handle* handle, uint8_t index, unsigned char* data,
                                                    int length)
{
    SimHandle* h = simHandle(handle);
    std::lock_guard<std::mutex> g(m_lock);
    const SimulatedUsbSerialChipConfig& c = h->chip->m_config;
    if (!h->chip->m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    QByteArray text;
    switch (index) {
    case 1: text = c.manufacturer.toLatin1(); break;
    case 2: text = c.product.toLatin1(); break;
    case 3: text = c.serial.toLatin1(); break;
    default: return LIBUSB_ERROR_INVALID_PARAM;
    }
    if (text.isEmpty())
        return LIBUSB_ERROR_INVALID_PARAM;
    // As libusb: at most length − 1 characters, always terminated.
    const int n = std::min<int>(int(text.size()), length - 1);
    if (n < 0)
        return LIBUSB_ERROR_INVALID_PARAM;
    std::memcpy(data, text.constData(), size_t(n));
    data[n] = 0;
    return n;
}

int SimulatedUsbSerialBus::controlTransfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request,
                                           uint16_t value, uint16_t index, unsigned char* data, uint16_t length,
                                           unsigned int)
{
    SimHandle* h = simHandle(handle);
    int r;
    {
        std::lock_guard<std::mutex> g(m_lock);
        r = h->chip->controlLocked(requestType, request, value, index, data, length);
    }
    m_wake.notify_all();
    return r;
}

int SimulatedUsbSerialBus::bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data,
                                        int length, int* transferred, unsigned int timeoutMs)
{
    SimHandle* h = simHandle(handle);
    SimulatedUsbSerialChip* c = h->chip;
    *transferred = 0;
    std::vector<uint8_t> bytes;
    SimulatedSerialPeer* peer = nullptr;
    int port;
    {
        std::unique_lock<std::mutex> g(m_lock);
        port = c->portOfEndpoint(endpoint);
        if (port < 0 || (endpoint & 0x80))
            return LIBUSB_ERROR_NOT_FOUND;
        c->m_bulkOut.push_back({port, std::vector<uint8_t>(data, data + std::max(0, length))});
        if (!c->m_plugged)
            return LIBUSB_ERROR_NO_DEVICE;
        if (c->m_outputNotTaken) {
            auto stillStuck = [c] { return c->m_outputNotTaken && c->m_plugged; };
            if (timeoutMs == 0)
                m_wake.wait(g, [&] { return !stillStuck(); });
            else
                m_wake.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return !stillStuck(); });
            if (!c->m_plugged)
                return LIBUSB_ERROR_NO_DEVICE;
            if (c->m_outputNotTaken)
                return LIBUSB_ERROR_TIMEOUT;
        }
        *transferred = length;
        if (length > 0 && c->m_ports[size_t(port)].peer) {
            peer = c->m_ports[size_t(port)].peer;
            bytes.assign(data, data + length);
            if (!c->lineMatchesLocked(port))
                for (uint8_t& b : bytes)
                    b = uint8_t(b * 5 + 0x33); // garbage; garbled twice (out and back) it stays garbage
        }
    }
    if (peer)
        peer->receiveFromChip(*c, port, bytes);
    return 0;
}

libusb_transfer* SimulatedUsbSerialBus::allocTransfer(int)
{
    return static_cast<libusb_transfer*>(std::calloc(1, sizeof(libusb_transfer)));
}

void SimulatedUsbSerialBus::freeTransfer(libusb_transfer* transfer)
{
    std::free(transfer);
}

int SimulatedUsbSerialBus::submitTransfer(libusb_transfer* transfer)
{
    SimHandle* h = simHandle(transfer->dev_handle);
    int r;
    {
        std::lock_guard<std::mutex> g(m_lock);
        r = h->chip->submitLocked(transfer, SimulatedUsbSerialChip::Clock::now());
    }
    m_wake.notify_all();
    return r;
}

int SimulatedUsbSerialBus::cancelTransfer(libusb_transfer* transfer)
{
    SimHandle* h = simHandle(transfer->dev_handle);
    bool found;
    {
        std::lock_guard<std::mutex> g(m_lock);
        found = h->chip->cancelLocked(transfer, SimulatedUsbSerialChip::Clock::now());
    }
    m_wake.notify_all();
    return found ? 0 : LIBUSB_ERROR_NOT_FOUND;
}

int SimulatedUsbSerialBus::clearHalt(libusb_device_handle* handle, unsigned char endpoint)
{
    SimHandle* h = simHandle(handle);
    {
        std::lock_guard<std::mutex> g(m_lock);
        SimulatedUsbSerialChip* c = h->chip;
        if (!c->m_plugged)
            return LIBUSB_ERROR_NO_DEVICE;
        const int port = c->portOfEndpoint(endpoint);
        if (port < 0)
            return LIBUSB_ERROR_NOT_FOUND;
        c->m_ports[size_t(port)].halted = false;
        c->m_clearHalts++;
    }
    m_wake.notify_all();
    return 0;
}

int SimulatedUsbSerialBus::resetDevice(libusb_device_handle* handle)
{
    SimHandle* h = simHandle(handle);
    std::lock_guard<std::mutex> g(m_lock);
    if (!h->chip->m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    h->chip->m_resets++;
    return 0;
}
