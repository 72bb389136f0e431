// Reading a run file back into a recorded run, and the conversion of files of
// the oldest format.
#include "RunFile.h"

#include "AppVersion.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "Hdf5Lock.h"
#include "LogDescriptor.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunListModel.h"
#include "lib/Tools.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>

#include <H5PTpublic.h>

namespace {

const char* const kOldestFormat = "zembo_0.1";
const char* const kImportedFormat = "zembo_1_imported";

} // namespace

int RunFile::loadAll(RunData* data)
{
    if (fileId < 0) {
        qDebug() << "invalid file handle";
        return -1;
    }
    QString version;
    {
        Hdf5Lock lock;
        const hid_t root = H5Gopen2(fileId, "/", H5P_DEFAULT);
        readFromDataset(root, QStringLiteral("logVersion"), &version);
        if (root >= 0)
            H5Gclose(root);
    }
    if (!version.startsWith(QLatin1String("zembo"))) {
        qDebug().noquote() << "Not compatible log file" << version;
        return -1;
    }
    loadDynoSettings(data);
    loadProjectInfo(data);
    loadFrames(data);
    loadRunInfo(data);
    return 0;
}

int RunFile::loadDynoSettings(RunData* data)
{
    if (fileId < 0)
        return -1;
    data->settingValues.clear();
    if (!theDynoSettings)
        return 0;
    Hdf5Lock lock;
    const hid_t group = H5Lexists(fileId, "/setup", H5P_DEFAULT) > 0 ? H5Gopen2(fileId, "/setup", H5P_DEFAULT) : -1;
    for (const QList<DynoSetting*>* channels : std::as_const(theDynoSettings->settings)) {
        if (!channels || channels->isEmpty())
            continue;
        const DynoSetting* setting = channels->first();
        const int channelCount = std::max<int>(int(channels->size()), setting->maxChannelCount);
        for (int channel = 0; channel < channelCount; ++channel) {
            const QString name = Tools::optionalArg(setting->keyTemplate, channel);
            const QVariant value = readFromDataset(group, name, setting->widgetType);
            if (value.isNull())
                break;
            data->settingValues.insert(name, value);
        }
    }
    if (group >= 0)
        H5Gclose(group);
    return 0;
}

int RunFile::loadProjectInfo(RunData* data)
{
    if (fileId < 0)
        return -1;
    data->projectInfo.clear();
    for (int i = 0; i < ProjectListFieldCount; ++i)
        data->projectInfo.append(QVariant());
    if (!theProjectListModel)
        return 0;
    Hdf5Lock lock;
    // A read-only file keeps what it has: a missing group reads as no values.
    const hid_t group = openedReadOnly ? H5Gopen2(fileId, "/projectInfo", H5P_DEFAULT)
                                       : openOrCreateGroup("/projectInfo");
    for (int id = 0; id < ProjectListFieldCount; ++id) {
        const TableModelFieldDescriptor* descriptor = theProjectListModel->descriptor(id);
        if (!descriptor)
            continue;
        const QVariant value = readFromDataset(group, descriptor->databaseKey, descriptor->dataType);
        if (!value.isNull())
            data->projectInfo[id] = value;
    }
    if (group >= 0)
        H5Gclose(group);
    return 0;
}

int RunFile::loadRunInfo(RunData* data)
{
    if (fileId < 0)
        return -1;
    {
        Hdf5Lock lock;
        hid_t group = openedReadOnly ? -1 : openOrCreateGroup("/runInfo");
        if (group >= 0)
            H5Gclose(group);
        tryRunInfoImportFromOldFormat();

        data->runInfo.clear();
        for (int i = 0; i < RunListFieldCount; ++i)
            data->runInfo.append(QVariant());
        group = H5Gopen2(fileId, "/runInfo", H5P_DEFAULT);
        for (int id = 0; theRunListModel && id < RunListFieldCount; ++id) {
            const TableModelFieldDescriptor* descriptor = theRunListModel->descriptor(id);
            if (!descriptor)
                continue;
            const QVariant value = readFromDataset(group, descriptor->databaseKey, descriptor->dataType);
            if (!value.isNull())
                data->runInfo[id] = value;
        }
        if (group >= 0)
            H5Gclose(group);
    }
    const AppVersion version(data->runInfo.value(RunListFields::createdWithSoftwareVersion).toString());
    const qint64 combined = qint64(version.major) * 1000000 + qint64(version.minor) * 1000 + version.bugfix;
    data->legacyInertiaIndexing = combined < qint64(4) * 1000000 + 9 * 1000 + 0;
    data->updateAfterSelectionChange();
    return 0;
}

