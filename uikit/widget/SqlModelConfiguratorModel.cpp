#include "SqlModelConfiguratorModel.h"

#include "CustomSqlTableModel.h"
#include "Unit.h"
#include "Units.h"
#include "lib/Tools.h"

#include <QBrush>
#include <QDebug>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

bool hasDefault(const QVariant& value)
{
    return value.isValid() && !value.isNull() && !(value.typeId() == QMetaType::QString && value.toString().isEmpty());
}

bool isLocked(const TableModelFieldDescriptor* field)
{
    return field->flags & (FieldAlwaysVisible | FieldVisibilityForced);
}

bool hasUnit(const TableModelFieldDescriptor* field)
{
    return field->quantity != Quantity::None && field->quantity != Quantity::Integer;
}

} // namespace

SqlModelConfiguratorModel::SqlModelConfiguratorModel(QObject* parent, CustomSqlTableModel* configuredModel)
    : QAbstractTableModel(parent)
    , configured(configuredModel)
{
    if (configured)
        connect(configured, &CustomSqlTableModel::signal_requestModelConfigurationSave, this,
                &SqlModelConfiguratorModel::slot_saveConfigurationToFile);
}

int SqlModelConfiguratorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !configured ? 0 : static_cast<int>(configured->fieldDescriptors.size());
}

int SqlModelConfiguratorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 5;
}

Qt::ItemFlags SqlModelConfiguratorModel::flags(const QModelIndex& index) const
{
    const TableModelFieldDescriptor* field = configured ? configured->descriptor(index.row()) : nullptr;
    if (!index.isValid() || !field)
        return Qt::NoItemFlags;
    const Qt::ItemFlags off = Qt::ItemIsSelectable;
    const Qt::ItemFlags on = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (field->flags & FieldInternal)
        return off;
    switch (index.column()) {
    case VisibilityInTable:
        return isLocked(field) ? off : on;
    case VisibilityInEditor:
        return isLocked(field) || !(field->flags & FieldInEditor) ? off : on;
    case DefaultValue:
        return field->flags & FieldInEditor ? on | Qt::ItemIsEditable : off;
    case UnitColumn:
        return hasUnit(field) ? on | Qt::ItemIsEditable : off;
    case Decimals:
        return field->dataType == SQLiteReal ? on | Qt::ItemIsEditable : off;
    default:
        return off;
    }
}

QVariant SqlModelConfiguratorModel::data(const QModelIndex& index, int role) const
{
    const TableModelFieldDescriptor* field = configured ? configured->descriptor(index.row()) : nullptr;
    if (!index.isValid() || !field)
        return QVariant();
    const int column = index.column();
    const bool hiddenInEditor = field->hiddenInEditor || !(field->flags & FieldInEditor);

    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case VisibilityInTable:
            return field->hiddenInTable ? tr("hidden") : tr("visible");
        case VisibilityInEditor:
            return hiddenInEditor ? tr("hidden") : tr("visible");
        case DefaultValue: {
            if (!hasDefault(field->defaultValue))
                return QVariant();
            if (field->dataType == SQLiteEnum) {
                const int labelIndex = field->defaultValue.toInt();
                if (field->enumLabels && labelIndex >= 0 && labelIndex < field->enumLabels->size())
                    return field->enumLabels->at(labelIndex);
                return CustomSqlTableModel::tr("Unknown enumerator");
            }
            if (field->dataType == SQLiteReal) {
                const double shown = field->unit ? field->unit->getUnitValue(field->defaultValue.toDouble())
                                                 : field->defaultValue.toDouble();
                if (role == Qt::DisplayRole)
                    return Tools::stringFromDouble(shown, field->decimals);
                return shown;
            }
            if (field->dataType == SQLiteBool && role == Qt::DisplayRole)
                return QStringLiteral("\u2691");
            return field->defaultValue;
        }
        case UnitColumn:
            return field->unit ? field->unit->name : QString();
        case Decimals:
            return field->decimals;
        default:
            return QVariant();
        }
    case Qt::UserRole:
        if (column == VisibilityInTable)
            return field->hiddenInTable;
        if (column == VisibilityInEditor)
            return field->hiddenInEditor;
        return QVariant();
    case Qt::ForegroundRole:
        if (column == DefaultValue && field->dataType == SQLiteBool && hasDefault(field->defaultValue))
            return QBrush(field->defaultValue.toBool() ? Qt::red : Qt::gray);
        return QVariant();
    case Qt::BackgroundRole:
        if (!(flags(index) & Qt::ItemIsEnabled))
            return QBrush(Qt::lightGray);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant SqlModelConfiguratorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return configured ? configured->headerData(section, Qt::Horizontal, role) : QVariant();
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case VisibilityInTable:
        return tr("Visibility in table");
    case VisibilityInEditor:
        return tr("Visibility in editor");
    case DefaultValue:
        return tr("Default value");
    case UnitColumn:
        return tr("Unit");
    case Decimals:
        return tr("Decimals");
    default:
        return QVariant();
    }
}

