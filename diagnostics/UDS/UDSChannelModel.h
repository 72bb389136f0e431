#pragma once

#include "ChannelFamily.h"
#include "FrameRecords.h"
#include "PriorityGroup.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>

class MultipleSortFilterProxyModel;
class QAbstractItemView;
class QTimer;
class UDSChannel;

// Owner of the UDS channels and their table. The list order is the order of
// "UDSChannels.xml", of the table and of the polling order's round robin.
//
// `mutex` is shared with the OBD thread: the GUI thread takes it for every
// change of the list, the priorities or the polling order; the OBD thread
// tries it on each polling tick and waits for it only during the
// supported-PID discovery. While an editor is open on a channel the GUI
// thread holds it, so polling pauses until the editor closes.
//
// theUDSChannelModel holds the live list; a loaded run makes a private model
// (`forRunData`) that has no save timer, never writes a file and never joins
// the polling order.
class UDSChannelModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    enum Column {
        ColumnPriority = 0,
        ColumnAutoHeader = 1,
        ColumnHeader = 2,
        ColumnCommand = 3,
        ColumnName = 4,
        ColumnSupportBit = 5,
        ColumnEquation = 6,
        ColumnTimestamp = 7,
        ColumnValue = 8,
        ColumnOverrides = 9,
        ColumnAvailability = 10,
        ColumnCount = 11
    };
    static constexpr int saveDelayMs = 500;

    explicit UDSChannelModel(QObject* parent = nullptr, bool forRunData = false);
    ~UDSChannelModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The UDS family of the channel registry.
    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;
    QList<AbstractChannel*> listForArgument(Quantity quantity) const;

    UDSChannel* channel(int row) { return channels.at(row); }
    const UDSChannel* channel(int row) const { return channels.at(row); }
    QList<QString> listInputNames() const;
    // The channels whose command begins with `prefix`, in list order. The
    // caller holds the mutex.
    QList<UDSChannel*> listChannelsForCommand(const QByteArray& prefix) const;

    // Appends and takes ownership. Live channels join the polling order, and
    // one whose recorded id would repeat another's gets a free one.
    void addChannels(const QList<UDSChannel*>& newChannels, bool fromRunFile = false);
    // Takes every channel out of the polling order and deletes it (tests and
    // program exit).
    void clear();

    void channelStatusChanged(UDSChannel* channel);
    void channelHeaderChanged(UDSChannel* channel);

    // File and presets.
    QString setupToString() const;
    QString documentText(const QList<int>& rows) const;
    void loadFromString(const QString& text, bool fromRunFile);
    void loadFromFile();
    QString filePath() const { return fileName; }
    void action_import();
    void action_export(const QList<int>& rows);

    // Table actions.
    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_duplicate(const QList<int>& rows);
    void action_remove(const QList<int>& rows);
    bool action_moveUp(int row, bool checkOnly);
    bool action_moveDown(int row, bool checkOnly);
    void action_setPriority(const QList<int>& rows, PriorityGroup group);
    void action_disableAll();

    // Splits a run's UDS frames into one time (s) and value series per row.
    void parseFrames(QList<channelFrame_t>* frames, QList<QList<double>>* times, QList<QList<double>>* values) const;
    static void parseFrames(const QList<quint16>& rowIds, const channelFrame_t* frames, qsizetype frameCount,
                            QList<QList<double>>* times, QList<QList<double>>* values);

    QList<UDSChannel*> channels;
    QTimer* saveTimer = nullptr;
    QMutex mutex;
    // Set by the OBD thread when it stored a value; the list page's refresh
    // clears it.
    std::atomic<bool> valuesChanged {false};
    MultipleSortFilterProxyModel* proxyModel = nullptr;

Q_SIGNALS:
    void signal_emitError(QString text);
    void signal_channelChanged(UDSChannel* channel, bool headerOnly);

public Q_SLOTS:
    void slot_resetChannelStatusAndValues();
    void slot_updateValueDisplay();
    void slot_saveToFile();
    void slot_action_importServer();
    void slot_doubleClicked(const QModelIndex& index);

private Q_SLOTS:
    void slot_channelChanged(UDSChannel* channel, bool headerOnly);

private:
    int modelRow(const QModelIndex& viewIndex) const;
    QModelIndex viewIndex(int row) const;
    QList<int> selectedRows(QAbstractItemView* view) const;
    void contextMenu(QAbstractItemView* view, const QPoint& globalPos, const QPoint& viewportPos);
    void startSaveTimer();
    void notifyRows(int first, int last, int firstColumn, int lastColumn, const QList<int>& roles = {});

    QString fileName;
    bool forRunData = false;
    bool saveAllowed = true;
};

extern UDSChannelModel theUDSChannelModel;
