#pragma once

#include "IOItem.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QHBoxLayout;
class QLabel;
class QTimer;

// The IO tab: a live picture of the controller board's connectors, one tile
// per input or output the board has, laid out for the board the MCU reported.
// Built once when the dyno settings are ready; refreshed every 33 ms while
// the tab is shown. GUI thread.
class IO : public QWidget
{
    Q_OBJECT
public:
    explicit IO(QWidget* parent = nullptr);

    // Builds the page for theHwInfo's board; a second call changes nothing.
    void init();
    // Starts or stops the refresh (the main window: while the IO tab is current).
    void enableSlots(bool on);
    // The main window's ambient read-out; the ambient tile shows whether it marks a failed read.
    void setAmbientReadout(QWidget* readout);

    // Adds `count` tiles of one kind to the current row, highest number leftmost.
    template<class T> void addSection(int count)
    {
        for (int i = count - 1; i >= 0; --i)
            addItem(new T(this), i, count > 1);
    }
    void addPowerPort(const QString& label, uint8_t id);

    QList<IOItem*> items;
    QTimer* refreshTimer = nullptr;
    QHBoxLayout* rows[4] = {};
    int currentRow = 0;
    QLabel* header = nullptr;

public Q_SLOTS:
    void slot_updateTimerTick();

private:
    void addItem(IOItem* item, int id, bool showNumber);
    void addBoardSections();

    bool built = false;
    QPointer<QWidget> ambientReadout;
};
