#include "RunFile.h"

#include "DynoSetting.h"
#include "DynoSettings.h"
#include "Hdf5Lock.h"
#include "ProjectListModel.h"
#include "RunListModel.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <H5PTpublic.h>

namespace {

QByteArray nameBytes(const QString& name)
{
    return name.toUtf8();
}

// The registered setting of channel 0 of an id, or null when the registry
// does not have that id (yet): asking the registry for an unknown id ends the
// program, and a run file may name settings this program does not register.
const DynoSetting* registeredSetting(DynoSettingId id)
{
    if (!theDynoSettings || id < 0 || id >= theDynoSettings->settings.size())
        return nullptr;
    const QList<DynoSetting*>* channels = theDynoSettings->settings.at(id);
    if (!channels || channels->isEmpty())
        return nullptr;
    return channels->first();
}

} // namespace

RunFile::RunFile(QObject* parent)
    : QObject(parent)
{
    {
        Hdf5Lock lock;
        scalarSpace = H5Screate(H5S_SCALAR);
    }
    flushTimer = new QTimer(this);
    flushTimer->setSingleShot(true);
    connect(flushTimer, &QTimer::timeout, this, &RunFile::slot_flush);
}

RunFile::~RunFile()
{
    closeFile();
    Hdf5Lock lock;
    if (scalarSpace >= 0)
        H5Sclose(scalarSpace);
    scalarSpace = -1;
}

