#pragma once

#include "FrameRecords.h"

#include <QAbstractTableModel>
#include <QList>

#include <map>

class QTimer;
struct CANChannelMonitorData;

// Every identifier received on either bus while the monitor is open, one row
// each in order of first appearance. A frame costs one map look-up and a few
// field writes; the texts and the view follow every 100 ms, only for rows
// that got frames. The rate is recomputed when a frame arrives more than a
// second after the last computation, over all frames since then.
class CANMonitorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CANMonitorModel(QObject* parent = nullptr);
    ~CANMonitorModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void processFrame(const canFrame_t& frame);
    const CANChannelMonitorData& row(int index) const { return *rows.at(index); }

    // The clock of the rates, in ms since the epoch; nullptr restores the
    // system clock.
    static void setClock(qint64 (*clock)());

    QTimer* updateTimer = nullptr;

public Q_SLOTS:
    void slot_newCanFrameBatch(QList<canFrame_t> frames);
    void slot_updateUI();

private:
    QList<CANChannelMonitorData*> rows;
    std::map<uint32_t, int> rowByKey;
};
