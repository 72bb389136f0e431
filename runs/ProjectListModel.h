#pragma once

#include "CustomSqlTableModel.h"
#include "PowerCorrectionEngineType.h"
#include "ProjectEnumerations.h"
#include "ProjectListFieldId.h"

#include <QList>
#include <QMap>
#include <QPair>

#include <functional>

class ProjectDeleteDialog;
class QAction;
class QTimer;
class TableEditor;

// The projects table "projects2": one row per vehicle or engine under test.
// It declares the 58 project fields, creates or migrates the table, imports the
// first generation's "projects.db" once, holds the active project (the one runs
// are recorded on), and keeps each project's run statistics up to date.
// One instance, theProjectListModel, made by the main window.
class ProjectListModel : public CustomSqlTableModel
{
    Q_OBJECT
public:
    ProjectListModel(QWidget* parent, QSqlDatabase database);
    ~ProjectListModel() override;

    QString getDatabaseKey(ProjectListFieldId id) const;
    int getFieldIdFromKey(const QString& key) const;

    int rowFromProjectId(int id) const;
    QVariant activeProjectDataRawById(ProjectListFieldId field) const;
    bool setActiveProjectDataRawByRowAndId(ProjectListFieldId field, const QVariant& value);
    PowerCorrectionEngineType getCurrentProjectEngineTypeForPowerCorrection() const;
    static PowerCorrectionEngineType engineTypeFromFuelTypeAndBoostType(FuelType fuel, EngineBoostType boost);
    // (database key, header label) of the fields a function argument may read.
    QList<QPair<QString, QString>> listKeysForArgument(Quantity quantity) const;

    // Recomputed one second after the last request, so many run changes cost one pass.
    void queueProjectStatsUpdate(int projectId);
    void queueAllProjectsStatsUpdate();
    void tryV1DatabaseImport();

    // Table actions (ProjectListModelActions.cpp). action_new and
    // action_duplicate return the new row, or -1 when the insert failed (then
    // nothing else is written); action_delete returns true when the user cancelled.
    int action_new();
    int action_duplicate(const QList<int>& rows);
    bool action_delete(const QList<int>& rows);
    // One new project per project id stored in the chosen run files, holding those runs.
    void createProjectsFromRunFiles();
    void createProjectsFromRunFiles(const QStringList& files);
    // The delete question for these rows (21 listed at most, then the total).
    QString deleteMessage(const QList<int>& rows) const;
    // Fields a duplicate leaves at the new project's own values.
    static bool isExcludedFromDuplicate(int fieldId);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    QTimer* statsUpdateTimer = nullptr;
    // Both -1, or both name the same project; the row is a row of this model.
    int activeProjectId = -1;
    int activeProjectRow = -1;
    QList<int> pendingStatsProjectIds;
    ProjectDeleteDialog* deleteDialog = nullptr;
    // Per field, an action of the projects page triggered when that field of
    // the project in its row editor is written (its estimates follow). Not owned.
    QMap<int, QAction*> fieldListeners;
    // The projects page's row editor, whose shown row the listeners watch. Not owned.
    const TableEditor* rowEditor = nullptr;
    // The projects page: selects a row in its project table (which shows it),
    // re-runs its estimates, shows its runs page. Unset without the page.
    std::function<void(int row)> selectRowInView;
    std::function<void()> runAllListeners;
    std::function<void()> showRunsPage;
    // Project id in the first generation's database -> id of the imported project.
    QMap<int, int> v1ProjectIdMap;

public Q_SLOTS:
    void slot_updateProjectsStats();
    void slot_setCurrentProjectById(int id);
    void slot_setActiveProjectByRow(int row);
    void slot_projectInfoChanged(const QString& filename, ProjectListFieldId fieldId, const QVariant& value);
    void slot_keyEvent(const QList<int>& rows, int key) override;
    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position) override;

Q_SIGNALS:
    void signal_activeProjectChanged();
    void signal_projectDataChanged(int projectId, ProjectListFieldId fieldId, const QVariant& value);
    void signal_newProjectCreated();

private:
    void registerFields();
    static bool isHeadlineField(int fieldId);
};

extern ProjectListModel* theProjectListModel;
