#include "UsbSerialTestSupport.h"

#include <usbserial-private.h>

#include <QtTest>

#include <cstring>
#include <memory>
#include <thread>

using namespace UsbSerialTest;

namespace {
DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }

std::vector<uint8_t> pattern(int n, int seed = 0)
{
    std::vector<uint8_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = uint8_t((i * 7 + seed) ^ (i >> 8));
    return v;
}

// A record with only a ring, for feeding transfers to the packet parser.
struct RingRecord
{
    DeviceExtension r;
    std::vector<uint8_t> ring;
    explicit RingRecord(int size = 4096)
        : ring(size_t(size))
    {
        r.ring = ring.data();
        r.ringSize = size;
        r.ringFree = size;
        r.maxPacketSize = 64;
    }
    QByteArray stored() const
    {
        QByteArray out;
        for (int32_t k = 0; k < r.ringSize - r.ringFree; ++k)
            out.append(char(r.ring[size_t((r.ringRead + k) % r.ringSize)]));
        return out;
    }
};

std::vector<uint8_t> packet(uint8_t modem, uint8_t line, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> p{modem, line};
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

bool readAll(USS_HANDLE h, std::vector<uint8_t>& into, size_t n)
{
    into.resize(n);
    size_t got = 0;
    while (got < n) {
        uint32_t chunk = 0;
        if (USS_Read(h, into.data() + got, uint32_t(n - got), &chunk) != USS_OK || chunk == 0)
            return false;
        got += chunk;
    }
    return true;
}
} // namespace

class TestUsbSerialIo : public QObject
{
    Q_OBJECT

    SimulatedUsbSerialChip* m_chip = nullptr;
    USS_HANDLE m_h = nullptr;

    void openChip(uint16_t bcd = 0x0600, int packet = 64)
    {
        m_chip = plug(bcd, QStringLiteral("IO1"), 1, QStringLiteral("IO"), packet);
        m_h = openBySerial("IO1");
        QVERIFY(m_h);
        QCOMPARE(USS_SetBaudRate(m_h, 38400), USS_OK);
        QCOMPARE(USS_SetTimeouts(m_h, 5000, 1000), USS_OK);
    }

private slots:
    void cleanup()
    {
        if (m_h)
            QCOMPARE(USS_Close(m_h), USS_OK);
        m_h = nullptr;
        bus().unplugAll();
    }

    void parser()
    {
        // Three full packets of one transfer: 186 bytes, in order.
        {
            RingRecord rr;
            std::vector<uint8_t> transfer;
            const auto data = pattern(186);
            for (int p = 0; p < 3; ++p) {
                const auto pk = packet(0x11, 0x60, std::vector<uint8_t>(data.begin() + p * 62, data.begin() + p * 62 + 62));
                transfer.insert(transfer.end(), pk.begin(), pk.end());
            }
            ProcessBulkInData(&rr.r, transfer.data(), int(transfer.size()));
            QCOMPARE(rr.stored(), QByteArray(reinterpret_cast<const char*>(data.data()), 186));
        }
        // Status bytes alone store nothing but give the modem and line status.
        {
            RingRecord rr;
            const std::vector<uint8_t> status{0x31, 0x62};
            ProcessBulkInData(&rr.r, status.data(), 2);
            QCOMPARE(rr.r.ringFree, rr.r.ringSize);
            QCOMPARE(rr.r.modemStatus.load(), uint8_t(0x30));
            QCOMPARE(rr.r.lineStatus.load(), uint8_t(0x62));
        }
        // 10 free bytes: the 62 of the first packet are dropped whole, the
        // next packet is parsed from its own status bytes.
        {
            RingRecord rr(100);
            rr.r.ringFree = 10;
            rr.r.ringWrite = 95;
            auto transfer = packet(0x10, 0x60, pattern(62));
            const auto second = packet(0x90, 0x60, {1, 2, 3, 4, 5, 6, 7, 8});
            transfer.insert(transfer.end(), second.begin(), second.end());
            ProcessBulkInData(&rr.r, transfer.data(), int(transfer.size()));
            QCOMPARE(rr.r.ringFree, 2);
            QCOMPARE(rr.r.modemStatus.load(), uint8_t(0x90));
            // ... written across the end of the ring.
            QCOMPARE(int(rr.ring[99]), 5);
            QCOMPARE(int(rr.ring[0]), 6);
            QCOMPARE(rr.r.ringWrite, 3);
        }
        // A fragment shorter than the status bytes is never read past its end.
        {
            RingRecord rr;
            auto one = std::make_unique<uint8_t[]>(1);
            one[0] = 0xF0;
            ProcessBulkInData(&rr.r, one.get(), 1);
            QCOMPARE(rr.r.modemStatus.load(), uint8_t(0));
            const auto full = packet(0x20, 0x60, pattern(62));
            auto tail = std::make_unique<uint8_t[]>(65);
            std::memcpy(tail.get(), full.data(), 64);
            tail[64] = 0xF0;
            ProcessBulkInData(&rr.r, tail.get(), 65);
            QCOMPARE(rr.r.ringSize - rr.r.ringFree, 62);
            QCOMPARE(rr.r.modemStatus.load(), uint8_t(0x20));
        }
    }

