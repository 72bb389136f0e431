#include "RunListModel.h"

#include "Colors.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunDeleteDialog.h"
#include "lib/Tools.h"

#include <QBrush>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

RunListModel* theRunListModel = nullptr;

namespace {

std::function<bool(const QString&)>& loadedRunQuery()
{
    static std::function<bool(const QString&)> query;
    return query;
}

// Indices of the settings store's label lists that name run fields' values.
constexpr int kPowerCorrectionStandardLabels = 0;
constexpr int kRunTypeLabels = 2;
constexpr int kDeviceCodeLabels = 3;

} // namespace

QDebug RunListFields::operator<<(QDebug debug, const RunListFieldId& field)
{
    const QDebugStateSaver saver(debug);
    const TableModelFieldDescriptor* descriptor = theRunListModel ? theRunListModel->descriptor(field) : nullptr;
    debug.noquote() << (descriptor ? descriptor->databaseKey : QString::number(static_cast<int>(field)));
    return debug;
}

void RunListModel::setLoadedRunQuery(std::function<bool(const QString&)> query)
{
    loadedRunQuery() = std::move(query);
}

QStringList RunListModel::engineSpeedSourceLabels()
{
    // Owned by the dyno settings registry, which offers them in its combo box;
    // the same texts in its translation context.
    return {QCoreApplication::translate("DynoSettings", "calculated"),
            QCoreApplication::translate("DynoSettings", "eng. speed in"),
            QCoreApplication::translate("DynoSettings", "OBD"),
            QCoreApplication::translate("DynoSettings", "CAN channel"),
            QCoreApplication::translate("DynoSettings", "VP_engineSpeed")};
}

RunListModel::RunListModel(QWidget* parent, QSqlDatabase db)
    : CustomSqlTableModel(parent, db)
{
    qRegisterMetaType<RunListFieldId>("RunListFieldId");

    enumLabelLists.insert(RunListFields::engineSpeedSource, new QStringList(engineSpeedSourceLabels()));
    const auto settingsLabels = [](int list) -> const QStringList* {
        if (list < theSettings.enumLabels.size() && theSettings.enumLabels.at(list))
            return new QStringList(*theSettings.enumLabels.at(list));
        return nullptr;
    };
    if (const QStringList* labels = settingsLabels(kPowerCorrectionStandardLabels))
        enumLabelLists.insert(RunListFields::enginePowerCorrectionStandard, labels);
    if (const QStringList* labels = settingsLabels(kRunTypeLabels))
        enumLabelLists.insert(RunListFields::type, labels);
    if (const QStringList* labels = settingsLabels(kDeviceCodeLabels))
        enumLabelLists.insert(RunListFields::deviceCode, labels);

    fieldDescriptors.resize(RunListFieldCount);
    registerFields();

    // Run files name their run fields through this model; the import below
    // already writes into run files.
    if (!theRunListModel)
        theRunListModel = this;
    if (createTable(db, QStringLiteral("runs2")))
        tryV1DatabaseImport();

    // Columns that later versions added; old rows take these texts.
    addNewField(RunListFields::peakLossPower, QStringLiteral("0"));
    addNewField(RunListFields::peakLossPowerRPM, QStringLiteral("0"));
    addNewField(RunListFields::name, QString());
    addNewField(RunListFields::type, QStringLiteral("0"));
    addNewField(RunListFields::deviceCode, QString());
    addNewField(RunListFields::distance, QString());
    addNewField(RunListFields::selectionLength, QStringLiteral("0"));

    loadTableData(QStringLiteral("runs2"));

    if (theProjectListModel)
        connect(theProjectListModel, &ProjectListModel::signal_projectDataChanged, this,
                &RunListModel::slot_projectDataChanged);

    deleteDialog = new RunDeleteDialog(parent);
    createPreview(parent);
}

