#include "UsbSerialTestSupport.h"

#include <usbserial-private.h>

#include <QtTest>

#include <cstring>

using namespace UsbSerialTest;

namespace {
uint32_t location(const SimulatedUsbSerialChip* c)
{
    return uint32_t(c->config().bus) << 8 | c->config().address;
}

struct Cwd
{
    QString previous = QDir::currentPath();
    ~Cwd() { QDir::setCurrent(previous); }
};
} // namespace

class TestUsbSerialOpen : public QObject
{
    Q_OBJECT

    QTemporaryDir m_systemRoot;

private slots:
    void initTestCase()
    {
        // The configuration file's system copies are read below this root only.
        qputenv("ZEMBO_SYSTEM_ROOT", m_systemRoot.path().toUtf8());
    }

    void cleanup() { bus().unplugAll(); }

    void noDevices()
    {
        uint32_t count = 99;
        QCOMPARE(USS_CreateDeviceInfoList(&count), USS_OK);
        QCOMPARE(count, 0u);
        DeviceInfoNode node;
        std::memset(&node, 0x55, sizeof node);
        count = 7;
        QCOMPARE(USS_GetDeviceInfoList(&node, &count), USS_OK);
        QCOMPARE(count, 0u);
        QCOMPARE(uint8_t(node.serialNumber[0]), uint8_t(0x55));
        QCOMPARE(USS_GetDeviceInfoDetail(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
                 USS_DEVICE_NOT_FOUND);
        QCOMPARE(USS_CreateDeviceInfoList(nullptr), USS_INVALID_PARAMETER);
    }

    // A two-interface chip is two devices, named by letters and told apart
    // by the low nibble of their location ID.
    void twoInterfaceChipIsTwoDevices()
    {
        SimulatedUsbSerialChip* c = plug(0x0700, QStringLiteral("US5XYZ"), 2, QStringLiteral("Dual RS232"));
        uint32_t count = 0;
        QCOMPARE(USS_CreateDeviceInfoList(&count), USS_OK);
        QCOMPARE(count, 2u);
        DeviceInfoNode nodes[2];
        QCOMPARE(USS_GetDeviceInfoList(nodes, &count), USS_OK);
        QCOMPARE(count, 2u);
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(nodes[k].flags, 0u);
            QCOMPARE(nodes[k].type, 6u);
            QCOMPARE(nodes[k].id, 0x04036001u);
            QCOMPARE(nodes[k].locId, location(c) << 4 | uint32_t(k + 1));
            QCOMPARE(QString::fromLatin1(nodes[k].serialNumber), QStringLiteral("US5XYZ") + QChar('A' + k));
            QCOMPARE(QString::fromLatin1(nodes[k].description), QStringLiteral("Dual RS232 ") + QChar('A' + k));
            QVERIFY(!nodes[k].handle);
        }
        uint32_t flags = 9, locId = 0;
        char serial[16];
        QCOMPARE(USS_GetDeviceInfoDetail(1, &flags, nullptr, nullptr, &locId, serial, nullptr, nullptr), USS_OK);
        QCOMPARE(flags, 0u);
        QCOMPARE(QByteArray(serial), QByteArray("US5XYZB"));
        QCOMPARE(USS_GetDeviceInfoDetail(2, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
                 USS_DEVICE_NOT_FOUND);
        // Listing leaves nothing open or claimed behind.
        QCOMPARE(c->claimedInterfaces(), 0);
        QCOMPARE(c->openHandles(), 0);

        // The same names through USS_ListDevices: by index, all, by location.
        char name[64] = {};
        QCOMPARE(USS_ListDevices(reinterpret_cast<void*>(1), name, USS_LIST_BY_INDEX | USS_OPEN_BY_DESCRIPTION), USS_OK);
        QCOMPARE(QByteArray(name), QByteArray("Dual RS232 B"));
        QCOMPARE(USS_ListDevices(reinterpret_cast<void*>(0), name, USS_LIST_BY_INDEX), USS_OK); // mode 0 is 1
        QCOMPARE(QByteArray(name), QByteArray("US5XYZA"));
        QCOMPARE(USS_ListDevices(reinterpret_cast<void*>(2), name, USS_LIST_BY_INDEX | USS_OPEN_BY_SERIAL_NUMBER),
                 USS_DEVICE_NOT_FOUND);
        uint32_t loc[2] = {};
        uint32_t n = 0;
        QCOMPARE(USS_ListDevices(loc, &n, USS_LIST_ALL | USS_OPEN_BY_LOCATION), USS_OK);
        QCOMPARE(n, 2u);
        QCOMPARE(loc[1], location(c) << 4 | 2u);
        char a[64], b[64];
        char* names[2] = {a, b};
        QCOMPARE(USS_ListDevices(names, &n, USS_LIST_ALL | USS_OPEN_BY_SERIAL_NUMBER), USS_OK);
        QCOMPARE(QByteArray(b), QByteArray("US5XYZB"));
        QCOMPARE(USS_ListDevices(nullptr, nullptr, USS_LIST_ALL), USS_INVALID_PARAMETER);
        QCOMPARE(USS_ListDevices(&n, nullptr, 0x10000000), USS_INVALID_PARAMETER);
    }

    void fifteenCharacterSerialKeepsFourteenAndTheLetter()
    {
        plug(0x0700, QStringLiteral("ABCDEFGHIJKLMNO"), 2);
        uint32_t count = 0;
        QCOMPARE(USS_CreateDeviceInfoList(&count), USS_OK);
        DeviceInfoNode nodes[2];
        QCOMPARE(USS_GetDeviceInfoList(nodes, &count), USS_OK);
        QCOMPARE(QByteArray(nodes[0].serialNumber), QByteArray("ABCDEFGHIJKLMNA"));
        QCOMPARE(QByteArray(nodes[1].serialNumber), QByteArray("ABCDEFGHIJKLMNB"));
    }

    void openByName_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<uint32_t>("status");
        QTest::addColumn<int>("interfaceNumber");
        QTest::newRow("serial, letter B") << 1 << QByteArray("US7ABCB") << USS_OK << 1;
        QTest::newRow("serial, letter b") << 1 << QByteArray("US7ABCb") << USS_OK << 1;
        QTest::newRow("serial, letter A") << 1 << QByteArray("US7ABCA") << USS_OK << 0;
        QTest::newRow("serial case matters") << 1 << QByteArray("us7abcb") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("no third interface") << 1 << QByteArray("US7ABCC") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("no letter") << 1 << QByteArray("US7ABC") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("not a letter") << 1 << QByteArray("US7ABC1") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("description B") << 2 << QByteArray("Dual RS232 B") << USS_OK << 1;
        QTest::newRow("description without letter") << 2 << QByteArray("Dual RS232") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("single, exact") << 1 << QByteArray("FT1SOLO") << USS_OK << 0;
        QTest::newRow("single, one more") << 1 << QByteArray("FT1SOLOX") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("single, one less") << 1 << QByteArray("FT1SOL") << USS_DEVICE_NOT_FOUND << -1;
        QTest::newRow("single by description") << 2 << QByteArray("Solo Cable") << USS_OK << 0;
    }

