// Keeping the runs folder and "runs2" in step and the run files small: the
// clean-up queries, removal of orphans on either side, repacking through
// h5repack, recalculation of every stored run and the dyno usage profile.
#include "RunListModel.h"

#include "ChannelId.h"
#include "DialogAnswerer.h"
#include "Hdf5Lock.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "RunAnalysisOptions.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "SystemCommandRunner.h"
#include "UsageHistogram.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSet>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <hdf5.h>

#include <cstdio>
#include <memory>

namespace {

const QString kBoardRunsFolder = QStringLiteral("/home/pi/.zembo/runs/");
constexpr int kListedNames = 21;

void setTaskProgress(float fraction)
{
    if (const auto& progress = RunDataHooks::instance().taskProgress)
        progress(fraction);
}

bool askYes(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    return DialogAnswerer::exec(&box) == QMessageBox::Yes;
}

// Each long pass over the stored runs leaves the loss-model fit out; the
// option the operator set stays as it is, on screen and in the settings.
class LossModelSuspension
{
public:
    LossModelSuspension() : previous(RunAnalysisOptions::isLossModelOnRunLoadSuspended())
    {
        RunAnalysisOptions::setLossModelOnRunLoadSuspended(true);
    }
    ~LossModelSuspension() { RunAnalysisOptions::setLossModelOnRunLoadSuspended(previous); }
    LossModelSuspension(const LossModelSuspension&) = delete;
    LossModelSuspension& operator=(const LossModelSuspension&) = delete;

private:
    bool previous;
};

} // namespace

QStringList RunListModel::listRunsFolder()
{
    QDir dir = theSettings.runsDir;
    dir.setNameFilters({QStringLiteral("*.h5")});
    return dir.entryList();
}

QStringList RunListModel::runFilePathForms(const QString& name)
{
    return {theSettings.runsDir.filePath(name), kBoardRunsFolder + name};
}

QString RunListModel::listedMessage(const QString& head, const QStringList& names)
{
    QString message = head;
    for (int i = 0; i < names.size(); ++i) {
        if (i == kListedNames) {
            message += QStringLiteral("\n ") + tr("and more... Total:") + QLatin1Char(' ') + QString::number(names.size());
            break;
        }
        message += QLatin1Char('\n') + names.at(i);
    }
    return message;
}

QStringList RunListModel::cleanup_commonQuery(const QString& condition, double value)
{
    QStringList found;
    QSqlQuery query(database());
    // One prepared statement for the whole folder: only the bound values change.
    if (!query.prepare(QStringLiteral("SELECT filename FROM runs2 WHERE (filename=? OR filename=?) AND ") + condition)) {
        logSqlError(query);
        return found;
    }
    for (const QString& name : listRunsFolder()) {
        const QStringList forms = runFilePathForms(name);
        query.bindValue(0, forms.at(0));
        query.bindValue(1, forms.at(1));
        query.bindValue(2, value);
        if (!query.exec()) {
            logSqlError(query);
            continue;
        }
        if (query.next())
            found.append(name);
        query.finish();
    }
    return found;
}

QStringList RunListModel::cleanup_lengthMin(double seconds)
{
    return cleanup_commonQuery(QStringLiteral("(runLength < ?)"), seconds);
}

QStringList RunListModel::cleanup_lengthMax(double seconds)
{
    return cleanup_commonQuery(QStringLiteral("runLength > ?"), seconds);
}

QStringList RunListModel::cleanup_roadSpeed(double metresPerSecond)
{
    return cleanup_commonQuery(QStringLiteral("peakRoadSpeed < ?"), metresPerSecond);
}

QStringList RunListModel::cleanup_engineSpeed(double radiansPerSecond)
{
    return cleanup_commonQuery(QStringLiteral("peakEngineSpeed < ?"), radiansPerSecond);
}

QStringList RunListModel::cleanup_emptySelection()
{
    return cleanup_commonQuery(QStringLiteral("selectionStart IS NULL AND selectionEnd IS NULL AND id>=?"), 0);
}

QStringList RunListModel::cleanup_notInDatabase()
{
    QStringList found;
    QSqlQuery query(database());
    if (!query.prepare(QStringLiteral("SELECT filename FROM runs2 WHERE filename LIKE ?"))) {
        logSqlError(query);
        return found;
    }
    for (const QString& name : listRunsFolder()) {
        query.bindValue(0, QStringLiteral("%") + name);
        if (!query.exec()) {
            logSqlError(query);
            continue;
        }
        if (!query.next())
            found.append(name);
        query.finish();
    }
    return found;
}

