#pragma once

#include "ComparePlot.h"
#include "LoadedRunListField.h"
#include "RunData.h"
#include "RunListFieldId.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QMap>
#include <QPageLayout>
#include <QPointer>
#include <QStringList>

class ChannelSetup;
class QMenu;
class QTableView;

// The runs loaded into the ANALYZE tab for comparison: one row per run (the
// RunData belongs to the cache of opened runs), 27 fixed columns, and per row
// position the curve colours and line styles. Every analysis widget reads
// from it which runs exist, in which order, which are visible or bold, which
// curves are on and how they are drawn. Sorting and reordering reload every
// run from its file; colours and styles stay with the row positions.
//
// It is also the event filter of the loaded-runs table (context menus, Delete)
// and holds the run actions those menus offer. GUI thread only.
class LoadedRunListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole + 1;
    static constexpr const char* mimeType = "application/loadedRun";

    explicit LoadedRunListModel(QWidget* parent = nullptr);

    // ---- item model
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // ---- runs
    // Loads and recalculates the run of a file and appends its row. The run,
    // or null when no row was added (the reason was told to the operator).
    RunData* newRunFromFile(const QString& fileName, bool resetSortIndicator);
    // Appends the row of a run that is loaded and calculated already.
    void appendRun(RunData* run);
    void removeAllRuns();
    void removeRunByFilename(const QString& fileName);
    bool isRunLoaded(const QString& fileName) const;
    RunData* getLastRunData() const;
    const QList<RunData*>& runs() const { return runList; }
    RunData* runAt(int row) const { return runList.value(row); }
    int rowOfRun(const RunData* run) const;
    bool isRunVisible(int row) const;
    bool isRunBold(int row) const;
    bool isFieldVisible(int row, LoadedRunListField column) const;
    bool isColumnVisible(LoadedRunListField column) const;
    static bool isColumnPrintable(int column);
    bool isFieldEnabledOnPrint(LoadedRunListField column) const;
    void changeColumnVisibility(int column, bool visible);
    void toggleColumnPrint(int column);
    void setView(QTableView* view);
    QTableView* view() const { return tableView; }
    QList<ChannelSetup*> listAvailableChannelSetups() const;
    static LoadedRunListField loadedRunListFieldFromPlotAxis(int axis);
    // The main graph's master channel (engine speed, road speed, time).
    static int masterChannel();

    // ---- colours and line styles of the row positions
    QColor getColor(int row, LoadedRunListField column) const;
    Qt::PenStyle getLineStyle(int row, LoadedRunListField column) const;
    void setColor(int row, LoadedRunListField column, const QColor& colour);
    void setLineStyle(int row, LoadedRunListField column, Qt::PenStyle style);
    void expandColorTable(int row);
    void expandLineStyleTable(int row);
    void loadColorSetup();
    void loadLineStyleSetup();
    void saveColorSetup(int row);
    void saveLineStyleSetup(int row);
    static QColor defaultColor(int column);
    int colorTableRows() const { return colorTable.size(); }
    int lineStyleTableRows() const { return lineStyleTable.size(); }
    void action_setColor(const QList<QModelIndex>& cells);
    void action_setColorForColumn(int column);
    void action_setColorForRow(int row);
    void action_setStyle(const QList<QModelIndex>& cells);
    void action_setStyleForColumn(int column);
    void action_setStyleForRow(int row);
    Qt::PenStyle lineStyleDialog(Qt::PenStyle current, bool* ok);

    // ---- report fragments (HTML for the report interpreter's tags)
    // The visible runs in the printable columns, in the table's column order.
    Q_INVOKABLE QString generateRunTable(QPageLayout::Orientation orientation) const;
    // One row; an empty column list means the printable columns.
    Q_INVOKABLE QString generateRunTableRow(int row, QPageLayout::Orientation orientation,
                                            QList<LoadedRunListField> columns) const;
    // One colour or line-style cell of columns 4 ... 11.
    Q_INVOKABLE QString generateResultTableRowLegendField(int row, LoadedRunListField column,
                                                          QPageLayout::Orientation orientation) const;
    // The legend of paired columns and plot axes (PlotAxis_none: no axis);
    // pairs whose axis the plot hides or whose column the table hides are left out.
    Q_INVOKABLE QString generateLegendCommon(QList<LoadedRunListField> columns, QList<PlotAxis> axes,
                                             QPageLayout::Orientation orientation, ComparePlot* plot) const;
    Q_INVOKABLE QString generateLegendMainGraph(QPageLayout::Orientation orientation, ComparePlot* plot) const;
    Q_INVOKABLE QString generateLegendUserGraph(QPageLayout::Orientation orientation, ComparePlot* plot) const;
    // The style element every fragment starts with.
    static QString reportStyleBlock();
    // Columns 4 ... 25 set to print and shown, in the view's visual order.
    QList<LoadedRunListField> printableColumns() const;

    // ---- run actions (menus of the table)
    bool eventFilter(QObject* watched, QEvent* event) override;
    void action_showRangeSelectionTool(int row);
    void action_removeRuns(QList<int> rows);
    void action_removeUnselectedRuns(const QList<int>& selected);
    void action_removeInvisibleRuns();
    void action_calculateLossModel(int row);
    void action_loadLossModelToRunTab(int row);
    void action_exportToCSV(int row);
    void action_adjustEngineSpeed(int row);
    void action_analyzeSpeedSignal(int row);
    void action_fft(int row, const QString& channelKey);
    void action_doubleRampInertiaCalibration(const QList<int>& rows);
    void action_showRunDetails(int row);
    void action_analyzeKnockRecording(int row);
    void action_editDynoSettings(int row);
    void action_updateDynoSettings(int row);
    void action_loadDynoSettingsFromRunFile(int row);
    void action_sendRunToMail(int row);
    void newTrackingLineData(int row, const QList<QString>& values);
    void updateTrackingLineData();
    void applyEngineSpeedSourceToAllVisible(int source);
    void applySpeedRatioToAllVisible(double ratio, double slipCoefficient);
    void selectRangeInAllVisible(AutoSelectionVector vector, double min, double max);
    // The FFT channel list of a column (4 ... 7) from the graphs on the desktops.
    QStringList fftChannelKeys(int column) const;
    // The header and cell menus, built for a column or a cell (the dispatch
    // of the chosen entry is done by the caller); public for the tests.
    QMenu* buildHeaderMenu(int column);
    QMenu* buildCellMenu(int column, bool withFft);
    QList<int> selectedRows() const;
    QWidget* inertiaCalibrationWindow() const { return inertiaCalibrationTool; }
    // Where the ANALYZE desktops live (for the channel lists of FFT and CSV).
    QWidget* desktopManager = nullptr;

    // Set when a run was added since the ANALYZE tab was last shown.
    bool runAddedMark = false;
    int rangeToolRow = -1;

