#pragma once

#include "CustomSqlTableModel.h"
#include "ProjectListFieldId.h"
#include "RunListFieldId.h"

#include <QList>
#include <QStringList>

#include <functional>

class QDialog;
class QTimer;
class RunData;
class RunDeleteDialog;
class VectorScatterPlot;

// The runs table "runs2": one row per run file, mirroring the run information
// the file itself keeps (the file is the primary store). It shows the runs of
// one project at a time and highlights runs loaded for analysis.
// One instance, theRunListModel, made by the main window after the project model.
class RunListModel : public CustomSqlTableModel
{
    Q_OBJECT
public:
    RunListModel(QWidget* parent, QSqlDatabase db);
    ~RunListModel() override;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The names of the runs the table holds (those of the project shown).
    QStringList getUsedRunNames() const;
    void tryV1DatabaseImport();

    // Shows the runs of one project; the same id again changes nothing.
    void setProjectId(int projectId);
    // Adds a run file to the project shown: the row from the file's run
    // information, the project's values and the new database id into the
    // file. The new row, or -1 (duplicate file, unreadable file).
    int newRunFromFile(const QString& file);

    // The analysis layer tells whether a run file is loaded in its list; unset
    // while that list does not exist.
    static void setLoadedRunQuery(std::function<bool(const QString& file)> query);
    // The analysis layer drops a run file from its list, or every run; unset without it.
    static void setLoadedRunRemover(std::function<void(const QString& file)> remover);
    static void setLoadedRunsClearer(std::function<void()> clearer);
    // Drops the run of a file from the analysis list and closes it in the cache.
    static void releaseRunFile(const QString& file);
    // Empties the analysis list and closes every cached run.
    static void releaseAllRuns();

    // The newest run of the active project (from the database, not the rows shown), or null.
    RunData* getLastRunInActiveProject();
    // Adds the given file, or asks for files when it is empty; the last row added, or -1.
    int action_load(const QString& file);
    int action_load(const QStringList& files);
    // Confirms and deletes rows; true when the user cancelled.
    bool action_delete(const QList<int>& rows);
    QString deleteMessage(const QList<int>& rows) const;
    // The views ask again for the loaded-run highlight.
    void loadedRunsChanged();

    // Run-file maintenance (RunListModelMaintenance.cpp). The queries list
    // names of run files in the runs folder; thresholds are SI.
    QStringList cleanup_commonQuery(const QString& condition, double value);
    QStringList cleanup_lengthMin(double seconds);
    QStringList cleanup_lengthMax(double seconds);
    QStringList cleanup_roadSpeed(double metresPerSecond);
    QStringList cleanup_engineSpeed(double radiansPerSecond);
    QStringList cleanup_emptySelection();
    QStringList cleanup_notInDatabase();
    // Confirms, deletes the files and their records; true when the user declined.
    bool clenup_removeFiles(const QList<QString>& names);
    // The names of the "*.h5" files of the runs folder, by name.
    static QStringList listRunsFolder();
    // The two forms under which a record may name a file of the runs folder.
    static QStringList runFilePathForms(const QString& name);
    // A question with a list of at most 21 names, then the total.
    static QString listedMessage(const QString& head, const QStringList& names);
    // Repacks one file through h5repack; replaces it only after a clean run.
    // 0 on success, else the tool's exit status (or -1 when it did not run).
    static int repackFile(const QString& program, const QString& path);
    // h5repack: ZEMBO_H5REPACK, else "/usr/bin/h5repack".
    static QString h5repackPath();
    // The usage histogram over every run of "runs2", each run recalculated.
    // `histogram` null recalculates only.
    void recalculateAllRuns(class UsageHistogram* histogram);

    // The project whose runs the table shows; -2 until the first one is chosen.
    int currentProjectId = -2;
    RunDeleteDialog* deleteDialog = nullptr;

    // The small power and torque preview of the run under the pointer.
    QTimer* previewTimer = nullptr;
    QDialog* previewPopup = nullptr;
    VectorScatterPlot* previewPlot = nullptr;
    int previewRow = -1;
    // How often a preview was drawn (tests count rebuilds).
    int previewBuildCount = 0;
    // The analysis setups the preview draws with (the main graph's).
    static const char* const previewPowerKey;
    static const char* const previewTorqueKey;
    static const char* const previewMasterKeys[3];

public Q_SLOTS:
    void slot_projectDataChanged(int projectId, ProjectListFieldId fieldId, const QVariant& value);
    void slot_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void slot_keyEvent(const QList<int>& rows, int key) override;
    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position) override;
    void slot_tooltipEvent(int row, const QPoint& pos) override;
    void slot_mouseLeaveEvent() override;
    void slot_previewTimerTimeout();

    void slot_removeEntriesWithoutFiles();
    void slot_removeFilesWithoutEntries();
    void slot_repackRunDataFiles();
    void slot_recalculateAllRunsData();
    void slot_calculateUsageProfile();

Q_SIGNALS:
    void signal_loadRuns(const QList<int>& runs);

private:
    void registerFields();
    void createPreview(QWidget* parent);
    // The option labels of the dyno setting that chooses the engine-speed source.
    static QStringList engineSpeedSourceLabels();
};

extern RunListModel* theRunListModel;