RunListModel::~RunListModel()
{
    if (deleteDialog && !deleteDialog->parent())
        delete deleteDialog;
    if (previewPopup && !previewPopup->parent())
        delete previewPopup;
    if (theRunListModel == this)
        theRunListModel = nullptr;
}

void RunListModel::registerFields()
{
    using namespace RunListFields;
    auto field = [this](int id, const char* key, const QString& label, const QString& compact, const QString& tip,
                        SQLiteDataType type, int size, Quantity quantity, int flags) {
        registerField(-1, id, QString::fromLatin1(key), label, compact, tip, type, size, quantity, flags, QVariant(), 0);
    };
    const QString flag = QStringLiteral("\u2691");
    field(id, "id", tr("DB ID"), tr("DB\nID"), tr("Database entry ID"), SQLiteInteger, 0, Quantity::Integer,
          FieldInternal);
    field(projectId, "projectId", tr("Project ID"), tr("Project\nID"), tr("Parent project database ID"),
          SQLiteInteger, 0, Quantity::Integer, FieldInternal);
    field(filename, "filename", tr("Data filename"), tr("Data\nfilename"), tr("Run data filename"), SQLiteVarchar,
          1024, Quantity::None, FieldInternal);
    field(favourite, "favourite", flag, flag, tr("Marked favourite"), SQLiteBool, 0, Quantity::None, FieldInEditor);
    field(creationTimestamp, "creationTimestamp", tr("Created"), tr("Created"), tr("Creation timestamp"),
          SQLiteTimestamp, 0, Quantity::None, 0);
    field(modificationTimestamp, "modificationTimestamp", tr("Modified"), tr("Modified"),
          tr("Last modification timestamp"), SQLiteTimestamp, 0, Quantity::None, 0);
    field(lastAccessTimestamp, "lastAccessTimestamp", tr("Accessed"), tr("Accessed"), tr("Last access timestamp"),
          SQLiteTimestamp, 0, Quantity::None, 0);
    field(runLength, "runLength", tr("Log length"), tr("Log\nlength"), tr("Log length"), SQLiteReal, 0, Quantity::Time,
          0);
    field(engineSpeedSource, "engineSpeedSource", tr("Speed source"), tr("Speed\nsource"), tr("Engine speed source"),
          SQLiteEnum, 0, Quantity::None, 0);
    field(engineSpeedRatio, "engineSpeedRatio", tr("Speed ratio"), tr("Speed\nratio"), tr("Engine speed ratio"),
          SQLiteReal, 0, Quantity::None, 0);
    field(enginePowerCorrectionStandard, "enginePowerCorrectionStandard", tr("Correction standard"),
          tr("Corr.\nstandard"), tr("Engine power correction standard"), SQLiteEnum, 0, Quantity::None, 0);
    field(enginePowerCorrectionValue, "enginePowerCorrectionValue", tr("Correction value"), tr("Corr.\nvalue"),
          tr("Engine power correction value"), SQLiteReal, 0, Quantity::Fraction, 0);
    field(ambientTemperature, "ambientTemperature", tr("Amb. temperature"), tr("Amb.\ntemp."),
          tr("Ambient temperature"), SQLiteReal, 0, Quantity::Temperature, 0);
    field(ambientPressure, "ambientPressure", tr("Amb. pressure"), tr("Amb.\npress."), tr("Ambient pressure"),
          SQLiteReal, 0, Quantity::Pressure, 0);
    field(ambientHumidity, "ambientHumidity", tr("Amb. humidity"), tr("Amb.\nhum."), tr("Ambient humidity"),
          SQLiteReal, 0, Quantity::Fraction, 0);
    field(measuredEnginePower, "measuredEnginePower", tr("Engine power"), tr("Engine\npower"),
          tr("Peak measured engine power"), SQLiteReal, 0, Quantity::Power, 0);
    field(measuredEnginePowerRPM, "measuredEnginePowerRPM", tr("Engine power @"), tr("Engine\npower @"),
          tr("Peak measured engine power engine speed"), SQLiteReal, 0, Quantity::RotationalSpeed, 0);
    field(measuredEngineTorque, "measuredEngineTorque", tr("Engine torque"), tr("Engine\ntorque"),
          tr("Peak measured engine torque"), SQLiteReal, 0, Quantity::Torque, 0);
    field(measuredEngineTorqueRPM, "measuredEngineTorqueRPM", tr("Engine torque @"), tr("Engine\ntorque @"),
          tr("Peak measured engine torque engine speed"), SQLiteReal, 0, Quantity::RotationalSpeed, 0);
    field(measuredWheelPower, "measuredWheelPower", tr("Wheel power"), tr("Wheel\npower"),
          tr("Peak measured power on wheels"), SQLiteReal, 0, Quantity::Power, 0);
    field(measuredWheelPowerRPM, "measuredWheelPowerRPM", tr("Wheel power @"), tr("Wheel\npower @"),
          tr("Peak measured power on wheels engine speed"), SQLiteReal, 0, Quantity::RotationalSpeed, 0);
    field(peakRoadSpeed, "peakRoadSpeed", tr("Peak road speed"), tr("Peak\nroad speed"), tr("Peak road speed"),
          SQLiteReal, 0, Quantity::Speed, 0);
    field(peakEngineSpeed, "peakEngineSpeed", tr("Peak engine speed"), tr("Peak\neng. speed"), tr("Peak engine speed"),
          SQLiteReal, 0, Quantity::RotationalSpeed, 0);
    field(comment, "comment", tr("Comment"), tr("Comment"), tr("Run comment"), SQLiteVarchar, 2000, Quantity::None,
          FieldInEditor);
    field(selectionStart, "selectionStart", tr("Sel. start"), tr("Sel.\nstart"), tr("Selection start"), SQLiteReal, 0,
          Quantity::Time, FieldInternal);
    field(selectionEnd, "selectionEnd", tr("Sel. end"), tr("Sel.\nend"), tr("Selection end"), SQLiteReal, 0,
          Quantity::Time, FieldInternal);
    field(createdWithSoftwareVersion, "createdWithSoftwareVersion", tr("Created with"), tr("Created\nwith"),
          tr("Software version at file creation"), SQLiteVarchar, 100, Quantity::None, 0);
    field(peakLossPower, "peakLossPower", tr("Peak loss"), tr("Peak\nloss"), tr("Peak loss power"), SQLiteReal, 0,
          Quantity::Power, 0);
    field(peakLossPowerRPM, "peakLossPowerRPM", tr("Peak loss @"), tr("Peak\nloss @"),
          tr("Peak loss power engine speed"), SQLiteReal, 0, Quantity::RotationalSpeed, 0);
    field(name, "name", tr("Name"), tr("Name"), tr("Run name"), SQLiteVarchar, 100, Quantity::None, FieldInEditor);
    field(type, "type", tr("Type"), tr("Type"), tr("Run type"), SQLiteEnum, 0, Quantity::None, 0);
    field(deviceCode, "deviceCode", tr("Device"), tr("Device"), tr("Device"), SQLiteEnum, 0, Quantity::None, 0);
    field(distance, "distance", tr("Distance"), tr("Distance"), tr("Run distance"), SQLiteReal, 0, Quantity::Distance,
          0);
    field(selectionLength, "selectionLength", tr("Sel. length"), tr("Sel.\nlength"), tr("Selection length"),
          SQLiteReal, 0, Quantity::Time, 0);
}