bool RunFile::openFile(const QString& name)
{
    if (!QFileInfo::exists(name))
        return true;
    closeFile();
    fileName = name;
    openedReadOnly = false;
    Hdf5Lock lock;
    H5check();
    const QByteArray path = QFile::encodeName(name);
    fileId = H5Fopen(path.constData(), H5F_ACC_RDWR, H5P_DEFAULT);
    if (fileId < 0) {
        // A file we may not write (permissions, read-only medium) is still a
        // run to look at; it must only never be changed.
        fileId = H5Fopen(path.constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
        if (fileId >= 0) {
            openedReadOnly = true;
            qDebug().noquote() << QStringLiteral("Run file opened read-only: ") + name;
        }
    }
    if (fileId < 0) {
        qDebug().noquote() << QStringLiteral("Can't open log file ") + name;
        return true;
    }
    return false;
}

void RunFile::closeFile()
{
    if (fileId < 0)
        return;
    flushTimer->stop();
    Hdf5Lock lock;
    const ssize_t count = H5Fget_obj_count(fileId, H5F_OBJ_ALL);
    if (count > 1) {
        qDebug() << "Opened object left in H5Fclose. Count" << count - 1;
        QList<hid_t> ids(count);
        const ssize_t listed = H5Fget_obj_ids(fileId, H5F_OBJ_ALL, size_t(count), ids.data());
        for (ssize_t i = 1; i < listed; ++i) {
            H5O_info_t info;
            const bool haveInfo = H5Oget_info2(ids.at(i), &info, H5O_INFO_BASIC) >= 0;
            char objectName[101] = {0};
            H5Iget_name(ids.at(i), objectName, sizeof(objectName));
            qDebug() << "Opened object" << i << "type" << (haveInfo ? int(info.type) : -1) << "name" << objectName
                     << "id" << ids.at(i);
        }
    }
    if (H5Fclose(fileId) != 0)
        qDebug() << "Problem closing file. Some object may not be closed.";
    fileId = -1;
}

void RunFile::slot_flush()
{
    if (fileId < 0 || openedReadOnly)
        return;
    Hdf5Lock lock;
    H5Fflush(fileId, H5F_SCOPE_LOCAL);
}

void RunFile::queueFlush()
{
    flushTimer->start(2000);
}

int RunFile::getFileSize() const
{
    return int(QFileInfo(fileName).size() / 1048576);
}

// ---- Writing datasets ----

int RunFile::writeDatasetCommon(hid_t loc, const QString& name, hid_t type, hsize_t rows, hsize_t columns,
                                const void* data)
{
    Hdf5Lock lock;
    const QByteArray n = nameBytes(name);
    if (H5Lexists(loc, n.constData(), H5P_DEFAULT) > 0 && H5Ldelete(loc, n.constData(), H5P_DEFAULT) < 0) {
        qDebug().noquote() << QStringLiteral("Error deleting previous ") + name
                                  + QStringLiteral(" before writing new value");
        return -1;
    }
    int result = 0;
    const hsize_t dims[2] = {rows, columns};
    const hid_t space = H5Screate_simple(2, dims, nullptr);
    if (space < 0) {
        qDebug().noquote() << QStringLiteral("Cannot create dataspace for ") + name;
        result = -1;
    } else {
        const hid_t dataset = H5Dcreate2(loc, n.constData(), type, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        if (dataset < 0) {
            qDebug().noquote() << QStringLiteral("Cannot create dataset for ") + name;
            result = -1;
        } else {
            const char none = 0;
            if (H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, data ? data : &none) < 0) {
                qDebug().noquote() << QStringLiteral("Error writing ") + name + QStringLiteral(" to dataset");
                result = -1;
            }
            H5Dclose(dataset);
        }
        H5Sclose(space);
    }
    queueFlush();
    return result;
}

int RunFile::writeToDataset(hid_t loc, const QString& name, qint64 value)
{
    const long long stored = value;
    return writeDatasetCommon(loc, name, H5T_NATIVE_LLONG, 1, 1, &stored);
}

int RunFile::writeToDataset(hid_t loc, const QString& name, int value)
{
    return writeDatasetCommon(loc, name, H5T_NATIVE_INT, 1, 1, &value);
}

int RunFile::writeToDataset(hid_t loc, const QString& name, double value)
{
    return writeDatasetCommon(loc, name, H5T_NATIVE_DOUBLE, 1, 1, &value);
}

int RunFile::writeToDataset(hid_t loc, const QString& name, const QString& value)
{
    QByteArray bytes = value.toUtf8();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return writeDatasetCommon(loc, name, H5T_NATIVE_UCHAR, hsize_t(bytes.size()), 1, bytes.constData());
}

int RunFile::writeToDataset(hid_t loc, const QString& name, const QList<QString>& value)
{
    const QByteArray text = encodeStringList(value);
    return writeDatasetCommon(loc, name, H5T_NATIVE_UCHAR, hsize_t(text.size()), 1, text.constData());
}

int RunFile::writeToDataset(hid_t loc, const QString& name, const QList<double>& value)
{
    return writeDatasetCommon(loc, name, H5T_NATIVE_DOUBLE, hsize_t(value.size()), 1, value.constData());
}

int RunFile::writeToDataset(hid_t loc, const QString& name, const QList<QPointF>& value)
{
    QList<double> flat;
    flat.reserve(value.size() * 2);
    for (const QPointF& point : value) {
        flat.append(point.x());
        flat.append(point.y());
    }
    return writeDatasetCommon(loc, name, H5T_NATIVE_DOUBLE, hsize_t(value.size()), 2, flat.constData());
}

int RunFile::writeSQLTypeData(hid_t loc, const QString& name, SQLiteDataType type, const QVariant& value)
{
    switch (type) {
    case SQLiteBool:
    case SQLiteInteger:
    case SQLiteEnum:
        return writeToDataset(loc, name, value.toInt());
    case SQLiteTimestamp:
        return writeToDataset(loc, name, qint64(value.toLongLong()));
    case SQLiteReal:
        return writeToDataset(loc, name, value.toDouble());
    case SQLiteVarchar:
        return writeToDataset(loc, name, value.toString());
    }
    qDebug() << "int RunFile::writeSQLTypeData(hid_t, const QString&, SQLiteDataType, const QVariant&)"
             << "SQliteDataType not supported" << int(type);
    return -1;
}

int RunFile::writeDynoSetting(hid_t loc, const QString& name, SettingWidgetType type, const QVariant& value)
{
    switch (type) {
    case SettingWidgetType_spinBox:
    case SettingWidgetType_comboBox:
    case SettingWidgetType_checkBox:
    case SettingWidgetType_quantityComboBox:
        return writeToDataset(loc, name, value.toInt());
    case SettingWidgetType_doubleSpinBox:
    case SettingWidgetType_spinBoxWithUnit:
        return writeToDataset(loc, name, value.toDouble());
    case SettingWidgetType_lineEdit:
    case SettingWidgetType_argumentWidget:
        return writeToDataset(loc, name, value.toString());
    case SettingWidgetType_pointVectorEditor:
        return writeToDataset(loc, name,
                              value.canConvert<QList<QPointF>>() ? value.value<QList<QPointF>>() : QList<QPointF>());
    case SettingWidgetType_lossModelEditor:
        return writeToDataset(loc, name,
                              value.canConvert<QList<double>>() ? value.value<QList<double>>() : QList<double>());
    }
    qDebug() << "widget not supported";
    return -1;
}

void RunFile::createWriteScalarAttribute(hid_t loc, const QString& name, hid_t type, const void* value)
{
    Hdf5Lock lock;
    const hid_t target = H5PTis_valid(loc) >= 0 ? H5PTget_dataset(loc) : loc;
    const QByteArray n = nameBytes(name);
    const hid_t attribute = H5Acreate2(target, n.constData(), type, scalarSpace, H5P_DEFAULT, H5P_DEFAULT);
    if (attribute < 0) {
        qDebug().noquote() << QStringLiteral("Error creating attribute") + name;
        return;
    }
    H5Awrite(attribute, type, value);
    H5Aclose(attribute);
    queueFlush();
}

int RunFile::readScalarAttribute(hid_t loc, const QString& name, hid_t type, void* value)
{
    Hdf5Lock lock;
    const hid_t target = H5PTis_valid(loc) >= 0 ? H5PTget_dataset(loc) : loc;
    const QByteArray n = nameBytes(name);
    const hid_t attribute = H5Aopen(target, n.constData(), H5P_DEFAULT);
    if (attribute < 0) {
        qDebug().noquote() << QStringLiteral("Error reading attribute") + name;
        return -1;
    }
    const herr_t read = H5Aread(attribute, type, value);
    H5Aclose(attribute);
    return read < 0 ? -1 : 0;
}

// ---- Reading datasets ----

bool RunFile::readDatasetCommon(hid_t loc, const QString& name, hid_t memoryType, size_t elementSize,
                                QByteArray* out)
{
    out->clear();
    Hdf5Lock lock;
    const QByteArray n = nameBytes(name);
    if (H5Lexists(loc, n.constData(), H5P_DEFAULT) <= 0)
        return false;
    const hid_t dataset = H5Dopen2(loc, n.constData(), H5P_DEFAULT);
    if (dataset < 0) {
        qDebug().noquote() << QStringLiteral("error opening dataset") + name;
        return false;
    }
    const hid_t storedType = H5Dget_type(dataset);
    const size_t storedSize = storedType >= 0 ? H5Tget_size(storedType) : 0;
    bool ok = storedSize == elementSize;
    if (!ok) {
        qDebug().noquote() << QStringLiteral("Wrong readFromDatasetCommon template used for") + name;
    } else {
        const hid_t space = H5Dget_space(dataset);
        const hssize_t points = space >= 0 ? H5Sget_simple_extent_npoints(space) : -1;
        if (space >= 0)
            H5Sclose(space);
        // Numbers are converted to the form's native type (a value stored with
        // another number type still reads right); texts are bytes as stored.
        const hid_t readType = memoryType >= 0 ? memoryType : storedType;
        if (points < 0) {
            ok = false;
        } else if (points > 0) {
            out->resize(qsizetype(points) * qsizetype(H5Tget_size(readType)));
            if (H5Dread(dataset, readType, H5S_ALL, H5S_ALL, H5P_DEFAULT, out->data()) < 0) {
                qDebug() << "readFromDatasetCommon: H5Dread error";
                out->clear();
                ok = false;
            }
        }
    }
    if (storedType >= 0)
        H5Tclose(storedType);
    H5Dclose(dataset);
    return ok;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, int* value)
{
    QByteArray bytes;
    if (!readDatasetCommon(loc, name, H5T_NATIVE_INT, sizeof(int), &bytes) || bytes.size() < qsizetype(sizeof(int)))
        return -1;
    memcpy(value, bytes.constData(), sizeof(int));
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, qint64* value)
{
    QByteArray bytes;
    if (!readDatasetCommon(loc, name, H5T_NATIVE_LLONG, 8, &bytes) || bytes.size() < 8)
        return -1;
    long long stored = 0;
    memcpy(&stored, bytes.constData(), 8);
    *value = stored;
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, double* value)
{
    QByteArray bytes;
    if (!readDatasetCommon(loc, name, H5T_NATIVE_DOUBLE, 8, &bytes) || bytes.size() < 8)
        return -1;
    memcpy(value, bytes.constData(), 8);
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, QString* value)
{
    QByteArray bytes;
    readDatasetCommon(loc, name, -1, 1, &bytes);
    *value = QString::fromUtf8(bytes);
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, QList<double>* value)
{
    QByteArray bytes;
    readDatasetCommon(loc, name, H5T_NATIVE_DOUBLE, 8, &bytes);
    value->resize(bytes.size() / 8);
    if (!value->isEmpty())
        memcpy(value->data(), bytes.constData(), size_t(value->size()) * 8);
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, QList<QString>* value)
{
    QByteArray bytes;
    readDatasetCommon(loc, name, -1, 1, &bytes);
    *value = decodeStringList(bytes);
    return 0;
}

int RunFile::readFromDataset(hid_t loc, const QString& name, QList<QPointF>* value)
{
    QList<double> flat;
    readFromDataset(loc, name, &flat);
    value->clear();
    value->reserve(flat.size() / 2);
    for (qsizetype i = 0; i + 1 < flat.size(); i += 2)
        value->append(QPointF(flat.at(i), flat.at(i + 1)));
    return 0;
}

QVariant RunFile::readFromDataset(hid_t loc, const QString& name, SQLiteDataType type)
{
    switch (type) {
    case SQLiteBool:
    case SQLiteInteger:
    case SQLiteEnum: {
        int value = 0;
        return readFromDataset(loc, name, &value) == 0 ? QVariant(value) : QVariant();
    }
    case SQLiteTimestamp: {
        qint64 value = 0;
        return readFromDataset(loc, name, &value) == 0 ? QVariant(value) : QVariant();
    }
    case SQLiteReal: {
        double value = 0;
        return readFromDataset(loc, name, &value) == 0 ? QVariant(value) : QVariant();
    }
    case SQLiteVarchar: {
        QString value;
        readFromDataset(loc, name, &value);
        return value;
    }
    }
    qDebug() << "QVariant RunFile::readFromDataset(hid_t, const QString&, SQLiteDataType)"
             << "SQLiteDataType not supported" << name << int(type);
    return QVariant();
}

QVariant RunFile::readFromDataset(hid_t loc, const QString& name, SettingWidgetType type)
{
    switch (type) {
    case SettingWidgetType_spinBox:
    case SettingWidgetType_comboBox:
    case SettingWidgetType_checkBox:
    case SettingWidgetType_quantityComboBox: {
        int value = 0;
        return readFromDataset(loc, name, &value) == 0 ? QVariant(value) : QVariant();
    }
    case SettingWidgetType_doubleSpinBox:
    case SettingWidgetType_spinBoxWithUnit: {
        double value = 0;
        return readFromDataset(loc, name, &value) == 0 ? QVariant(value) : QVariant();
    }
    case SettingWidgetType_lineEdit:
    case SettingWidgetType_argumentWidget: {
        QString value;
        readFromDataset(loc, name, &value);
        return value;
    }
    case SettingWidgetType_pointVectorEditor: {
        QList<QPointF> value;
        readFromDataset(loc, name, &value);
        return QVariant::fromValue(value);
    }
    case SettingWidgetType_lossModelEditor: {
        QList<double> value;
        readFromDataset(loc, name, &value);
        return QVariant::fromValue(value);
    }
    }
    qDebug() << "widget not supported";
    return QVariant();
}

// ---- String lists ----

QByteArray RunFile::encodeStringList(const QList<QString>& items)
{
    QByteArray text;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            text.append(';');
        text.append(items.at(i).toUtf8().toPercentEncoding());
    }
    return text;
}