bool RunListModel::clenup_removeFiles(const QList<QString>& names)
{
    if (!askYes(tr("Delete?"), listedMessage(tr("Do you want to delete following files?\n"), names)))
        return true;
    for (const QString& name : names) {
        theSettings.runsDir.remove(name);
        QSqlQuery query(database());
        query.prepare(QStringLiteral("DELETE FROM runs2 WHERE (filename=? OR filename=?)"));
        const QStringList forms = runFilePathForms(name);
        query.addBindValue(forms.at(0));
        query.addBindValue(forms.at(1));
        if (!query.exec())
            logSqlError(query);
    }
    select();
    if (theProjectListModel)
        theProjectListModel->queueAllProjectsStatsUpdate();
    return false;
}

void RunListModel::slot_removeFilesWithoutEntries()
{
    qDebug() << "Remove files without database entries";
    const QStringList names = cleanup_notInDatabase();
    if (names.isEmpty()) {
        Tools::showInfo(tr("There are no files without project entries."));
        return;
    }
    if (!askYes(tr("Delete?"),
                listedMessage(tr("Do you want to delete following files without project entries?\n"), names)))
        return;
    for (const QString& name : names)
        theSettings.runsDir.remove(name);
}

void RunListModel::slot_removeEntriesWithoutFiles()
{
    qDebug() << "Remove entries with missing files";
    QStringList missing;
    QList<int> projects;
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT projectId,filename FROM runs2"))) {
        logSqlError(query);
    } else {
        while (query.next()) {
            const QString file = query.value(1).toString();
            if (QFileInfo::exists(file))
                continue;
            qDebug() << "Missing: " << file;
            missing.append(file);
            const int projectId = query.value(0).toInt();
            if (!projects.contains(projectId))
                projects.append(projectId);
        }
    }
    if (missing.isEmpty()) {
        Tools::showInfo(tr("There are no run entries with missing files."));
        return;
    }
    if (!askYes(tr("Delete?"), listedMessage(tr("Do you want to delete run entries with missing files?\n"), missing)))
        return;
    for (const QString& file : missing) {
        QSqlQuery remove(database());
        remove.prepare(QStringLiteral("DELETE FROM runs2 WHERE filename=?"));
        remove.addBindValue(file);
        if (!remove.exec())
            logSqlError(remove);
    }
    select();
    if (theProjectListModel) {
        for (int projectId : projects)
            theProjectListModel->queueProjectStatsUpdate(projectId);
    }
}

QString RunListModel::h5repackPath()
{
    const QByteArray overridden = qgetenv("ZEMBO_H5REPACK");
    return overridden.isEmpty() ? QStringLiteral("/usr/bin/h5repack") : QString::fromLocal8Bit(overridden);
}

int RunListModel::repackFile(const QString& program, const QString& path)
{
    const QString copy = path + QLatin1Char('~');
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Paths go as arguments: no shell ever sees a file name.
    process.start(program, {QStringLiteral("-i"), path, QStringLiteral("-o"), copy, QStringLiteral("-l"),
                            QStringLiteral("CONTI")});
    int status = -1;
    if (process.waitForStarted(-1) && process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit)
        status = process.exitCode();
    if (status == 0) {
        htri_t isHdf5 = 0;
        {
            Hdf5Lock lock;
            isHdf5 = H5Fis_hdf5(QFile::encodeName(copy).constData());
        }
        if (isHdf5 <= 0)
            status = -1;
    }
    if (status != 0) {
        // The run file itself is never touched when the copy is not sound.
        QFile::remove(copy);
        return status == 0 ? -1 : status;
    }
    // Same folder, so the rename replaces the run file in one step.
    if (std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0) {
        qDebug() << "error moving file" << path;
        QFile::remove(copy);
    }
    return 0;
}

