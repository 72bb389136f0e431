#include "UsbSerialTestSupport.h"

#include <baud.h>
#include <usbserial-private.h>

#include <QtTest>

#include <functional>

using namespace UsbSerialTest;
using Record = SimulatedUsbSerialChip::ControlRecord;
using Requests = std::vector<Record>;

Q_DECLARE_METATYPE(Requests)
Q_DECLARE_METATYPE(std::function<USS_STATUS(USS_HANDLE)>)

namespace {
Record out(uint8_t request, uint16_t value, uint16_t index, std::vector<uint8_t> data = {})
{
    return Record{0x40, request, value, index, std::move(data)};
}
Record in(uint8_t request, uint16_t value, uint16_t index, std::vector<uint8_t> data)
{
    return Record{0xC0, request, value, index, std::move(data)};
}
Requests times(int n, const Record& r) { return Requests(size_t(n), r); }
Requests operator+(Requests a, const Requests& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
QString describe(const Requests& rs)
{
    QStringList parts;
    for (const Record& r : rs)
        parts << QStringLiteral("%1/%2 v=%3 i=%4 d=%5")
                     .arg(r.requestType, 0, 16).arg(r.request).arg(r.value, 4, 16, QLatin1Char('0'))
                     .arg(r.index, 4, 16, QLatin1Char('0')).arg(r.data.size());
    return parts.join(QStringLiteral("; "));
}
} // namespace

class TestUsbSerialControl : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { bus().unplugAll(); }

    // Every request on interface B of a two-interface chip: port 2 in wIndex.
    void requests_data()
    {
        using Call = std::function<USS_STATUS(USS_HANDLE)>;
        QTest::addColumn<Call>("call");
        QTest::addColumn<Requests>("expected");
        const Record purgeRx = out(0, 1, 2);
        const Record purgeTx = out(0, 2, 2);
        QTest::newRow("reset") << Call(USS_ResetDevice) << (Requests{out(0, 0, 0)} + times(6, purgeRx) + Requests{purgeTx});
        QTest::newRow("purge receive") << Call([](USS_HANDLE h) { return USS_Purge(h, 1); }) << times(6, purgeRx);
        QTest::newRow("purge transmit") << Call([](USS_HANDLE h) { return USS_Purge(h, 2); }) << Requests{purgeTx};
        QTest::newRow("purge both") << Call([](USS_HANDLE h) { return USS_Purge(h, 3); })
                                    << (times(6, purgeRx) + Requests{purgeTx});
        QTest::newRow("purge nothing") << Call([](USS_HANDLE h) { return USS_Purge(h, 4); }) << Requests{};
        QTest::newRow("DTR on") << Call(USS_SetDtr) << Requests{out(1, 0x0101, 2)};
        QTest::newRow("DTR off") << Call(USS_ClrDtr) << Requests{out(1, 0x0100, 2)};
        QTest::newRow("RTS on") << Call(USS_SetRts) << Requests{out(1, 0x0202, 2)};
        QTest::newRow("RTS off") << Call(USS_ClrRts) << Requests{out(1, 0x0200, 2)};
        QTest::newRow("XON/XOFF") << Call([](USS_HANDLE h) { return USS_SetFlowControl(h, 0x0400, 0x11, 0x13); })
                                  << Requests{out(2, 0x1311, 0x0402)};
        QTest::newRow("no flow control") << Call([](USS_HANDLE h) { return USS_SetFlowControl(h, 0, 0x11, 0x13); })
                                         << Requests{out(2, 0, 2)};
        QTest::newRow("RTS/CTS") << Call([](USS_HANDLE h) { return USS_SetFlowControl(h, 0x0100, 0, 0); })
                                 << Requests{out(2, 0, 0x0102), out(1, 0x0202, 2)};
        QTest::newRow("DTR/DSR") << Call([](USS_HANDLE h) { return USS_SetFlowControl(h, 0x0200, 0, 0); })
                                 << Requests{out(2, 0, 0x0202), out(1, 0x0101, 2)};
        QTest::newRow("8N1") << Call([](USS_HANDLE h) { return USS_SetDataCharacteristics(h, 8, 0, 0); })
                             << Requests{out(4, 0x0008, 2)};
        QTest::newRow("7 bits, 2 stop, even, then break")
            << Call([](USS_HANDLE h) {
                   USS_SetDataCharacteristics(h, 7, 2, 2);
                   USS_SetBreakOn(h);
                   return USS_SetBreakOff(h);
               })
            << Requests{out(4, 0x1207, 2), out(4, 0x5207, 2), out(4, 0x1207, 2)};
        QTest::newRow("break after open") << Call(USS_SetBreakOn) << Requests{out(4, 0x4008, 2)};
        QTest::newRow("special characters") << Call([](USS_HANDLE h) { return USS_SetChars(h, 0x7E, 1, 0, 0); })
                                            << Requests{out(6, 0x017E, 2), out(7, 0, 2)};
        QTest::newRow("latency") << Call([](USS_HANDLE h) { return USS_SetLatencyTimer(h, 200); })
                                 << Requests{out(9, 200, 2)};
        QTest::newRow("get latency") << Call([](USS_HANDLE h) { uint8_t v; return USS_GetLatencyTimer(h, &v); })
                                     << Requests{in(10, 0, 2, {16})};
        QTest::newRow("bit mode") << Call([](USS_HANDLE h) { return USS_SetBitMode(h, 0xFF, 0x01); })
                                  << Requests{out(11, 0x01FF, 2)};
        QTest::newRow("get bit mode") << Call([](USS_HANDLE h) { uint8_t v; return USS_GetBitMode(h, &v); })
                                      << Requests{in(12, 0, 2, {0})};
        QTest::newRow("divisor") << Call([](USS_HANDLE h) { return USS_SetDivisor(h, 0x1234); })
                                 << Requests{out(3, 0x1234, 2)};
        QTest::newRow("9600 baud") << Call([](USS_HANDLE h) { return USS_SetBaudRate(h, 9600); })
                                   << Requests{out(3, 0x4138, 0x0002)};
        QTest::newRow("10400 baud, 12 MHz") << Call([](USS_HANDLE h) { return USS_SetBaudRate(h, 10400); })
                                            << Requests{out(3, 0xC481, 0x0302)};
    }

