#pragma once

#include <QWidget>

class MultipleSortFilterProxyModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

// The "Channels" tab of the OBD page: a warning while the list is empty, a
// name filter, an availability filter and the table of the live UDS channels.
// The table's keys, menu and double click belong to the channel model.
class UDSChannelsManager : public QWidget
{
    Q_OBJECT
public:
    explicit UDSChannelsManager(QWidget* parent = nullptr);

    // Builds the page and loads the channel file (once).
    void init();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPushButton* pushButton_emptyListWarning = nullptr;
    QLineEdit* lineEdit_filter = nullptr;
    QComboBox* comboBox_availabilityFilter = nullptr;
    QTableView* tableView = nullptr;
    MultipleSortFilterProxyModel* proxyModel = nullptr;
    QTimer* refreshTimer = nullptr;

public Q_SLOTS:
    void slot_filterTextChanged(const QString& text);
    void slot_availabilityFilterChanged(int index);
    void slot_updateEmptyListWarningVisibility();
    void slot_showFunctionModelError(QString errorString);
};
