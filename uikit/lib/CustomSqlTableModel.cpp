#include "CustomSqlTableModel.h"

#include "Unit.h"
#include "Units.h"
#include "lib/Tools.h"
#include "widget/MyMenu.h"

#include <QBrush>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {

const QString kFlagSet = QStringLiteral("\u2691");
const QString kFlagClear = QStringLiteral("\u2690");

} // namespace

CustomSqlTableModel::CustomSqlTableModel(QObject* parent, QSqlDatabase db)
    : QSqlTableModel(parent, db)
{
}

CustomSqlTableModel::~CustomSqlTableModel()
{
    qDeleteAll(fieldDescriptors);
    qDeleteAll(groupDescriptors);
    qDeleteAll(enumLabelLists);
}

void CustomSqlTableModel::registerField(int groupId, int fieldId, const QString& databaseKey,
                                        const QString& headerLabel, const QString& compactHeaderLabel,
                                        const QString& toolTip, SQLiteDataType dataType, int varcharSize,
                                        Quantity quantity, int flags, const QVariant& defaultValue, int decimals)
{
    if (!isFieldId(fieldId)) {
        qDebug() << Q_FUNC_INFO << "field id" << fieldId << "outside the sized registry for" << databaseKey;
        return;
    }
    auto* descriptor = new TableModelFieldDescriptor;
    descriptor->databaseKey = databaseKey;
    descriptor->headerLabel = headerLabel;
    descriptor->compactHeaderLabel = compactHeaderLabel;
    descriptor->toolTip = toolTip;
    descriptor->dataType = dataType;
    descriptor->varcharSize = varcharSize;
    descriptor->quantity = quantity;
    descriptor->enumLabels = enumLabelLists.value(fieldId, nullptr);
    if (!descriptor->enumLabels && dataType == SQLiteEnum)
        qDebug() << Q_FUNC_INFO << "Enumerator labels not set for" << databaseKey;
    descriptor->unit = theUnits.getDefaultUnit(quantity);
    descriptor->defaultValue = defaultValue;
    descriptor->groupId = groupId;
    descriptor->flags = flags;
    descriptor->decimals = decimals;
    delete fieldDescriptors.at(fieldId);
    fieldDescriptors[fieldId] = descriptor;
}

void CustomSqlTableModel::registerGroup(int groupId, const QString& name, bool flag)
{
    if (groupId < 0 || groupId >= groupDescriptors.size()) {
        qDebug() << Q_FUNC_INFO << "group id" << groupId << "outside the sized registry";
        return;
    }
    auto* group = new TableModelGroupDescriptor;
    group->name = name;
    group->flag = flag;
    delete groupDescriptors.at(groupId);
    groupDescriptors[groupId] = group;
}

const TableModelFieldDescriptor* CustomSqlTableModel::descriptor(int fieldId) const
{
    return isFieldId(fieldId) ? fieldDescriptors.at(fieldId) : nullptr;
}

TableModelFieldDescriptor* CustomSqlTableModel::descriptor(int fieldId)
{
    return isFieldId(fieldId) ? fieldDescriptors.at(fieldId) : nullptr;
}

void CustomSqlTableModel::logSqlError(const QSqlQuery& query)
{
    qDebug() << query.lastError() << query.lastQuery();
}

bool CustomSqlTableModel::createTable(QSqlDatabase db, const QString& table)
{
    const bool absent = !db.tables(QSql::Tables).contains(table, Qt::CaseSensitive);
    if (absent) {
        QString statement = QStringLiteral("create table ") + table
                            + QStringLiteral(" (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,");
        for (int id = 1; id < fieldDescriptors.size(); ++id)
            statement += getColumnDefString(fieldDescriptors.at(id)) + QLatin1Char(',');
        statement.chop(1);
        statement += QLatin1Char(')');
        QSqlQuery query(db);
        if (!query.exec(statement))
            qDebug() << query.lastError() << statement;
        else
            qDebug() << "Table " + table + " created";
    }
    setTable(table);
    return absent;
}

QString CustomSqlTableModel::getColumnDefString(const TableModelFieldDescriptor* descriptor)
{
    if (!descriptor)
        return QString();
    QString type;
    switch (descriptor->dataType) {
    case SQLiteBool:
    case SQLiteInteger:
    case SQLiteEnum:
    case SQLiteTimestamp:
        type = QStringLiteral("int");
        break;
    case SQLiteReal:
        type = QStringLiteral("real");
        break;
    case SQLiteVarchar:
        type = QStringLiteral("varchar(%1)").arg(descriptor->varcharSize);
        break;
    default:
        qDebug() << Q_FUNC_INFO << "Unhandled SQLiteDataType" << descriptor->dataType << descriptor->databaseKey;
        break;
    }
    return descriptor->databaseKey + QLatin1Char(' ') + type;
}