void RunListModel::slot_repackRunDataFiles()
{
    QString program = h5repackPath();
    if (!QFileInfo::exists(program)) {
        Tools::showInfo(QStringLiteral("h5repack tool not installed. Check your internet connection and press OK to install."));
        const SystemCommandResult result = SystemCommandRunner::instance()->run(
            QStringLiteral("apt"), {QStringLiteral("install"), QStringLiteral("-y"), QStringLiteral("hdf5-tools")},
            true);
        if (!result.started || result.exitCode != 0)
            qDebug() << "Error executing apt install command";
        if (!QFileInfo::exists(program)) {
            Tools::showError(QStringLiteral("There was a problem installing required packages. Install hdf5-tools "
                                            "package manually and try again."));
            return;
        }
    }
    if (!askYes(tr("Repack runs data"),
                tr("The repack process may take a long time, depending on database size.\nContinue?")))
        return;
    releaseAllRuns();

    QStringList files;
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT filename FROM runs2"))) {
        logSqlError(query);
    } else {
        while (query.next()) {
            const QString file = query.value(0).toString();
            if (QFileInfo::exists(file) && !files.contains(file))
                files.append(file);
        }
    }
    for (const QString& name : listRunsFolder()) {
        const QString path = theSettings.runsDir.absoluteFilePath(name);
        if (!files.contains(path))
            files.append(path);
    }

    setTaskProgress(0.0f);
    int repacked = 0;
    QStringList failed;
    for (int i = 0; i < files.size(); ++i) {
        const QString& file = files.at(i);
        qDebug() << "repacking " << i + 1 << file;
        const int status = repackFile(program, file);
        if (status == 0) {
            ++repacked;
        } else {
            qDebug() << "error " << status << " repacking " << file;
            failed.append(file);
        }
        setTaskProgress(static_cast<float>(i + 1) / static_cast<float>(files.size()));
    }
    setTaskProgress(1.0f);
    QString report = QStringLiteral("Repacked %1 files\n").arg(repacked);
    if (!failed.isEmpty()) {
        report += QStringLiteral("Error repacking %1 files\nList of failed files:\n\n").arg(failed.size());
        for (const QString& file : failed)
            report += file + QLatin1Char('\n');
    }
    Tools::showInfo(report);
}

void RunListModel::recalculateAllRuns(UsageHistogram* histogram)
{
    releaseAllRuns();
    QSqlQuery count(database());
    if (!count.exec(QStringLiteral("SELECT COUNT(*) CNT FROM runs2")) || !count.next()) {
        logSqlError(count);
        return;
    }
    const int total = count.value(QStringLiteral("CNT")).toInt();
    setTaskProgress(0.0f);
    QSqlQuery files(database());
    if (!files.exec(QStringLiteral("SELECT filename FROM runs2"))) {
        logSqlError(files);
        setTaskProgress(1.0f);
        return;
    }
    // Read every name first: the recalculation writes statistics into the table.
    QStringList names;
    while (files.next())
        names.append(files.value(0).toString());
    files.finish();

    const LossModelSuspension suspension;
    qDebug() << (histogram ? "Recalculating all runs in database to get dyno usage profile."
                           : "Recalculating all runs in database.");
    int n = 0;
    for (const QString& file : names) {
        ++n;
        qDebug() << "recalculating" << n << file;
        RunData* run = theOpenedRunsManager.getRunData(file);
        if (run && run->loadAll() == 0 && run->calculateAll(false) == 0) {
            run->updatePreviewData();
            if (histogram) {
                VectorChannel* speed = run->getVectorChannel(ChannelId_dynoSpeed, 0);
                VectorChannel* power = run->getVectorChannel(ChannelId_dynoOnWheelsPower, 0);
                if (speed && power)
                    histogram->add(*speed->getFilteredData(), *power->getFilteredData());
            }
        }
        // One run in memory at a time.
        theOpenedRunsManager.closeAllRuns();
        if (total > 0)
            setTaskProgress(static_cast<float>(n) / static_cast<float>(total));
    }
}

void RunListModel::slot_recalculateAllRunsData()
{
    if (!askYes(tr("Recalculate runs data"),
                tr("The recalculation process may take a long time, depending on database size.\nContinue?")))
        return;
    recalculateAllRuns(nullptr);
    Tools::showInfo(tr("Recalculating runs finished"));
    setTaskProgress(1.0f);
}

