// What a device code does to the hardware counts beyond the board table.
#include "HwInfo.h"

#include <QTest>

class TestHwInfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshInstanceCountsNothing();
    void bridgesStayFromTheSecondGenerationBoard();
    void unknownCodeChangesOnlyTheCode();
};

void TestHwInfo::freshInstanceCountsNothing()
{
    const HwInfo hw;
    QCOMPARE(hw.revision, 'A');
    QCOMPARE(int(hw.deviceCode), 0);
    QCOMPARE(hw.serialNumber, 0u);
    QCOMPARE(hw.rollers + hw.loadCells + hw.freqInputs + hw.mcuFreqSlots + hw.canBuses, 0);
    QCOMPARE(hw.pwmBridges, 0u);
    QVERIFY(!hw.liteVariant);
}

void TestHwInfo::bridgesStayFromTheSecondGenerationBoard()
{
    HwInfo hw;
    hw.setDeviceCode(DeviceCode_ZR6);
    QCOMPARE(hw.pwmBridges, 4u);
    hw.setDeviceCode(DeviceCode_ZR5);
    QCOMPARE(hw.pwmBridges, 4u);
    QCOMPARE(hw.generation, 1);
    QCOMPARE(hw.rollers, 2);
}

void TestHwInfo::unknownCodeChangesOnlyTheCode()
{
    HwInfo fresh;
    fresh.setDeviceCode(static_cast<DeviceCode>(7));
    QCOMPARE(int(fresh.deviceCode), 7);
    QCOMPARE(fresh.rollers + fresh.loadCells + fresh.analogInputs + fresh.hpAnalogInputs, 0);

    HwInfo lite;
    lite.revision = 'C';
    lite.serialNumber = 99;
    lite.setDeviceCode(DeviceCode_ZR5L);
    lite.setDeviceCode(static_cast<DeviceCode>(255));
    QCOMPARE(int(lite.deviceCode), 255);
    QCOMPARE(lite.rollers, 1);
    QCOMPARE(lite.freqInputs, 1);
    QCOMPARE(lite.mcuFreqSlots, 3);
    QVERIFY(lite.liteVariant);
    QCOMPARE(lite.revision, 'C');
    QCOMPARE(lite.serialNumber, 99u);
}

QTEST_GUILESS_MAIN(TestHwInfo)
#include "tst_hw_info.moc"
