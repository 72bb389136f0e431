#include "RunData.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "RunChannel.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "FunctionsModel.h"
#include "InputChannelsModel.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RecordedChannelModel.h"
#include "Resampler.h"
#include "RunAnalysisOptions.h"
#include "RunDataHooks.h"
#include "RunFile.h"
#include "RunListModel.h"
#include "VectorChannel.h"
#include "lib/MemoryInfo.h"
#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QTimer>

#include <cmath>

RunData::RunData(const QString& fileName, bool readOnly)
    : fileName(fileName)
    , readOnly(readOnly)
{
    recalculationTimer = new QTimer(this);
    recalculationTimer->setSingleShot(true);
    recalculationTimer->setInterval(300);
    connect(recalculationTimer, &QTimer::timeout, this, &RunData::slot_recalculate);
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
    clearVectorChannels();
    delete runFile;
    runFile = nullptr;
    clearModels();
}

int RunData::openFile()
{
    return runFile->openFile(fileName) ? 1 : 0;
}

int RunData::loadAll()
{
    if (allLoaded)
        return 0;
    const quint64 required = 2 * quint64(std::max(0, runFile->getFileSize())) + 200;
    const quint64 available = MemoryInfo::availableMiB();
    if (required > available) {
        Tools::showError(tr("Not enough memory to load run file: ") + fileName + QStringLiteral("\n")
                         + tr("Required memory: ") + QString::number(required) + QStringLiteral(" MiB\n")
                         + tr("Available memory: ") + QString::number(available) + QStringLiteral(" MiB"));
        return -1;
    }
    const int result = runFile->loadAll(this);
    if (result != 0) {
        qDebug() << "Error loading all run data";
    } else {
        runFile->getMarkers(markerTimes, markerChannelKeys);
        clearModels();
        for (const QString& name :
             {QStringLiteral("canParserSetup"), QStringLiteral("functionsSetup"), QStringLiteral("inputChannelsSetup"),
              QStringLiteral("serialInputDevicesSetup"), QStringLiteral("modbusSetup"),
              QStringLiteral("miscChannelsDescriptor"), QStringLiteral("udsChannelSetup")})
            modelSetupTexts.insert(name, runFile->getModelSetup(name));
        const QMap<QString, RunDataHooks::ModelFactory>& factories = RunDataHooks::instance().modelFactories;
        auto build = [&](const QString& name) -> RecordedChannelModel* {
            const RunDataHooks::ModelFactory factory = factories.value(name);
            return factory ? factory(modelSetupTexts.value(name)) : nullptr;
        };
        canInputsModel.reset(build(QStringLiteral("canParserSetup")));
        functionsModel = new FunctionsModel(nullptr);
        functionsModel->loadFromString(modelSetupTexts.value(QStringLiteral("functionsSetup")));
        inputChannelsModel = new InputChannelsModel(nullptr);
        inputChannelsModel->loadFromString(modelSetupTexts.value(QStringLiteral("inputChannelsSetup")), true);
        serialInputDevicesModel.reset(build(QStringLiteral("serialInputDevicesSetup")));
        modbusInterfaceModel.reset(build(QStringLiteral("modbusSetup")));
        miscChannelsText = modelSetupTexts.value(QStringLiteral("miscChannelsDescriptor"));
        udsChannelModel.reset(build(QStringLiteral("udsChannelSetup")));
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

// ---- fields

namespace {

// Stored values compare as QVariant does, except that two NaN numbers (a
// statistic without data) are the same value and are not written again.
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() != b.isNull())
        return false;
    if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double && std::isnan(a.toDouble())
        && std::isnan(b.toDouble()))
        return true;
    return a == b;
}

} // namespace

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

QString RunData::getRunInfoValueStringWithUnit(RunListFieldId id) const
{
    const QVariant value = runInfo.value(id);
    if (value.isNull() || !theRunListModel)
        return QString();
    return CustomSqlTableModel::formatDataForDisplay(value, theRunListModel->descriptor(id), true);
}

QString RunData::getProjectInfoValueStringWithUnit(ProjectListFieldId id) const
{
    const QVariant value = projectInfo.value(id);
    if (value.isNull() || !theProjectListModel)
        return QString();
    return CustomSqlTableModel::formatDataForDisplay(value, theProjectListModel->descriptor(id), true);
}

