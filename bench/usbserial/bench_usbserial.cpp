// The USB-serial library on the simulated bus, read the way the OBD
// transport reads (queue status, then exactly that many bytes):
//  - a chip streaming at 3 Mbaud for 10 s: bytes delivered ÷ sent, and CPU
//    time per MB of the library's threads against a pipe pair carrying the
//    same chunks;
//  - idle at 1 ms latency: CPU share of the library's threads, latency from a
//    byte leaving the chip to USS_Read returning it (p50, p99), and the CPU
//    share of a USS_Read waiting 2,000 ms.
#include <SimulatedUsbSerialBus.h>
#include <usbserial.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <dirent.h>
#include <sys/syscall.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

pid_t tid() { return pid_t(syscall(SYS_gettid)); }

// Nanoseconds on the CPU of one thread of this process.
uint64_t threadCpu(pid_t t)
{
    std::ifstream f("/proc/self/task/" + std::to_string(t) + "/schedstat");
    uint64_t ns = 0;
    f >> ns;
    return ns;
}

std::vector<pid_t> threads()
{
    std::vector<pid_t> out;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                out.push_back(pid_t(std::stoi(e->d_name)));
        closedir(d);
    }
    return out;
}

// CPU of every thread except the ones named.
uint64_t cpuExcept(const std::set<pid_t>& skip)
{
    uint64_t sum = 0;
    for (pid_t t : threads())
        if (!skip.count(t))
            sum += threadCpu(t);
    return sum;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
} // namespace

int main()
{
    SimulatedUsbSerialChipConfig config;
    config.serial = QStringLiteral("BENCH1");
    config.peerBaud = 3000000;
    SimulatedUsbSerialChip* chip = SimulatedUsbSerialBus::instance().plug(config);
    USS_HANDLE h = nullptr;
    if (USS_OpenEx(const_cast<char*>("BENCH1"), USS_OPEN_BY_SERIAL_NUMBER, &h) != USS_OK) {
        std::fprintf(stderr, "cannot open the simulated chip\n");
        return 1;
    }
    // The transport's set-up.
    USS_SetUSBParameters(h, 64, 64);
    USS_SetBaudRate(h, 3000000);
    USS_SetDataCharacteristics(h, 8, 0, 0);
    USS_SetFlowControl(h, 0, 0, 0);
    USS_SetTimeouts(h, 2000, 100);
    USS_SetLatencyTimer(h, 1);
    USS_Purge(h, 3);

    // --- Streaming: 300,000 bytes a second in 1 ms chunks, for 10 s.
    const int chunk = 300;
    const int chunks = 10000;
    std::vector<uint8_t> data(chunk);
    for (int i = 0; i < chunk; ++i)
        data[size_t(i)] = uint8_t(i);
    std::atomic<pid_t> feederTid{0};
    const pid_t mainTid = tid();
    const uint64_t cpuBefore = cpuExcept({mainTid});
    std::thread feeder([&] {
        feederTid = tid();
        Clock::time_point next = Clock::now();
        for (int i = 0; i < chunks; ++i) {
            chip->sendFromPeer(0, data);
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
    });
    uint64_t delivered = 0;
    const uint64_t sent = uint64_t(chunk) * chunks;
    std::vector<uint8_t> buffer(65536);
    // Whatever the load of the machine, every byte must arrive; the limit only
    // keeps a broken build from hanging here.
    const Clock::time_point streamEnd = Clock::now() + std::chrono::seconds(120);
    while (delivered < sent && Clock::now() < streamEnd) {
        uint32_t rx = 0, tx = 0, ev = 0;
        if (USS_GetStatus(h, &rx, &tx, &ev) != USS_OK)
            break;
        if (rx == 0)
            continue;
        uint32_t got = 0;
        if (USS_Read(h, buffer.data(), rx, &got) != USS_OK)
            break;
        delivered += got;
    }
    feeder.join();
    const uint64_t libraryCpu = cpuExcept({mainTid, feederTid.load()}) - cpuBefore;
    // Note: the feeder's thread is gone by now, so its CPU no longer counts in either sum.

    // The same chunks through a pipe pair.
    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    std::atomic<pid_t> pipeReaderTid{0};
    std::atomic<uint64_t> pipeCpu{0};
    std::thread pipeReader([&] {
        pipeReaderTid = tid();
        const uint64_t before = threadCpu(tid());
        std::vector<uint8_t> in(65536);
        uint64_t total = 0;
        while (total < sent) {
            const ssize_t n = read(fds[0], in.data(), in.size());
            if (n <= 0)
                break;
            total += uint64_t(n);
        }
        pipeCpu = threadCpu(tid()) - before;
    });
    {
        Clock::time_point next = Clock::now();
        for (int i = 0; i < chunks; ++i) {
            if (write(fds[1], data.data(), size_t(chunk)) != chunk)
                break;
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
    }
    pipeReader.join();
    close(fds[0]);
    close(fds[1]);
    const double mb = double(sent) / 1e6;
    std::printf("stream 3 Mbaud, 10 s: delivered / sent = %.3f\n", double(delivered) / double(sent));
    std::printf("CPU per MB: library threads %.2f ms, pipe reader %.2f ms, ratio %.1f\n",
                double(libraryCpu) / 1e6 / mb, double(pipeCpu.load()) / 1e6 / mb,
                double(libraryCpu) / std::max<double>(1.0, double(pipeCpu.load())));

    // --- Idle at 1 ms latency, with nothing left over from the stream.
    USS_Purge(h, USS_PURGE_RX);
    const Clock::time_point idleStart = Clock::now();
    const uint64_t idleBefore = cpuExcept({mainTid});
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double idleShare = double(cpuExcept({mainTid}) - idleBefore) / 1e9 / seconds(Clock::now() - idleStart);
    std::printf("idle at 1 ms latency: library threads use %.2f %% of one CPU\n", idleShare * 100);

    // Latency: one byte from the chip to USS_Read.
    std::vector<double> latencies;
    for (int i = 0; i < 300; ++i) {
        std::atomic<bool> reading{false};
        Clock::time_point sentAt;
        std::thread sender([&] {
            while (!reading)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(500 + (i % 7) * 100));
            sentAt = Clock::now();
            chip->sendFromPeer(0, {uint8_t(i)});
        });
        reading = true;
        uint8_t b = 0;
        uint32_t got = 0;
        USS_Read(h, &b, 1, &got);
        const Clock::time_point readAt = Clock::now();
        sender.join();
        if (got == 1)
            latencies.push_back(seconds(readAt - sentAt) * 1000);
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty())
        std::printf("chip byte -> USS_Read: p50 %.2f ms, p99 %.2f ms (latency timer 1 ms)\n",
                    latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100]);

    // A read that waits its whole 2,000 ms.
    uint64_t waitCpu = 0;
    std::thread waiter([&] {
        const uint64_t before = threadCpu(tid());
        uint8_t b;
        uint32_t got = 0;
        USS_Read(h, &b, 1, &got);
        waitCpu = threadCpu(tid()) - before;
    });
    waiter.join();
    std::printf("USS_Read waiting 2,000 ms: %.3f %% of one CPU\n", double(waitCpu) / 2e9 * 100);
    USS_Close(h);
    return delivered == sent ? 0 : 1;
}
