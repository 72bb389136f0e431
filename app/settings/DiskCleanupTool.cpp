#include "DiskCleanupTool.h"

#include "AnalyzeWidget.h"
#include "DiskCleanupOption.h"
#include "LoadedRunListModel.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "RunListModel.h"
#include "SpinBoxWithUnit.h"
#include "UI.h"
#include "lib/DialogAnswerer.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

SpinBoxWithUnit* valueBox(Quantity quantity, double defaultSI)
{
    auto* box = new SpinBoxWithUnit(nullptr, quantity);
    box->setDecimals(0);
    box->setRangeSI(0, std::numeric_limits<double>::infinity());
    box->setValueSI(defaultSI);
    return box;
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / 1048576);
}

} // namespace

DiskCleanupTool::DiskCleanupTool(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Disk Cleanup Tool"));
    setMinimumWidth(600);
    auto* layout = new QVBoxLayout(this);
    scanButton = new QPushButton(tr("Scan"), this);
    connect(scanButton, &QPushButton::clicked, this, &DiskCleanupTool::slot_scan);
    layout->addWidget(scanButton);
    minLength = new DiskCleanupOption(this, tr("Min length"), tr("Runs shorter than"), valueBox(Quantity::Time, 3));
    maxLength = new DiskCleanupOption(this, tr("Max length"), tr("Runs longer than"), valueBox(Quantity::Time, 300));
    minRoadSpeed = new DiskCleanupOption(this, tr("Min road speed"), tr("Runs with top road speed lower than"),
                                         valueBox(Quantity::Speed, 10.0 / 3.6));
    minEngineSpeed = new DiskCleanupOption(this, tr("Min engine speed"), tr("Runs with top engine speed lower than"),
                                           valueBox(Quantity::RotationalSpeed, 1500.0 * 2.0 * M_PI / 60.0));
    neverAnalyzed = new DiskCleanupOption(this, tr("Never analyzed"), tr("Runs never loaded to ANALYZE"), nullptr);
    notInDatabase =
        new DiskCleanupOption(this, tr("Not in database"), tr("Orphaned run files not referenced in database"), nullptr);
    for (DiskCleanupOption* option : options())
        layout->addWidget(option);
    summary = new QLabel(this);
    layout->addWidget(summary);
    cleanButton = new QPushButton(tr("Clean"), this);
    cleanButton->setEnabled(false);
    connect(cleanButton, &QPushButton::clicked, this, &DiskCleanupTool::slot_clean);
    layout->addWidget(cleanButton);
    // Connected only now: building the options leaves the summary empty.
    for (DiskCleanupOption* option : options())
        connect(option, &DiskCleanupOption::signal_setupChanged, this, &DiskCleanupTool::slot_updateFinalFileList);
    DialogAnswerer::exec(this);
}

QList<DiskCleanupOption*> DiskCleanupTool::options() const
{
    return {minLength, maxLength, minRoadSpeed, minEngineSpeed, neverAnalyzed, notInDatabase};
}

qint64 DiskCleanupTool::fileSpaceUsed(const QStringList& names)
{
    qint64 bytes = 0;
    for (const QString& name : names)
        bytes += QFileInfo(theSettings.runsDir.filePath(name)).size();
    return bytes;
}

void DiskCleanupTool::registerOpener()
{
    MySettings::setDiskCleanupOpener([] { DiskCleanupTool tool(nullptr); });
}

void DiskCleanupTool::slot_scan()
{
    if (!theRunListModel)
        return;
    minLength->setFiles(theRunListModel->cleanup_lengthMin(minLength->getConditionValue()));
    maxLength->setFiles(theRunListModel->cleanup_lengthMax(maxLength->getConditionValue()));
    minRoadSpeed->setFiles(theRunListModel->cleanup_roadSpeed(minRoadSpeed->getConditionValue()));
    minEngineSpeed->setFiles(theRunListModel->cleanup_engineSpeed(minEngineSpeed->getConditionValue()));
    neverAnalyzed->setFiles(theRunListModel->cleanup_emptySelection());
    notInDatabase->setFiles(theRunListModel->cleanup_notInDatabase());
    slot_updateFinalFileList();
}

void DiskCleanupTool::slot_updateFinalFileList()
{
    const QStringList runFiles = RunListModel::listRunsFolder();
    finalFileList.clear();
    for (DiskCleanupOption* option : options())
        finalFileList += option->files();
    finalFileList.removeDuplicates();
    QStorageInfo storage(theSettings.runsDir);
    storage.refresh();
    summary->setText(tr("Free disk space: ") + megabytes(storage.bytesAvailable()) + QStringLiteral(" MB\n") +
                     tr("Run file count: ") + QString::number(runFiles.size()) + QStringLiteral(" ( ") +
                     megabytes(fileSpaceUsed(runFiles)) + QStringLiteral(" MB )\n") + tr("Files to remove: ") +
                     QString::number(finalFileList.size()) + QStringLiteral(" ( ") +
                     megabytes(fileSpaceUsed(finalFileList)) + QStringLiteral(" MB )"));
    cleanButton->setEnabled(!finalFileList.isEmpty());
}

void DiskCleanupTool::slot_clean()
{
    // Nothing to be deleted may still be held open.
    if (theUI && theUI->analyzeWidget && theUI->analyzeWidget->loadedRunListModel)
        theUI->analyzeWidget->loadedRunListModel->removeAllRuns();
    theOpenedRunsManager.closeAllRuns();
    if (!theRunListModel || theRunListModel->clenup_removeFiles(finalFileList))
        return;
    for (DiskCleanupOption* option : options())
        option->cleaningPerformed();
}
