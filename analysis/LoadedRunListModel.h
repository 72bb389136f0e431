#pragma once

#include <QAbstractTableModel>

class RunData;

// STAND-IN until run analysis is built: the ANALYZE tab's list of loaded runs.
// Run files cannot be read yet, so no run is ever loaded.
class LoadedRunListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit LoadedRunListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The run of the file, or null when it cannot be loaded (told to the operator).
    RunData* newRunFromFile(const QString& file, bool resetSortIndicator);
    void removeAllRuns();

    // Set when a run was added since the ANALYZE tab was last shown.
    bool runAddedMark = false;

public Q_SLOTS:
    void slot_recalculate();
    void slot_runListModelHeaderChanged();

Q_SIGNALS:
    void signal_runCountChanged(int newRunCount, int previousRunCount);
};