void RunListModel::slot_calculateUsageProfile()
{
    if (!askYes(tr("Calculate usage profile"),
                tr("Calculating usage profile will trigger runs recalculation and will take a long time, depending "
                   "on database size.\nContinue?")))
        return;
    auto histogram = std::make_unique<UsageHistogram>();
    recalculateAllRuns(histogram.get());

    double frequency = 500.0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* box = top->findChild<QSpinBox*>(QStringLiteral("spinBox_settings_resampleFrequency"))) {
            frequency = box->value();
            break;
        }
    }
    if (frequency <= 0.0)
        frequency = 500.0;

    QDialog dialog;
    dialog.setWindowTitle(tr("Dyno Usage Profile"));
    dialog.resize(600, 400);
    auto* layout = new QVBoxLayout(&dialog);
    const auto interactions = QCP::iRangeDrag | QCP::iRangeZoom;
    auto logAxis = [](QCPAxis* axis) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    };

    auto* mapPlot = new QCustomPlot(&dialog);
    mapPlot->setInteractions(interactions);
    mapPlot->axisRect()->setupFullAxesBox(true);
    mapPlot->xAxis->setLabel(tr("Dyno speed [m/s]"));
    mapPlot->yAxis->setLabel(tr("Wheel power [kW]"));
    auto* map = new QCPColorMap(mapPlot->xAxis, mapPlot->yAxis);
    map->setInterpolate(false);
    map->data()->setSize(UsageHistogram::kSpeedBins, UsageHistogram::kPowerBins);
    map->data()->setRange(QCPRange(1, 99), QCPRange(5, 1495));
    for (int i = 0; i < UsageHistogram::kSpeedBins; ++i)
        for (int j = 0; j < UsageHistogram::kPowerBins; ++j)
            map->data()->setCell(i, j, static_cast<double>(histogram->count(i, j)) / frequency);
    auto* scale = new QCPColorScale(mapPlot);
    mapPlot->plotLayout()->addElement(0, 1, scale);
    scale->setDataScaleType(QCPAxis::stLogarithmic);
    scale->axis()->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    scale->axis()->setLabel(tr("Time [s]"));
    map->setColorScale(scale);
    map->setGradient(QCPColorGradient::gpHot);
    map->rescaleDataRange();
    auto* margins = new QCPMarginGroup(mapPlot);
    mapPlot->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    scale->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    mapPlot->rescaleAxes();
    layout->addWidget(mapPlot);

    auto* speedPlot = new QCustomPlot(&dialog);
    speedPlot->setInteractions(interactions);
    QVector<double> speedX, speedY;
    for (int i = 0; i < UsageHistogram::kSpeedBins; ++i) {
        uint64_t sum = 0;
        for (int j = 0; j < UsageHistogram::kPowerBins; ++j)
            sum += histogram->count(i, j);
        speedX.append(2.0 * i + 1.0);
        speedY.append(static_cast<double>(sum) / frequency);
    }
    speedPlot->addGraph()->setData(speedX, speedY);
    speedPlot->xAxis->setLabel(tr("Dyno speed [m/s]"));
    speedPlot->yAxis->setLabel(QStringLiteral("Time [s]"));
    logAxis(speedPlot->yAxis);
    speedPlot->xAxis->grid()->setVisible(true);
    speedPlot->yAxis->grid()->setVisible(true);
    speedPlot->rescaleAxes();
    layout->addWidget(speedPlot);

    auto* powerPlot = new QCustomPlot(&dialog);
    powerPlot->setInteractions(interactions);
    QVector<double> powerX, powerY;
    for (int j = 0; j < UsageHistogram::kPowerBins; ++j) {
        uint64_t sum = 0;
        for (int i = 0; i < UsageHistogram::kSpeedBins; ++i)
            sum += histogram->count(i, j);
        powerX.append(10.0 * j + 5.0);
        powerY.append(static_cast<double>(sum) / frequency);
    }
    powerPlot->addGraph()->setData(powerX, powerY);
    powerPlot->xAxis->setLabel(tr("Power on wheels [kW]"));
    powerPlot->yAxis->setLabel(QStringLiteral("Time [s]"));
    logAxis(powerPlot->yAxis);
    powerPlot->xAxis->grid()->setVisible(true);
    powerPlot->yAxis->grid()->setVisible(true);
    powerPlot->rescaleAxes();
    layout->addWidget(powerPlot);

    DialogAnswerer::exec(&dialog);
    setTaskProgress(1.0f);
}
