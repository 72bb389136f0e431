#pragma once

#include "CustomSqlTableModel.h"
#include "ProjectListFieldId.h"
#include "RunListFieldId.h"

#include <QList>
#include <QStringList>

#include <functional>

class RunDeleteDialog;

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

    // The project whose runs the table shows; -2 until the first one is chosen.
    int currentProjectId = -2;
    RunDeleteDialog* deleteDialog = nullptr;

public Q_SLOTS:
    void slot_projectDataChanged(int projectId, ProjectListFieldId fieldId, const QVariant& value);
    void slot_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void slot_keyEvent(const QList<int>& rows, int key) override;
    void slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position) override;

Q_SIGNALS:
    void signal_loadRuns(const QList<int>& runs);

private:
    void registerFields();
    // The option labels of the dyno setting that chooses the engine-speed source.
    static QStringList engineSpeedSourceLabels();
};

extern RunListModel* theRunListModel;
