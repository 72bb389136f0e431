// The status bar's small indicators on fixtures: "/proc/meminfo", "/proc/stat"
// and the thermal zone under ZEMBO_SYSTEM_ROOT, the graphics memory through
// the recording command runner, CAN states fed to the labels, a fixed clock.
#include "AlarmWidget.h"
#include "CanStatusWidget.h"
#include "ClockWidget.h"
#include "HwInfo.h"
#include "MemoryWidget.h"
#include "RecordingCommandRunner.h"
#include "Statusbar.h"
#include "SystemCommandRunner.h"
#include "SystemLoadWidget.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

extern bool g_devModeEnabled;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray statLine(quint64 user, quint64 nice, quint64 system, quint64 idle, quint64 iowait, quint64 irq,
                    quint64 softirq)
{
    return QStringLiteral("cpu  %1 %2 %3 %4 %5 %6 %7 0 0 0\ncpu0 1 2 3 4 5 6 7 0 0 0\n")
        .arg(user)
        .arg(nice)
        .arg(system)
        .arg(idle)
        .arg(iowait)
        .arg(irq)
        .arg(softirq)
        .toLatin1();
}

} // namespace

class TestStatusBar : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void memoryTotalWithGpu();
    void memoryColours_data();
    void memoryColours();
    void memoryFaults();
    void gpuLineParsing_data();
    void gpuLineParsing();
    void loadAndColours_data();
    void loadAndColours();
    void countersGoingBackSkipReading();
    void noThermalFile();
    void canStatusSummary();
    void canStatusSilentBusKeepsState();
    void canStatusIgnoresUnknown();
    void clockFormat();
    void statusBarLayout();

private:
    QString path(const QString& absolute) const { return root.path() + absolute; }
    QTemporaryDir root;
    RecordingCommandRunner runner;
};

void TestStatusBar::initTestCase()
{
    QVERIFY(root.isValid());
    qputenv("ZEMBO_SYSTEM_ROOT", root.path().toUtf8());
    SystemCommandRunner::setInstance(&runner);
}

void TestStatusBar::init()
{
    QDir(root.path()).removeRecursively();
    QDir().mkpath(root.path());
    runner.clear();
}

void TestStatusBar::memoryTotalWithGpu()
{
    writeFile(path("/proc/meminfo"), "MemTotal:        3072000 kB\nMemFree:  100 kB\nMemAvailable:    1536000 kB\n");
    MemoryWidget memory;
    QCOMPARE(MemoryWidget::getMeminfo(QStringLiteral("MemTotal")), 3000u);
    QCOMPARE(memory.totalMiB(), 3076u);
    QCOMPARE(memory.maximum(), 3076);
    // Asked as a program and its arguments, never a shell line.
    QVERIFY(runner.argumentLists().contains(QStringList({QStringLiteral("get_mem"), QStringLiteral("gpu")})));
    memory.slot_updateRam();
    QCOMPARE(memory.usedMiB(), 3076u - 1500u);
    QCOMPARE(memory.toolTip(), QStringLiteral("Memory usage: 1576MiB / 3076MiB"));
}

void TestStatusBar::memoryColours_data()
{
    QTest::addColumn<int>("usedPercent");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("86 %") << 86 << QColor(255, 77, 77);
    QTest::newRow("80 %") << 80 << QColor(206, 170, 0);
    QTest::newRow("50 %") << 50 << QColor(0, 206, 0);
    QTest::newRow("75 % is not above") << 75 << QColor(0, 206, 0);
}

void TestStatusBar::memoryColours()
{
    QFETCH(int, usedPercent);
    QFETCH(QColor, colour);
    runner.script(QStringLiteral("vcgencmd"), SystemCommandResult{true, 0, QByteArray(), QByteArray()});
    const quint64 totalKb = 1000 * 1024;
    const quint64 availableKb = totalKb * quint64(100 - usedPercent) / 100;
    writeFile(path("/proc/meminfo"),
              QStringLiteral("MemTotal: %1 kB\nMemAvailable: %2 kB\n").arg(totalKb).arg(availableKb).toLatin1());
    MemoryWidget memory;
    QCOMPARE(memory.totalMiB(), 1000u);
    memory.slot_updateRam();
    QCOMPARE(memory.palette().color(QPalette::Active, QPalette::Highlight), colour);
    QCOMPARE(memory.palette().color(QPalette::Inactive, QPalette::Highlight), colour);
}

