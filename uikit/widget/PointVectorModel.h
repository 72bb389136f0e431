#pragma once

#include "lib/PointVectorField.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointF>
#include <QString>

#include <mutex>

class Unit;

// A characteristic as a table lying on its side: row 0 the y values, row 1 the
// x values, one column per point, shown in each row's display unit. Works on
// its owner's point list (SI values) in place.
//
// Worker threads may read the list under the owner's lock while a cell is
// edited here; with setCellLock the model takes that lock around the write of
// an edited cell unless its owner says it already holds it (the owner's own
// list operations call the model with the lock taken).
class PointVectorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    PointVectorModel(QWidget* parent, QList<QPointF>* points);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setDisplayDecimals(PointVectorField field, int decimals);
    // Every cell changed (a new list, another unit).
    void announceAllCellsChanged();

    void setCellLock(std::mutex* lock) { cellLock = lock; }
    // Set by the owner while it holds the cell lock itself.
    bool ownerHoldsLock = false;

    int rowDecimals[2] = {2, 2};
    const Unit* rowUnits[2] = {nullptr, nullptr};
    QList<QPointF>* points = nullptr;
    QString rowNames[2];

private:
    std::mutex* cellLock = nullptr;
};
