#pragma once

#include "ChannelFamily.h"
#include "ChannelFrame.h"

#include <QAbstractTableModel>
#include <QList>
#include <QRecursiveMutex>
#include <QString>

class InputChannel;
class QAbstractItemView;
class QTimer;

// The operator input channels: their table on the "UI inputs" page, its
// actions (new, edit, duplicate, remove, move, import, export), and
// "inputChannels.xml", whose text every run file also stores. Holds at most
// 255 channels when loading or creating. theInputChannelsModel is the
// registry's input family; a recorded run builds a model of its own
// (loadFromString(text, true)) whose channels have no shortcuts and no
// game-pad bindings and which never opens a box.
class InputChannelsModel : public QAbstractTableModel, public ChannelFamily
{
    Q_OBJECT
public:
    static constexpr int maximumChannelCount = 255;

    explicit InputChannelsModel(QObject* parent = nullptr);
    ~InputChannelsModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The input family of the channel registry.
    RunChannel* getChannelByKey(const QString& key) const override;
    QList<AbstractChannel*> listChannelsForArgument(Quantity quantity) const override;
    QList<AbstractChannel*> getListForChannels() const override;

    void action_new();
    bool action_edit(int row, bool checkOnly);
    void action_duplicate(const QList<int>& rows);
    void action_remove(const QList<int>& rows);
    bool action_moveUp(int row, bool checkOnly);
    bool action_moveDown(int row, bool checkOnly);
    void action_import();
    void action_export(const QList<int>& rows);

    void addChannel(InputChannel* channel);
    // The row must be valid. The run recorder may walk rowCount and input
    // from its own thread: the list is guarded by listMutex, which every
    // change of the list takes as well.
    InputChannel* input(int row) const;
    QList<AbstractChannel*> listForArgument(Quantity quantity) const;
    QList<QString> listInputNames() const;

    void loadFromFile();
    void loadFromString(const QString& xml, bool forRunData);
    QString setupToString() const;
    // "inputChannels.xml" could not be read: its channels are missing, not
    // gone, and a setting that names one keeps the key (true for such a key).
    bool keyOfUnreadFile(const QString& key) const;
    QString filePath() const { return fileName; }
    void parseFrames(QList<channelFrame_t>* frames, QList<QList<double>>* times, QList<QList<double>>* values) const;

    QList<InputChannel*> channels;
    QTimer* saveTimer = nullptr;
    mutable QRecursiveMutex listMutex;

Q_SIGNALS:
    void signal_emitError(const QString& text);

public Q_SLOTS:
    void slot_saveToFile();
    void slot_doubleClicked(const QModelIndex& index);
    void slot_channelDataChanged();

private:
    QString documentText(const QList<int>& rows) const;
    void keepMalformedFile(const QString& reason);
    void contextMenu(QAbstractItemView* view, const QPoint& position);
    QList<int> selectedRows(QAbstractItemView* view) const;
    void moveCurrent(QAbstractItemView* view, int row);
    void swapRows(int first, int second);

    QString fileName;
    bool saveAllowed = true;
    bool fileUnreadable = false;
};

extern InputChannelsModel theInputChannelsModel;