    void loopbackInOrderAcrossTheRingEnd()
    {
        openChip();
        // More than the ring in two rounds, so the second wraps.
        for (int round = 0; round < 2; ++round) {
            const auto data = pattern(round == 0 ? 200000 : 100000, round);
            m_chip->sendFromPeer(0, data);
            std::vector<uint8_t> got;
            QVERIFY(readAll(m_h, got, data.size()));
            QVERIFY(got == data);
        }
        QVERIFY(rec(m_h)->ringRead != 0);
        QVERIFY(rec(m_h)->ringRead < 100000);
        // Written bytes come back through the loopback plug.
        uint8_t out[5] = {'h', 'e', 'l', 'l', 'o'};
        uint32_t n = 0;
        QCOMPARE(USS_Write(m_h, out, 5, &n), USS_OK);
        uint8_t in[5];
        QCOMPARE(USS_Read(m_h, in, 5, &n), USS_OK);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(in), 5), QByteArray("hello"));
    }

    // The serial side only understands the host at the plug's rate (within
    // 3 %) on an 8N1 line.
    void lineMustMatchThePeer()
    {
        openChip();
        const std::vector<uint8_t> text{'A', 'T', 'Z', '\r'};
        auto echo = [&] {
            uint32_t n = 0;
            USS_Write(m_h, const_cast<uint8_t*>(text.data()), 4, &n);
            std::vector<uint8_t> back;
            return readAll(m_h, back, 4) && back == text;
        };
        QVERIFY(echo());
        QCOMPARE(USS_SetBaudRate(m_h, 37500), USS_OK); // 2.3 % off
        QVERIFY(echo());
        QCOMPARE(USS_SetBaudRate(m_h, 57600), USS_OK);
        QVERIFY(!echo());
        QCOMPARE(USS_SetBaudRate(m_h, 38400), USS_OK);
        QCOMPARE(USS_SetDataCharacteristics(m_h, 7, 0, 0), USS_OK);
        QVERIFY(!echo());
        QCOMPARE(USS_SetDataCharacteristics(m_h, 8, 0, 0), USS_OK);
        QVERIFY(echo());
    }

    void queueStatusCaps()
    {
        openChip();
        m_chip->sendFromPeer(0, pattern(100000));
        uint32_t n = 0;
        QTRY_VERIFY_WITH_TIMEOUT((USS_GetQueueStatusEx(m_h, &n), n == 100000), 20000);
        QCOMPARE(USS_GetQueueStatus(m_h, &n), USS_OK);
        QCOMPARE(n, 65536u);
        uint32_t rx = 0, tx = 9, ev = 0;
        QCOMPARE(USS_GetStatus(m_h, &rx, &tx, &ev), USS_OK);
        QCOMPARE(rx, 65536u);
        QCOMPARE(tx, 0u);
        QCOMPARE(USS_GetStatus(m_h, &rx, nullptr, &ev), USS_INVALID_PARAMETER);
        QCOMPARE(USS_GetQueueStatus(m_h, nullptr), USS_INVALID_PARAMETER);
    }

    void readTimeoutAndArguments()
    {
        openChip();
        uint8_t b[10];
        uint32_t got = 7;
        QCOMPARE(USS_Read(m_h, b, 0, &got), USS_OK);
        QCOMPARE(got, 0u);
        QCOMPARE(USS_Read(m_h, nullptr, 1, &got), USS_INVALID_PARAMETER);
        QCOMPARE(USS_Read(m_h, b, 1, nullptr), USS_INVALID_PARAMETER);
        QCOMPARE(USS_SetTimeouts(m_h, 50, 0), USS_OK);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(USS_Read(m_h, b, 10, &got), USS_OK);
        QCOMPARE(got, 0u);
        QVERIFY(clock.elapsed() >= 45);
        // A time-out hands over what is there.
        m_chip->sendFromPeer(0, {1, 2, 3});
        QTRY_VERIFY((USS_GetQueueStatus(m_h, &got), got == 3));
        QCOMPARE(USS_Read(m_h, b, 10, &got), USS_OK);
        QCOMPARE(got, 3u);
    }

    void timeoutsAndTransferSizes()
    {
        openChip();
        DeviceExtension* r = rec(m_h);
        QCOMPARE(r->usbTimeout.load(), 5000u);
        QCOMPARE(USS_SetLatencyTimer(m_h, 16), USS_OK);
        QCOMPARE(r->usbTimeout.load(), 6056u); // 4096 / 62 = 66 packets × 16 ms + 5000
        QTRY_VERIFY(m_chip->inSubmissions().back().timeoutMs == 6056u);
        QCOMPARE(USS_SetDeadmanTimeout(m_h, 0), USS_INVALID_PARAMETER);
        QCOMPARE(r->usbTimeout.load(), 6056u);
        QCOMPARE(USS_SetUSBParameters(m_h, 64, 64), USS_OK);
        QCOMPARE(r->inTransferSize, 64u);
        QTRY_VERIFY(m_chip->inSubmissions().back().length == 64);
        QCOMPARE(USS_SetUSBParameters(m_h, 100000, 32), USS_OK);
        QCOMPARE(r->inTransferSize, 65536u);
        QCOMPARE(r->outTransferSize.load(), 64u); // 32 is below a packet: unchanged
        QCOMPARE(USS_Close(m_h), USS_OK);
        m_h = nullptr;
        bus().unplugAll();
        openChip(0x0900, 512);
        QCOMPARE(USS_SetUSBParameters(m_h, 64, 64), USS_OK);
        QCOMPARE(rec(m_h)->inTransferSize, 4096u);
    }

    void pauseAndRestart()
    {
        openChip();
        uint32_t n = 0;
        QCOMPARE(USS_RestartInTask(m_h), USS_OK); // at 0: nothing
        QCOMPARE(rec(m_h)->pauseCount, 0);
        QCOMPARE(USS_StopInTask(m_h), USS_OK);
        QCOMPARE(USS_StopInTask(m_h), USS_OK);
        QTRY_VERIFY([&] {
            std::lock_guard<std::mutex> g(rec(m_h)->taskLock);
            return rec(m_h)->paused == 1;
        }());
        QTest::qWait(1000); // the processor's own wait ends and it sees the pause
        m_chip->sendFromPeer(0, {9, 8, 7});
        QTest::qWait(200);
        QCOMPARE(USS_GetQueueStatus(m_h, &n), USS_OK);
        QCOMPARE(n, 0u);
        QCOMPARE(USS_RestartInTask(m_h), USS_OK);
        QTest::qWait(200);
        QCOMPARE(USS_GetQueueStatus(m_h, &n), USS_OK);
        QCOMPARE(n, 0u);
        QCOMPARE(USS_RestartInTask(m_h), USS_OK);
        QTRY_VERIFY((USS_GetQueueStatus(m_h, &n), n == 3));
    }

    void stallIsCleared()
    {
        openChip();
        m_chip->injectStall(0);
        QTRY_VERIFY(m_chip->clearHaltCount() >= 1);
        m_chip->sendFromPeer(0, pattern(500));
        std::vector<uint8_t> got;
        QVERIFY(readAll(m_h, got, 500));
        QVERIFY(got == pattern(500));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("unplugged") << "unplug";
        QTest::newRow("silent") << "silent";
        QTest::newRow("overflow") << "overflow";
        QTest::newRow("submission refused") << "submit";
    }

    // Whatever stops the data, the device is reported failed rather than
    // left to answer every read with nothing.
    void failures()
    {
        QFETCH(QString, fault);
        openChip();
        uint32_t n = 0;
        if (fault == QLatin1String("silent")) {
            QCOMPARE(USS_SetUSBParameters(m_h, 64, 64), USS_OK);
            QCOMPARE(USS_SetLatencyTimer(m_h, 1), USS_OK);
            QCOMPARE(USS_SetDeadmanTimeout(m_h, 50), USS_OK);
            QCOMPARE(rec(m_h)->usbTimeout.load(), 51u);
            // Every outstanding request carries the short time-out before the chip falls silent.
            QTRY_VERIFY([&] {
                const auto s = m_chip->inSubmissions();
                return s.size() > 8 && s[s.size() - 5].timeoutMs == 51u;
            }());
            m_chip->setSilent(true);
        } else if (fault == QLatin1String("overflow")) {
            m_chip->injectOverflow(0);
        } else if (fault == QLatin1String("submit")) {
            m_chip->setSubmitError(LIBUSB_ERROR_BUSY);
        }
        // A reader waiting without limit must be woken by the failure.
        QCOMPARE(USS_SetTimeouts(m_h, 0, 0), USS_OK);
        USS_STATUS readStatus = USS_OK;
        std::thread reader([&] {
            uint8_t b;
            uint32_t got = 0;
            readStatus = USS_Read(m_h, &b, 1, &got);
        });
        if (fault == QLatin1String("unplug"))
            bus().unplug(m_chip);
        reader.join();
        QCOMPARE(readStatus, USS_IO_ERROR);
        uint32_t rx, tx, ev;
        QCOMPARE(USS_GetStatus(m_h, &rx, &tx, &ev), USS_IO_ERROR);
        QCOMPARE(USS_GetQueueStatus(m_h, &n), USS_IO_ERROR);
        QCOMPARE(USS_GetQueueStatusEx(m_h, &n), USS_IO_ERROR);
        QCOMPARE(n, 0u);
        QCOMPARE(USS_Close(m_h), USS_OK);
        m_h = nullptr;
        QCOMPARE(m_chip->openHandles(), 0);
    }

    void write_data()
    {
        QTest::addColumn<int>("bcd");
        QTest::addColumn<int>("packet");
        QTest::addColumn<bool>("threaded");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("zlp");
        QTest::newRow("ZLP chip, 512 of 512") << 0x1700 << 512 << false << 512 << true;
        QTest::newRow("ZLP chip, 1024 of 512") << 0x1700 << 512 << false << 1024 << true;
        QTest::newRow("ZLP chip, 511") << 0x1700 << 512 << false << 511 << false;
        QTest::newRow("ZLP chip, write thread") << 0x1700 << 512 << true << 512 << false;
        QTest::newRow("other chip") << 0x0900 << 512 << false << 512 << false;
        QTest::newRow("other chip, write thread") << 0x0600 << 64 << true << 64 << false;
    }

    void write()
    {
        QFETCH(int, bcd);
        QFETCH(int, packet);
        QFETCH(bool, threaded);
        QFETCH(int, n);
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        if (threaded) {
            QFile f(dir.filePath(QStringLiteral("usbserial.cfg")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Globals]\nConfigFlags=0x40000000\n");
        }
        m_chip = plug(uint16_t(bcd), QStringLiteral("WR1"), 1, QStringLiteral("W"), packet);
        m_h = openBySerial("WR1");
        QDir::setCurrent(previous);
        QVERIFY(m_h);
        QCOMPARE(rec(m_h)->writer == &USS_WriteMultiThread, threaded);
        m_chip->clearRecords();
        const auto data = pattern(n);
        uint32_t written = 0;
        QCOMPARE(USS_Write(m_h, const_cast<uint8_t*>(data.data()), uint32_t(n), &written), USS_OK);
        QCOMPARE(written, uint32_t(n));
        const auto out = m_chip->bulkOut();
        QFETCH(bool, zlp);
        QCOMPARE(out.size(), size_t(zlp ? 2 : 1));
        QVERIFY(out[0].data == data);
        if (zlp)
            QVERIFY(out[1].data.empty());
    }

    void writeFaultsAndArguments()
    {
        openChip();
        uint32_t written = 5;
        QCOMPARE(USS_Write(m_h, nullptr, 0, &written), USS_OK);
        QCOMPARE(written, 0u);
        QCOMPARE(USS_Write(m_h, nullptr, 3, &written), USS_INVALID_PARAMETER);
        uint8_t b[4] = {1, 2, 3, 4};
        QCOMPARE(USS_Write(m_h, b, 4, nullptr), USS_INVALID_PARAMETER);
        // Output not taken: the time-out is not an error, the count tells.
        QCOMPARE(USS_SetTimeouts(m_h, 2000, 100), USS_OK);
        m_chip->setOutputNotTaken(true);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(USS_Write(m_h, b, 4, &written), USS_OK);
        QCOMPARE(written, 0u);
        QVERIFY(clock.elapsed() >= 90);
        m_chip->setOutputNotTaken(false);
        bus().unplug(m_chip);
        QCOMPARE(USS_Write(m_h, b, 4, &written), USS_IO_ERROR);
    }

    // Closing while requests are in flight, data is flowing and the bus is
    // slow to give cancelled requests back: nothing is freed before the bus
    // has returned every request (the sanitizer builds check the memory).
    void closeWhileTransfersInFlight()
    {
        m_chip = plug(0x0600, QStringLiteral("CYC1"));
        for (int cycle = 0; cycle < 100; ++cycle) {
            m_chip->setSlowCancellation(cycle % 10 == 0 ? 400 : cycle % 3);
            USS_HANDLE h = openBySerial("CYC1");
            QVERIFY(h);
            QCOMPARE(USS_SetBaudRate(h, 38400), USS_OK);
            if (cycle % 2)
                QCOMPARE(USS_SetLatencyTimer(h, 1), USS_OK);
            m_chip->sendFromPeer(0, pattern(300 + cycle));
            QCOMPARE(USS_Close(h), USS_OK);
            QCOMPARE(m_chip->pendingInTransfers(), 0);
        }
        QCOMPARE(m_chip->openHandles(), 0);
        QCOMPARE(m_chip->claimedInterfaces(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUsbSerialIo)
#include "tst_usbserial_io.moc"
