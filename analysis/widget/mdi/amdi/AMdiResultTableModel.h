#pragma once

#include "MainGraphMasterChannel.h"
#include "RunListFieldId.h"

#include <QAbstractTableModel>
#include <QList>

class AMdiResultTable;
class AMdiTableModelItem;
class ChannelSetup;
class LoadedRunListModel;
class QDialog;
class QDomElement;
class QItemSelectionModel;
class QTableView;
class RunData;
class SafeSpinBox;

// The result table: one row per step of the master channel, column 0 the
// master value, then per loaded run one column per table channel, showing the
// values at the steps (or their differences to the first run) with the
// column's minimum and maximum and the channels' limits in colour.
class AMdiResultTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit AMdiResultTableModel(AMdiResultTable* widget);
    ~AMdiResultTableModel() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setModels(LoadedRunListModel* runs, QItemSelectionModel* selection);
    void setMasterChannel(MainGraphMasterChannel channel);
    double getStep() const;
    void recalculate();
    void updateMasterRange();
    void addChannel(ChannelSetup* setup);
    void removeChannel(int channel);
    void monitorChannelSetupChange(ChannelSetup* setup);
    void insertRow(int row);
    void removeRow(int row);
    QStringList listChannelKeys() const;
    QString runName(int item) const;

    // Outputs.
    QString generateResultTable() const;
    QString generateResultTableTransposed() const;
    void exportToCSV();
    // Writes the visible columns as CSV; false when the file cannot be opened.
    bool writeCSV(const QString& fileName) const;
    void copyToClipboard(QTableView* view) const;
    void showContextMenu(const QPoint& globalPos);

    AMdiResultTable* widget = nullptr;
    QTableView* view = nullptr;
    LoadedRunListModel* runList = nullptr;
    QItemSelectionModel* runSelection = nullptr;
    SafeSpinBox* engineSpeedStep = nullptr;
    SafeSpinBox* roadSpeedStep = nullptr;
    SafeSpinBox* timeStep = nullptr;
    QDialog* stepDialog = nullptr;
    QList<ChannelSetup*> channels;
    ChannelSetup* masterSetup = nullptr;
    MainGraphMasterChannel masterChannel = MainGraphMasterChannel_engineSpeed;
    QList<AMdiTableModelItem*> items;
    bool diffMode = false;
    int firstStep = 0;
    int lastStep = -1;

public Q_SLOTS:
    void slot_rowsInserted(const QModelIndex& parent, int first, int last);
    void slot_rowsRemoved(const QModelIndex& parent, int first, int last);
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void slot_setRunVisible(int run, bool visible);
    void parseDomElement(const QDomElement* element);
    void writeToDomElement(QDomElement* element) const;

private:
    bool isColumnHidden(int column) const;
    QString cellHtml(int row, int column) const;
    QString channelNameHtml(int column) const;
};
