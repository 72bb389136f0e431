#include "ReportTags.h"

#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunData.h"
#include "RunListModel.h"
#include "TableModelFieldDescriptor.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QRegularExpression>

QStringList ReportTags::splitWords(const QString& command)
{
    static const QRegularExpression split(QStringLiteral("\\s+(?=([^\"]*\"[^\"]*\")*[^\"]*$)"));
    QStringList words = command.split(split, Qt::KeepEmptyParts);
    for (QString& word : words)
        word.remove(QLatin1Char('"'));
    return words;
}

CustomSqlTableModel* ReportTags::tableFor(const QString& command)
{
    if (command == QLatin1String("run_info"))
        return theRunListModel;
    if (command == QLatin1String("project_info"))
        return theProjectListModel;
    return nullptr;
}

QString ReportTags::formatValue(const TableModelFieldDescriptor* field, const QVariant& value,
                                const QString& unitOverride)
{
    switch (field->dataType) {
    case SQLiteBool:
        return value.toBool() ? QStringLiteral("\u2691") : QStringLiteral("\u2690");
    case SQLiteEnum: {
        bool ok = false;
        const uint index = value.toUInt(&ok);
        if (!field->enumLabels || !ok || index >= static_cast<uint>(field->enumLabels->size()))
            return QStringLiteral("Unknown enumerator");
        return field->enumLabels->at(static_cast<int>(index));
    }
    case SQLiteTimestamp:
        return Tools::stringFromUnixTimestamp(static_cast<long>(value.toLongLong()));
    case SQLiteReal: {
        const Unit* unit = field->unit;
        if (!unitOverride.isEmpty())
            unit = theUnits.getUnitByQuantityAndName(field->quantity, unitOverride);
        if (!unit)
            return Tools::stringFromDouble(value.toDouble(), field->decimals);
        return unit->getUnitValueStringWithNameSpaced(value.toDouble(), field->decimals);
    }
    default:
        return value.toString();
    }
}

QString ReportTags::runValue(RunData* run, const QString& command, int fieldId, const QString& unitOverride)
{
    CustomSqlTableModel* table = tableFor(command);
    const TableModelFieldDescriptor* field = table ? table->descriptor(fieldId) : nullptr;
    if (!field || !run)
        return QString();
    const QVariant value = command == QLatin1String("run_info") ? run->getRunInfoValue(fieldId, QVariant())
                                                                : run->getProjectInfoValue(fieldId, QVariant());
    return formatValue(field, value, unitOverride);
}

QString ReportTags::escapeHtml(const QString& text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
    return escaped;
}

QString ReportTags::localPaths(const QString& text)
{
    QString local = text;
    local.replace(QStringLiteral("/home/pi/.zembo/"), theSettings.settingsDir.absolutePath() + QLatin1Char('/'));
    return local;
}
