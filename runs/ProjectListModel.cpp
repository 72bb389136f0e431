#include "ProjectListModel.h"

#include "Colors.h"
#include "ProjectDeleteDialog.h"
#include "TableEditor.h"
#include "lib/Tools.h"

#include <QAction>
#include <QBrush>
#include <QDebug>
#include <QFont>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <algorithm>
#include <iterator>

ProjectListModel* theProjectListModel = nullptr;

namespace {

// The fields whose change in the active project the window title and the live
// calculations follow.
const int kHeadlineFields[] = {ProjectListFields::vehicleId,         ProjectListFields::projectName,
                               ProjectListFields::mass,              ProjectListFields::displacement,
                               ProjectListFields::cylinderCount,     ProjectListFields::engineInertia,
                               ProjectListFields::drivetrainInertia, ProjectListFields::lossFromLoadFactor};

} // namespace

QDebug ProjectListFields::operator<<(QDebug debug, const ProjectListFieldId& field)
{
    const QDebugStateSaver saver(debug);
    const QString key = theProjectListModel ? theProjectListModel->getDatabaseKey(field)
                                            : QString::number(static_cast<int>(field));
    debug.noquote() << key;
    return debug;
}

ProjectListModel::ProjectListModel(QWidget* parent, QSqlDatabase database)
    : CustomSqlTableModel(parent, database)
{
    qRegisterMetaType<ProjectListFieldId>("ProjectListFieldId");

    statsUpdateTimer = new QTimer(this);
    statsUpdateTimer->setSingleShot(true);
    connect(statsUpdateTimer, &QTimer::timeout, this, &ProjectListModel::slot_updateProjectsStats);

    enumLabelLists.insert(ProjectListFields::vehicleType,
                          new QStringList{tr("Engine"), tr("Car"), tr("Truck"), tr("Motorcycle"), tr("Tractor"),
                                          tr("Boat"), tr("Kart"), tr("ATV")});
    enumLabelLists.insert(ProjectListFields::engineFuelType,
                          new QStringList{tr("Gasoline"), tr("Gasoline hybrid"), tr("Diesel"), tr("Diesel hybrid"),
                                          tr("Ethanol mix"), tr("LPG"), tr("CNG"), tr("Electric"), tr("Methanol"),
                                          tr("Methanol / Nitromethane")});
    enumLabelLists.insert(ProjectListFields::engineBoostType,
                          new QStringList{tr("NA"), tr("Turbo"), tr("Compressor"), tr("Other")});
    enumLabelLists.insert(ProjectListFields::gearboxType,
                          new QStringList{tr("Manual or AMT"), tr("Automatic hydraulic"), tr("Mechanical CVT"),
                                          tr("Other"), tr("None"), tr("Motorcycle chain"), tr("Motorcycle belt"),
                                          tr("Custom 1 gear pair"), tr("Custom 2 gear pairs"),
                                          tr("Custom 3 gear pairs"), tr("Custom 4 gear pairs")});
    enumLabelLists.insert(ProjectListFields::engineConfiguration,
                          new QStringList{tr("Straight"), tr("Flat"), tr("V"), tr("VR"), tr("W"), tr("Wankel"),
                                          tr("Other")});
    enumLabelLists.insert(ProjectListFields::engineCycle,
                          new QStringList{tr("Two-stroke"), tr("Four-stroke"), tr("Other")});
    enumLabelLists.insert(ProjectListFields::driveWheels,
                          new QStringList{tr("FWD"), tr("RWD"), tr("AWD"), tr("4WD")});

    fieldDescriptors.resize(ProjectListFieldCount);
    registerFields();

    // A new table: the first generation's projects come over before anything reads it.
    if (createTable(database, QStringLiteral("projects2")))
        tryV1DatabaseImport();

    // Columns that later versions added; old rows take these texts.
    addNewField(ProjectListFields::lossFromLoadFactor, QStringLiteral("0"));
    addNewField(ProjectListFields::engineEfficiency, QStringLiteral("0.85"));
    addNewField(ProjectListFields::engineCorrectionFactor, QStringLiteral("1"));
    addNewField(ProjectListFields::obdPidGroups, QString());
    addNewField(ProjectListFields::engineCycle, QStringLiteral("1"));
    addNewField(ProjectListFields::wheelDiameter, QStringLiteral("0"));
    addNewField(ProjectListFields::runDistance, QStringLiteral("0"));
    addNewField(ProjectListFields::customerEmail, QString());
    addNewField(ProjectListFields::trim, QString());
    addNewField(ProjectListFields::ignoreCoastdownErrors, QStringLiteral("0"));

    groupDescriptors.resize(4);
    registerGroup(0, tr("General"), false);
    registerGroup(1, tr("Vehicle"), false);
    registerGroup(2, tr("Engine"), false);
    registerGroup(3, tr("Measurement"), false);

    loadTableData(QStringLiteral("projects2"));

    deleteDialog = new ProjectDeleteDialog(parent);
}

