#include "OpenedRunsManager.h"

#include "Hdf5Lock.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "RunListModel.h"

#include <QFileInfo>

#include <hdf5.h>

OpenedRunsManager theOpenedRunsManager;

OpenedRunsManager::OpenedRunsManager()
{
    // The cached runs close their files in this object's destructor: the
    // library must be initialised first, so that it is shut down after that.
    {
        Hdf5Lock lock;
        H5open();
    }
    // The channel model's tools (loss-model editor) open runs through this cache.
    AbstractRunData::setOpener([](const QString& path) -> AbstractRunData* {
        return theOpenedRunsManager.getRunData(path);
    });
}

OpenedRunsManager::~OpenedRunsManager()
{
    closeAllRuns();
    AbstractRunData::setOpener(nullptr);
}

RunData* OpenedRunsManager::getRunData(const QString& fileName)
{
    if (RunData* cached = cache.value(fileName, nullptr))
        return cached;
    if (!QFileInfo::exists(fileName))
        return nullptr;
    auto* run = new RunData(fileName, false);
    if (run->openFile() != 0) {
        delete run;
        return nullptr;
    }
    cache.insert(fileName, run);
    if (theRunListModel)
        connect(run, &RunData::signal_runInfoChanged, theRunListModel, &RunListModel::slot_runInfoChanged);
    if (theProjectListModel)
        connect(run, &RunData::signal_projectInfoChanged, theProjectListModel,
                &ProjectListModel::slot_projectInfoChanged);
    // The status bar's sub-progress follows loading and recalculating.
    connect(run, &RunData::signal_progress, run, [](float fraction) {
        if (const auto& progress = RunDataHooks::instance().progress)
            progress(fraction);
    });
    return run;
}

void OpenedRunsManager::closeAllRuns()
{
    const QMap<QString, RunData*> runs = cache;
    cache.clear();
    qDeleteAll(runs);
}

void OpenedRunsManager::closeRun(const QString& fileName)
{
    delete cache.take(fileName);
}