void CustomSqlTableModel::addNewField(int fieldId, const QString& defaultText)
{
    const TableModelFieldDescriptor* field = descriptor(fieldId);
    if (!field) {
        qDebug() << Q_FUNC_INFO << "no field" << fieldId;
        return;
    }
    // The default text comes from the model's own code (plain numbers or
    // nothing), never from a user; ALTER TABLE takes no bound parameters.
    const QString statement = QStringLiteral("ALTER TABLE ") + tableName() + QStringLiteral(" ADD COLUMN ")
                              + getColumnDefString(field) + QStringLiteral(" DEFAULT '") + defaultText
                              + QLatin1Char('\'');
    QSqlQuery query(database());
    if (query.exec(statement)) {
        qDebug() << "Field " + field->databaseKey + " added to database";
        return;
    }
    // SQLite reports an existing column as "duplicate column name": the table is up to date.
    if (query.lastError().databaseText().startsWith(QStringLiteral("duplicate")))
        return;
    qDebug() << query.lastError() << statement;
}

void CustomSqlTableModel::removeLegacyField(const QString& databaseKey)
{
    const QString statement = QStringLiteral("ALTER TABLE ") + tableName() + QStringLiteral(" DROP COLUMN ")
                              + databaseKey;
    QSqlQuery query(database());
    if (!query.exec(statement))
        qDebug() << query.lastError() << statement;
    else
        qDebug() << "Field " + databaseKey + " removed from database";
}

void CustomSqlTableModel::loadTableData(const QString& table)
{
    setTable(table);
    setEditStrategy(QSqlTableModel::OnFieldChange);
    if (!select())
        qDebug() << "SQL select error" << lastError();
}

bool CustomSqlTableModel::select()
{
    const bool result = QSqlTableModel::select();
    while (canFetchMore())
        fetchMore();
    return result;
}

void CustomSqlTableModel::slot_tooltipEvent(int, const QPoint&)
{
}

void CustomSqlTableModel::slot_mouseLeaveEvent()
{
}

QString CustomSqlTableModel::formatDataForDisplay(const QVariant& value, const TableModelFieldDescriptor* descriptor,
                                                  bool withUnit)
{
    if (!value.isValid() || value.isNull() || !descriptor)
        return QString();
    switch (descriptor->dataType) {
    case SQLiteBool:
        return value.toBool() ? kFlagSet : kFlagClear;
    case SQLiteEnum: {
        bool ok = false;
        const uint index = value.toUInt(&ok);
        if (ok && descriptor->enumLabels && index < static_cast<uint>(descriptor->enumLabels->size()))
            return descriptor->enumLabels->at(static_cast<int>(index));
        return tr("Unknown enumerator");
    }
    case SQLiteTimestamp:
        return Tools::stringFromUnixTimestamp(static_cast<long>(value.toLongLong()));
    case SQLiteReal: {
        const Unit* unit = descriptor->unit ? descriptor->unit : theUnits.getDefaultUnit(descriptor->quantity);
        const double shown = unit ? unit->getUnitValue(value.toDouble()) : value.toDouble();
        QString text = Tools::stringFromDouble(shown, descriptor->decimals);
        if (withUnit && unit)
            text += unit->name;
        return text;
    }
    default:
        return value.toString();
    }
}

QVariant CustomSqlTableModel::rawValue(const QModelIndex& index) const
{
    const QVariant value = QSqlTableModel::data(index, Qt::DisplayRole);
    if (value.isNull())
        return QVariant();
    // A column added with an empty default holds the text '' in its old rows,
    // also where numbers belong; it means "no value" there.
    const TableModelFieldDescriptor* field = descriptor(index.column());
    if (field && field->dataType != SQLiteVarchar && value.typeId() == QMetaType::QString
        && value.toString().isEmpty())
        return QVariant();
    return value;
}

QVariant CustomSqlTableModel::data(const QModelIndex& index, int role) const
{
    const TableModelFieldDescriptor* field = index.isValid() ? descriptor(index.column()) : nullptr;
    if (!field)
        return QSqlTableModel::data(index, role);
    switch (role) {
    case Qt::DisplayRole:
        return formatDataForDisplay(rawValue(index), field, false);
    case Qt::TextAlignmentRole:
        if (field->dataType == SQLiteInteger || field->dataType == SQLiteReal)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
    case Qt::ForegroundRole:
        if (field->dataType == SQLiteBool)
            return QBrush(rawValue(index).toBool() ? Qt::red : Qt::gray);
        return QSqlTableModel::data(index, role);
    case Qt::UserRole:
        return rawValue(index);
    default:
        return QSqlTableModel::data(index, role);
    }
}

QVariant CustomSqlTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    const TableModelFieldDescriptor* field = descriptor(section);
    if (!field)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (field->quantity == Quantity::None || field->quantity == Quantity::Integer || !field->unit)
            return field->headerLabel;
        return field->headerLabel + QStringLiteral("\n[") + field->unit->name + QLatin1Char(']');
    case Qt::ToolTipRole:
        return field->toolTip;
    default:
        return QVariant();
    }
}

Qt::ItemFlags CustomSqlTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsEnabled;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (writeEnabled)
        result |= Qt::ItemIsEditable;
    return result;
}

int CustomSqlTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(fieldDescriptors.size());
}

