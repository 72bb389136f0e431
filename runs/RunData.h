#pragma once

#include "AbstractRunData.h"
#include "ChannelId.h"
#include "DynoSettingId.h"
#include "FrameId.h"
#include "FrameVectors.h"
#include "FrequencyInputIds.h"
#include "HwInfo.h"
#include "MainGraphMasterChannel.h"
#include "ProjectListFieldId.h"
#include "RunListFieldId.h"
#include "SamplingMode.h"
#include "VehicleParamId.h"
#include "lib/Quantity.h"

#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <utility>

class FunctionsModel;
class InputChannelsModel;
class QFormLayout;
class QTimer;
class RecordedChannelModel;
class RunFile;
class VectorChannel;

// Which rows a CSV export writes.
enum CsvExportSampleOption : int { CsvExportSample_all = 0, CsvExportSample_selection = 1, CsvExportSample_markers = 2 };
// The fixed preamble a CSV export may start with.
enum CsvExportPreset : int { CsvExportPreset_none = 0, CsvExportPreset_duvir = 1 };
// What the automatic selection works on.
enum AutoSelectionVector : int {
    AutoSelectionVector_engineSpeed = 0,
    AutoSelectionVector_roadSpeed = 1,
    AutoSelectionVector_timeRange = 2
};

// One recorded run in memory: its run file, the run and project fields and
// dyno settings stored in it, the raw records, the per-run channel models and
// the vectors recalculated from all of that on one time grid at the analysis
// rate. Everything that looks at a recorded run goes through it; the cache of
// opened runs (OpenedRunsManager) holds one per file.
//
// Updates go memory first, then a signal, then the file (unless read-only);
// equal values change nothing. A changed setting or calculation-relevant
// project field of a calculated run recalculates it 300 ms later, once.
//
// The recalculation (RunDataPipeline.cpp and the RunData*.cpp beside it) runs
// in the GUI thread and waits for its filter jobs on the global thread pool.
class RunData : public QObject, public AbstractRunData
{
    Q_OBJECT
public:
    RunData(const QString& fileName, bool readOnly);
    ~RunData() override;

    // ---- file and loading
    // 0 when the file is open; non-zero when it is missing or not readable as HDF5.
    int openFile();
    // Reads the whole run. 0, 1 when reading failed, -1 when memory is short (box shown).
    int loadAll();
    int loadRunInfo();
    int loadProjectInfo();
    int loadDynoSettings() override;
    void flushFile();

    // ---- fields
    QVariant getRunInfoValue(int field, const QVariant& defaultValue) const override;
    QVariant getProjectInfoValue(int field, const QVariant& defaultValue) const override;
    QString getRunInfoValueStringWithUnit(RunListFieldId id) const;
    QString getProjectInfoValueStringWithUnit(ProjectListFieldId id) const;
    // 0, or the file's error code; equal values change and emit nothing.
    int updateRunInfoValue(RunListFieldId id, const QVariant& value);
    // 0, or -1 when the file write failed.
    int updateProjectInfoValue(ProjectListFieldId id, const QVariant& value, bool emitSignal);

    // ---- dyno settings of the run
    QVariant getSettingValue(int setting, int index, const QVariant& defaultValue) const override;
    double getSettingValueDouble(DynoSettingId id, int index, double defaultValue) const;
    // True when the write to the file failed.
    bool updateSettingValue(DynoSettingId id, const QVariant& value, int index);
    void updateRollerInertia(RollerId roller, double inertia);
    // The run-file name of a setting's instance ("freqInput_1_filter");
    // empty for a setting the registry does not know.
    static QString settingKey(DynoSettingId id, int index);

