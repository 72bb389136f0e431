// What the operator does with the runs table: files loaded into a project,
// runs deleted, the keys and menu of the table, and the power and torque
// preview of the run under the pointer.
#include "RunListModel.h"

#include "ChannelSetup.h"
#include "ChannelSetupModel.h"
#include "DialogAnswerer.h"
#include "MyMenu.h"
#include "MySQLTableView.h"
#include "OpenedRunsManager.h"
#include "PathSaver.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunDeleteDialog.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDebug>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

const char* const RunListModel::previewPowerKey = "mainGraph_power";
const char* const RunListModel::previewTorqueKey = "mainGraph_torque";
const char* const RunListModel::previewMasterKeys[3] = {"mainGraph_engineSpeed", "mainGraph_roadSpeed",
                                                        "mainGraph_time"};

namespace {

std::function<void(const QString&)>& loadedRunRemover()
{
    static std::function<void(const QString&)> remover;
    return remover;
}

std::function<void()>& loadedRunsClearer()
{
    static std::function<void()> clearer;
    return clearer;
}

constexpr int kListedRows = 21;

// The view's selectRow adds to the selection: the row loaded last is to be the only one.
void selectOnly(MySQLTableView* view, int row)
{
    view->tableView->clearSelection();
    view->selectRow(row);
}

} // namespace

void RunListModel::setLoadedRunRemover(std::function<void(const QString&)> remover)
{
    loadedRunRemover() = std::move(remover);
}

void RunListModel::setLoadedRunsClearer(std::function<void()> clearer)
{
    loadedRunsClearer() = std::move(clearer);
}

void RunListModel::releaseRunFile(const QString& file)
{
    if (const auto& remover = loadedRunRemover())
        remover(file);
    theOpenedRunsManager.closeRun(file);
}

void RunListModel::releaseAllRuns()
{
    if (const auto& clearer = loadedRunsClearer())
        clearer();
    theOpenedRunsManager.closeAllRuns();
}

void RunListModel::createPreview(QWidget* parent)
{
    previewTimer = new QTimer(this);
    previewTimer->setInterval(10000);
    previewTimer->setSingleShot(true);
    connect(previewTimer, &QTimer::timeout, this, &RunListModel::slot_previewTimerTimeout);
    previewPopup = new QDialog(parent);
    previewPopup->resize(300, 200);
    previewPopup->setWindowFlags(Qt::ToolTip);
    auto* layout = new QVBoxLayout(previewPopup);
    layout->setContentsMargins(0, 0, 0, 0);
    previewPlot = new VectorScatterPlot(previewPopup);
    layout->addWidget(previewPlot);
}

RunData* RunListModel::getLastRunInActiveProject()
{
    const int projectId = theProjectListModel ? theProjectListModel->activeProjectId : -1;
    if (projectId < 0)
        return nullptr;
    QSqlQuery query(database());
    query.prepare(QStringLiteral(
        "SELECT projectId,filename,creationTimestamp FROM runs2 WHERE projectId=? ORDER BY creationTimestamp DESC"));
    query.addBindValue(projectId);
    if (!query.exec()) {
        logSqlError(query);
        return nullptr;
    }
    if (!query.next())
        return nullptr;
    return theOpenedRunsManager.getRunData(query.value(QStringLiteral("filename")).toString());
}

int RunListModel::action_load(const QString& file)
{
    if (!file.isEmpty())
        return action_load(QStringList{file});
    return action_load(thePathSaver.getOpenFileNames(Path::openRun, tr("Open run log files")));
}

int RunListModel::action_load(const QStringList& files)
{
    int row = -1;
    for (const QString& file : files)
        row = newRunFromFile(file);
    return row;
}

QString RunListModel::deleteMessage(const QList<int>& rows) const
{
    QString message = tr("Are you sure you want to remove from database runs:");
    int listed = 0;
    for (int row : rows) {
        if (listed == kListedRows) {
            message += QStringLiteral("\n ") + tr("and more... Total:") + QLatin1Char(' ') + QString::number(rows.size());
            break;
        }
        message += QLatin1Char('\n')
            + Tools::stringFromUnixTimestamp(
                       static_cast<long>(dataRawByRowAndId(row, RunListFields::creationTimestamp).toULongLong()))
            + QStringLiteral(" \"") + dataRawByRowAndId(row, RunListFields::comment).toString() + QLatin1Char('"');
        ++listed;
    }
    return message;
}

