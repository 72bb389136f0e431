#pragma once

#include "AbstractRunData.h"
#include "DynoSettingId.h"
#include "FrameId.h"
#include "FrameVectors.h"
#include "HwInfo.h"
#include "MainGraphMasterChannel.h"
#include "ProjectListFieldId.h"
#include "RunListFieldId.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <cstdint>

class QTimer;
class RunFile;

// STAND-IN until the recorded run in memory is built: the run file of one run
// with what is stored in it — run and project fields, dyno settings, raw
// frame records, markers — read through its RunFile, and the field updates
// that go memory first, then a signal, then the file. No vectors, models or
// recalculation yet. The cache of opened runs hands these out.
// GUI thread only.
class RunData : public QObject, public AbstractRunData
{
    Q_OBJECT
public:
    RunData(const QString& fileName, bool readOnly);
    ~RunData() override;

    // 0 when the file is open; non-zero when it is missing or not readable as HDF5.
    int openFile();
    // The whole file: fields, settings, frames, markers. 0, or 1 when reading failed.
    int loadAll();
    // Each reads its group once; 0 on success or when already read.
    int loadRunInfo();
    int loadProjectInfo();
    int loadDynoSettings() override;
    void flushFile();
    void clearFrames();

    QVariant getRunInfoValue(int field, const QVariant& defaultValue) const override;
    QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const override;
    QVariant getSettingValue(int setting, int index, const QVariant& defaultValue) const override;
    VectorChannel* getChannelByRunKey(const QString& key) const override;
    // 0, or the file's error code; equal values change and emit nothing.
    int updateRunInfoValue(RunListFieldId id, const QVariant& value);
    // 0, or -1 when the file write failed.
    int updateProjectInfoValue(ProjectListFieldId id, const QVariant& value, bool emitSignal);
    // True when the write to the file failed.
    bool updateSettingValue(DynoSettingId id, const QVariant& value, int index);
    // Called when the run fields have been (re)read; the selection follows later.
    void updateAfterSelectionChange();

    QTimer* modificationTimer = nullptr;
    RunFile* runFile = nullptr;
    QList<QVariant> projectInfo;
    QList<QVariant> runInfo;
    HwInfo hwInfo;
    QString miscChannelsText;
    QString fileName;
    bool readOnly = false;
    QList<double> previewPower;
    QList<double> previewTorque;
    QList<double> previewMaster;
    MainGraphMasterChannel previewMasterChannel = MainGraphMasterChannel_engineSpeed;
    QMap<QString, QVariant> settingValues;
    FrameVectors frames;
    uint32_t frameSamplingType[FrameIdCount] = {};
    uint32_t frameSamplingFrequency[FrameIdCount] = {};
    QList<double> markerTimes;
    QList<QString> markerChannelKeys;
    bool runInfoLoaded = false;
    bool projectInfoLoaded = false;
    bool dynoSettingsLoaded = false;
    bool allLoaded = false;
    bool legacyInertiaIndexing = true;

public Q_SLOTS:
    void slot_updateModificationTime();

Q_SIGNALS:
    void signal_progress(float fraction);
    void signal_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void signal_projectInfoChanged(const QString& filename, ProjectListFieldId fieldId, const QVariant& value);
};