int RunData::updateRunInfoValue(RunListFieldId id, const QVariant& value)
{
    if (sameValue(runInfo.value(id), value))
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
    if (sameValue(projectInfo.value(id), value))
        return 0;
    if (id >= 0 && id < projectInfo.size())
        projectInfo[id] = value;
    switch (int(id)) {
    case 22: // engineFuelType
    case 23: // engineBoostType
    case 33: // engineInertia
    case 34: // drivetrainInertia
    case 48: // lossFromLoadFactor
    case 49: // engineEfficiency
    case 50: // engineCorrectionFactor
    case 53: // wheelDiameter
        if (calculated)
            recalculationTimer->start(300);
        break;
    default:
        break;
    }
    if (emitSignal)
        emit signal_projectInfoChanged(fileName, id, value);
    if (!readOnly && runFile->updateProjectInfo(id, value) != 0) {
        qDebug() << "Error updating project info in file" << int(id) << value;
        return -1;
    }
    return 0;
}

void RunData::slot_updateModificationTime()
{
    updateRunInfoValue(RunListFields::modificationTimestamp, qint64(QDateTime::currentSecsSinceEpoch()));
}

// ---- settings

QString RunData::settingKey(DynoSettingId id, int index)
{
    if (!theDynoSettings || id < 0 || id >= theDynoSettings->settings.size())
        return QString();
    const QList<DynoSetting*>* instances = theDynoSettings->settings.at(id);
    if (!instances || instances->isEmpty())
        return QString();
    return instances->first()->generateIdStringForAnalyze(index);
}

QVariant RunData::getSettingValue(int setting, int index, const QVariant& defaultValue) const
{
    const QString key = settingKey(static_cast<DynoSettingId>(setting), index);
    const auto it = settingValues.constFind(key);
    if (key.isEmpty() || it == settingValues.constEnd())
        return defaultValue;
    return it.value();
}

double RunData::getSettingValueDouble(DynoSettingId id, int index, double defaultValue) const
{
    return getSettingValue(id, index, QVariant(defaultValue)).toDouble();
}

bool RunData::updateSettingValue(DynoSettingId id, const QVariant& value, int index)
{
    const QString key = settingKey(id, index);
    if (!key.isEmpty()) {
        const auto it = settingValues.constFind(key);
        const QVariant current = it == settingValues.constEnd() ? QVariant() : it.value();
        if (!sameValue(current, value)) {
            settingValues.insert(key, value);
            if (calculated)
                recalculationTimer->start(300);
        }
    }
    if (readOnly)
        return false;
    const int result = runFile->updateDynoSetting(id, value, index);
    if (result != 0)
        qDebug() << "Error updating dyno setting in file" << int(id) << value << index;
    return result != 0;
}

void RunData::updateRollerInertia(RollerId roller, double inertia)
{
    const int index = legacyInertiaIndexing ? int(Tools::mcuFreqInputFromRollerId(roller)) : int(roller);
    updateSettingValue(DynoSettingId_inertia, inertia, index);
}

// ---- vectors

VectorChannel* RunData::getVectorChannel(ChannelId id, int index) const
{
    const auto it = vectorChannels.constFind(int(id));
    if (it == vectorChannels.constEnd() || index < 0 || index >= it.value().size())
        return nullptr;
    return it.value().at(index);
}

VectorChannel* RunData::getChannelByRunKey(const QString& key) const
{
    for (const QList<VectorChannel*>& group : vectorChannels) {
        for (VectorChannel* vector : group) {
            if (vector && vector->setup && vector->setup->runKey == key)
                return vector;
        }
    }
    return nullptr;
}

VectorChannel* RunData::getChannelByAnalyzeKey(const QString& key) const
{
    for (const QList<VectorChannel*>& group : vectorChannels) {
        for (VectorChannel* vector : group) {
            if (vector && vector->setup && vector->setup->key == key)
                return vector;
        }
    }
    return nullptr;
}

VectorChannel* RunData::getVPChannel(VehicleParamId id) const
{
    return getVectorChannel(ChannelId_vehicleParameters, int(id));
}

VectorChannel* RunData::getVPChannelForWriting(VehicleParamId id)
{
    if (id < 0 || id >= VehicleParamCount)
        return nullptr;
    QList<VectorChannel*>& parameters = vectorChannels[ChannelId_vehicleParameters];
    while (parameters.size() < VehicleParamCount)
        parameters.append(nullptr);
    if (!parameters.at(id)) {
        RunChannel* live = theChannels.isInitialized() ? theChannels.getVehicleParam(id) : nullptr;
        if (live) {
            parameters[id] =
                new VectorChannel(live, mainSampleCount, analysisSamplingFrequency(), mainTimeChannel, false);
        } else {
            parameters[id] = new VectorChannel(analysisSamplingFrequency(), QString(), QString(), Quantity::None,
                                               mainSampleCount, mainTimeChannel);
        }
    }
    return parameters.at(id);
}

