#pragma once

#include "XYMapAxis.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <qcustomplot.h>

class AMdiXYTable;
class ChannelSetup;
class LoadedRunListModel;
class QDialog;
class QDomElement;
class QItemSelectionModel;
class QLabel;
class QSpinBox;
class QTableView;

// What the X-Y table shows: the mean of the value channel per cell, a cell
// being a bin of the column channel and a bin of the row channel (bins are
// centre values; their midpoints are the cell bounds). A centre filter and a
// transient filter keep samples of a moving operating point out of the means.
class AMdiXYTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit AMdiXYTableModel(AMdiXYTable* owner);
    ~AMdiXYTableModel() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void init(LoadedRunListModel* runs, QItemSelectionModel* selection);
    void setLabels(QLabel* x, QLabel* y, QLabel* c, QLabel* info);
    void setChannelSetup(XYMapAxis axis, ChannelSetup* setup);
    ChannelSetup* channelSetup(XYMapAxis axis) const { return setups[axis]; }
    void recalculate();
    QString generateReportTable() const;
    void exportToCSV();
    // The CSV of the table as shown; false when the file cannot be written.
    bool writeCSV(const QString& fileName) const;
    void copyToClipboard(QTableView* view) const;
    void parseDomElement(const QDomElement* setup);
    void writeToDomElement(QDomElement* setup) const;
    QStringList listChannelKeys() const;
    void showContextMenu(const QPoint& globalPos);
    // Runs the configuration dialog (filters) and recalculates.
    void configure(const QPoint& globalPos);

    AMdiXYTable* widget = nullptr;
    QPointer<LoadedRunListModel> runList;
    QPointer<QItemSelectionModel> runSelection;
    ChannelSetup* setups[3] = {nullptr, nullptr, nullptr};
    QLabel* yLabel = nullptr;
    QLabel* xLabel = nullptr;
    QLabel* cLabel = nullptr;
    QLabel* infoLabel = nullptr;
    QList<double> cells;
    QStringList selectedRunFiles;
    double colorLow = 0.0;
    double colorHigh = 0.0;
    bool invertY = false;
    // QCustomPlot caches its colour table on first use, even for a const lookup.
    mutable QCPColorGradient gradient;
    QDialog* configDialog = nullptr;
    QSpinBox* centerFilter = nullptr;
    QSpinBox* transientFilter = nullptr;

public Q_SLOTS:
    void slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void slot_selectionChanged();

private:
    QList<int> selectedRows() const;
    int dataRow(int row) const;
    double cellValue(int row, int column) const;
    QColor background(double value) const;
};