public Q_SLOTS:
    void slot_recalculate();
    void slot_rangeSelectionChanged(double start, double end);
    void slot_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void slot_runVectorsChanged();
    void slot_indexDoubleClicked(const QModelIndex& index);
    void slot_runListModelHeaderChanged();

Q_SIGNALS:
    void signal_runCountChanged(int newRunCount, int previousRunCount);
    void signal_resetSortOrderIndicator();
    void signal_runVisibilityChanged(int run, bool visible);
    void signal_trackingLineSync(RunData* runData, double time);

private:
    QVariant displayValue(int row, int column) const;
    QVariant sortKey(int row, int column) const;
    QVariant userValue(int row, int column) const;
    QColor backgroundColor(int row, int column) const;
    void setProgress(float fraction) const;
    // Reloads the files in order after everything was removed; a file that
    // fails is named and the others load.
    void reloadInOrder(const QStringList& files, bool resetSortIndicator);
    void saveColumnLists() const;
    QString reportHeaderRow(const QList<LoadedRunListField>& columns) const;
    QString reportRow(int row, QPageLayout::Orientation orientation, const QList<LoadedRunListField>& columns) const;
    void dispatchContextMenu(QContextMenuEvent* event);
    void releaseRun(RunData* run);

    QWidget* parentWidget = nullptr;
    QTableView* tableView = nullptr;
    QList<RunData*> runList;
    QList<bool> visibleFlags;
    QList<bool> boldFlags;
    QList<QList<bool>> cellFlags;
    QList<QStringList> trackingLineValues;
    QList<int> visibleColumns;
    QList<int> printColumns;
    QList<QList<QColor>> colorTable;
    QList<QList<int>> lineStyleTable;
    QMap<int, int> fieldMap;
    QPointer<QWidget> inertiaCalibrationTool;
};