bool RunListModel::action_delete(const QList<int>& rows)
{
    deleteDialog->setMessage(deleteMessage(rows));
    if (DialogAnswerer::exec(deleteDialog) != QDialog::Accepted)
        return true;
    const bool removeFiles = deleteDialog->checkBox && deleteDialog->checkBox->isChecked();
    for (int row : rows) {
        const QString file = dataRawByRowAndId(row, RunListFields::filename).toString();
        // A run held open would keep its disk space and a stale cache entry.
        releaseRunFile(file);
        if (removeFiles)
            QFile::remove(file);
        removeRows(row, 1);
    }
    submit();
    select();
    if (theProjectListModel)
        theProjectListModel->queueProjectStatsUpdate(currentProjectId);
    return false;
}

void RunListModel::loadedRunsChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, RunListFieldCount - 1), {Qt::BackgroundRole});
}

void RunListModel::slot_keyEvent(const QList<int>& rows, int key)
{
    auto* view = qobject_cast<MySQLTableView*>(sender());
    switch (key) {
    case Qt::Key_Return:
        if (!rows.isEmpty())
            emit signal_loadRuns(rows);
        break;
    case Qt::Key_Delete:
        if (!rows.isEmpty() && !action_delete(rows) && view)
            view->selectRow(-1);
        break;
    case Qt::Key_L: {
        const int row = action_load(QString());
        if (view)
            selectOnly(view, row);
        break;
    }
    default:
        break;
    }
}

void RunListModel::slot_contextMenuEvent(const QList<int>& rows, int column, const QPoint& position)
{
    auto* view = qobject_cast<MySQLTableView*>(sender());
    MyMenu menu;
    QAction* loadAction =
        menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Load run from external file -  L"));
    QAction* deleteAction = nullptr;
    if (!rows.isEmpty())
        deleteAction = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-delete")),
                                      tr("Delete run                  -  DEL"));
    const ColumnMenuEntries columnEntries = addColumnMenuEntries(menu, column);

    QAction* chosen = DialogAnswerer::execMenu(&menu, position);
    if (!chosen)
        return;
    if (chosen == loadAction) {
        const int row = action_load(QString());
        if (view)
            selectOnly(view, row);
    } else if (chosen == deleteAction) {
        if (!action_delete(rows) && view)
            view->selectRow(-1);
    } else {
        applyColumnMenuEntry(columnEntries, chosen, column);
    }
}

void RunListModel::slot_tooltipEvent(int row, const QPoint& pos)
{
    previewTimer->start();
    if (row == previewRow)
        return;
    previewPopup->hide();
    previewRow = row;
    if (row < 0)
        return;
    RunData* run = theOpenedRunsManager.getRunData(dataRawByRowAndId(row, RunListFields::filename).toString());
    if (!run)
        return;
    run->loadPreviewData();
    if (run->previewPower.isEmpty())
        return;

    const int master = std::clamp(static_cast<int>(run->previewMasterChannel), 0, 2);
    const Quantity masterQuantity =
        master == 0 ? Quantity::RotationalSpeed : master == 1 ? Quantity::Speed : Quantity::Time;
    const double rate = RunData::analysisSamplingFrequency();
    const int n = run->previewPower.size();
    auto power = std::make_unique<VectorChannel>(rate, QString::fromLatin1(previewPowerKey), tr("Power"),
                                                 Quantity::Power, n, nullptr);
    auto torque = std::make_unique<VectorChannel>(rate, QString::fromLatin1(previewTorqueKey), tr("Torque"),
                                                  Quantity::Torque, n, nullptr);
    auto x = std::make_unique<VectorChannel>(rate, QString::fromLatin1(previewMasterKeys[master]),
                                             master == 0 ? tr("Engine speed") : master == 1 ? tr("Road speed")
                                                                                              : tr("Time"),
                                             masterQuantity, n, nullptr);
    *power->getRawData() = run->previewPower;
    *torque->getRawData() = run->previewTorque.mid(0, n);
    *x->getRawData() = run->previewMaster.mid(0, n);

    previewPlot->setXLabel(x->getNameWithUnit());
    previewPlot->setData(PlotAxis_right, power->getNameWithUnit(), x->getTranslatedData(), power->getTranslatedData());
    previewPlot->setData(PlotAxis_left, torque->getNameWithUnit(), x->getTranslatedData(), torque->getTranslatedData());
    for (QCPAxis* axis : previewPlot->valueAxes) {
        if (axis)
            axis->setRangeLower(0.0);
    }
    if (previewPlot->xAxis && previewPlot->xAxis->ticker())
        previewPlot->xAxis->ticker()->setTickCount(3);
    previewPlot->replot();
    ++previewBuildCount;
    previewPopup->move(pos + QPoint(5, 20));
    previewPopup->show();
}

void RunListModel::slot_mouseLeaveEvent()
{
    previewPopup->hide();
    previewRow = -1;
}

void RunListModel::slot_previewTimerTimeout()
{
    previewPopup->hide();
    previewRow = -1;
}
