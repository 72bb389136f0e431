// What the operator does with the project table: new, duplicate, delete,
// projects rebuilt from run files, hidden and restored columns, and its keys.
#include "ProjectListModel.h"

#include "DialogAnswerer.h"
#include "MyMenu.h"
#include "MySQLTableView.h"
#include "OpenedRunsManager.h"
#include "PathSaver.h"
#include "ProjectDeleteDialog.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "RunListModel.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QIcon>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

namespace {

void setTaskProgress(float fraction)
{
    if (const auto& progress = RunDataHooks::instance().taskProgress)
        progress(fraction);
}

void setSubProgress(float fraction)
{
    if (const auto& progress = RunDataHooks::instance().progress)
        progress(fraction);
}

// Up to 21 entries, then a line with the total.
constexpr int kListedRows = 21;

} // namespace

bool ProjectListModel::isExcludedFromDuplicate(int fieldId)
{
    using namespace ProjectListFields;
    switch (fieldId) {
    case id:
    case creationTimestamp:
    case lastRunTimestamp:
    case lastAccessTimestamp:
    case runCount:
    case runDistance:
        return true;
    default:
        return fieldId >= measuredEnginePower && fieldId <= peakEngineSpeed;
    }
}

int ProjectListModel::action_new()
{
    activeProjectId = activeProjectRow = -1;
    emit signal_activeProjectChanged();
    emit signal_newProjectCreated();

    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QStringList keys{getDatabaseKey(ProjectListFields::id), getDatabaseKey(ProjectListFields::creationTimestamp),
                     getDatabaseKey(ProjectListFields::lastAccessTimestamp)};
    QList<QVariant> values{QVariant(), now, now};
    for (int field = 0; field < fieldDescriptors.size(); ++field) {
        const TableModelFieldDescriptor* d = descriptor(field);
        if (d && (d->flags & FieldInEditor)) {
            keys.append(d->databaseKey);
            values.append(d->defaultValue);
        }
    }
    QSqlQuery insert(database());
    insert.prepare(QStringLiteral("insert into projects2 (") + keys.join(QStringLiteral(", ")) + QStringLiteral(") values (:")
                   + keys.join(QStringLiteral(", :")) + QStringLiteral(") "));
    for (int i = 0; i < keys.size(); ++i)
        insert.bindValue(QLatin1Char(':') + keys.at(i), values.at(i));
    if (!insert.exec()) {
        qDebug() << "insert query failed" << insert.lastError();
        // The last row would name an existing project, which callers would overwrite.
        return -1;
    }
    const int newId = insert.lastInsertId().toInt();
    select();
    int row = rowFromProjectId(newId);
    if (row < 0)
        row = rowCount() - 1;
    if (selectRowInView)
        selectRowInView(row);
    if (runAllListeners)
        runAllListeners();
    return row;
}

int ProjectListModel::action_duplicate(const QList<int>& rows)
{
    if (rows.isEmpty())
        return -1;
    const int source = rows.first();
    // The new row re-reads the table; the source's values are taken first.
    QList<QVariant> values;
    for (int field = 0; field < ProjectListFieldCount; ++field)
        values.append(dataRawByRowAndId(source, field));
    const int target = action_new();
    if (target < 0)
        return -1;
    for (int field = 0; field < ProjectListFieldCount; ++field) {
        if (!isExcludedFromDuplicate(field))
            setDataRawByRowAndId(target, field, values.at(field));
    }
    return target;
}

QString ProjectListModel::deleteMessage(const QList<int>& rows) const
{
    QString message = tr("Are you sure you want to delete projects:");
    int listed = 0;
    for (int row : rows) {
        if (listed == kListedRows) {
            message += QStringLiteral("\n ") + tr("and more... Total:") + QLatin1Char(' ') + QString::number(rows.size());
            break;
        }
        message += QLatin1Char('\n')
            + Tools::stringFromUnixTimestamp(
                       static_cast<long>(dataRawByRowAndId(row, ProjectListFields::creationTimestamp).toLongLong()))
            + QStringLiteral(" \"") + dataRawByRowAndId(row, ProjectListFields::vehicleId).toString()
            + QLatin1Char('"');
        ++listed;
    }
    return message;
}

