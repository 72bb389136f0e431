#pragma once

#include <QAbstractTableModel>
#include <QList>

class CanOutputChannel;
class CanOutputMessage;
class QTableView;

// A view on the signals of one CAN output message (or of none). It owns
// nothing: the message holds its signals, and every change of the list takes
// the message's mutex. Acts as the event filter of its table (menu and keys).
class CanOutputChannelModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int columnTotal = 10;

    explicit CanOutputChannelModel(QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setMessage(CanOutputMessage* message);
    CanOutputMessage* message() const { return current; }
    void addChannel(CanOutputChannel* channel);

    void action_new();
    bool action_edit(int row, bool checkOnly);
    bool action_remove(QList<int> rows);
    // Opens the menu of the table at a global position; `row` is the row
    // under the mouse (-1 for none).
    void showContextMenu(int row, const QList<int>& selectedRows, const QPoint& globalPosition);

    // The table this model filters (rows of the selection, current row).
    QTableView* view = nullptr;

Q_SIGNALS:
    void signal_saveRequest();
    void signal_updatePreview();
    void signal_selectLast();

public Q_SLOTS:
    void slot_doubleClicked(const QModelIndex& index);

private:
    CanOutputMessage* current = nullptr;
};
