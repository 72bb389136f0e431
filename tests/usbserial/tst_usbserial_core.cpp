#include "UsbSerialTestSupport.h"

#include <idtable.h>
#include <usbserial-private.h>

#include <QtTest>

#include <functional>

using namespace UsbSerialTest;

class TestUsbSerialCore : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { bus().unplugAll(); }

    void idTable_growsWithoutLosingKeys()
    {
        IdTable* t = IdTable_create(64);
        QVERIFY(t);
        for (uint32_t k = 0; k < 65; ++k)
            QCOMPARE(IdTable_add(t, 0x10000u + k), 0);
        QCOMPARE(t->capacity, 128u);
        QCOMPARE(t->count, 65);
        for (uint32_t k = 0; k < 65; ++k)
            QVERIFY(IdTable_find(t, 0x10000u + k));
        QCOMPARE(IdTable_add(t, 0x10000u), 0); // already there
        QCOMPARE(t->count, 65);
        QCOMPARE(IdTable_finalEntry(t), 0x10040u);
        IdTable_destroy(t);
    }

    // One process, so the order matters: defaults first, then additions.
    void vidPid_defaultsAdditionsAndCustomChips()
    {
        uint32_t vid = 0, pid = 0;
        QCOMPARE(USS_GetVIDPID(&vid, nullptr), USS_INVALID_PARAMETER);
        QCOMPARE(USS_GetVIDPID(&vid, &pid), USS_OK);
        QCOMPARE(vid, 0x15D6u);
        QCOMPARE(pid, 0x0001u);
        QCOMPARE(gIdt->count, 40);
        QCOMPARE(USS_SetVIDPID(0, 0), USS_OK);
        QCOMPARE(USS_SetVIDPID(0x0403, 0x6001), USS_OK); // built in already
        QCOMPARE(gIdt->count, 40);
        QCOMPARE(USS_GetVIDPID(&vid, &pid), USS_OK);
        QCOMPARE(vid, 0x15D6u);

        // A chip the table lacks is invisible until its pair is added.
        SimulatedUsbSerialChipConfig c = chip(0x0600, QStringLiteral("CUSTOM1"));
        c.vid = 0x1234;
        c.pid = 0x5678;
        bus().plug(c);
        uint32_t count = 0;
        QCOMPARE(USS_ListDevices(&count, nullptr, USS_LIST_NUMBER_ONLY), USS_OK);
        QCOMPARE(count, 0u);
        QVERIFY(!openBySerial("CUSTOM1"));
        for (uint32_t k = 0; k < 25; ++k)
            QCOMPARE(USS_SetVIDPID(0x2000 + k, 0x0001), USS_OK);
        QCOMPARE(USS_SetVIDPID(0x1234, 0x5678), USS_OK);
        QCOMPARE(gIdt->capacity, 128u);
        QCOMPARE(gIdt->count, 66);
        QVERIFY(DeviceMatch(0x0403, 0x6001));
        QVERIFY(DeviceMatch(0x2000, 0x0001));
        QCOMPARE(USS_GetVIDPID(&vid, &pid), USS_OK);
        QCOMPARE(vid, 0x1234u);
        QCOMPARE(pid, 0x5678u);
        QCOMPARE(USS_ListDevices(&count, nullptr, USS_LIST_NUMBER_ONLY), USS_OK);
        QCOMPARE(count, 1u);
        USS_HANDLE h = openBySerial("CUSTOM1");
        QVERIFY(h);
        QCOMPARE(USS_Close(h), USS_OK);
    }

    void events_countAndWait()
    {
        Event e;
        EventInit(&e);
        QCOMPARE(EventWait(&e, 1), 0);
        EventSet(&e);
        EventSet(&e);
        EventReset(&e);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(EventWait(&e, 60000), 1); // signalled: at once, however long the limit
        QVERIFY(clock.elapsed() < 30000);
        EventReset(&e);
        EventReset(&e); // below zero stays zero
        QCOMPARE(EventWait(&e, 1), 0);
        EventSet(&e);
        QCOMPARE(EventWait(&e, 0), 1);
    }

    void deviceType_data()
    {
        QTest::addColumn<int>("bcd");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("multi");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("highSpeed");
        QTest::addColumn<bool>("zlp");
        QTest::addColumn<int>("byIndex");
        QTest::newRow("0200 serial") << 0x0200 << true << 1 << false << false << false << false << 1;
        QTest::newRow("0200 no serial") << 0x0200 << false << 0 << false << true << false << false << 1;
        QTest::newRow("0500") << 0x0500 << true << 4 << true << true << false << false << 2;
        QTest::newRow("0600") << 0x0600 << true << 5 << false << true << false << false << 1;
        QTest::newRow("0601 is class 06, type 3") << 0x0601 << true << 3 << false << true << false << false << 1;
        QTest::newRow("0700") << 0x0700 << true << 6 << true << true << true << false << 2;
        QTest::newRow("1400") << 0x1400 << true << 3 << false << true << false << true << 0;
        QTest::newRow("1800") << 0x1800 << true << 10 << true << true << true << true << 2;
        QTest::newRow("2400") << 0x2400 << true << 14 << true << false << true << false << 0;
        QTest::newRow("2500") << 0x2500 << true << 15 << true << false << true << false << 7;
        QTest::newRow("3600") << 0x3600 << true << 24 << true << true << true << false << 4;
        QTest::newRow("unknown 0100") << 0x0100 << true << 3 << false << false << false << false << 0;
    }

    void deviceType()
    {
        QFETCH(int, bcd);
        QFETCH(bool, serial);
        libusb_device_descriptor d{};
        d.bcdDevice = uint16_t(bcd);
        d.iSerialNumber = serial ? 3 : 0;
        QTEST(int(GetDeviceType(&d)), "type");
        QTEST(chipMultiInterface(&d), "multi");
        QTEST(chipExtended(&d), "extended");
        QTEST(chipHighSpeedDivisor(&d), "highSpeed");
        QTEST(chipZlp(&d), "zlp");
        QTEST(chipInterfacesByIndex(&d), "byIndex");
    }

    void simulatedChipList()
    {
        QString error;
        const auto chips = SimulatedUsbSerialChipConfig::parseList(
            QStringLiteral("bcd=0x0700,interfaces=2,serial=US7ABC,product=Dual RS232;pid=0x6015,packet=512"), &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(chips.size(), size_t(2));
        QCOMPARE(chips[0].bcdDevice, uint16_t(0x0700));
        QCOMPARE(chips[0].interfaces, 2);
        QCOMPARE(chips[0].product, QStringLiteral("Dual RS232"));
        QCOMPARE(chips[1].pid, uint16_t(0x6015));
        QCOMPARE(chips[1].packetSize, 512);
        QVERIFY(chips[1].address != chips[0].address);
        QVERIFY(SimulatedUsbSerialChipConfig::parseList(QStringLiteral("interfaces=9"), &error).empty());
        QVERIFY(!error.isEmpty());
        QVERIFY(SimulatedUsbSerialChipConfig::parseList(QStringLiteral("colour=red"), &error).empty());
    }

    void versionsAndUnsupportedCalls()
    {
        uint32_t v = 0;
        QCOMPARE(USS_GetLibraryVersion(nullptr), USS_INVALID_PARAMETER);
        QCOMPARE(USS_GetLibraryVersion(&v), USS_OK);
        QCOMPARE(v, 66599u);
        v = 0;
        QCOMPARE(USS_GetDriverVersion(reinterpret_cast<USS_HANDLE>(0x1234), &v), USS_OK);
        QCOMPARE(v, 0x00010427u);
        QCOMPARE(USS_Rescan(), USS_NOT_SUPPORTED);
        QCOMPARE(USS_Reload(0x0403, 0x6001), USS_NOT_SUPPORTED);
        QCOMPARE(USS_GetComPortNumber(nullptr, nullptr), USS_NOT_SUPPORTED);
        QCOMPARE(USS_ComPortIdle(nullptr), USS_NOT_SUPPORTED);
        QCOMPARE(USS_ComPortCancelIdle(nullptr), USS_NOT_SUPPORTED);
        QCOMPARE(USS_IoCtl(nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr), USS_NOT_SUPPORTED);
        QCOMPARE(USS_SetResetPipeRetryCount(nullptr, 1), USS_NOT_SUPPORTED);
        QCOMPARE(USS_ResetPort(nullptr), USS_NOT_SUPPORTED);
        QCOMPARE(USS_VendorCmdSetEx(nullptr, 0, nullptr, 0), USS_NOT_SUPPORTED);
        QCOMPARE(USS_SetWaitMask(nullptr, 1), USS_NOT_SUPPORTED);
        QCOMPARE(USS_WaitOnMask(nullptr, nullptr), USS_NOT_SUPPORTED);
    }

    // A closed handle and a stray address are refused by every per-device
    // call, without touching memory behind them.
    void invalidHandles()
    {
        SimulatedUsbSerialChip* c = plug(0x0600, QStringLiteral("GONE1"));
        USS_HANDLE closed = openBySerial("GONE1");
        QVERIFY(closed);
        QCOMPARE(USS_Close(closed), USS_OK);
        c->clearRecords();
        int stray = 0;
        for (USS_HANDLE h : {closed, static_cast<USS_HANDLE>(&stray), static_cast<USS_HANDLE>(nullptr)}) {
            uint8_t b = 0;
            uint32_t u = 0, v = 0, w = 0;
            char text[64];
            const std::vector<std::function<USS_STATUS()>> calls = {
                [&] { return USS_Close(h); },
                [&] { return USS_Read(h, &b, 1, &u); },
                [&] { return USS_Write(h, &b, 1, &u); },
                [&] { return USS_GetQueueStatus(h, &u); },
                [&] { return USS_GetQueueStatusEx(h, &u); },
                [&] { return USS_GetStatus(h, &u, &v, &w); },
                [&] { return USS_SetTimeouts(h, 1, 1); },
                [&] { return USS_SetUSBParameters(h, 64, 64); },
                [&] { return USS_SetDeadmanTimeout(h, 10); },
                [&] { return USS_StopInTask(h); },
                [&] { return USS_RestartInTask(h); },
                [&] { return USS_ResetDevice(h); },
                [&] { return USS_Purge(h, 3); },
                [&] { return USS_SetDtr(h); },
                [&] { return USS_ClrDtr(h); },
                [&] { return USS_SetRts(h); },
                [&] { return USS_ClrRts(h); },
                [&] { return USS_SetFlowControl(h, 0, 0, 0); },
                [&] { return USS_SetDataCharacteristics(h, 8, 0, 0); },
                [&] { return USS_SetBreakOn(h); },
                [&] { return USS_SetBreakOff(h); },
                [&] { return USS_SetChars(h, 0, 0, 0, 0); },
                [&] { return USS_SetLatencyTimer(h, 1); },
                [&] { return USS_GetLatencyTimer(h, &b); },
                [&] { return USS_SetBitMode(h, 0, 0); },
                [&] { return USS_GetBitMode(h, &b); },
                [&] { return USS_SetDivisor(h, 1); },
                [&] { return USS_SetBaudRate(h, 9600); },
                [&] { return USS_CyclePort(h); },
                [&] { return USS_VendorCmdGet(h, 0, &b, 1); },
                [&] { return USS_VendorCmdGetEx(h, 0, &b, 1); },
                [&] { return USS_VendorCmdSet(h, 0, &b, 1); },
                [&] { return USS_SetEventNotification(h, 1, &stray); },
                [&] { return USS_GetEventStatus(h, &u); },
                [&] { return USS_GetModemStatus(h, &u); },
                [&] { return USS_GetDeviceInfo(h, &u, &v, text, text, nullptr); },
                [&] { return USS_GetDeviceLocId(h, &u); },
            };
            for (size_t i = 0; i < calls.size(); ++i)
                QVERIFY2(calls[i]() == USS_INVALID_HANDLE, qPrintable(QStringLiteral("call %1").arg(i)));
            CommState state{};
            CommTimeouts timeouts{};
            CommStatus status{};
            QCOMPARE(USS_W32_CloseHandle(h), 0);
            QCOMPARE(USS_W32_ReadFile(h, &b, 1, &u, nullptr), 0);
            QCOMPARE(USS_W32_WriteFile(h, &b, 1, &u, nullptr), 0);
            QCOMPARE(USS_W32_GetCommState(h, &state), 0);
            QCOMPARE(USS_W32_SetCommState(h, &state), 0);
            QCOMPARE(USS_W32_GetCommTimeouts(h, &timeouts), 0);
            QCOMPARE(USS_W32_ClearCommError(h, &u, &status), 0);
            QCOMPARE(USS_W32_SetCommMask(h, 1), 0);
            QCOMPARE(USS_W32_WaitCommEvent(h, &u, nullptr), 0);
            QCOMPARE(USS_W32_EscapeCommFunction(h, 3), 0);
            QCOMPARE(USS_W32_CancelIo(h), 0);
            QCOMPARE(USS_W32_GetLastError(h), USS_INVALID_HANDLE);
        }
        QVERIFY(c->controlRequests().empty());
    }
};

QTEST_GUILESS_MAIN(TestUsbSerialCore)
#include "tst_usbserial_core.moc"