QVariant RunListModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole
        && (index.column() == RunListFields::filename || index.column() == RunListFields::comment))
        return static_cast<uint>(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole) {
        const std::function<bool(const QString&)>& isLoaded = loadedRunQuery();
        if (isLoaded && isLoaded(dataRawByRowAndId(index.row(), RunListFields::filename).toString()))
            return QBrush(theColors.colorActive, Qt::SolidPattern);
        return QVariant();
    }
    return CustomSqlTableModel::data(index, role);
}

bool RunListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // The run file is the primary store: a changed value goes into the file
    // first, and a run whose file cannot be opened keeps its old value.
    const QVariant current = data(index, Qt::UserRole);
    if (value != current || value.isValid() != current.isValid()) {
        const QString file = index.column() == RunListFields::filename
            ? value.toString()
            : dataRawByRowAndId(index.row(), RunListFields::filename).toString();
        RunData* run = theOpenedRunsManager.getRunData(file);
        if (!run) {
            qDebug().noquote() << QStringLiteral("Save run info in file: Run file not available ") + file;
            return false;
        }
        run->updateRunInfoValue(static_cast<RunListFieldId>(index.column()), value);
    }
    return QSqlTableModel::setData(index, value, role);
}

void RunListModel::setProjectId(int projectId)
{
    if (projectId == currentProjectId)
        return;
    currentProjectId = projectId;
    setFilter(QStringLiteral("projectId=%1").arg(projectId));
    select();
}