int RunFile::tryRunInfoImportFromOldFormat()
{
    // The conversion writes into the file; a file opened read-only stays as it is.
    if (fileId < 0 || openedReadOnly)
        return 0;
    Hdf5Lock lock;
    const hid_t root = H5Gopen2(fileId, "/", H5P_DEFAULT);
    QString version;
    readFromDataset(root, QStringLiteral("logVersion"), &version);
    if (version != QLatin1String(kOldestFormat)) {
        if (root >= 0)
            H5Gclose(root);
        return 0;
    }
    // Taken before the first write changes it: the best creation time for a
    // file whose own time text is missing or unreadable.
    const QDateTime fileTime = QFileInfo(fileName).lastModified();

    const hid_t attributes = H5Gopen2(fileId, "/attributes", H5P_DEFAULT);
    double runLength = 0;
    if (readScalarAttribute(attributes, QStringLiteral("runLength"), H5T_NATIVE_DOUBLE, &runLength) != 0)
        runLength = 0;
    updateRunInfo(RunListFields::runLength, runLength);
    double peakPower = 0;
    if (readScalarAttribute(attributes, QStringLiteral("peakPower"), H5T_NATIVE_DOUBLE, &peakPower) != 0)
        peakPower = 0;
    updateRunInfo(RunListFields::measuredWheelPower, peakPower);

    QString timestampText;
    readFromDataset(root, QStringLiteral("logTimestamp"), &timestampText);
    QDateTime created = QDateTime::fromString(timestampText, QStringLiteral("yyyy-MM-dd_hh:mm:ss"));
    if (!created.isValid())
        created = fileTime;
    updateRunInfo(RunListFields::creationTimestamp, qint64(created.toSecsSinceEpoch()));

    QString comment;
    readFromDataset(root, QStringLiteral("comment"), &comment);
    updateRunInfo(RunListFields::comment, comment);

    double selectionStart = 0;
    double selectionEnd = 0;
    if (readScalarAttribute(attributes, QStringLiteral("selectionStart"), H5T_NATIVE_DOUBLE, &selectionStart) == 0
        && readScalarAttribute(attributes, QStringLiteral("selectionEnd"), H5T_NATIVE_DOUBLE, &selectionEnd) == 0) {
        updateRunInfo(RunListFields::selectionStart, selectionStart);
        updateRunInfo(RunListFields::selectionEnd, selectionEnd);
    }
    if (attributes >= 0)
        H5Gclose(attributes);

    writeToDataset(root, QStringLiteral("logVersion"), QString::fromLatin1(kImportedFormat));
    qDebug().noquote() << "imported log file" << version << fileName;
    if (root >= 0)
        H5Gclose(root);
    return 0;
}