void RunData::copyChannelToVPmaybe(const VectorChannel* channel, int vehicleParamId)
{
    if (vehicleParamId == -1 || !channel)
        return;
    VectorChannel* target = getVPChannelForWriting(static_cast<VehicleParamId>(vehicleParamId));
    if (target)
        *target->getRawData() = channel->rawSamples(); // implicitly shared
}

QList<VectorChannel*> RunData::listVectorChannels() const
{
    QList<VectorChannel*> list;
    for (const QList<VectorChannel*>& group : vectorChannels) {
        for (VectorChannel* vector : group) {
            if (vector)
                list.append(vector);
        }
    }
    return list;
}

void RunData::setVectorGroup(ChannelId group, const QList<VectorChannel*>& vectors)
{
    auto it = vectorChannels.find(int(group));
    if (it != vectorChannels.end()) {
        const QList<VectorChannel*> old = it.value();
        for (VectorChannel* vector : old) {
            if (!vectors.contains(vector))
                delete vector;
        }
    }
    vectorChannels.insert(int(group), vectors);
}

double RunData::getSamplingFrquency(FrameId id)
{
    if (frameSamplingType[id] != 1)
        qDebug() << "Frame doesn't have constant sampling frequency";
    return frameSamplingFrequency[id];
}

void RunData::generateTimeVector_SamplingFrequency(FrameId id, int count, QList<double>* out)
{
    if (frameSamplingType[id] != 1)
        qDebug() << "Wrong generateTimeVector function called";
    out->resize(count);
    const double step = 1.0 / double(frameSamplingFrequency[id]);
    double* data = out->data();
    for (int i = 0; i < count; ++i)
        data[i] = double(i) * step;
}

void RunData::resampleToVector(const QList<double>* x, const QList<double>* y, QList<double>* out, SamplingMode mode)
{
    Resampler::resampleToVector(x, y, out, analysisSamplingFrequency(), mainSampleCount, mode);
}

double RunData::getNyquistFilterFrequency() const
{
    return analysisSamplingFrequency() * 0.25;
}

int RunData::calculateFunctions()
{
    if (functionsModel)
        functionsModel->calculateFunctionsForRunData(this);
    return 0;
}

int RunData::analysisSamplingFrequency()
{
    return std::clamp(RunAnalysisOptions::current().analysisSamplingFrequency(), 1, 1000);
}

// ---- names and paths

QString RunData::getTimestampString() const
{
    const qint64 t = getRunInfoValue(RunListFields::creationTimestamp, 0).toLongLong();
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString RunData::getFileTimestampString() const
{
    const qint64 t = getRunInfoValue(RunListFields::creationTimestamp, 0).toLongLong();
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
}

QString RunData::getExportFileString() const
{
    const QString a = getProjectInfoValue(7, QString()).toString();
    const QString b = getProjectInfoValue(8, QString()).toString();
    if (!a.isEmpty() && !b.isEmpty())
        return a + QLatin1Char(' ') + b;
    if (!a.isEmpty())
        return a;
    if (!b.isEmpty())
        return b;
    return getFileTimestampString();
}

QString RunData::videoFilepath() const
{
    return theSettings.mediaDir.filePath(getFileTimestampString() + QStringLiteral(".mp4"));
}

bool RunData::hasVideo() const
{
    return QFileInfo::exists(videoFilepath());
}

// ---- memory

void RunData::clearModels()
{
    canInputsModel.reset();
    delete functionsModel;
    functionsModel = nullptr;
    delete inputChannelsModel;
    inputChannelsModel = nullptr;
    serialInputDevicesModel.reset();
    modbusInterfaceModel.reset();
    udsChannelModel.reset();
}

void RunData::clearVectorChannels()
{
    calculated = false;
    for (const QMetaObject::Connection& connection : std::as_const(calculationConnections))
        disconnect(connection);
    calculationConnections.clear();
    for (const QList<VectorChannel*>& group : std::as_const(vectorChannels))
        qDeleteAll(group);
    vectorChannels.clear();
    canVectorsByKey.clear();
    obdEngineSpeedVector = nullptr;
    mainTimeChannel = nullptr;
}

void RunData::clearFrames()
{
    frames.clearAll();
    allLoaded = false;
}

void RunData::freeMemory()
{
    clearVectorChannels();
    clearFrames();
    clearModels();
}
