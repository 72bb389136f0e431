#include "UsbSerialTestSupport.h"

#include <usbserial-private.h>

#include <QtTest>

#include <atomic>
#include <thread>

using namespace UsbSerialTest;

namespace {
DeviceExtension* rec(USS_HANDLE h) { return static_cast<DeviceExtension*>(h); }

uint32_t pendingEvents(USS_HANDLE h)
{
    std::lock_guard<std::mutex> g(rec(h)->commLock);
    return rec(h)->commPending;
}

uint32_t eventStatus(USS_HANDLE h)
{
    std::lock_guard<std::mutex> g(rec(h)->eventStatusLock);
    return rec(h)->eventStatus;
}

// Runs USS_W32_WaitCommEvent on its own thread.
struct Waiter
{
    std::atomic<bool> done{false};
    USS_BOOL result = -1;
    uint32_t events = 0xFFFF;
    std::thread thread;
    explicit Waiter(USS_HANDLE h)
        : thread([this, h] {
              result = USS_W32_WaitCommEvent(h, &events, nullptr);
              done = true;
          })
    {
    }
    ~Waiter()
    {
        if (thread.joinable())
            thread.join();
    }
    void join() { thread.join(); }
};
} // namespace

class TestUsbSerialW32 : public QObject
{
    Q_OBJECT

    SimulatedUsbSerialChip* m_chip = nullptr;
    USS_HANDLE m_h = nullptr;

    void openChip()
    {
        m_chip = plug(0x0600, QStringLiteral("W32"));
        m_h = USS_W32_CreateFile("W32", 0, 0, nullptr, 0, 1, nullptr);
        QVERIFY(m_h != USS_W32_INVALID_HANDLE_VALUE);
        QCOMPARE(USS_SetBaudRate(m_h, 38400), USS_OK);
        m_chip->clearRecords();
    }

private slots:
    void cleanup()
    {
        if (m_h)
            USS_Close(m_h);
        m_h = nullptr;
        bus().unplugAll();
    }

    void createAndOpenFile()
    {
        SimulatedUsbSerialChip* c = plug(0x0600, QStringLiteral("CF1"));
        QCOMPARE(USS_W32_CreateFile("CF1", 0, 0, nullptr, 0, 0, nullptr), USS_W32_INVALID_HANDLE_VALUE);
        QCOMPARE(c->openHandles(), 0);
        QVERIFY(c->controlRequests().empty());
        QCOMPARE(USS_W32_CreateFile("NOPE", 0, 0, nullptr, 0, 1, nullptr), USS_W32_INVALID_HANDLE_VALUE);
        USS_HANDLE h = USS_W32_CreateFile("USB Serial", 0, 0, nullptr, 0, 2, nullptr);
        QVERIFY(h != USS_W32_INVALID_HANDLE_VALUE);
        QCOMPARE(USS_W32_CloseHandle(h), 1);
        QCOMPARE(USS_W32_CloseHandle(h), 0);
        h = USS_W32_OpenFile(0, 0, 0, nullptr, 0, 0, nullptr);
        QVERIFY(h);
        QCOMPARE(USS_W32_CloseHandle(h), 1);
        QVERIFY(!USS_W32_OpenFile(1, 0, 0, nullptr, 0, 0, nullptr));
    }