    void requests()
    {
        QFETCH(std::function<USS_STATUS(USS_HANDLE)>, call);
        QFETCH(Requests, expected);
        SimulatedUsbSerialChip* c = plug(0x0700, QStringLiteral("US7CTL"), 2);
        USS_HANDLE h = openBySerial("US7CTLB");
        QVERIFY(h);
        // The modem status at open asks the interface number, not the port.
        const auto atOpen = UsbSerialTest::requests(c, 5);
        QCOMPARE(atOpen.size(), size_t(1));
        QCOMPARE(atOpen[0].index, uint16_t(1));
        c->clearRecords();
        QCOMPARE(call(h), USS_OK);
        const auto got = c->controlRequests();
        QVERIFY2(got == expected, qPrintable(describe(got) + QStringLiteral("  expected  ") + describe(expected)));
        QCOMPARE(USS_Close(h), USS_OK);
    }

    void classGatesWithoutRequests()
    {
        SimulatedUsbSerialChip* c24 = plug(0x2400, QStringLiteral("C24"), 2);
        SimulatedUsbSerialChip* c08 = plug(0x0800, QStringLiteral("C08"), 2);
        USS_HANDLE h24 = openBySerial("C24A");
        USS_HANDLE h08 = openBySerial("C08A");
        QVERIFY(h24 && h08);
        c24->clearRecords();
        c08->clearRecords();
        uint8_t b[4] = {};
        QCOMPARE(USS_SetLatencyTimer(h24, 1), USS_NOT_SUPPORTED);
        QCOMPARE(USS_GetLatencyTimer(h24, b), USS_NOT_SUPPORTED);
        QCOMPARE(USS_SetBitMode(h24, 0, 0), USS_NOT_SUPPORTED);
        QCOMPARE(USS_GetBitMode(h24, b), USS_NOT_SUPPORTED);
        QCOMPARE(USS_VendorCmdGet(h08, 1, b, 1), USS_IO_ERROR);
        QCOMPARE(USS_VendorCmdGetEx(h08, 1, b, 1), USS_IO_ERROR);
        QCOMPARE(USS_VendorCmdSet(h08, 1, b, 1), USS_IO_ERROR);
        QVERIFY(c24->controlRequests().empty());
        QVERIFY(c08->controlRequests().empty());
        USS_Close(h24);
        USS_Close(h08);
    }