    // ---- vectors
    VectorChannel* getVectorChannel(ChannelId id, int index) const override;
    VectorChannel* getChannelByRunKey(const QString& key) const override;
    VectorChannel* getChannelByAnalyzeKey(const QString& key) const;
    VectorChannel* getVPChannel(VehicleParamId id) const;
    VectorChannel* getVPChannelForWriting(VehicleParamId id);
    void copyChannelToVPmaybe(const VectorChannel* channel, int vehicleParamId);
    QList<VectorChannel*> listVectorChannels() const;
    const VectorChannel* getMainTimeVector() const override { return mainTimeChannel; }
    void setVectorGroup(ChannelId group, const QList<VectorChannel*>& vectors) override;
    double getSamplingFrquency(FrameId id);
    void generateTimeVector_SamplingFrequency(FrameId id, int count, QList<double>* out);
    void resampleToVector(const QList<double>* x, const QList<double>* y, QList<double>* out, SamplingMode mode);
    double getNyquistFilterFrequency() const;
    int calculateFunctions();
    // The analysis rate (Hz) of the options, at least 1.
    static int analysisSamplingFrequency();

    // ---- names and paths
    QString getTimestampString() const;
    QString getFileTimestampString() const;
    QString getExportFileString() const;
    QString videoFilepath() const;
    bool hasVideo() const;

    // ---- memory
    void clearModels();
    void clearVectorChannels();
    void clearFrames();
    void freeMemory();

    // ---- recalculation (RunDataPipeline.cpp)
    // 0, -1 invalid run data (box shown), -2 not enough memory (box shown).
    int calculateAll(bool calculateLossModel);
    void queueRecalculation();
    int estimateRequiredMemory();
    // The estimate behind it, MiB: the grid of every channel, the frames and
    // the decoded pulse edges; saturates instead of wrapping.
    quint64 requiredMemoryMiB() const;
    int createMainTimeVector();
    void createVPChannels();
    QList<VectorChannel*>& addVectorChannels(ChannelId id, int count, int sampleCount, VectorChannel* timeVector,
                                             const QList<QString>* names, const QList<Quantity>* quantities);
    void resampleToNewVectorChannel(ChannelId id, const QList<double>* times, const QList<double>* values,
                                    const QList<QString>* names, const QList<Quantity>* quantities,
                                    SamplingMode mode);
    QList<VectorChannel*>& resampleToNewVectorChannel(ChannelId id, const QList<double>* times,
                                                      const QList<QList<double>>* values,
                                                      const QList<QString>* names,
                                                      const QList<Quantity>* quantities, SamplingMode mode);
    void filterChannelGroup(ChannelId id, DynoSettingId cutoffSetting);
    void calculateDiff(const QList<double>* in, QList<double>* out) const;
    void checkVectorSizes();

    // Channel-type frames (RunDataChannelFrames.cpp).
    int processLegacyObdFrames();
    int processCanFrames();
    int processInputChannelFrames();
    int processSerialDeviceFrames();
    int processModbusFrames();
    int processUdsFrames();
    int processMiscChannelFrames();
    // Speed inputs and rollers (RunDataSpeed.cpp).
    int processFreqFrames();
    int calculateRollerData();
    double getRollerInertia(RollerId roller) const;
    double getEngineFreqInputInertia() const;
    double getRoadSpeedRadius(int roller) const;
    // Dyno power and torque (RunDataDyno.cpp).
    int calculateDynoData(bool calculateLossModel);
    bool isSlipEstimationAvailable() const;
    double getSlipMultiplier(double coefficient) const;
    double getSpeedRatioAfterChange(double coefficient, double peakEngineSpeed);
    double getPeakEngineSpeedAfterChange(double coefficient, double ratio);
    // Analog, load-cell, controller, ambient, audio (RunDataConversions.cpp).
    int processAmbientFrames();
    int processHpAinFrames();
    int processAINFrames();
    int processLoadCellFrames();
    int processControllerFrames();
    int processControllerDetailsFrames();
    int processAudioFrames();