QString CustomSqlTableModel::getHeaderLabelWithoutUnit(int fieldId) const
{
    const TableModelFieldDescriptor* field = descriptor(fieldId);
    return field ? field->compactHeaderLabel : QString();
}

QVariant CustomSqlTableModel::dataRawByRowAndId(int row, int fieldId) const
{
    if (row < 0 || row >= rowCount()) {
        qDebug() << Q_FUNC_INFO << "read row " << row << " out of range requested for field " << fieldId;
        return QVariant();
    }
    if (!isFieldId(fieldId)) {
        qDebug() << Q_FUNC_INFO << "read of unknown field " << fieldId;
        return QVariant();
    }
    return data(index(row, fieldId), Qt::UserRole);
}

bool CustomSqlTableModel::setDataRawByRowAndId(int row, int fieldId, const QVariant& value)
{
    if (row < 0 || row >= rowCount()) {
        qDebug() << Q_FUNC_INFO << "write row " << row << " out of range requested for field " << fieldId;
        return false;
    }
    if (!isFieldId(fieldId)) {
        qDebug() << Q_FUNC_INFO << "write of unknown field " << fieldId;
        return false;
    }
    const QModelIndex cell = index(row, fieldId);
    const QVariant current = data(cell, Qt::UserRole);
    if (value == current && value.isValid() == current.isValid())
        return true;
    writeEnabled = true;
    const bool written = setData(cell, value, Qt::EditRole);
    writeEnabled = false;
    return written;
}

int CustomSqlTableModel::fieldDescriptorIdByDatabaseKey(const QString& key) const
{
    for (int id = 0; id < fieldDescriptors.size(); ++id) {
        if (fieldDescriptors.at(id) && fieldDescriptors.at(id)->databaseKey == key)
            return id;
    }
    return -1;
}

QStringList CustomSqlTableModel::getKeysForTemplates() const
{
    QStringList keys;
    for (const TableModelFieldDescriptor* field : fieldDescriptors) {
        if (field && !(field->flags & FieldInternal))
            keys.append(field->databaseKey);
    }
    std::sort(keys.begin(), keys.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return keys;
}

CustomSqlTableModel::ColumnMenuEntries CustomSqlTableModel::addColumnMenuEntries(MyMenu& menu, int column)
{
    ColumnMenuEntries entries;
    if (canUserHideColumn(column)) {
        menu.addSeparator();
        entries.hide = menu.addAction(tr("Hide column"));
    }
    for (int field = 0; field < fieldDescriptors.size(); ++field) {
        const TableModelFieldDescriptor* d = descriptor(field);
        if (d && !(d->flags & FieldInternal) && d->hiddenInTable) {
            auto* action = new QAction(headerData(field, Qt::Horizontal, Qt::DisplayRole).toString(), &menu);
            action->setProperty("column", field);
            entries.restore.append(action);
        }
    }
    if (!entries.restore.isEmpty())
        menu.addSubMenu(tr("Restore column"))->addActions(entries.restore);
    return entries;
}

bool CustomSqlTableModel::applyColumnMenuEntry(const ColumnMenuEntries& entries, QAction* chosen, int column)
{
    int field = -1;
    bool hidden = false;
    if (chosen && chosen == entries.hide) {
        field = column;
        hidden = true;
    } else if (chosen && entries.restore.contains(chosen)) {
        field = chosen->property("column").toInt();
    }
    TableModelFieldDescriptor* d = descriptor(field);
    if (!d)
        return false;
    d->hiddenInTable = hidden;
    descriptorChanged(field);
    emit signal_requestModelConfigurationSave();
    return true;
}

bool CustomSqlTableModel::canUserHideColumn(int column) const
{
    const TableModelFieldDescriptor* field = descriptor(column);
    return field && !(field->flags & (FieldInternal | FieldAlwaysVisible | FieldVisibilityForced));
}

void CustomSqlTableModel::forceShowColumnInEditor(int fieldId)
{
    TableModelFieldDescriptor* field = descriptor(fieldId);
    if (!field) {
        qDebug() << Q_FUNC_INFO << "no field" << fieldId;
        return;
    }
    field->hiddenInEditor = false;
    field->flags |= FieldVisibilityForced;
    descriptorChanged(fieldId);
    Q_EMIT signal_requestModelConfigurationSave();
}

void CustomSqlTableModel::forceHideColumn(int fieldId)
{
    TableModelFieldDescriptor* field = descriptor(fieldId);
    if (!field) {
        qDebug() << Q_FUNC_INFO << "no field" << fieldId;
        return;
    }
    field->hiddenInTable = true;
    field->hiddenInEditor = true;
    field->flags |= FieldVisibilityForced;
    descriptorChanged(fieldId);
    Q_EMIT signal_requestModelConfigurationSave();
}

void CustomSqlTableModel::descriptorChanged(int fieldId)
{
    if (!isFieldId(fieldId))
        return;
    Q_EMIT signal_descriptorChanged(fieldId);
    // The column title carries the unit: views redraw it (and rebuild their filter row).
    Q_EMIT headerDataChanged(Qt::Horizontal, fieldId, fieldId);
}