    void calls()
    {
        openChip();
        QCOMPARE(USS_W32_EscapeCommFunction(m_h, 7), 0);
        QVERIFY(m_chip->controlRequests().empty());
        QCOMPARE(USS_W32_EscapeCommFunction(m_h, 3), 1);
        QCOMPARE(USS_W32_EscapeCommFunction(m_h, 6), 1);
        QCOMPARE(USS_W32_SetCommBreak(m_h), 1);
        QCOMPARE(USS_W32_ClearCommBreak(m_h), 1);
        auto got = m_chip->controlRequests();
        QCOMPARE(got.size(), size_t(4));
        QCOMPARE(got[0].value, uint16_t(0x0202));
        QCOMPARE(got[1].value, uint16_t(0x0100));
        QCOMPARE(got[2].value, uint16_t(0x4008));
        QCOMPARE(got[3].value, uint16_t(0x0008));

        m_chip->clearRecords();
        QCOMPARE(USS_W32_PurgeComm(m_h, 0x0008), 1);
        QCOMPARE(requests(m_chip, 0).size(), size_t(6));
        QCOMPARE(requests(m_chip, 0).back().value, uint16_t(1));
        m_chip->clearRecords();
        QCOMPARE(USS_W32_PurgeComm(m_h, 0x0005), 1);
        QCOMPARE(requests(m_chip, 0).size(), size_t(1));
        QCOMPARE(requests(m_chip, 0).back().value, uint16_t(2));

        QCOMPARE(USS_W32_CancelIo(m_h), 0);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_NOT_SUPPORTED);
        QCOMPARE(USS_W32_GetOverlappedResult(m_h, nullptr, nullptr, 0), 0);
        QCOMPARE(USS_W32_SetupComm(m_h, 4096, 4096), 1);