bool ProjectListModel::action_delete(const QList<int>& rows)
{
    deleteDialog->setMessage(deleteMessage(rows));
    if (DialogAnswerer::exec(deleteDialog) != QDialog::Accepted)
        return true;
    const bool removeFiles = deleteDialog->checkBox && deleteDialog->checkBox->isChecked();
    for (int row : rows) {
        const int projectId = dataRawByRowAndId(row, ProjectListFields::id).toInt();
        QSqlQuery files(database());
        files.prepare(QStringLiteral("SELECT filename FROM runs2 WHERE projectId=?"));
        files.addBindValue(projectId);
        if (!files.exec()) {
            logSqlError(files);
        } else {
            while (files.next()) {
                const QString file = files.value(0).toString();
                // A run held open would keep its disk space and a stale cache entry.
                RunListModel::releaseRunFile(file);
                if (removeFiles)
                    QFile::remove(file);
            }
        }
        QSqlQuery runs(database());
        runs.prepare(QStringLiteral("DELETE FROM runs2 WHERE projectId=?"));
        runs.addBindValue(projectId);
        if (!runs.exec())
            logSqlError(runs);
        removeRows(row, 1);
    }
    submit();
    select();
    activeProjectId = activeProjectRow = -1;
    emit signal_activeProjectChanged();
    return false;
}

void ProjectListModel::createProjectsFromRunFiles()
{
    const QStringList files = thePathSaver.getOpenFileNames(Path::openRun, tr("Open run log files"));
    if (!files.isEmpty())
        createProjectsFromRunFiles(files);
}

void ProjectListModel::createProjectsFromRunFiles(const QStringList& files)
{
    setTaskProgress(0.0f);
    QMap<int, QStringList> groups;
    for (int j = 0; j < files.size(); ++j) {
        RunData* run = theOpenedRunsManager.getRunData(files.at(j));
        if (!run) {
            Tools::showError(tr("Error reading run info from file"));
        } else {
            run->loadProjectInfo();
            groups[run->getProjectInfoValue(ProjectListFields::id, QVariant()).toInt()].append(files.at(j));
        }
        setTaskProgress(static_cast<float>(j + 1) / static_cast<float>(files.size()));
    }
    setTaskProgress(1.0f);
    setTaskProgress(0.0f);

    int k = 0;
    for (auto group = groups.constBegin(); group != groups.constEnd(); ++group) {
        const int row = action_new();
        if (row < 0)
            break;
        const int newId = dataRawByRowAndId(row, ProjectListFields::id).toInt();
        if (RunData* first = theOpenedRunsManager.getRunData(group.value().first())) {
            first->loadProjectInfo();
            for (int field = 1; field < ProjectListFieldCount; ++field) {
                const QVariant stored = first->getProjectInfoValue(field, QVariant());
                if (stored.isValid() && !stored.isNull())
                    setDataRawByRowAndId(row, field, stored);
            }
        }
        // The run table attaches the files to the project it shows: make that
        // the new one here rather than trust the page's selection to have done it.
        if (theRunListModel) {
            theRunListModel->setProjectId(newId);
            for (int index = 0; index < group.value().size(); ++index) {
                theRunListModel->newRunFromFile(group.value().at(index));
                setSubProgress(static_cast<float>(index + 1) / static_cast<float>(group.value().size()));
            }
        }
        queueProjectStatsUpdate(newId);
        ++k;
        setTaskProgress(static_cast<float>(k) / static_cast<float>(groups.size()));
    }
    setTaskProgress(1.0f);
    if (showRunsPage)
        showRunsPage();
}

void ProjectListModel::slot_keyEvent(const QList<int>& rows, int key)
{
    auto* view = qobject_cast<MySQLTableView*>(sender());
    switch (key) {
    case Qt::Key_Return:
        if (!rows.isEmpty())
            slot_setActiveProjectByRow(rows.first());
        break;
    case Qt::Key_Delete:
        if (!rows.isEmpty() && !action_delete(rows) && view)
            view->selectRow(-1);
        break;
    case Qt::Key_N:
        action_new();
        break;
    default:
        break;
    }
}

void ProjectListModel::slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position)
{
    auto* view = qobject_cast<MySQLTableView*>(sender());
    MyMenu menu;
    QAction* newAction = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("New project    -  N"));
    QAction* deleteAction = nullptr;
    QAction* duplicateAction = nullptr;
    if (!rows.isEmpty()) {
        deleteAction = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), tr("Delete project -  DEL"));
        duplicateAction = menu.addAction(tr("Duplicate project"));
    }
    QAction* fromFilesAction = menu.addAction(tr("Create projects from run files"));
    const ColumnMenuEntries columnEntries = addColumnMenuEntries(menu, column);

    QAction* chosen = DialogAnswerer::execMenu(&menu, position);
    if (!chosen)
        return;
    if (chosen == deleteAction) {
        if (!action_delete(rows) && view)
            view->selectRow(-1);
    } else if (chosen == duplicateAction) {
        action_duplicate(rows);
    } else if (chosen == newAction) {
        action_new();
    } else if (chosen == fromFilesAction) {
        createProjectsFromRunFiles();
    } else {
        applyColumnMenuEntry(columnEntries, chosen, column);
    }
}
