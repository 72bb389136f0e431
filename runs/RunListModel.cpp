#include "RunListModel.h"

#include "Colors.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunDeleteDialog.h"

#include <QBrush>
#include <QCoreApplication>
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
}

RunListModel::~RunListModel()
{
    if (deleteDialog && !deleteDialog->parent())
        delete deleteDialog;
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
    // The run file is the primary store of these values: the run-file layer
    // writes a changed value into the file here, before the table, and refuses
    // the change when the file cannot be opened. Until it exists only the table is written.
    return QSqlTableModel::setData(index, value, role);
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
    // The first generation's runs are attached here to the projects imported
    // from it (v1ProjectIdMap of the project model), each through its run file;
    // this arrives with the run-file layer that opens those files.
}

void RunListModel::slot_projectDataChanged(int, ProjectListFieldId, const QVariant&)
{
    // Every run file of the project receives the changed project value here,
    // through the cache of opened runs, once the run-file layer exists.
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

void RunListModel::slot_keyEvent(const QList<int>&, int)
{
    // The run table actions (load for analysis, load a file, delete) are not
    // offered yet; the view's keys end here until they are.
}

void RunListModel::slot_contextMenuEvent(const QList<int>&, int, const QPoint&)
{
    // The run table's menu (load, delete, hide and restore columns) is not
    // offered yet; the view's requests end here until it is.
}
