#include "RunData.h"

#include "DynoSetting.h"
#include "DynoSettings.h"
#include "RunFile.h"
#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QTimer>

RunData::RunData(const QString& fileName, bool readOnly)
    : fileName(fileName), readOnly(readOnly)
{
    modificationTimer = new QTimer(this);
    modificationTimer->setSingleShot(true);
    modificationTimer->setInterval(100);
    connect(modificationTimer, &QTimer::timeout, this, &RunData::slot_updateModificationTime);
    runFile = new RunFile(this);
    connect(runFile, &RunFile::signal_progress, this, &RunData::signal_progress);
    for (int i = 0; i < ProjectListFieldCount; ++i)
        projectInfo.append(QVariant());
    for (int i = 0; i < RunListFieldCount; ++i)
        runInfo.append(QVariant());
}

RunData::~RunData()
{
    delete runFile;
    runFile = nullptr;
}

int RunData::openFile()
{
    return runFile->openFile(fileName) ? 1 : 0;
}

int RunData::loadAll()
{
    if (allLoaded)
        return 0;
    const int result = runFile->loadAll(this);
    if (result != 0) {
        qDebug() << "Error loading all run data";
    } else {
        runFile->getMarkers(markerTimes, markerChannelKeys);
        miscChannelsText = runFile->getModelSetup(QStringLiteral("miscChannelsDescriptor"));
        allLoaded = true;
    }
    hwInfo.setDeviceCode(static_cast<DeviceCode>(getRunInfoValue(RunListFields::deviceCode, 0).toInt()));
    return result != 0 ? 1 : 0;
}

int RunData::loadRunInfo()
{
    if (runInfoLoaded)
        return 0;
    const int result = runFile->loadRunInfo(this);
    if (result != 0) {
        qDebug() << "Error loading run info";
        return result;
    }
    runInfoLoaded = true;
    return 0;
}

int RunData::loadProjectInfo()
{
    if (projectInfoLoaded)
        return 0;
    const int result = runFile->loadProjectInfo(this);
    if (result != 0) {
        qDebug() << "Error loading project info";
        return result;
    }
    projectInfoLoaded = true;
    return 0;
}

int RunData::loadDynoSettings()
{
    if (dynoSettingsLoaded)
        return 0;
    const int result = runFile->loadDynoSettings(this);
    if (result != 0) {
        qDebug() << "Error loading dyno settings";
        return result;
    }
    dynoSettingsLoaded = true;
    return 0;
}

void RunData::flushFile()
{
    runFile->slot_flush();
}

void RunData::clearFrames()
{
    frames.clearAll();
    allLoaded = false;
}

QVariant RunData::getRunInfoValue(int field, const QVariant& defaultValue) const
{
    const QVariant value = runInfo.value(field);
    return value.isNull() ? defaultValue : value;
}

QVariant RunData::getProjectInfoValue(int field, const QVariant& defaultValue) const
{
    const QVariant value = projectInfo.value(field);
    return value.isNull() ? defaultValue : value;
}

QVariant RunData::getSettingValue(int setting, int index, const QVariant& defaultValue) const
{
    const QString key = RunFile::dynoSettingName(static_cast<DynoSettingId>(setting), index);
    if (key.isEmpty() || !settingValues.contains(key))
        return defaultValue;
    return settingValues.value(key);
}

VectorChannel* RunData::getChannelByRunKey(const QString&) const
{
    return nullptr;
}

int RunData::updateRunInfoValue(RunListFieldId id, const QVariant& value)
{
    if (runInfo.value(id) == value && runInfo.value(id).isValid() == value.isValid())
        return 0;
    if (id >= 0 && id < runInfo.size())
        runInfo[id] = value;
    if (id != RunListFields::modificationTimestamp && id != RunListFields::lastAccessTimestamp)
        modificationTimer->start();
    emit signal_runInfoChanged(fileName, id, value);
    if (readOnly)
        return 0;
    const int result = runFile->updateRunInfo(id, value);
    if (result != 0) {
        qDebug() << "Error updating run info in file" << int(id) << value;
        return result;
    }
    return 0;
}

int RunData::updateProjectInfoValue(ProjectListFieldId id, const QVariant& value, bool emitSignal)
{
    loadProjectInfo();
    if (projectInfo.value(id) == value && projectInfo.value(id).isValid() == value.isValid())
        return 0;
    if (id >= 0 && id < projectInfo.size())
        projectInfo[id] = value;
    if (emitSignal)
        emit signal_projectInfoChanged(fileName, id, value);
    if (!readOnly && runFile->updateProjectInfo(id, value) != 0) {
        qDebug() << "Error updating project info in file" << int(id) << value;
        return -1;
    }
    return 0;
}

bool RunData::updateSettingValue(DynoSettingId id, const QVariant& value, int index)
{
    const QString key = RunFile::dynoSettingName(id, index);
    if (!key.isEmpty())
        settingValues.insert(key, value);
    if (readOnly)
        return false;
    const int result = runFile->updateDynoSetting(id, value, index);
    if (result != 0)
        qDebug() << "Error updating dyno setting in file" << int(id) << value << index;
    return result != 0;
}

void RunData::updateAfterSelectionChange()
{
    // The selection's derived values arrive with the run statistics.
}

void RunData::slot_updateModificationTime()
{
    updateRunInfoValue(RunListFields::modificationTimestamp, QDateTime::currentSecsSinceEpoch());
}