int RunFile::loadFrames(RunData* data)
{
    hid_t frames = -1;
    {
        Hdf5Lock lock;
        frames = H5Gopen2(fileId, "/frames", H5P_DEFAULT);
    }
    if (frames < 0) {
        qDebug() << "Can't open '/frames' group in log file";
        emit signal_progress(1);
        return -1;
    }
    emit signal_progress(0);
    bool complete = true;
    for (int id = 0; id < FrameIdCount && complete; ++id) {
        const FrameDescriptor* descriptor = theLogDescriptor.frameDescriptors.at(id);
        const FrameType* type = descriptor->frameType;
        const QByteArray name = descriptor->name.toUtf8();
        const FrameId frameId = static_cast<FrameId>(id);

        hid_t table = -1;
        hid_t dataset = -1;
        hsize_t records = 0;
        {
            Hdf5Lock lock;
            if (H5Lexists(frames, name.constData(), H5P_DEFAULT) <= 0) {
                if (!descriptor->optional)
                    qDebug().noquote() << "dataset" << descriptor->name << "not found in log file";
                continue;
            }
            table = H5PTopen(frames, name.constData());
            if (table < 0) {
                qDebug().noquote() << "Error opening" << descriptor->name << "dataset";
                complete = false;
                break;
            }
            dataset = H5Dopen2(frames, name.constData(), H5P_DEFAULT);
            if (H5PTget_num_packets(table, &records) < 0 || dataset < 0)
                records = 0;
        }

        // Read in pieces with the catalogue's packed compound as memory type, so
        // the records land in their stored layout whatever HDF5 would pick by
        // itself; the lock is let go between pieces so recording goes on.
        char* buffer = data->frames.resize(frameId, qsizetype(records));
        bool readOk = dataset >= 0;
        for (hsize_t start = 0; readOk && start < records; start += loadChunkRecords) {
            Hdf5Lock::letWaitersGo();
            const hsize_t count = std::min<hsize_t>(loadChunkRecords, records - start);
            Hdf5Lock lock;
            const hid_t fileSpace = H5Dget_space(dataset);
            const hid_t memorySpace = H5Screate_simple(1, &count, nullptr);
            readOk = fileSpace >= 0 && memorySpace >= 0
                && H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, &start, nullptr, &count, nullptr) >= 0
                && H5Dread(dataset, type->compoundType, memorySpace, fileSpace, H5P_DEFAULT,
                           buffer + start * type->recordSize)
                    >= 0;
            if (memorySpace >= 0)
                H5Sclose(memorySpace);
            if (fileSpace >= 0)
                H5Sclose(fileSpace);
        }
        if (!readOk) {
            // Records that could not be read are not handed on as zeros.
            data->frames.clear(frameId);
            qDebug().noquote() << "Error reading data frames" << descriptor->name;
            complete = false;
        } else {
            uint32_t value = 0;
            if (readScalarAttribute(dataset, QStringLiteral("samplingType"), H5T_NATIVE_UINT32, &value) == 0)
                data->frameSamplingType[id] = value;
            if (readScalarAttribute(dataset, QStringLiteral("samplingFrequency"), H5T_NATIVE_UINT32, &value) == 0)
                data->frameSamplingFrequency[id] = value;
        }
        {
            Hdf5Lock lock;
            if (dataset >= 0)
                H5Dclose(dataset);
            H5PTclose(table);
        }
        if (complete)
            emit signal_progress(float(id + 1) / float(FrameIdCount));
    }
    {
        Hdf5Lock lock;
        H5Gclose(frames);
    }
    emit signal_progress(1);
    return complete ? 0 : -1;
}

QString RunFile::getModelSetup(const QString& name)
{
    QString text;
    if (fileId < 0)
        return text;
    Hdf5Lock lock;
    if (H5Lexists(fileId, "/files", H5P_DEFAULT) <= 0)
        return text;
    const hid_t group = H5Gopen2(fileId, "/files", H5P_DEFAULT);
    readFromDataset(group, name, &text);
    if (group >= 0)
        H5Gclose(group);
    return text;
}

int RunFile::getMarkers(QList<double>& times, QList<QString>& channels)
{
    if (fileId < 0)
        return 1;
    Hdf5Lock lock;
    if (H5Lexists(fileId, "/markers", H5P_DEFAULT) <= 0)
        return 1;
    const hid_t group = H5Gopen2(fileId, "/markers", H5P_DEFAULT);
    readFromDataset(group, QStringLiteral("times"), &times);
    readFromDataset(group, QStringLiteral("channels"), &channels);
    if (group >= 0)
        H5Gclose(group);
    // One label per marker: earlier versions stored no labels for the markers
    // of a recording, and lost an empty first label; such a marker is on all
    // channels (empty label).
    while (channels.size() < times.size())
        channels.append(QString());
    if (channels.size() > times.size())
        channels.resize(times.size());
    return 0;
}

int RunFile::getPreviewData(QList<double>& power, QList<double>& torque, QList<double>& master,
                            MainGraphMasterChannel& masterChannel)
{
    if (fileId < 0)
        return 1;
    Hdf5Lock lock;
    if (H5Lexists(fileId, "/previewData", H5P_DEFAULT) <= 0)
        return 1;
    const hid_t group = H5Gopen2(fileId, "/previewData", H5P_DEFAULT);
    readFromDataset(group, QStringLiteral("power"), &power);
    readFromDataset(group, QStringLiteral("torque"), &torque);
    readFromDataset(group, QStringLiteral("master"), &master);
    int channel = 0;
    if (readFromDataset(group, QStringLiteral("masterChannelId"), &channel) == 0)
        masterChannel = static_cast<MainGraphMasterChannel>(channel);
    if (group >= 0)
        H5Gclose(group);
    const bool sameLength = power.size() == torque.size() && torque.size() == master.size();
    const bool knownChannel = masterChannel >= MainGraphMasterChannel_engineSpeed
        && masterChannel <= MainGraphMasterChannel_time;
    return sameLength && knownChannel ? 0 : 1;
}
