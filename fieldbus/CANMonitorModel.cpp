#include "CANMonitorModel.h"

#include "CANChannelMonitorData.h"
#include "RunThread.h"

#include <QDateTime>
#include <QTime>
#include <QTimer>

namespace {

qint64 (*g_monitorClock)() = nullptr;

qint64 monitorNow()
{
    return g_monitorClock ? g_monitorClock() : QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void CANMonitorModel::setClock(qint64 (*clock)())
{
    g_monitorClock = clock;
}

CANMonitorModel::CANMonitorModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    updateTimer = new QTimer(this);
    updateTimer->setInterval(100);
    connect(updateTimer, &QTimer::timeout, this, &CANMonitorModel::slot_updateUI);
    updateTimer->start();
    if (theRunThread)
        connect(theRunThread, &RunThread::signal_newCanFrameBatch, this, &CANMonitorModel::slot_newCanFrameBatch,
                Qt::QueuedConnection);
}

CANMonitorModel::~CANMonitorModel()
{
    qDeleteAll(rows);
}

int CANMonitorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int CANMonitorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 6;
}

QVariant CANMonitorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const CANChannelMonitorData& r = *rows.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return r.bus;
        case 1:
            return QString::asprintf("0x%03X (%i)", r.identifier, int(r.identifier));
        case 2:
            return r.bytesText;
        case 3:
            return QString::number(double(r.frequency), 'f', 1);
        case 4:
            return r.count;
        case 5:
            return r.timeText;
        default:
            return QVariant();
        }
    }
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case 0:
            return r.bus;
        case 1:
            return r.identifier;
        case 2:
            return r.bytesText;
        case 3:
            return r.frequency;
        case 4:
            return r.count;
        case 5:
            return r.timeText;
        default:
            return QVariant();
        }
    }
    return QVariant();
}

QVariant CANMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const titles[] = {"CH", "ID", "Bytes 0 - 7", "Frequency", "Count", "Timestamp"};
    if (section < 0 || section >= 6)
        return QVariant();
    return tr(titles[section]);
}

void CANMonitorModel::slot_newCanFrameBatch(QList<canFrame_t> frames)
{
    for (const canFrame_t& frame : std::as_const(frames))
        processFrame(frame);
}

void CANMonitorModel::processFrame(const canFrame_t& frame)
{
    const qint64 now = monitorNow();
    const uint32_t key = frame.canChannelAndId;
    auto it = rowByKey.find(key);
    CANChannelMonitorData* r = nullptr;
    if (it == rowByKey.end()) {
        const int index = int(rows.size());
        r = new CANChannelMonitorData();
        r->timeOfLastRate = now;
        r->bus = int(key >> 31) + 1;
        r->identifier = key & 0x1FFFFFFFu;
        beginInsertRows(QModelIndex(), index, index);
        rows.append(r);
        rowByKey.emplace(key, index);
        endInsertRows();
    } else {
        r = rows.at(it->second);
    }
    ++r->count;
    if (now - r->timeOfLastRate > 1000) {
        r->frequency = float(double(r->count - r->countAtLastRate) * 1000.0 / double(now - r->timeOfLastRate));
        r->countAtLastRate = r->count;
        r->timeOfLastRate = now;
    }
    r->data = frame.canData;
    r->updated = true;
}

void CANMonitorModel::slot_updateUI()
{
    for (int i = 0; i < rows.size(); ++i) {
        CANChannelMonitorData& r = *rows[i];
        if (!r.updated)
            continue;
        r.timeText = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        QString text;
        for (int shift = 56; shift >= 0; shift -= 8)
            text += QString::asprintf("%02X ", unsigned((r.data >> shift) & 0xFF));
        r.bytesText = text;
        emit dataChanged(index(i, 2), index(i, 5));
        r.updated = false;
    }
}