    // ---- selection, markers, preview, statistics (RunDataSelection.cpp)
    QPointF getSelectionPoint() const;
    std::pair<double, double> getSelection() const override;
    void setSelection(const QPointF& selection);
    std::pair<int, int> getSelectionIndexes() const;
    void updateAfterSelectionChange();
    void runAutoSelection(AutoSelectionVector vector, double low, double high);
    void addMarker(double time, const QString& channelKey) override;
    void updatePreviewData();
    void loadPreviewData();

    // ---- settings editor and details (RunDataDetails.cpp)
    void generateDynoSettingsEditor(QFormLayout* layout);
    void generateDynoSettingsEditorSpinBox(QFormLayout* layout, DynoSettingId id);
    QString generateRunDetailsHTML() const;

    // ---- CSV (RunDataCsv.cpp)
    void exportToCSV(const QString& fileName, double samplingPeriod, CsvExportSampleOption samples,
                     QList<QString> channelKeys, bool addInfoHeader, CsvExportPreset preset,
                     bool removeIntermediateChannels, int numberPrecision);

    QTimer* recalculationTimer = nullptr;
    QTimer* modificationTimer = nullptr;
    RunFile* runFile = nullptr;
    VectorChannel* obdEngineSpeedVector = nullptr;
    QList<QVariant> projectInfo;
    QList<QVariant> runInfo;
    HwInfo hwInfo;
    // Per-run models: functions and operator inputs are built here; the other
    // families through their registered factories (null when not registered).
    std::unique_ptr<RecordedChannelModel> canInputsModel;
    FunctionsModel* functionsModel = nullptr;
    InputChannelsModel* inputChannelsModel = nullptr;
    std::unique_ptr<RecordedChannelModel> serialInputDevicesModel;
    std::unique_ptr<RecordedChannelModel> modbusInterfaceModel;
    std::unique_ptr<RecordedChannelModel> udsChannelModel;
    // The XML of every stored setup, kept also when no model could be built.
    QMap<QString, QString> modelSetupTexts;
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
    double autoSelectionStart = 0.0;
    double autoSelectionEnd = 0.0;
    // Per controller frequency input: decoded sample times and frequencies.
    QList<std::pair<QList<double>, QList<double>>> rawFrequencySamples;
    QMap<int, QList<VectorChannel*>> vectorChannels;
    QMap<QString, VectorChannel*> canVectorsByKey;
    VectorChannel* mainTimeChannel = nullptr;
    int mainSampleCount = 0;
    QList<double> markerTimes;
    QList<QString> markerChannelKeys;
    bool runInfoLoaded = false;
    bool projectInfoLoaded = false;
    bool dynoSettingsLoaded = false;
    bool allLoaded = false;
    bool calculated = false;
    bool legacyInertiaIndexing = true;
    QList<QMetaObject::Connection> calculationConnections;

public Q_SLOTS:
    void slot_updateModificationTime();
    int slot_recalculate();
    void slot_updateRunInfoStats();
    void slot_clearMarkers();
    int slot_dynoSettingsEditorValueChanged();

Q_SIGNALS:
    void signal_progress(float fraction);
    void signal_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value);
    void signal_projectInfoChanged(const QString& filename, ProjectListFieldId fieldId, const QVariant& value);
    void signal_vectorsChanged();
    void signal_updateMarkers();

private:
    // A calculation in progress: a recalculation asked for meanwhile (a timer
    // firing inside a message box of this one) is queued, never nested.
    bool calculating = false;
    bool recalculationPending = false;
    // Fills the vector group of one per-run input family.
    int processRecordedModel(const RecordedChannelModel* model, FrameId table, int flags, ChannelId group,
                             bool copyToVehicleParams, bool keyMap);
    // Steps of processControllerFrames.
    template<class Record>
    void processControllerOutFrames(FrameId frameId, ChannelId channelId, int controllers);
    template<class Record>
    void processControllerSPFrames(FrameId frameId, ChannelId channelId, int controllers);
    int calculateAllSteps(bool calculateLossModel);
    int legacyObdChannelCount() const;
    void failCalculation();
};
