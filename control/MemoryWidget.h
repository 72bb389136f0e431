#pragma once

#include <QProgressBar>
#include <QString>

#include <cstdint>

// The status bar's memory bar: used memory of the board (total minus
// available, "/proc/meminfo" plus the graphics processor's share) against the
// total, green, amber above 75 %, red above 85 %. Refreshed every second.
class MemoryWidget : public QProgressBar
{
    Q_OBJECT
public:
    explicit MemoryWidget(QWidget* parent = nullptr);

    // MiB of one "/proc/meminfo" entry; 0 when the file or the entry is missing.
    static uint32_t getMeminfo(const QString& key);
    // MiB reserved for the graphics processor ("vcgencmd get_mem gpu"); 0
    // when the command cannot run or prints nothing usable.
    static uint32_t getGPUMemSize();
    // Parses one line of that command's output ("gpu=76M").
    static uint32_t parseGpuMemLine(const QByteArray& line);
    // MiB available now.
    static uint32_t getMemoryAvailable();

    uint32_t totalMiB() const { return total; }
    uint32_t usedMiB() const { return used; }

public Q_SLOTS:
    void slot_updateRam();

private:
    uint32_t total = 0;
    uint32_t used = 0;
};