    void vendorCommands()
    {
        SimulatedUsbSerialChip* c = plug(0x1800, QStringLiteral("V18"), 2);
        USS_HANDLE h = openBySerial("V18B");
        QVERIFY(h);
        c->clearRecords();
        uint8_t one = 0xAB;
        QCOMPARE(USS_VendorCmdSet(h, 0x05, &one, 1), USS_OK);
        std::vector<uint8_t> big(300, 0x5A);
        QCOMPARE(USS_VendorCmdSet(h, 0x0106, big.data(), 300), USS_OK);
        uint8_t reply[200] = {};
        QCOMPARE(USS_VendorCmdGet(h, 0x1234, reply, 200), USS_OK);
        QCOMPARE(USS_VendorCmdGetEx(h, 0x1234, reply, 4), USS_OK);
        QCOMPARE(USS_VendorCmdSet(h, 1, nullptr, 2), USS_INVALID_PARAMETER);
        QCOMPARE(USS_VendorCmdGet(h, 1, nullptr, 2), USS_INVALID_PARAMETER);
        const auto got = c->controlRequests();
        QCOMPARE(got.size(), size_t(4));
        QVERIFY(got[0] == out(0x21, 0xAB05, 2));
        QVERIFY(got[1] == out(0x21, 0x06, 2, std::vector<uint8_t>(128, 0x5A)));
        QCOMPARE(got[2].value, uint16_t(0x34));
        QCOMPARE(got[2].data.size(), size_t(128));
        QCOMPARE(got[3].value, uint16_t(0x1234));
        USS_Close(h);
    }

    void failedRequestsKeepTheirFields()
    {
        SimulatedUsbSerialChip* c = plug(0x0600, QStringLiteral("REF1"));
        USS_HANDLE h = openBySerial("REF1");
        QVERIFY(h);
        auto* r = static_cast<DeviceExtension*>(h);
        QCOMPARE(USS_SetChars(h, 0x0D, 1, 0x3F, 1), USS_OK);
        c->setRefusedRequest(9);
        QCOMPARE(USS_SetLatencyTimer(h, 2), USS_IO_ERROR);
        QCOMPARE(r->latencyTimer.load(), uint8_t(16));
        c->setRefusedRequest(7);
        QCOMPARE(USS_SetChars(h, 0x7E, 1, 0, 0), USS_IO_ERROR);
        QCOMPARE(r->eventChar.load(), uint8_t(0x0D));
        c->setRefusedRequest(4);
        QCOMPARE(USS_SetDataCharacteristics(h, 7, 0, 0), USS_IO_ERROR);
        QCOMPARE(r->lineControl.load(), uint16_t(7)); // remembered all the same
        c->setRefusedRequest(-1);
        c->setShortControlData(true);
        uint8_t v = 0;
        QCOMPARE(USS_GetLatencyTimer(h, &v), USS_IO_ERROR);
        c->setShortControlData(false);
        QCOMPARE(USS_GetLatencyTimer(h, &v), USS_OK);
        QCOMPARE(v, uint8_t(16));
        QCOMPARE(USS_GetLatencyTimer(h, nullptr), USS_INVALID_PARAMETER);
        QCOMPARE(USS_CyclePort(h), USS_OK);
        QCOMPARE(c->resetCount(), 1);
        USS_Close(h);
    }