    void openByName()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, name);
        QFETCH(uint32_t, status);
        QFETCH(int, interfaceNumber);
        SimulatedUsbSerialChip* dual = plug(0x0700, QStringLiteral("US7ABC"), 2, QStringLiteral("Dual RS232"));
        SimulatedUsbSerialChip* solo = plug(0x0600, QStringLiteral("FT1SOLO"), 1, QStringLiteral("Solo Cable"));
        USS_HANDLE h = nullptr;
        QCOMPARE(USS_OpenEx(name.data(), uint32_t(mode), &h), status);
        if (status != USS_OK) {
            QVERIFY(!h);
            QCOMPARE(dual->claimedInterfaces() | solo->claimedInterfaces(), 0);
            QCOMPARE(dual->openHandles() + solo->openHandles(), 0);
            return;
        }
        auto* r = static_cast<DeviceExtension*>(h);
        QCOMPARE(r->interfaceNumber, interfaceNumber);
        QVERIFY(r->writer == &USS_WriteSingleThread);
        QCOMPARE(r->readTimeout.load(), 0u);
        QCOMPARE(USS_Close(h), USS_OK);
        QCOMPARE(USS_Close(h), USS_INVALID_HANDLE);
        QCOMPARE(dual->claimedInterfaces() | solo->claimedInterfaces(), 0);
    }

    void openByLocationAndIndex()
    {
        SimulatedUsbSerialChip* dual = plug(0x0700, QStringLiteral("US7LOC"), 2);
        SimulatedUsbSerialChip* solo = plug(0x0600, QStringLiteral("SOLO2"));
        USS_HANDLE h = nullptr;
        const uintptr_t chipLocation = location(dual) << 4;
        QCOMPARE(USS_OpenEx(reinterpret_cast<void*>(chipLocation), USS_OPEN_BY_LOCATION, &h), USS_DEVICE_NOT_FOUND);
        QCOMPARE(USS_OpenEx(reinterpret_cast<void*>(chipLocation | 3), USS_OPEN_BY_LOCATION, &h), USS_DEVICE_NOT_FOUND);
        QCOMPARE(USS_OpenEx(reinterpret_cast<void*>(chipLocation | 1), USS_OPEN_BY_LOCATION, &h), USS_OK);
        QCOMPARE(static_cast<DeviceExtension*>(h)->interfaceNumber, 0);
        uint32_t locId = 0;
        QCOMPARE(USS_GetDeviceLocId(h, &locId), USS_OK);
        QCOMPARE(locId, uint32_t(chipLocation | 1));
        QCOMPARE(USS_Close(h), USS_OK);
        QCOMPARE(USS_OpenEx(reinterpret_cast<void*>(uintptr_t(location(solo))), USS_OPEN_BY_LOCATION, &h), USS_OK);
        QCOMPARE(USS_Close(h), USS_OK);

        // Index 2 is the single chip after both interfaces of the dual one.
        QCOMPARE(USS_Open(2, &h), USS_OK);
        char serial[16], description[64];
        uint32_t type = 0, id = 0;
        QCOMPARE(USS_GetDeviceInfo(h, &type, &id, serial, description, nullptr), USS_OK);
        QCOMPARE(QByteArray(serial), QByteArray("SOLO2"));
        QCOMPARE(type, 5u);
        QCOMPARE(USS_Close(h), USS_OK);
        QCOMPARE(USS_Open(1, &h), USS_OK);
        QCOMPARE(USS_GetDeviceInfo(h, nullptr, nullptr, serial, description, nullptr), USS_OK);
        QCOMPARE(QByteArray(serial), QByteArray("US7LOCB"));
        QCOMPARE(QByteArray(description), QByteArray("USB Serial B"));
        QCOMPARE(USS_Close(h), USS_OK);
        QCOMPARE(USS_Open(3, &h), USS_DEVICE_NOT_FOUND);
        QCOMPARE(USS_OpenEx(const_cast<char*>("SOLO2"), USS_OPEN_BY_SERIAL_NUMBER, nullptr), USS_INVALID_PARAMETER);
    }

    void secondOpenFailsWhileFirstWorks()
    {
        plug(0x0700, QStringLiteral("US7TWO"), 2);
        USS_HANDLE first = openBySerial("US7TWOB");
        QVERIFY(first);
        USS_HANDLE second = nullptr;
        QCOMPARE(USS_OpenEx(const_cast<char*>("US7TWOB"), USS_OPEN_BY_SERIAL_NUMBER, &second), USS_DEVICE_NOT_OPENED);
        QVERIFY(!second);
        // The other interface of the same chip is free.
        USS_HANDLE other = openBySerial("US7TWOA");
        QVERIFY(other);
        QCOMPARE(USS_SetBaudRate(first, 38400), USS_OK);
        uint8_t out[3] = {'A', 'T', '\r'};
        uint32_t n = 0;
        QCOMPARE(USS_Write(first, out, 3, &n), USS_OK);
        QCOMPARE(n, 3u);
        QCOMPARE(USS_SetTimeouts(first, 2000, 100), USS_OK);
        uint8_t in[3] = {};
        QCOMPARE(USS_Read(first, in, 3, &n), USS_OK);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(in), int(n)), QByteArray("AT\r"));
        QCOMPARE(USS_Close(other), USS_OK);
        QCOMPARE(USS_Close(first), USS_OK);
    }

    void failedOpenLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<uint32_t>("status");
        QTest::newRow("kernel driver") << "kernel" << USS_DEVICE_NOT_OPENED;
        QTest::newRow("held by another program") << "held" << USS_DEVICE_NOT_OPENED;
        QTest::newRow("reset refused") << "reset" << USS_IO_ERROR;
        QTest::newRow("modem status short") << "short" << USS_IO_ERROR;
    }

    void failedOpenLeavesNothingBehind()
    {
        QFETCH(QString, fault);
        SimulatedUsbSerialChip* c = plug(0x0600, QStringLiteral("FAULTY"));
        if (fault == QLatin1String("kernel"))
            c->setKernelDriverAttached(0, true);
        else if (fault == QLatin1String("held"))
            c->setHeldElsewhere(0, true);
        else if (fault == QLatin1String("reset"))
            c->setRefusedRequest(0);
        else
            c->setShortControlData(true);
        USS_HANDLE h = nullptr;
        QTEST(USS_OpenEx(const_cast<char*>("FAULTY"), USS_OPEN_BY_SERIAL_NUMBER, &h), "status");
        QVERIFY(!h);
        QCOMPARE(c->claimedInterfaces(), 0);
        QCOMPARE(c->openHandles(), 0);
        QCOMPARE(c->pendingInTransfers(), 0);
        QCOMPARE(OpenDeviceCount(), 0);
    }

    // A chip another program holds is not described with our own record of
    // a different chip.
    void infoListPairsFailedOpensByLocation()
    {
        SimulatedUsbSerialChip* foreign = plug(0x0600, QStringLiteral("FOREIGN"));
        foreign->setHeldElsewhere(0, true);
        SimulatedUsbSerialChip* ours = plug(0x0600, QStringLiteral("OURS"));
        plug(0x0600, QStringLiteral("FREE"));
        USS_HANDLE h = openBySerial("OURS");
        QVERIFY(h);
        uint32_t count = 0;
        QCOMPARE(USS_CreateDeviceInfoList(&count), USS_OK);
        QCOMPARE(count, 3u);
        DeviceInfoNode nodes[3];
        QCOMPARE(USS_GetDeviceInfoList(nodes, &count), USS_OK);
        QCOMPARE(nodes[0].flags, 1u);
        QCOMPARE(nodes[0].type, 3u);
        QCOMPARE(nodes[0].serialNumber[0], '\0');
        QVERIFY(!nodes[0].handle);
        QCOMPARE(nodes[1].flags, 1u);
        QCOMPARE(nodes[1].handle, h);
        QCOMPARE(QByteArray(nodes[1].serialNumber), QByteArray("OURS"));
        QCOMPARE(nodes[1].locId, location(ours));
        QCOMPARE(nodes[2].flags, 0u);
        QCOMPARE(QByteArray(nodes[2].serialNumber), QByteArray("FREE"));
        QVERIFY(!nodes[2].handle);
        QCOMPARE(USS_Close(h), USS_OK);
    }

    void highSpeedChipIsFlagged()
    {
        plug(0x0700, QStringLiteral("HS"), 1, QStringLiteral("Fast"), 512);
        uint32_t count = 0;
        QCOMPARE(USS_CreateDeviceInfoList(&count), USS_OK);
        uint32_t flags = 0;
        QCOMPARE(USS_GetDeviceInfoDetail(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), USS_OK);
        QCOMPARE(flags, 2u);
    }

    void configFile_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("openAs");
        QTest::addColumn<uint32_t>("flags");
        const QByteArray multi("[Globals]\nConfigFlags=0x40000000\n");
        QTest::newRow("no file") << "" << QByteArray() << "CFG1" << 0u;
        QTest::newRow("globals") << "cwd" << multi << "CFG1" << 0x40000000u;
        QTest::newRow("globals in /usr/local/lib") << "local" << multi << "CFG1" << 0x40000000u;
        QTest::newRow("globals in /usr/lib") << "usr" << multi << "CFG1" << 0x40000000u;
        QTest::newRow("VID/PID of the device") << "cwd" << QByteArray("[VID_0403&PID_6001]\nConfigFlags=0x11\n")
                                               << "CFG1" << 0x11u;
        QTest::newRow("other VID/PID ends the reading")
            << "cwd" << QByteArray("[VID_0403&PID_6015]\nConfigFlags=0x1\n[Globals]\nConfigFlags=0x40000000\n")
            << "CFG1" << 0u;
        QTest::newRow("malformed VID header") << "cwd" << QByteArray("[VID_0403]\nConfigFlags=0x1\n") << "CFG1" << 0u;
        QTest::newRow("without 0x hands over")
            << "cwd" << QByteArray("[Globals]\nConfigFlags=40000000\n[Globals]\nConfigFlags=0x5\n") << "CFG1" << 5u;
        QTest::newRow("upper-case X does not parse")
            << "cwd" << QByteArray("[Globals]\nConfigFlags=0X40000000\n") << "CFG1" << 0u;
        QTest::newRow("carriage returns") << "cwd" << QByteArray("[Globals]\r\nConfigFlags=0x40000000\r\n")
                                          << "CFG1" << 0u;
        QTest::newRow("not a flags line") << "cwd" << QByteArray("[Globals]\nFlags=0x40000000\n") << "CFG1" << 0u;
        QTest::newRow("empty line ends") << "cwd" << QByteArray("\n[Globals]\nConfigFlags=0x3\n") << "CFG1" << 0u;
        QTest::newRow("serial with letter") << "cwd" << QByteArray("[US9ZZZB]\nConfigFlags=0x7\n") << "US9ZZZB" << 7u;
        QTest::newRow("serial without letter") << "cwd" << QByteArray("[US9ZZZ]\nConfigFlags=0x7\n") << "US9ZZZB" << 0u;
        QTest::newRow("serial case matters") << "cwd" << QByteArray("[us9zzzb]\nConfigFlags=0x7\n") << "US9ZZZB" << 0u;
        QTest::newRow("other interface") << "cwd" << QByteArray("[US9ZZZB]\nConfigFlags=0x7\n") << "US9ZZZA" << 0u;
        // A line past 1,023 characters is cut; its rest is not read as a line of its own.
        QTest::newRow("long line")
            << "cwd"
            << QByteArray("[Globals]\nConfigFlags=0xZ" + QByteArray(1100, ' ') + "[Globals]\n[Globals]\nConfigFlags=0x3\n")
            << "CFG1" << 3u;
    }

    void configFile()
    {
        QFETCH(QString, where);
        QFETCH(QByteArray, text);
        QFETCH(QString, openAs);
        QTemporaryDir cwdDir;
        QTemporaryDir root;
        qputenv("ZEMBO_SYSTEM_ROOT", root.path().toUtf8());
        Cwd cwd;
        QDir::setCurrent(cwdDir.path());
        QString path;
        if (where == QLatin1String("cwd"))
            path = cwdDir.filePath(QStringLiteral("usbserial.cfg"));
        else if (where == QLatin1String("local"))
            path = root.path() + QStringLiteral("/usr/local/lib/usbserial.cfg");
        else if (where == QLatin1String("usr"))
            path = root.path() + QStringLiteral("/usr/lib/usbserial.cfg");
        if (!path.isEmpty()) {
            QDir().mkpath(QFileInfo(path).path());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        plug(0x0600, QStringLiteral("CFG1"));
        plug(0x0700, QStringLiteral("US9ZZZ"), 2);
        USS_HANDLE h = openBySerial(openAs.toLatin1().constData());
        QVERIFY(h);
        auto* r = static_cast<DeviceExtension*>(h);
        QTEST(r->configFlags, "flags");
        QCOMPARE(r->writer == &USS_WriteMultiThread, (r->configFlags & 0x40000000u) != 0);
        QCOMPARE(USS_Close(h), USS_OK);
        qputenv("ZEMBO_SYSTEM_ROOT", m_systemRoot.path().toUtf8());
    }

    void configFilePrecedence()
    {
        QTemporaryDir cwdDir;
        QTemporaryDir root;
        qputenv("ZEMBO_SYSTEM_ROOT", root.path().toUtf8());
        Cwd cwd;
        QDir::setCurrent(cwdDir.path());
        auto write = [](const QString& path, const QByteArray& text) {
            QDir().mkpath(QFileInfo(path).path());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        write(root.path() + QStringLiteral("/usr/lib/usbserial.cfg"), "[Globals]\nConfigFlags=0x1\n");
        write(root.path() + QStringLiteral("/usr/local/lib/usbserial.cfg"), "[Globals]\nConfigFlags=0x2\n");
        plug(0x0600, QStringLiteral("CFG2"));
        auto flagsNow = [] {
            USS_HANDLE h = openBySerial("CFG2");
            const uint32_t f = h ? static_cast<DeviceExtension*>(h)->configFlags : 0xFFFFFFFFu;
            USS_Close(h);
            return f;
        };
        QCOMPARE(flagsNow(), 2u);
        write(cwdDir.filePath(QStringLiteral("usbserial.cfg")), "[Globals]\nConfigFlags=0x4\n");
        QCOMPARE(flagsNow(), 4u);
        QFile::remove(root.path() + QStringLiteral("/usr/local/lib/usbserial.cfg"));
        QFile::remove(cwdDir.filePath(QStringLiteral("usbserial.cfg")));
        QCOMPARE(flagsNow(), 1u);
        qputenv("ZEMBO_SYSTEM_ROOT", m_systemRoot.path().toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestUsbSerialOpen)
#include "tst_usbserial_open.moc"