int RunListModel::newRunFromFile(const QString& file)
{
    QSqlQuery duplicate(database());
    duplicate.prepare(QStringLiteral("SELECT projectId FROM runs2 WHERE filename=?"));
    duplicate.addBindValue(file);
    if (!duplicate.exec()) {
        logSqlError(duplicate);
    } else if (duplicate.next()) {
        Tools::showError(tr("File already added exist in project database") + file
                         + QString::number(duplicate.value(0).toInt()));
        return -1;
    }

    RunData* run = theOpenedRunsManager.getRunData(file);
    if (!run) {
        Tools::showError(tr("Error reading run info from file"));
        return -1;
    }
    // Read again: the file is the primary store of these values.
    run->runInfoLoaded = false;
    run->loadRunInfo();

    const int row = rowCount();
    insertRows(row, 1);
    // The file name first: every later write of the row finds its file by it.
    setDataRawByRowAndId(row, RunListFields::filename, file);
    setDataRawByRowAndId(row, RunListFields::projectId, currentProjectId);
    for (int field = RunListFields::favourite; field < RunListFieldCount; ++field)
        setDataRawByRowAndId(row, field, run->getRunInfoValue(field, QVariant()));
    submitAll();

    run->loadProjectInfo();
    // A project that is not in the table leaves the file's project values alone.
    const int projectRow = theProjectListModel ? theProjectListModel->rowFromProjectId(currentProjectId) : -1;
    if (projectRow >= 0) {
        for (int field = 0; field < ProjectListFieldCount; ++field)
            run->updateProjectInfoValue(static_cast<ProjectListFieldId>(field),
                                        theProjectListModel->dataRawByRowAndId(projectRow, field), false);
    }
    run->updateRunInfoValue(RunListFields::id, dataRawByRowAndId(row, RunListFields::id));
    if (theProjectListModel)
        theProjectListModel->queueProjectStatsUpdate(currentProjectId);
    return row;
}

QStringList RunListModel::getUsedRunNames() const
{
    QStringList names;
    for (int row = 0; row < rowCount(); ++row)
        names.append(dataRawByRowAndId(row, RunListFields::name).toString());
    return names;
}