ProjectListModel::~ProjectListModel()
{
    if (deleteDialog && !deleteDialog->parent())
        delete deleteDialog;
    if (theProjectListModel == this)
        theProjectListModel = nullptr;
}

void ProjectListModel::registerFields()
{
    using namespace ProjectListFields;
    const QVariant none;
    auto field = [this](int group, int id, const char* key, const QString& label, SQLiteDataType type, int size,
                        Quantity quantity, int flags, const QVariant& defaultValue, int decimals,
                        const QString& toolTip) {
        registerField(group, id, QString::fromLatin1(key), label, QString(), toolTip, type, size, quantity, flags,
                      defaultValue, decimals);
    };
    field(0, id, "id", tr("DB ID"), SQLiteInteger, 0, Quantity::Integer, FieldInternal, none, 0,
          tr("Database entry ID"));
    field(0, favourite, "favourite", QStringLiteral("\u2691"), SQLiteBool, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Marked favourite"));
    field(0, creationTimestamp, "creationTimestamp", tr("Created"), SQLiteTimestamp, 0, Quantity::None, 0, none, 0,
          tr("Creation timestamp"));
    field(0, lastRunTimestamp, "lastRunTimestamp", tr("Last run"), SQLiteTimestamp, 0, Quantity::None, 0, none, 0,
          tr("Last run timestamp"));
    field(0, lastAccessTimestamp, "lastAccessTimestamp", tr("Last access"), SQLiteTimestamp, 0, Quantity::None, 0,
          none, 0, tr("Last access timestamp"));
    field(0, customerName, "customerName", tr("Customer"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Customer name"));
    field(0, runCount, "runCount", tr("Runs"), SQLiteInteger, 0, Quantity::Integer, 0, none, 0, tr("Run count"));
    field(0, vehicleId, "vehicleId", tr("Vehicle ID"), SQLiteVarchar, 100, Quantity::None,
          FieldInEditor | FieldAlwaysVisible, none, 0, tr("Vehicle registration number, etc."));
    field(0, projectName, "projectName", tr("Project name"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none,
          0, tr("Project name"));
    field(1, vehicleType, "vehicleType", tr("Type"), SQLiteEnum, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Vehicle type"));
    field(1, brand, "brand", tr("Brand"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Vehicle brand"));
    field(1, model, "model", tr("Model"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Vehicle model"));
    field(1, series, "series", tr("Series"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Vehicle series"));
    field(1, productionYear, "productionYear", tr("Year"), SQLiteInteger, 0, Quantity::Integer, FieldInEditor, none,
          0, tr("Production year"));
    field(1, mass, "mass", tr("Mass"), SQLiteReal, 0, Quantity::Mass, FieldInEditor, none, 0, tr("Vehicle mass"));
    field(1, frontalArea, "frontalArea", tr("Fr. area"), SQLiteReal, 0, Quantity::Area, FieldInEditor, none, 0,
          tr("Vehicle frontal area"));
    field(1, Cx, "Cx", tr("Cx"), SQLiteReal, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Aerodynamic drag coefficient"));
    field(1, driveWheels, "driveWheels", tr("Drive"), SQLiteEnum, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Drive wheels"));
    field(1, wheelbase, "wheelbase", tr("Wheelbase"), SQLiteReal, 0, Quantity::Distance, FieldInEditor, none, 0,
          tr("Wheelbase"));
    field(1, frontTrack, "frontTrack", tr("F. track"), SQLiteReal, 0, Quantity::Distance, FieldInEditor, none, 0,
          tr("Front track"));
    field(1, rearTrack, "rearTrack", tr("R. track"), SQLiteReal, 0, Quantity::Distance, FieldInEditor, none, 0,
          tr("Rear track"));
    field(2, engineCode, "engineCode", tr("Engine code"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Engine codename"));
    field(2, engineFuelType, "engineFuelType", tr("Fuel"), SQLiteEnum, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Engine fuel type"));
    field(2, engineBoostType, "engineBoostType", tr("Boost"), SQLiteEnum, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Engine boost type"));
    field(2, engineConfiguration, "engineConfiguration", tr("Eng. layout"), SQLiteEnum, 0, Quantity::None,
          FieldInEditor, none, 0, tr("Engine cylinder layout"));
    field(2, displacement, "displacement", tr("Disp."), SQLiteReal, 0, Quantity::Volume, FieldInEditor, none, 0,
          tr("Engine displacement"));
    field(2, cylinderCount, "cylinderCount", tr("Cyl."), SQLiteInteger, 0, Quantity::Integer, FieldInEditor, none, 0,
          tr("Cylinder count"));
    field(2, valveCount, "valveCount", tr("Valves"), SQLiteInteger, 0, Quantity::Integer, FieldInEditor, none, 0,
          tr("Valve count"));
    field(2, compressionRatio, "compressionRatio", tr("CR"), SQLiteReal, 0, Quantity::None, FieldInEditor, none, 0,
          tr("Compression ratio"));
    field(2, cylinderBore, "cylinderBore", tr("Bore"), SQLiteReal, 0, Quantity::Distance, FieldInEditor, none, 0,
          tr("Cylinder bore"));
    field(2, pistonStroke, "pistonStroke", tr("Stroke"), SQLiteReal, 0, Quantity::Distance, FieldInEditor, none, 0,
          tr("Piston stroke"));
    field(2, gearboxType, "gearboxType", tr("Gearbox"), SQLiteEnum, 0, Quantity::None, FieldInEditor, QVariant(4), 0,
          tr("Gearbox type"));
    field(2, gearCount, "gearCount", tr("Gears"), SQLiteInteger, 0, Quantity::Integer, FieldInEditor, none, 0,
          tr("Gear count"));
    field(3, engineInertia, "engineInertia", tr("Eng. inertia"), SQLiteReal, 0, Quantity::Inertia, FieldInEditor,
          none, 0,
          tr("Engine-to-clutch elements moment of inertia.\nRight click for wizard.\nEstimation depends on:\n"
             "-Vehicle type\n-Engine cycle\n-Cylinder count\n-Displacement\n-Fuel type"));
    field(3, drivetrainInertia, "drivetrainInertia", tr("DT inertia"), SQLiteReal, 0, Quantity::Inertia,
          FieldInEditor, none, 0, tr("Drivetrain inertia transferred to roller shaft.\nRight click for wizard."));
    field(2, stockEnginePower, "stockEnginePower", tr("Stock power"), SQLiteReal, 0, Quantity::Power, FieldInEditor,
          none, 0, tr("Peak stock engine power"));
    field(2, stockEnginePowerRPM, "stockEnginePowerRPM", tr("Stock power @"), SQLiteReal, 0,
          Quantity::RotationalSpeed, FieldInEditor, none, 0, tr("Peak stock power engine speed"));
    field(2, stockEngineTorque, "stockEngineTorque", tr("Stock torque"), SQLiteReal, 0, Quantity::Torque,
          FieldInEditor, none, 0, tr("Peak stock engine torque"));
    field(2, stockEngineTorqueRPM, "stockEngineTorqueRPM", tr("Stock torque @"), SQLiteReal, 0,
          Quantity::RotationalSpeed, FieldInEditor, none, 0, tr("Peak stock torque engine speed"));
    field(-1, measuredEnginePower, "measuredEnginePower", tr("Engine power"), SQLiteReal, 0, Quantity::Power, 0, none,
          0, tr("Peak measured engine power"));
    field(-1, measuredEnginePowerRPM, "measuredEnginePowerRPM", tr("Engine power @"), SQLiteReal, 0,
          Quantity::RotationalSpeed, 0, none, 0, tr("Peak measured engine power engine speed"));
    field(-1, measuredEngineTorque, "measuredEngineTorque", tr("Engine torque"), SQLiteReal, 0, Quantity::Torque, 0,
          none, 0, tr("Peak measured engine torque"));
    field(-1, measuredEngineTorqueRPM, "measuredEngineTorqueRPM", tr("Engine torque @"), SQLiteReal, 0,
          Quantity::RotationalSpeed, 0, none, 0, tr("Peak measured engine torque engine speed"));
    field(-1, measuredWheelPower, "measuredWheelPower", tr("Wheel power"), SQLiteReal, 0, Quantity::Power, 0, none, 0,
          tr("Peak measured power on wheels"));
    field(-1, measuredWheelPowerRPM, "measuredWheelPowerRPM", tr("Wheel power @"), SQLiteReal, 0,
          Quantity::RotationalSpeed, 0, none, 0, tr("Peak measured power on wheels engine speed"));
    field(-1, peakRoadSpeed, "peakRoadSpeed", tr("Peak road speed"), SQLiteReal, 0, Quantity::Speed, 0, none, 0,
          tr("Peak road speed"));
    field(-1, peakEngineSpeed, "peakEngineSpeed", tr("Peak engine speed"), SQLiteReal, 0, Quantity::RotationalSpeed,
          0, none, 0, tr("Peak engine speed"));
    field(0, description, "description", tr("Description"), SQLiteVarchar, 2000, Quantity::None, FieldInEditor, none,
          0, tr("Project description"));
    field(3, lossFromLoadFactor, "lossFromLoadFactor", tr("DT loss factor"), SQLiteReal, 0, Quantity::Fraction,
          FieldInEditor, none, 0,
          tr("Power loss resulting from drivetrain efficiency.\nSuggested values:\nManual gearbox: 3-8%\n"
             "Mechanical CVT: 13-20%\nHydrokinetic gearbox: 7-20%\nMotorcycle with chain drive: 5%-10%\n"
             "Motorcycle with belt drive: 5%-8%"));
    field(3, engineEfficiency, "engineEfficiency", tr("Eng. efficiency"), SQLiteReal, 0, Quantity::Fraction,
          FieldInEditor, QVariant(0.85), 0,
          tr("Engine mechanical efficiency for power correction.\nTypically 85% and in 70%-90% range.\n"
             "Read more in SAE J1349"));
    field(3, engineCorrectionFactor, "engineCorrectionFactor", tr("Eng. corr. factor"), SQLiteReal, 0,
          Quantity::None, FieldInEditor, QVariant(1), 2,
          tr("Engine power correction factor. 0.2-1.2 range.\nUse right click for wizard.\nRead more in SAE J1349"));
    field(-1, obdPidGroups, "obdPidGroups", tr("OBD PID groups"), SQLiteVarchar, 0, Quantity::None, FieldInternal,
          none, 0, QString());
    field(2, engineCycle, "engineCycle", tr("Eng. cycle"), SQLiteEnum, 0, Quantity::None, FieldInEditor, QVariant(1),
          0, QString());
    field(3, wheelDiameter, "wheelDiameter", tr("Wheel dia."), SQLiteReal, 0, Quantity::Distance, FieldInEditor,
          QVariant(0.6), 2, tr("Wheel diameter for hub dyno.\nUse non 0 value to override dyno settings"));
    field(0, runDistance, "runDistance", tr("Run distance"), SQLiteReal, 0, Quantity::Distance, 0, none, 0,
          tr("Run distance"));
    field(0, customerEmail, "customerEmail", tr("Customer e-mail"), SQLiteVarchar, 100, Quantity::None,
          FieldInEditor, none, 0, tr("Customer e-mail"));
    field(1, trim, "trim", tr("Trim"), SQLiteVarchar, 100, Quantity::None, FieldInEditor, none, 0,
          tr("Vehicle trim"));
    field(3, ignoreCoastdownErrors, "ignoreCoastdownErrors", tr("Ignore coastdown errors"), SQLiteBool, 0,
          Quantity::None, FieldInEditor, none, 0,
          tr("If checked, abrupt loss power changes in coastdown will be ignored"));
}

QString ProjectListModel::getDatabaseKey(ProjectListFieldId id) const
{
    const TableModelFieldDescriptor* field = descriptor(id);
    return field ? field->databaseKey : tr("invalid");
}

int ProjectListModel::getFieldIdFromKey(const QString& key) const
{
    return fieldDescriptorIdByDatabaseKey(key);
}

bool ProjectListModel::isHeadlineField(int fieldId)
{
    return std::find(std::begin(kHeadlineFields), std::end(kHeadlineFields), fieldId) != std::end(kHeadlineFields);
}

int ProjectListModel::rowFromProjectId(int id) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (data(index(row, ProjectListFields::id), Qt::UserRole).toInt() == id)
            return row;
    }
    return -1;
}

void ProjectListModel::slot_setActiveProjectByRow(int row)
{
    // Callers pass -1 or an existing row; anything else clears, like -1.
    if (row < 0 || row >= rowCount()) {
        activeProjectRow = -1;
        activeProjectId = -1;
    } else {
        activeProjectRow = row;
        activeProjectId = dataRawByRowAndId(row, ProjectListFields::id).toInt();
    }
    Q_EMIT signal_activeProjectChanged();
}

void ProjectListModel::slot_setCurrentProjectById(int id)
{
    activeProjectId = id;
    activeProjectRow = rowFromProjectId(id);
    if (activeProjectRow == -1)
        activeProjectId = -1;
    Q_EMIT signal_activeProjectChanged();
}

QVariant ProjectListModel::activeProjectDataRawById(ProjectListFieldId field) const
{
    if (activeProjectId < 0 || activeProjectRow < 0)
        return QVariant();
    return dataRawByRowAndId(activeProjectRow, field);
}

bool ProjectListModel::setActiveProjectDataRawByRowAndId(ProjectListFieldId field, const QVariant& value)
{
    if (activeProjectId < 0 || activeProjectRow < 0)
        return false;
    return setDataRawByRowAndId(activeProjectRow, field, value);
}

PowerCorrectionEngineType ProjectListModel::getCurrentProjectEngineTypeForPowerCorrection() const
{
    const int fuel = dataRawByRowAndId(activeProjectRow, ProjectListFields::engineFuelType).toInt();
    const int boost = dataRawByRowAndId(activeProjectRow, ProjectListFields::engineBoostType).toInt();
    return engineTypeFromFuelTypeAndBoostType(static_cast<FuelType>(fuel), static_cast<EngineBoostType>(boost));
}

PowerCorrectionEngineType ProjectListModel::engineTypeFromFuelTypeAndBoostType(FuelType fuel, EngineBoostType boost)
{
    const bool charged = boost == BoostTurbo || boost == BoostCompressor;
    const bool diesel = fuel == FuelDiesel || fuel == FuelDieselHybrid;
    return static_cast<PowerCorrectionEngineType>((charged ? EngineCharged : 0) | (diesel ? EngineDiesel : 0));
}

QList<QPair<QString, QString>> ProjectListModel::listKeysForArgument(Quantity quantity) const
{
    QList<QPair<QString, QString>> keys;
    for (const TableModelFieldDescriptor* field : fieldDescriptors) {
        if (field && !(field->flags & FieldInternal) && field->quantity == quantity
            && field->dataType != SQLiteVarchar)
            keys.append({field->databaseKey, field->headerLabel});
    }
    return keys;
}

QVariant ProjectListModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::BackgroundRole) {
        if (activeProjectRow >= 0 && index.row() == activeProjectRow)
            return QBrush(theColors.colorActive, Qt::SolidPattern);
        return QVariant();
    }
    if (role == Qt::FontRole) {
        if (activeProjectRow >= 0 && index.row() == activeProjectRow) {
            QFont bold;
            bold.setWeight(QFont::Bold);
            return bold;
        }
        return QVariant();
    }
    if (index.column() == ProjectListFields::description) {
        const QString text = CustomSqlTableModel::data(index, Qt::DisplayRole).toString();
        const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
        switch (role) {
        case Qt::DisplayRole:
            return lineEnd >= 0 ? text.left(lineEnd) + QStringLiteral(" [...]") : text;
        case Qt::ToolTipRole:
            return lineEnd >= 0 ? QVariant(text) : QVariant();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default:
            break;
        }
    }
    return CustomSqlTableModel::data(index, role);
}

bool ProjectListModel::setData(const QModelIndex& index, const QVariant& value, int)
{
    if (!QSqlTableModel::setData(index, value, Qt::EditRole))
        return false;
    const int row = index.row();
    const int column = index.column();
    if (row == activeProjectRow && isHeadlineField(column))
        Q_EMIT signal_activeProjectChanged();
    if (rowEditor && rowEditor->currentRow() == row) {
        if (QAction* listener = fieldListeners.value(column, nullptr))
            listener->trigger();
    }
    const int projectId = CustomSqlTableModel::data(this->index(row, ProjectListFields::id), Qt::UserRole).toInt();
    Q_EMIT signal_projectDataChanged(projectId, static_cast<ProjectListFieldId>(column), value);
    return true;
}

void ProjectListModel::slot_projectInfoChanged(const QString& filename, ProjectListFieldId fieldId,
                                               const QVariant& value)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT projectId FROM runs2 WHERE filename=?"));
    query.addBindValue(filename);
    if (!query.exec()) {
        logSqlError(query);
        return;
    }
    if (!query.next()) {
        Tools::showError(tr("Project for this run file not found"));
        return;
    }
    const int projectId = query.value(QStringLiteral("projectId")).toInt();
    setDataRawByRowAndId(rowFromProjectId(projectId), fieldId, value);
}
