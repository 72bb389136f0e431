#pragma once

#include <QColor>
#include <QLabel>

#include <array>
#include <cstdint>

// One CAN bus in the status bar: the states the controller reported during
// the last second, counted per state in the tooltip and summarised by colour
// (red: buffer full, or errors without OK; yellow: errors with OK or idle;
// light green: only OK; white: only idle). A bus that reports nothing keeps
// showing its last state. GUI thread; the reports come queued from the run thread.
class CanStatusWidget : public QLabel
{
    Q_OBJECT
public:
    static constexpr int statusCount = 9;

    CanStatusWidget(int bus, QWidget* parent = nullptr);

    static QString getStatusText(unsigned status);
    void clearStatusCounters();
    const QColor& backgroundColor() const { return currentColor; }
    int bus() const { return busIndex; }

public Q_SLOTS:
    void slot_newCANStatus(unsigned status);
    void slot_widgetUpdate();

private:
    int busIndex = 0;
    std::array<int32_t, statusCount> counters{};
    unsigned lastStatus = 0;
    bool newStatus = false;
    QColor currentColor;
};