void RunListModel::tryV1DatabaseImport()
{
    const QString connection = QStringLiteral("projects.db");
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase old = QSqlDatabase::database(connection, true);
    if (!old.isValid())
        return;
    if (!old.isOpen()) {
        qDebug() << "void RunListModel::tryV1DatabaseImport()" << "Can't open database";
        return;
    }
    QSqlQuery query(old);
    if (!query.exec(QStringLiteral("SELECT * FROM runs"))) {
        logSqlError(query);
        return;
    }
    const QMap<int, int> projectIds = theProjectListModel ? theProjectListModel->v1ProjectIdMap : QMap<int, int>();
    int i = 0;
    while (query.next()) {
        if (!insertRows(i, 1)) {
            qDebug() << "Error inserting run row " << i;
            return;
        }
        const QString file = query.value(QStringLiteral("filename")).toString();
        RunData* run = theOpenedRunsManager.getRunData(file);
        if (!run) {
            qDebug() << "Run file not available at database import" << file;
            removeRows(i, 1);
            continue;
        }
        run->loadRunInfo();
        setDataRawByRowAndId(i, RunListFields::filename, file);
        const int newId = projectIds.value(query.value(QStringLiteral("projectId")).toInt(), -1);
        if (newId == -1) {
            removeRows(i, 1);
            continue;
        }
        setDataRawByRowAndId(i, RunListFields::projectId, newId);
        const qint64 time = QDateTime::fromString(query.value(QStringLiteral("timestamp")).toString(),
                                                  QStringLiteral("yyyy-MM-dd_hh:mm:ss"))
                                .toSecsSinceEpoch();
        setDataRawByRowAndId(i, RunListFields::creationTimestamp, time);
        setDataRawByRowAndId(i, RunListFields::runLength, query.value(QStringLiteral("length")));
        setDataRawByRowAndId(i, RunListFields::measuredWheelPower, query.value(QStringLiteral("peakPower")));
        setDataRawByRowAndId(i, RunListFields::comment, query.value(QStringLiteral("comment")));
        setDataRawByRowAndId(i, RunListFields::lastAccessTimestamp, time);
        setDataRawByRowAndId(i, RunListFields::modificationTimestamp, time);
        qDebug() << "Imported run " << i << " projectId: " << newId << query.value(QStringLiteral("comment"));
        submit();
        ++i;
    }
    qDebug() << "Imported " << i << " runs from V1 database";
}

void RunListModel::slot_projectDataChanged(int projectId, ProjectListFieldId fieldId, const QVariant& value)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT filename FROM runs2 WHERE projectId=?"));
    query.addBindValue(projectId);
    if (!query.exec()) {
        logSqlError(query);
        return;
    }
    while (query.next()) {
        const QString file = query.value(0).toString();
        RunData* run = theOpenedRunsManager.getRunData(file);
        if (!run)
            continue;
        if (run->updateProjectInfoValue(fieldId, value, false) != 0) {
            qDebug() << "Error updating project data in file" << file << projectId << fieldId << value;
            return;
        }
    }
}

void RunListModel::slot_runInfoChanged(const QString& filename, RunListFieldId fieldId, const QVariant& value)
{
    // The key becomes part of the statement: only a registered field may name a column.
    const TableModelFieldDescriptor* field = descriptor(fieldId);
    if (!field) {
        qDebug() << Q_FUNC_INFO << "no run field" << static_cast<int>(fieldId);
        return;
    }
    const QString key = field->databaseKey;
    QSqlQuery select(database());
    select.prepare(QStringLiteral("SELECT %1, projectId FROM runs2 WHERE filename=?").arg(key));
    select.addBindValue(filename);
    if (!select.exec()) {
        logSqlError(select);
        return;
    }
    while (select.next()) {
        QVariant stored = select.value(0);
        if (stored.isNull() || (field->dataType != SQLiteVarchar && stored.typeId() == QMetaType::QString
                                && stored.toString().isEmpty()))
            stored = QVariant();
        if (value == stored)
            continue;
        QSqlQuery update(database());
        update.prepare(QStringLiteral("UPDATE runs2 SET %1=? WHERE filename=?").arg(key));
        update.addBindValue(value);
        update.addBindValue(filename);
        if (!update.exec())
            logSqlError(update);
        const int projectId = select.value(1).toInt();
        if (projectId == currentProjectId)
            this->select();
        if (fieldId >= RunListFields::measuredEnginePower && fieldId <= RunListFields::peakEngineSpeed
            && theProjectListModel)
            theProjectListModel->queueProjectStatsUpdate(projectId);
    }
}
