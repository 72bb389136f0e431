#pragma once

#include "BinFinder.h"
#include "XYMapAxis.h"

#include <QAbstractTableModel>
#include <QList>

#include <qcustomplot.h>

class ChannelSetup;
class QDomElement;
class QDialog;
class QLabel;
class QSpinBox;
class RMdiXYTable;
class RunChannel;

// The data of the live X-Y table: per cell of the row and column channels'
// bins the sum, count and mean of the value channel's samples taken while the
// operating point stayed in that cell (centre and dwell-time filters), and
// the colour scale of the means.
class RMdiXYTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // More cells than this would only exhaust memory on the board.
    static constexpr int maxBinsPerAxis = 1000;

    explicit RMdiXYTableModel(RMdiXYTable* widget);

    void setChannel(XYMapAxis axis, RunChannel* channel);
    void setLabels(QLabel* column, QLabel* row, QLabel* value, QLabel* info);
    // One sample, all three values in display units.
    void addData(double columnValue, double rowValue, double value);
    void rebuildColorGradient();
    void parseDomElement(const QDomElement* element);
    void writeToDomElement(QDomElement* element);
    bool eventFilter(QObject* watched, QEvent* event) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The mean and count of a cell by bin indices (for tests and tools).
    double cellMean(int columnBin, int rowBin) const;
    int cellCount(int columnBin, int rowBin) const;
    // Whether an axis's bins can make a table: strictly rising, within the cap.
    static bool usableBins(const QList<double>& bins);

    RMdiXYTable* widget;
    RunChannel* channels[3] = {nullptr, nullptr, nullptr};
    ChannelSetup* setups[3] = {nullptr, nullptr, nullptr};
    QLabel* labels[3] = {nullptr, nullptr, nullptr};
    QLabel* infoLabel = nullptr;
    QList<double> sums;
    QList<qint32> counts;
    QList<double> means;
    double lowestMean;
    double highestMean;
    double colorRangeLow;
    double colorRangeHigh;
    BinFinder columnFinder;
    BinFinder rowFinder;
    qint32 columnCountData = 0;
    qint32 rowCountData = 0;
    bool invertY = false;
    // Its colour lookup fills a cache, hence mutable.
    mutable QCPColorGradient gradient;
    QDialog* configDialog = nullptr;
    QSpinBox* centerFilter = nullptr;
    QSpinBox* transientFilter = nullptr;
    qint32 currentColumnBin = -1;
    qint32 currentRowBin = -1;
    float relativeX = 0;
    float relativeY = 0;
    qint64 dwellStart;
    // False until a sample has been binned: the crosshair has nothing to show.
    bool hasCurrentCell = false;

Q_SIGNALS:
    void signal_requestSettingsSave();

public Q_SLOTS:
    void slot_rebuildDataContainers();
    void slot_clearData();

private:
    int findBin(BinFinder& finder, const QList<double>& bins, double v);
    QMetaObject::Connection setupConnections[3];
};
