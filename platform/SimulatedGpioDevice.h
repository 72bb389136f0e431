#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

// The hardware behind a simulated GPIO chip: its lines and what was done to
// them. It outlives the chip objects that open it, as a device outlives the
// file handles on it, so tests can look at the lines after the program has
// closed the chip. GUI thread, as the board GPIO is.
class SimulatedGpioDevice
{
public:
    struct Line {
        bool requested = false;
        bool output = false;
        bool pullDown = false;
        QString consumer;
        int value = 0;        // the level: driven (output, kept after release) or applied from outside
        bool readFails = false;
    };
    struct TimedWrite {
        unsigned line = 0;
        int value = 0;
        qint64 ms = 0;        // since the device was made
    };

    // The chips that exist, by name; those not listed cannot be opened. The
    // default is a single "gpiochip4". Devices that are dropped keep living
    // for the chips that still have them open.
    static void setPresentChips(const QStringList& names);
    static std::shared_ptr<SimulatedGpioDevice> find(const QString& name);

    explicit SimulatedGpioDevice(const QString& name);

    // ---- test hooks
    // What an input line reads from now on (ignored while the line is a requested output).
    void setInput(unsigned line, int value);
    // Reads of the line fail (-1) while set.
    void setReadFailing(unsigned line, bool failing);
    // The value an output line drives; -1 when the line is no requested output.
    int output(unsigned line) const;
    // The last value the line held as an output, also after its release; -1 if never.
    int lastDriven(unsigned line) const;
    Line line(unsigned number) const { return lines.value(number); }
    // Every request, write, release and close in order, as text
    // ("out 12=0", "in 4 pull-down", "set 22=1", "release 4", "close").
    QStringList log() const { return operations; }
    QList<TimedWrite> writes() const { return timedWrites; }
    void clearLog();
    bool isOpen() const { return openCount > 0; }
    int opens() const { return openCount; }

    // ---- used by SimulatedGpioChip
    void opened();
    void closed();
    bool requestOutput(unsigned line, const char* consumer, int initialValue);
    bool requestInput(unsigned line, const char* consumer, bool pullDown);
    int getValue(unsigned line) const;
    bool setValue(unsigned line, int value);
    void release(unsigned line);

    const QString name;

private:
    QMap<unsigned, Line> lines;
    QMap<unsigned, int> driven;
    QStringList operations;
    QList<TimedWrite> timedWrites;
    QElapsedTimer clock;
    int openCount = 0;
};
