#pragma once

#include "DynoSettingId.h"
#include "MainGraphMasterChannel.h"
#include "ProjectListFieldId.h"
#include "RunListFieldId.h"
#include "SQLiteDataType.h"
#include "SettingWidgetType.h"
#include "StoredDynoSetting.h"
#include "StoredField.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QVariant>

#include <hdf5.h>

class QTimer;
class RunData;

// The handle of one run file: an HDF5 file holding everything recorded in one
// run. Values are small two-dimensional datasets, each rewritten whole; the
// file is flushed two seconds after the last of a burst of writes. The packet
// tables of "/frames" are the writer's (LogWriter) and the loaders'.
//
// Results: 0 on success, -1 on failure with one debug-log line. Every HDF5
// call runs under the process-wide HDF5 lock (Hdf5Lock). A RunFile belongs to
// its owner's thread, where its flush timer fires.
class RunFile : public QObject
{
    Q_OBJECT
public:
    explicit RunFile(QObject* parent = nullptr);
    ~RunFile() override;

    // False when the file is open. True when it is not: no such file, or HDF5
    // cannot open it. A file that cannot be opened for writing (permissions,
    // read-only medium) is opened read-only: then nothing is written into it,
    // also not by the loaders.
    bool openFile(const QString& fileName);
    void closeFile();
    bool isOpen() const { return fileId >= 0; }
    bool isReadOnly() const { return openedReadOnly; }
    void queueFlush();
    // Size of the file in MiB, rounded down; 0 for a missing file.
    int getFileSize() const;

    // Typed datasets (loc: an open file, group or dataset id).
    int writeToDataset(hid_t loc, const QString& name, qint64 value);
    int writeToDataset(hid_t loc, const QString& name, int value);
    int writeToDataset(hid_t loc, const QString& name, double value);
    int writeToDataset(hid_t loc, const QString& name, const QString& value);
    int writeToDataset(hid_t loc, const QString& name, const QList<QString>& value);
    int writeToDataset(hid_t loc, const QString& name, const QList<double>& value);
    int writeToDataset(hid_t loc, const QString& name, const QList<QPointF>& value);
    int writeSQLTypeData(hid_t loc, const QString& name, SQLiteDataType type, const QVariant& value);
    int writeDynoSetting(hid_t loc, const QString& name, SettingWidgetType type, const QVariant& value);
    // Scalar attribute; on a packet table it goes on the table's dataset.
    void createWriteScalarAttribute(hid_t loc, const QString& name, hid_t type, const void* value);
    int readScalarAttribute(hid_t loc, const QString& name, hid_t type, void* value);

    // Scalars: 0 when a value was read, -1 when missing or unreadable.
    int readFromDataset(hid_t loc, const QString& name, int* value);
    int readFromDataset(hid_t loc, const QString& name, qint64* value);
    int readFromDataset(hid_t loc, const QString& name, double* value);
    // Texts and lists: always 0; empty when missing or unreadable.
    int readFromDataset(hid_t loc, const QString& name, QString* value);
    int readFromDataset(hid_t loc, const QString& name, QList<double>* value);
    int readFromDataset(hid_t loc, const QString& name, QList<QString>* value);
    int readFromDataset(hid_t loc, const QString& name, QList<QPointF>* value);
    // Null when a scalar cannot be read or the type is not supported.
    QVariant readFromDataset(hid_t loc, const QString& name, SQLiteDataType type);
    QVariant readFromDataset(hid_t loc, const QString& name, SettingWidgetType type);

    // Information groups.
    int updateRunInfo(RunListFieldId field, const QVariant& value);
    int updateProjectInfo(ProjectListFieldId field, const QVariant& value);
    // Creates "/projectInfo" with the given fields (collected in the GUI thread).
    void writeAllProjectInfo(const QList<StoredField>& fields);
    // Creates "/setup" with the given settings (collected in the GUI thread).
    void writeAllDynoSettings(const QList<StoredDynoSetting>& settings);
    int updateDynoSetting(DynoSettingId id, const QVariant& value, int channel);
    void createFilesGroup();
    void writeXMLSetup(const QString& name, const QString& text);
    int updatePreviewData(const QList<double>& power, const QList<double>& torque, const QList<double>& master,
                          MainGraphMasterChannel masterChannel);
    int updateMarkers(const QList<double>& times, const QList<QString>& channels);
    void handleLogFrameWriteError();

    // Loading into a recorded run (RunFileLoad.cpp).
    int loadAll(RunData* data);
    int loadDynoSettings(RunData* data);
    int loadProjectInfo(RunData* data);
    int loadRunInfo(RunData* data);
    int loadFrames(RunData* data);
    int tryRunInfoImportFromOldFormat();
    QString getModelSetup(const QString& name);
    int getMarkers(QList<double>& times, QList<QString>& channels);
    int getPreviewData(QList<double>& power, QList<double>& torque, QList<double>& master,
                       MainGraphMasterChannel& masterChannel);

    // The text of a string list: each item percent-encoded UTF-8 (all bytes but
    // letters, digits and "-._~"), items joined by ";". A leading empty item
    // therefore survives; an empty text is an empty list.
    static QByteArray encodeStringList(const QList<QString>& items);
    static QList<QString> decodeStringList(const QByteArray& text);

    // The key of a setting's channel: its key template with the channel put in.
    static QString dynoSettingName(DynoSettingId id, int channel);

    hid_t fileId = -1;
    QString fileName;
    QTimer* flushTimer = nullptr;
    hid_t scalarSpace = -1;

    // Records read per HDF5 call while a table loads; the lock is released
    // between calls so that recording in the run thread never waits long.
    static constexpr hsize_t loadChunkRecords = 65536;

public Q_SLOTS:
    void slot_flush();

Q_SIGNALS:
    void signal_progress(float fraction);

protected:
    bool openedReadOnly = false;

private:
    int writeDatasetCommon(hid_t loc, const QString& name, hid_t type, hsize_t rows, hsize_t columns,
                           const void* data);
    // Reads all elements of a dataset whose stored element size is
    // `elementSize`, converted to `memoryType`; false when missing or unreadable.
    bool readDatasetCommon(hid_t loc, const QString& name, hid_t memoryType, size_t elementSize, QByteArray* out);
    hid_t openOrCreateGroup(const char* path);
};