QList<QString> RunFile::decodeStringList(const QByteArray& text)
{
    QList<QString> items;
    if (text.isEmpty())
        return items;
    const QList<QByteArray> parts = text.split(';');
    items.reserve(parts.size());
    for (const QByteArray& part : parts)
        items.append(QString::fromUtf8(QByteArray::fromPercentEncoding(part)));
    return items;
}

// ---- Information groups ----

hid_t RunFile::openOrCreateGroup(const char* path)
{
    Hdf5Lock lock;
    if (H5Lexists(fileId, path, H5P_DEFAULT) > 0)
        return H5Gopen2(fileId, path, H5P_DEFAULT);
    return H5Gcreate2(fileId, path, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
}

int RunFile::updateRunInfo(RunListFieldId field, const QVariant& value)
{
    const TableModelFieldDescriptor* descriptor = theRunListModel ? theRunListModel->descriptor(field) : nullptr;
    if (!descriptor) {
        qDebug() << "updateRunInfo: no run field" << int(field);
        return -1;
    }
    Hdf5Lock lock;
    const hid_t group = H5Gopen2(fileId, "/runInfo", H5P_DEFAULT);
    const int result = writeSQLTypeData(group, descriptor->databaseKey, descriptor->dataType, value);
    if (group >= 0)
        H5Gclose(group);
    return result;
}

int RunFile::updateProjectInfo(ProjectListFieldId field, const QVariant& value)
{
    const TableModelFieldDescriptor* descriptor =
        theProjectListModel ? theProjectListModel->descriptor(field) : nullptr;
    if (!descriptor) {
        qDebug() << "updateProjectInfo: no project field" << int(field);
        return -1;
    }
    Hdf5Lock lock;
    const hid_t group = H5Gopen2(fileId, "/projectInfo", H5P_DEFAULT);
    const int result = writeSQLTypeData(group, descriptor->databaseKey, descriptor->dataType, value);
    if (group >= 0)
        H5Gclose(group);
    return result;
}

void RunFile::writeAllProjectInfo(const QList<StoredField>& fields)
{
    if (fileId < 0)
        return;
    Hdf5Lock lock;
    const hid_t group = openOrCreateGroup("/projectInfo");
    for (const StoredField& field : fields)
        writeSQLTypeData(group, field.key, field.type, field.value);
    if (group >= 0)
        H5Gclose(group);
}

void RunFile::writeAllDynoSettings(const QList<StoredDynoSetting>& settings)
{
    if (fileId < 0)
        return;
    Hdf5Lock lock;
    const hid_t group = openOrCreateGroup("/setup");
    for (const StoredDynoSetting& setting : settings)
        writeDynoSetting(group, setting.name, setting.type, setting.value);
    if (group >= 0)
        H5Gclose(group);
}

QString RunFile::dynoSettingName(DynoSettingId id, int channel)
{
    const DynoSetting* setting = registeredSetting(id);
    return setting ? Tools::optionalArg(setting->keyTemplate, channel) : QString();
}

int RunFile::updateDynoSetting(DynoSettingId id, const QVariant& value, int channel)
{
    const DynoSetting* setting = registeredSetting(id);
    if (!setting) {
        qDebug() << "updateDynoSetting: setting" << int(id) << "is not registered";
        return -1;
    }
    Hdf5Lock lock;
    const hid_t group = H5Gopen2(fileId, "/setup", H5P_DEFAULT);
    const int result =
        writeDynoSetting(group, Tools::optionalArg(setting->keyTemplate, channel), setting->widgetType, value);
    if (group >= 0)
        H5Gclose(group);
    return result;
}

void RunFile::createFilesGroup()
{
    if (fileId < 0)
        return;
    Hdf5Lock lock;
    const hid_t group = openOrCreateGroup("/files");
    if (group >= 0)
        H5Gclose(group);
}

void RunFile::writeXMLSetup(const QString& name, const QString& text)
{
    if (fileId < 0)
        return;
    Hdf5Lock lock;
    const hid_t group = H5Gopen2(fileId, "/files", H5P_DEFAULT);
    writeToDataset(group, name, text);
    if (group >= 0)
        H5Gclose(group);
}

int RunFile::updatePreviewData(const QList<double>& power, const QList<double>& torque, const QList<double>& master,
                               MainGraphMasterChannel masterChannel)
{
    Hdf5Lock lock;
    const hid_t group = openOrCreateGroup("/previewData");
    int result = 0;
    result |= writeToDataset(group, QStringLiteral("power"), power);
    result |= writeToDataset(group, QStringLiteral("torque"), torque);
    result |= writeToDataset(group, QStringLiteral("master"), master);
    result |= writeToDataset(group, QStringLiteral("masterChannelId"), int(masterChannel));
    if (group >= 0)
        H5Gclose(group);
    return result ? -1 : 0;
}

int RunFile::updateMarkers(const QList<double>& times, const QList<QString>& channels)
{
    Hdf5Lock lock;
    const hid_t group = openOrCreateGroup("/markers");
    int result = 0;
    result |= writeToDataset(group, QStringLiteral("times"), times);
    result |= writeToDataset(group, QStringLiteral("channels"), channels);
    if (group >= 0)
        H5Gclose(group);
    return result ? -1 : 0;
}

void RunFile::handleLogFrameWriteError()
{
    qDebug().noquote() << QStringLiteral("Error writing log frame to run file ") + fileName;
}
