#pragma once

#include <QWidget>

class CanMessagePreview;
class CanOutputChannelModel;
class QItemSelection;
class QTableView;
class QTimer;

// The "CAN outputs" page: the table of messages, the signals of the selected
// message and the byte preview of that message with the selected signal's
// bits marked. The refresh timer runs while the page is the current tab.
class CanOutputsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CanOutputsWidget(QWidget* parent = nullptr);
    // Loads "canOutputs.xml" and builds the tables.
    void init();

    QTableView* tableView = nullptr;
    QTableView* channelTableView = nullptr;
    CanOutputChannelModel* channelModel = nullptr;
    CanMessagePreview* preview = nullptr;
    QTimer* refreshTimer = nullptr;

public Q_SLOTS:
    void slot_updatePreview();
    void slot_messageSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void slot_channelSelectionChanged();

private:
    int firstSelectedRow(const QTableView* view) const;
};
