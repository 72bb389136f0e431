#include "MemoryWidget.h"

#include "SystemCommandRunner.h"
#include "SystemRoot.h"
#include "lib/Tools.h"

#include <QFile>
#include <QPalette>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

MemoryWidget::MemoryWidget(QWidget* parent)
    : QProgressBar(parent)
{
    setMaximumWidth(60);
    setTextVisible(false);
    total = getMeminfo(QStringLiteral("MemTotal")) + getGPUMemSize();
    // A bar of maximum 0 would show a busy indicator.
    setMaximum(int(std::min<uint32_t>(total, uint32_t(INT32_MAX))));
    setValue(0);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &MemoryWidget::slot_updateRam);
    timer->start(1000);
}

uint32_t MemoryWidget::getMeminfo(const QString& key)
{
    QFile file(SystemRoot::filePath(QStringLiteral("/proc/meminfo")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    QTextStream in(&file);
    QString line;
    while (in.readLineInto(&line)) {
        if (!line.startsWith(key))
            continue;
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        const uint32_t kB = (parts.size() > 1 ? parts.at(1) : QStringLiteral("0")).toUInt(&ok);
        return ok ? kB / 1024 : 0;
    }
    return 0;
}

uint32_t MemoryWidget::parseGpuMemLine(const QByteArray& line)
{
    const int equals = line.indexOf('=');
    QByteArray value = equals >= 0 ? line.mid(equals + 1) : QByteArray("0");
    const int m = value.indexOf('M');
    if (m >= 0)
        value.truncate(m);
    bool ok = false;
    const int mib = value.trimmed().toInt(&ok);
    return ok && mib > 0 ? uint32_t(mib) : 0;
}

uint32_t MemoryWidget::getGPUMemSize()
{
    SystemCommandRunner* runner = SystemCommandRunner::instance();
    if (!runner)
        return 0;
    const SystemCommandResult result =
        runner->run(QStringLiteral("vcgencmd"), {QStringLiteral("get_mem"), QStringLiteral("gpu")}, false);
    if (!result.started || result.standardOutput.isEmpty())
        return 0;
    // One line of at most 100 bytes, as the command prints it.
    QByteArray line = result.standardOutput.left(100);
    const int end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    return parseGpuMemLine(line);
}

uint32_t MemoryWidget::getMemoryAvailable()
{
    return getMeminfo(QStringLiteral("MemAvailable"));
}

void MemoryWidget::slot_updateRam()
{
    const uint32_t available = getMemoryAvailable();
    // More available than the total (a total of 0 when the file is missing)
    // shows nothing used rather than an unsigned wrap.
    used = available < total ? total - available : 0;
    setValue(int(std::min<uint32_t>(used, uint32_t(maximum()))));
    const double fraction = total > 0 ? double(used) / double(total) : 0.0;
    QColor color(0, 206, 0);
    if (fraction > 0.85)
        color = QColor(255, 77, 77);
    else if (fraction > 0.75)
        color = QColor(206, 170, 0);
    QPalette p = palette();
    p.setColor(QPalette::Highlight, color);
    setPalette(p);
    setToolTip(tr("Memory usage:") + QStringLiteral(" %1MiB / %2MiB").arg(used).arg(total));
}