    void baudRates_data()
    {
        QTest::addColumn<int>("bcd");
        QTest::addColumn<uint32_t>("baud");
        QTest::addColumn<uint32_t>("status");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("index");
        QTest::newRow("06 9600") << 0x0600 << 9600u << USS_OK << 0x4138 << 0;
        QTest::newRow("06 10400") << 0x0600 << 10400u << USS_OK << 0x4120 << 0;
        QTest::newRow("07 10400") << 0x0700 << 10400u << USS_OK << 0xC481 << 0x0301;
        QTest::newRow("06 2000000") << 0x0600 << 2000000u << USS_OK << 0x4001 << 0;
        QTest::newRow("07 2000000") << 0x0700 << 2000000u << USS_OK << 0x0006 << 0x0201;
        QTest::newRow("06 3000000") << 0x0600 << 3000000u << USS_OK << 0 << 0;
        QTest::newRow("06 4000000") << 0x0600 << 4000000u << USS_IO_ERROR << -1 << -1;
        QTest::newRow("07 4000000") << 0x0700 << 4000000u << USS_OK << 0x0003 << 0x0201;
        QTest::newRow("07 12000000") << 0x0700 << 12000000u << USS_OK << 0 << 0x0201;
        QTest::newRow("07 8100000") << 0x0700 << 8100000u << USS_OK << 1 << 0x0201;
        QTest::newRow("06 183") << 0x0600 << 183u << USS_IO_ERROR << -1 << -1;
        QTest::newRow("02 184") << 0x0200 << 184u << USS_OK << 0xBFB0 << 0;
        QTest::newRow("06 184") << 0x0600 << 184u << USS_OK << 0x3FB0 << 1;
        QTest::newRow("06 250000") << 0x0600 << 250000u << USS_OK << 0x000C << 0;
        QTest::newRow("07 250000") << 0x0700 << 250000u << USS_OK << 0x0030 << 0x0201;
        QTest::newRow("06 0") << 0x0600 << 0u << USS_IO_ERROR << -1 << -1;
        // Far above any chip: refused, not wrapped round into 3 or 12 Mbaud.
        QTest::newRow("06 42949673") << 0x0600 << 42949673u << USS_IO_ERROR << -1 << -1;
        QTest::newRow("07 45000000") << 0x0700 << 45000000u << USS_IO_ERROR << -1 << -1;
        QTest::newRow("07 4000000000") << 0x0700 << 4000000000u << USS_IO_ERROR << -1 << -1;
    }

    void baudRates()
    {
        QFETCH(int, bcd);
        QFETCH(uint32_t, baud);
        QFETCH(int, value);
        QFETCH(int, index);
        const bool multi = bcd == 0x0700;
        SimulatedUsbSerialChip* c = plug(uint16_t(bcd), QStringLiteral("BR"), multi ? 2 : 1);
        USS_HANDLE h = openBySerial(multi ? "BRA" : "BR");
        QVERIFY(h);
        c->clearRecords();
        QTEST(USS_SetBaudRate(h, baud), "status");
        const auto sent = UsbSerialTest::requests(c, 3);
        if (value < 0) {
            QVERIFY(sent.empty());
        } else {
            QCOMPARE(sent.size(), size_t(1));
            QCOMPARE(int(sent[0].value), value);
            QCOMPARE(int(sent[0].index), index);
        }
        USS_Close(h);
    }

    void divisorCalculations()
    {
        uint16_t d = 0, i = 0;
        uint32_t actual = 0, error = 0;
        int above = -1;
        QCOMPARE(Baud_getDivisor(184, &d, &i, &actual, &error, &above, true), 1);
        QCOMPARE(actual, 183u);
        QCOMPARE(above, 0);
        QCOMPARE(Baud_getDivisor(10400, &d, &i, &actual, nullptr, nullptr, false), 1);
        QCOMPARE(actual, 10398u);
        QCOMPARE(Baud_getDivisorHi(10400, &d, &i, &actual, nullptr, nullptr), 1);
        QCOMPARE(actual, 10399u);
        QVERIFY(Baud_getDivisor(9600, nullptr, &i, nullptr, nullptr, nullptr, true) != 1);
        QVERIFY(Baud_getDivisor(183, &d, &i, nullptr, nullptr, nullptr, true) != 1);
        QCOMPARE(calcBaudRate(0, 0, true), 3000000u);
        QCOMPARE(calcBaudRateHi(1, 3), 8000000u);
    }
};

QTEST_GUILESS_MAIN(TestUsbSerialControl)
#include "tst_usbserial_control.moc"