void TestStatusBar::memoryFaults()
{
    // No meminfo: figures of 0 and nothing divides by them.
    runner.script(QStringLiteral("vcgencmd"), SystemCommandResult{false, -1, QByteArray(), QByteArray()});
    MemoryWidget none;
    QCOMPARE(none.totalMiB(), 0u);
    none.slot_updateRam();
    QCOMPARE(none.usedMiB(), 0u);
    // More available than the total: nothing used, no unsigned wrap.
    writeFile(path("/proc/meminfo"), "MemTotal: 1024000 kB\nMemAvailable: 2048000 kB\n");
    runner.script(QStringLiteral("vcgencmd"), SystemCommandResult{true, 0, QByteArray(), QByteArray()});
    MemoryWidget odd;
    odd.slot_updateRam();
    QCOMPARE(odd.usedMiB(), 0u);
    QVERIFY(odd.value() >= 0 && odd.value() <= odd.maximum());
}

void TestStatusBar::gpuLineParsing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<uint>("mib");
    QTest::newRow("usual") << QByteArray("gpu=76M") << 76u;
    QTest::newRow("no equals") << QByteArray("error") << 0u;
    QTest::newRow("not a number") << QByteArray("gpu=xM") << 0u;
    QTest::newRow("no unit") << QByteArray("gpu=128") << 128u;
    QTest::newRow("empty") << QByteArray() << 0u;
}

void TestStatusBar::gpuLineParsing()
{
    QFETCH(QByteArray, line);
    QFETCH(uint, mib);
    QCOMPARE(MemoryWidget::parseGpuMemLine(line), mib);
}

void TestStatusBar::loadAndColours_data()
{
    QTest::addColumn<int>("loadPercent");
    QTest::addColumn<int>("milliCelsius");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("90 % at 60 C") << 90 << 60000 << QColor(255, 224, 77);
    QTest::newRow("50 % at 81 C") << 50 << 81000 << QColor(255, 77, 77);
    QTest::newRow("80 % at 70 C") << 80 << 70000 << QColor();
    QTest::newRow("96 % at 40 C") << 96 << 40000 << QColor(255, 77, 77);
    QTest::newRow("20 % at 76 C") << 20 << 76000 << QColor(255, 224, 77);
}

void TestStatusBar::loadAndColours()
{
    QFETCH(int, loadPercent);
    QFETCH(int, milliCelsius);
    QFETCH(QColor, colour);
    writeFile(path("/sys/class/thermal/thermal_zone0/temp"), QByteArray::number(milliCelsius) + "\n");
    writeFile(path("/proc/stat"), statLine(1000, 0, 0, 1000, 0, 0, 0));
    SystemLoadWidget load;
    load.slot_updateInfo();
    // Since boot: 50 %.
    QCOMPARE(load.load(), 50.0);
    // The next second: busy spread over the busy fields, idle the rest of 1000 ticks.
    const int busy = loadPercent * 10;
    writeFile(path("/proc/stat"),
              statLine(1000 + busy / 2, busy / 4, busy - busy / 2 - busy / 4, 1000 + 1000 - busy, 0, 0, 0));
    load.slot_updateInfo();
    QCOMPARE(load.load(), double(loadPercent));
    QCOMPARE(load.cpuTemperature, milliCelsius / 1000);
    QCOMPARE(load.text(), QString::asprintf("CPU %4.1f%%", double(loadPercent))
                              + QStringLiteral(" %1℃ MCU 0% (0%)").arg(milliCelsius / 1000));
    QCOMPARE(SystemLoadWidget::loadColor(load.load(), load.cpuTemperature), colour);
    if (colour.isValid()) {
        QVERIFY(load.autoFillBackground());
        QCOMPARE(load.palette().color(QPalette::Window), colour);
    } else {
        QVERIFY(!load.autoFillBackground());
    }
}

void TestStatusBar::countersGoingBackSkipReading()
{
    writeFile(path("/proc/stat"), statLine(5000, 0, 0, 5000, 0, 0, 0));
    SystemLoadWidget load;
    load.slot_updateInfo();
    const QString before = load.text();
    // A counter went back: the reading is skipped, not wrapped into nonsense.
    writeFile(path("/proc/stat"), statLine(4000, 0, 0, 6000, 0, 0, 0));
    load.slot_updateInfo();
    QCOMPARE(load.text(), before);
    QCOMPARE(load.load(), 50.0);
    // The next good reading counts from the one that was skipped.
    writeFile(path("/proc/stat"), statLine(4100, 0, 0, 6300, 0, 0, 0));
    load.slot_updateInfo();
    QCOMPARE(load.load(), 25.0);
    // Nothing elapsed: the text stays.
    const QString settled = load.text();
    load.slot_updateInfo();
    QCOMPARE(load.text(), settled);
}