        QCOMPARE(USS_SetTimeouts(m_h, 2000, 100), USS_OK);
        CommTimeouts t{9, 9, 9, 9, 9};
        QCOMPARE(USS_W32_GetCommTimeouts(m_h, &t), 1);
        QCOMPARE(t.readIntervalTimeout, 0u);
        QCOMPARE(t.readTotalTimeoutMultiplier, 0u);
        QCOMPARE(t.readTotalTimeoutConstant, 2000u);
        QCOMPARE(t.writeTotalTimeoutMultiplier, 0u);
        QCOMPARE(t.writeTotalTimeoutConstant, 100u);
        t = CommTimeouts{1, 1, 300, 1, 40};
        QCOMPARE(USS_W32_SetCommTimeouts(m_h, &t), 1);
        QCOMPARE(rec(m_h)->readTimeout.load(), 300u);
        QCOMPARE(rec(m_h)->writeTimeout.load(), 40u);
        QCOMPARE(USS_W32_SetCommTimeouts(m_h, nullptr), 0);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_INVALID_PARAMETER);

        uint8_t out[3] = {'a', 'b', 'c'};
        uint32_t n = 0;
        QCOMPARE(USS_W32_WriteFile(m_h, out, 3, &n, nullptr), 1);
        uint8_t in[3] = {};
        QCOMPARE(USS_W32_ReadFile(m_h, in, 3, &n, nullptr), 1);
        QCOMPARE(n, 3u);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_OK);
        QCOMPARE(USS_W32_ReadFile(m_h, nullptr, 3, &n, nullptr), 0);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_INVALID_PARAMETER);

        uint32_t modem = 0;
        QCOMPARE(USS_W32_GetCommModemStatus(m_h, &modem), 1);
        QCOMPARE(modem, 0x30u);
    }

    void commState()
    {
        openChip();
        CommState state{};
        QCOMPARE(USS_W32_GetCommState(m_h, nullptr), 0);
        QCOMPARE(USS_W32_SetCommState(m_h, nullptr), 0);
        state.baudRate = 38400;
        state.byteSize = 8;
        state.flags = (1u << 4) | (1u << 12); // DTR control and RTS control on
        state.eventChar = 0x0D;
        QCOMPARE(USS_W32_SetCommState(m_h, &state), 1);
        auto got = m_chip->controlRequests();
        QCOMPARE(got.size(), size_t(7));
        QCOMPARE(got[0].request, uint8_t(3));
        QCOMPARE(got[0].value, uint16_t(0xC04E));
        QCOMPARE(got[1].request, uint8_t(4));
        QCOMPARE(got[2].request, uint8_t(2));
        QCOMPARE(got[2].index, uint16_t(0));
        QCOMPARE(got[3].value, uint16_t(0x0202)); // RTS control changed
        QCOMPARE(got[4].value, uint16_t(0x0101)); // DTR control changed
        QCOMPARE(got[5].value, uint16_t(0x010D));
        QCOMPARE(got[6].value, uint16_t(0));
        CommState back{};
        QCOMPARE(USS_W32_GetCommState(m_h, &back), 1);
        QCOMPARE(back.flags, state.flags);
        // The same state again: no RTS or DTR request.
        m_chip->clearRecords();
        QCOMPARE(USS_W32_SetCommState(m_h, &state), 1);
        QCOMPARE(requests(m_chip, 1).size(), size_t(0));
        // CTS and XON/XOFF flow both asked for: RTS/CTS wins, then RTS on.
        m_chip->clearRecords();
        state.flags = (1u << 2) | (1u << 8) | (1u << 4) | (1u << 12);
        QCOMPARE(USS_W32_SetCommState(m_h, &state), 1);
        QCOMPARE(requests(m_chip, 2).at(0).index, uint16_t(0x0100));
        QCOMPARE(requests(m_chip, 1).size(), size_t(1));
        QCOMPARE(requests(m_chip, 1).at(0).value, uint16_t(0x0202));
        // A rate no divisor reaches fails the call; the state still counts as applied.
        state.baudRate = 4000000;
        QCOMPARE(USS_W32_SetCommState(m_h, &state), 0);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_IO_ERROR);
    }

    void clearCommError()
    {
        openChip();
        QCOMPARE(USS_W32_SetCommMask(m_h, 0), 1);
        uint32_t errors = 0;
        CommStatus status{0xFFu, 0, 7};
        QCOMPARE(USS_W32_ClearCommError(m_h, nullptr, &status), 0);
        QCOMPARE(USS_W32_GetLastError(m_h), USS_INVALID_PARAMETER);
        m_chip->injectLineError(0, 0x04);
        m_chip->sendFromPeer(0, {1, 2, 3, 4});
        uint32_t n = 0;
        QTRY_VERIFY((USS_GetQueueStatus(m_h, &n), n == 4));
        QTRY_VERIFY([&] {
            std::lock_guard<std::mutex> g(rec(m_h)->commLock);
            return rec(m_h)->commErrors != 0;
        }());
        QCOMPARE(pendingEvents(m_h), 0u); // mask 0: no event, the error flag all the same
        QCOMPARE(USS_W32_ClearCommError(m_h, &errors, &status), 1);
        QCOMPARE(errors, 0x04u);
        QCOMPARE(status.flags, 0x80u);
        QCOMPARE(status.inQueue, 4u);
        QCOMPARE(status.outQueue, 0u);
        QCOMPARE(USS_W32_ClearCommError(m_h, &errors, &status), 1);
        QCOMPARE(errors, 0u);
        // With the error event in the mask it is raised too.
        QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_ERR), 1);
        // (A packet of status bytes alone has its line errors ignored.)
        m_chip->injectLineError(0, 0x08);
        m_chip->sendFromPeer(0, {5});
        QTRY_COMPARE(pendingEvents(m_h), uint32_t(USS_EV_ERR));
    }

    void waitCommEvent()
    {
        openChip();
        uint32_t events = 5;
        QCOMPARE(USS_W32_WaitCommEvent(m_h, &events, nullptr), 0); // empty mask
        QCOMPARE(USS_W32_GetLastError(m_h), USS_INVALID_PARAMETER);
        QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_RXCHAR), 1);
        QCOMPARE(USS_W32_WaitCommEvent(m_h, nullptr, nullptr), 0);
        {
            std::lock_guard<std::mutex> g(rec(m_h)->commLock);
            rec(m_h)->commPending = USS_EV_RXFLAG; // pending, but not asked for
        }
        // Ended by data.
        {
            Waiter w(m_h);
            m_chip->sendFromPeer(0, {'x'});
            w.join();
            QCOMPARE(w.result, 1);
            QCOMPARE(w.events, uint32_t(USS_EV_RXCHAR));
            QCOMPARE(pendingEvents(m_h), 0u); // the RX-flag went with it
        }
        // Ended by a new mask.
        {
            QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_CTS), 1);
            Waiter w(m_h);
            QTest::qWait(50);
            QVERIFY(!w.done);
            QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_DSR), 1);
            w.join();
            QCOMPARE(w.result, 1);
            QCOMPARE(w.events, 0u);
        }
        // Transmit empty: a complete write.
        {
            QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_TXEMPTY), 1);
            Waiter w(m_h);
            uint8_t b = 1;
            uint32_t n = 0;
            QTest::qWait(20);
            QCOMPARE(USS_Write(m_h, &b, 1, &n), USS_OK);
            w.join();
            QCOMPARE(w.result, 1);
            QCOMPARE(w.events, uint32_t(USS_EV_TXEMPTY));
            // Another event pending: the bit is not added, the event still set.
            {
                std::lock_guard<std::mutex> g(rec(m_h)->commLock);
                rec(m_h)->commPending = USS_EV_CTS;
            }
            QCOMPARE(USS_Write(m_h, &b, 1, &n), USS_OK);
            QCOMPARE(pendingEvents(m_h), uint32_t(USS_EV_CTS));
        }
        // Ended by closing the device: FALSE, and the record outlives the waiter.
        {
            {
                std::lock_guard<std::mutex> g(rec(m_h)->commLock);
                rec(m_h)->commPending = 0;
            }
            QCOMPARE(USS_W32_SetCommMask(m_h, USS_EV_CTS), 1);
            Waiter w(m_h);
            QTest::qWait(50);
            QCOMPARE(USS_Close(m_h), USS_OK);
            m_h = nullptr;
            w.join();
            QCOMPARE(w.result, 0);
            QCOMPARE(w.events, 0u);
        }
    }

    void notifications()
    {
        openChip();
        NotificationHandle notify;
        pthread_cond_init(&notify.cond, nullptr);
        pthread_mutex_init(&notify.mutex, nullptr);
        uint32_t status = 0;
        QCOMPARE(USS_SetEventNotification(m_h, 3, nullptr), USS_INVALID_PARAMETER);
        QCOMPARE(USS_SetEventNotification(m_h, 0, nullptr), USS_INVALID_PARAMETER);
        m_chip->setModemLines(0, 0x20);
        QTRY_COMPARE(rec(m_h)->modemStatus.load(), uint8_t(0x20));
        QCOMPARE(USS_SetEventNotification(m_h, USS_EVENT_RXCHAR | USS_EVENT_MODEM_STATUS, &notify), USS_OK);
        // Status-only packets without a change signal nothing.
        QTest::qWait(60);
        QCOMPARE(eventStatus(m_h), 0u);
        // Data and a CTS change in one packet: only the data is recorded.
        m_chip->queueRawTransfer(0, {0x31, 0x60, 'x'});
        QTRY_VERIFY(eventStatus(m_h) != 0);
        QCOMPARE(USS_GetEventStatus(m_h, &status), USS_OK);
        QCOMPARE(status, uint32_t(USS_EVENT_RXCHAR));
        m_chip->setModemLines(0, 0x30);
        QTRY_COMPARE(eventStatus(m_h), uint32_t(USS_EVENT_MODEM_STATUS));
        uint32_t modem = 0;
        QCOMPARE(USS_GetModemStatus(m_h, &modem), USS_OK);
        QCOMPARE(modem, 0x30u);
        QCOMPARE(eventStatus(m_h), 0u); // bit 0x2 cleared by reading the modem status
        QCOMPARE(USS_GetEventStatus(m_h, nullptr), USS_INVALID_PARAMETER);
        // Mask 0 turns notification mode off.
        QCOMPARE(USS_SetEventNotification(m_h, 0, &notify), USS_OK);
        QCOMPARE(rec(m_h)->notificationOn.load() & 1u, 0u);
        m_chip->setModemLines(0, 0x20);
        QTest::qWait(60);
        QCOMPARE(eventStatus(m_h), 0u);
        uint32_t rx = 0, tx = 0, ev = 9;
        QCOMPARE(USS_GetStatus(m_h, &rx, &tx, &ev), USS_OK);
        QCOMPARE(ev, 0u);
        QCOMPARE(rx, 1u);
        pthread_cond_destroy(&notify.cond);
        pthread_mutex_destroy(&notify.mutex);
    }
};

QTEST_GUILESS_MAIN(TestUsbSerialW32)
#include "tst_usbserial_w32.moc"
