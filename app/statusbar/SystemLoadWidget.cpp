#include "SystemLoadWidget.h"

#include "ChannelId.h"
#include "Channels.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "SystemRoot.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

SystemLoadWidget::SystemLoadWidget(QWidget* parent)
    : QLabel(parent)
    , lastLoad(std::numeric_limits<double>::quiet_NaN())
{
    setMinimumSize(0, 20);
    setBaseSize(0, 20);
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setText(QStringLiteral("CPU"));
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &SystemLoadWidget::slot_updateInfo);
    timer->start(1000);
}

void SystemLoadWidget::initAfterChannels()
{
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &SystemLoadWidget::slot_warrantyTemperatureCheck);
    timer->start(100000);
}

QColor SystemLoadWidget::loadColor(double loadPercent, int temperature)
{
    if (loadPercent > 85.0 || temperature > 75) {
        if (loadPercent > 95.0 || temperature > 80)
            return QColor(255, 77, 77);
        return QColor(255, 224, 77);
    }
    return QColor();
}

void SystemLoadWidget::slot_updateInfo()
{
    QFile stat(SystemRoot::filePath(QStringLiteral("/proc/stat")));
    if (!stat.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "error opening /proc/stat for CPU load calculation";
        setText(QStringLiteral("CPU ???"));
        return;
    }
    const QStringList parts =
        QString::fromLatin1(stat.readLine()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    stat.close();
    uint64_t now[7] = {};
    for (int i = 0; i < 7; ++i) {
        bool ok = false;
        now[i] = parts.size() > i + 1 ? parts.at(i + 1).toULongLong(&ok) : 0;
        if (!ok)
            return; // not a CPU line: nothing to compute from
    }
    // Counters only grow; one that went back (a reset, a bad read) would wrap
    // the unsigned differences into nonsense, so that reading is skipped.
    for (int i = 0; i < 7; ++i) {
        if (now[i] < counters[i]) {
            std::copy(std::begin(now), std::end(now), std::begin(counters));
            return;
        }
    }
    uint64_t busy = 0;
    for (int i : {0, 1, 2, 4, 5, 6})
        busy += now[i] - counters[i];
    const uint64_t total = busy + (now[3] - counters[3]);
    std::copy(std::begin(now), std::end(now), std::begin(counters));
    if (total == 0)
        return;
    const double loadPercent = double(busy) / double(total) * 100.0;
    lastLoad = loadPercent;

    QString temperatureText;
    QFile thermal(SystemRoot::filePath(QStringLiteral("/sys/class/thermal/thermal_zone0/temp")));
    if (thermal.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const int milli = QString::fromLatin1(thermal.readLine()).trimmed().toInt();
        cpuTemperature = milli / 1000;
        temperatureText = QStringLiteral(" %1℃").arg(cpuTemperature);
    }
    const int average = theMCUThread ? theMCUThread->mcuAverageLoad.load() : 0;
    const int peak = theMCUThread ? theMCUThread->mcuPeakLoad.load() : 0;
    const QString mcuText = QStringLiteral(" MCU %1% (%2%)").arg(average).arg(peak);
    setText(QString::asprintf("CPU %4.1f%%", loadPercent) + temperatureText + mcuText);

    const QColor color = loadColor(loadPercent, cpuTemperature);
    if (color.isValid()) {
        Tools::setBackgroundColorWithPalette(this, color);
    } else {
        setAutoFillBackground(false);
        setPalette(QPalette());
    }
}

void SystemLoadWidget::slot_warrantyTemperatureCheck()
{
    const RunChannel* ambient = theChannels.getChannel(ChannelId_bme280Temperature, 0);
    const double kelvin = ambient ? ambient->getValue() : std::numeric_limits<double>::quiet_NaN();
    const double celsius = kelvin - 273.15;
    if (celsius > 50.0)
        qDebug().noquote() << "BME Temperature [°C]: " + QString::number(celsius);
    if (cpuTemperature > 75)
        qDebug().noquote() << "CPU Temperature [°C]: " + QString::number(cpuTemperature);
}