void TestStatusBar::noThermalFile()
{
    writeFile(path("/proc/stat"), statLine(100, 0, 0, 300, 0, 0, 0));
    SystemLoadWidget load;
    load.slot_updateInfo();
    QCOMPARE(load.text(), QStringLiteral("CPU 25.0% MCU 0% (0%)"));
    QCOMPARE(load.cpuTemperature, 0);
    // No "/proc/stat" at all.
    QFile::remove(path("/proc/stat"));
    load.slot_updateInfo();
    QCOMPARE(load.text(), QStringLiteral("CPU ???"));
}

void TestStatusBar::canStatusSummary()
{
    CanStatusWidget can(0);
    QCOMPARE(can.text(), QStringLiteral("CAN 1"));
    for (int i = 0; i < 3; ++i)
        can.slot_newCANStatus(3);
    can.slot_newCANStatus(1);
    can.slot_widgetUpdate();
    QCOMPARE(can.toolTip(), QStringLiteral("OK\n3x error: bus off"));
    QCOMPARE(can.backgroundColor(), QColor(255, 224, 77));

    // Errors without OK: red; with idle too: yellow; buffer full: red always.
    can.slot_newCANStatus(6);
    can.slot_widgetUpdate();
    QCOMPARE(can.backgroundColor(), QColor(255, 77, 77));
    can.slot_newCANStatus(0);
    can.slot_newCANStatus(7);
    can.slot_widgetUpdate();
    QCOMPARE(can.backgroundColor(), QColor(255, 224, 77));
    can.slot_newCANStatus(1);
    can.slot_newCANStatus(2);
    can.slot_widgetUpdate();
    QCOMPARE(can.backgroundColor(), QColor(255, 77, 77));
    QCOMPARE(can.toolTip(), QStringLiteral("OK\nerror: buffer full"));
}

void TestStatusBar::canStatusSilentBusKeepsState()
{
    CanStatusWidget can(1);
    QCOMPARE(can.text(), QStringLiteral("CAN 2"));
    can.slot_newCANStatus(1);
    can.slot_widgetUpdate();
    QCOMPARE(can.backgroundColor(), QColor(140, 255, 140));
    for (int i = 0; i < 3; ++i) {
        can.slot_widgetUpdate();
        QCOMPARE(can.toolTip(), QStringLiteral("OK"));
        QCOMPARE(can.backgroundColor(), QColor(140, 255, 140));
    }
}

void TestStatusBar::canStatusIgnoresUnknown()
{
    CanStatusWidget can(0);
    QCOMPARE(CanStatusWidget::getStatusText(9), QString());
    can.slot_newCANStatus(9);
    can.slot_widgetUpdate();
    // Only the initial idle counted once more: white, "idle".
    QCOMPARE(can.toolTip(), QStringLiteral("idle"));
    QCOMPARE(can.backgroundColor(), can.palette().color(QPalette::Base));
}

void TestStatusBar::clockFormat()
{
    ClockWidget clock;
    QCOMPARE(clock.text(), QString());
    clock.setClock([] { return QDateTime(QDate(2026, 12, 10), QTime(2, 30, 5)); });
    clock.slot_updateClock();
    QCOMPARE(clock.text(), QStringLiteral("26-12-10 02:30:05"));
}

void TestStatusBar::statusBarLayout()
{
    // Outside developer mode there is no SPI label and its timer never runs.
    g_devModeEnabled = false;
    Statusbar bar;
    QVERIFY(!bar.label_spi);
    QVERIFY(!bar.spiTimer->isActive());
    QCOMPARE(bar.alarmWidget->width(), 200);
    QVERIFY(bar.checkBox_testMode->isHidden());
    // One CAN label per bus of the board, at the right end, after init.
    theHwInfo.canBuses = 2;
    QVERIFY(bar.canStatusWidgets.isEmpty());
    bar.init();
    QCOMPARE(bar.canStatusWidgets.size(), 2);
    QCOMPARE(bar.canStatusWidgets.at(1)->text(), QStringLiteral("CAN 2"));
    QCOMPARE(bar.layout->indexOf(bar.canStatusWidgets.at(1)), bar.layout->count() - 1);

    g_devModeEnabled = true;
    Statusbar developer;
    QVERIFY(developer.label_spi);
    QVERIFY(developer.spiTimer->isActive());
    QCOMPARE(developer.label_spi->toolTip(), QStringLiteral("SPI communication status"));
    developer.slot_updateMCUFPS();
    QCOMPARE(developer.label_spi->text(), QStringLiteral("SPI 0"));
    g_devModeEnabled = false;
}

QTEST_MAIN(TestStatusBar)
#include "tst_status_bar.moc"