bool SqlModelConfiguratorModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return true;
    TableModelFieldDescriptor* field = configured ? configured->descriptor(index.row()) : nullptr;
    if (!index.isValid() || !field)
        return false;

    bool result = true;
    switch (index.column()) {
    case VisibilityInTable:
        field->hiddenInTable = value.toBool();
        break;
    case VisibilityInEditor:
        field->hiddenInEditor = value.toBool();
        break;
    case DefaultValue:
        if (field->dataType == SQLiteReal && hasDefault(value)) {
            bool ok = false;
            const double shown = value.toDouble(&ok);
            if (ok)
                field->defaultValue = field->unit ? field->unit->getSIValue(shown) : shown;
            else
                field->defaultValue = QVariant();
        } else {
            field->defaultValue = hasDefault(value) ? value : QVariant();
        }
        break;
    case UnitColumn: {
        const Unit* unit = nullptr;
        if (value.canConvert<const Unit*>())
            unit = value.value<const Unit*>();
        else if (value.canConvert<Unit*>())
            unit = value.value<Unit*>();
        else if (value.typeId() == QMetaType::QString)
            unit = theUnits.getUnitByQuantityAndName(field->quantity, value.toString());
        // A unit of another quantity would show the values wrongly converted.
        if (unit && unit->quantity == field->quantity)
            field->unit = unit;
        else
            result = false;
        break;
    }
    case Decimals:
        field->decimals = std::clamp(value.toInt(), -10, 10);
        break;
    default:
        result = false;
        break;
    }

    configured->descriptorChanged(index.row());
    Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, index.row(), index.row());
    slot_saveConfigurationToFile();
    return result;
}

bool SqlModelConfiguratorModel::applyFile(const QString& path, bool userFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << Q_FUNC_INFO << "Error reading" << path << file.errorString();
        return true;
    }
    QDomDocument document;
    QString error;
    int errorLine = 0;
    const bool parsed = document.setContent(&file, &error, &errorLine);
    file.close();
    if (!parsed) {
        qDebug() << Q_FUNC_INFO << path << "line" << errorLine << error;
        if (userFile) {
            // Kept aside, so the next save does not destroy the only copy.
            const QString bad = path + QStringLiteral(".bad");
            QFile::remove(bad);
            QFile::rename(path, bad);
            Tools::showError(tr("The field settings file %1 could not be read.\nIt was kept as %2; "
                                "the built-in settings are used.")
                                 .arg(path, bad));
        }
        return false;
    }
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.nodeName() != QStringLiteral("fields"))
            continue;
        for (QDomElement element = node.firstChildElement(QStringLiteral("field")); !element.isNull();
             element = element.nextSiblingElement(QStringLiteral("field"))) {
            TableModelFieldDescriptor* field =
                configured->descriptor(configured->fieldDescriptorIdByDatabaseKey(element.attribute(QStringLiteral("key"))));
            if (!field)
                continue;
            field->unit = theUnits.getUnitByQuantityAndName(field->quantity, element.attribute(QStringLiteral("unit")));
            field->decimals = element.attribute(QStringLiteral("decimals")).toInt();
            field->hiddenInTable = element.attribute(QStringLiteral("hiddenInTable")).toInt() != 0;
            field->hiddenInEditor = element.attribute(QStringLiteral("hiddenInEditor")).toInt() != 0;
            // Held as text, as every reader converts it; an empty text is no default.
            const QString defaultText = element.attribute(QStringLiteral("defaultValue"));
            field->defaultValue = defaultText.isEmpty() ? QVariant() : QVariant(defaultText);
        }
    }
    return true;
}

void SqlModelConfiguratorModel::loadConfigurationFromFile(const QString& userFile, const QString& defaultFile)
{
    if (!configured)
        return;
    beginResetModel();
    const bool haveUserFile = QFile::exists(userFile);
    if (!applyFile(haveUserFile ? userFile : defaultFile, haveUserFile) && haveUserFile)
        applyFile(defaultFile, false);
    fileName = userFile;
    endResetModel();
    for (int fieldId = 0; fieldId < configured->fieldDescriptors.size(); ++fieldId)
        configured->descriptorChanged(fieldId);
}

void SqlModelConfiguratorModel::slot_saveConfigurationToFile()
{
    if (!configured)
        return;
    QSaveFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing " + fileName;
        return;
    }
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("fields"));
    document.appendChild(root);
    for (const TableModelFieldDescriptor* field : std::as_const(configured->fieldDescriptors)) {
        if (!field)
            continue;
        QDomElement element = document.createElement(QStringLiteral("field"));
        element.setAttribute(QStringLiteral("key"), field->databaseKey);
        element.setAttribute(QStringLiteral("name"), field->headerLabel);
        element.setAttribute(QStringLiteral("unit"), field->unit ? field->unit->name : QString());
        element.setAttribute(QStringLiteral("decimals"), field->decimals);
        element.setAttribute(QStringLiteral("hiddenInTable"), field->hiddenInTable ? 1 : 0);
        element.setAttribute(QStringLiteral("hiddenInEditor"), field->hiddenInEditor ? 1 : 0);
        element.setAttribute(QStringLiteral("defaultValue"),
                             hasDefault(field->defaultValue) ? field->defaultValue.toString() : QString());
        root.appendChild(element);
    }
    file.write(document.toByteArray(1));
    if (!file.commit())
        qDebug() << "Error writing " + fileName << file.errorString();
}
