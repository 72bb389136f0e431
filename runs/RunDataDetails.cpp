// The run-settings editor (the settings that most often need correcting after
// a run, each change stored and recalculated at once) and the details page.
#include "RunData.h"

#include "DynoSetting.h"
#include "DynoSettings.h"
#include "ProjectListModel.h"
#include "RunAnalysisOptions.h"
#include "RunListModel.h"
#include "SafeSpinBox.h"
#include "TableFieldFlag.h"
#include "lib/Tools.h"

#include <QFormLayout>
#include <QLabel>

#include <limits>

namespace {

const DynoSettingId editableSettings[] = {
    DynoSettingId_freqInputFilter, DynoSettingId_freqInputDiffFilter, DynoSettingId_inertia,
    DynoSettingId_loadCellA,       DynoSettingId_loadCellB,           DynoSettingId_loadCellFilter,
    DynoSettingId_lossFromLoadFactor, DynoSettingId_freqInputSpikeFilter,
};

const QList<DynoSetting*>* instancesOf(DynoSettingId id)
{
    if (!theDynoSettings || id < 0 || id >= theDynoSettings->settings.size())
        return nullptr;
    const QList<DynoSetting*>* list = theDynoSettings->settings.at(id);
    return list && !list->isEmpty() ? list : nullptr;
}

} // namespace

void RunData::generateDynoSettingsEditor(QFormLayout* layout)
{
    for (DynoSettingId id : editableSettings) {
        const QList<DynoSetting*>* instances = instancesOf(id);
        if (!instances)
            continue;
        layout->addRow(new QLabel(instances->first()->generateIdStringForAnalyze(0)));
        generateDynoSettingsEditorSpinBox(layout, id);
    }
}

void RunData::generateDynoSettingsEditorSpinBox(QFormLayout* layout, DynoSettingId id)
{
    const QList<DynoSetting*>* instances = instancesOf(id);
    if (!instances)
        return;
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (int i = 0; i < instances->size(); ++i) {
        const DynoSetting* setting = instances->at(i);
        const double value = getSettingValue(id, i, 0.0).toDouble();
        auto* box = new SafeSpinBox;
        box->setRange(-inf, inf);
        box->setDecimals(7);
        box->setValue(value);
        box->setFocusPolicy(Qt::StrongFocus);
        box->setProperty("settingId", int(id));
        box->setProperty("number", i);
        layout->addRow(Tools::optionalArg(setting->label, i + 1), box);
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, &RunData::slot_dynoSettingsEditorValueChanged);
    }
}

int RunData::slot_dynoSettingsEditorValueChanged()
{
    const auto* box = qobject_cast<const QDoubleSpinBox*>(sender());
    if (!box)
        return -1;
    const auto id = static_cast<DynoSettingId>(box->property("settingId").toInt());
    const int index = box->property("number").toInt();
    updateSettingValue(id, box->value(), index);
    return calculateAll(false);
}

QString RunData::generateRunDetailsHTML() const
{
    // Stored texts are the operator's (comments, names): shown as typed,
    // never as markup.
    const bool developer = RunAnalysisOptions::current().developerMode();
    const QString tableOpen = QStringLiteral("<table border=\"1\" cellpadding=\"3\" cellspacing='0'>");
    const QString row = QStringLiteral("<tr><td>%1</td><td>%2</td></tr>");
    QString html = QStringLiteral("<h1>Project information</h1>") + tableOpen;
    for (int id = 0; id < ProjectListFieldCount && theProjectListModel; ++id) {
        const TableModelFieldDescriptor* descriptor = theProjectListModel->descriptor(id);
        if (!descriptor || (!developer && (descriptor->flags & FieldInternal)))
            continue;
        html += row.arg(descriptor->headerLabel.toHtmlEscaped(),
                        getProjectInfoValueStringWithUnit(static_cast<ProjectListFieldId>(id)).toHtmlEscaped());
    }
    html += QStringLiteral("</table>") + QStringLiteral("<br><h1>Run information</h1>") + tableOpen;
    for (int id = 0; id < RunListFieldCount && theRunListModel; ++id) {
        const TableModelFieldDescriptor* descriptor = theRunListModel->descriptor(id);
        if (!descriptor || (!developer && (descriptor->flags & FieldInternal)))
            continue;
        html += row.arg(descriptor->headerLabel.toHtmlEscaped(),
                        getRunInfoValueStringWithUnit(static_cast<RunListFieldId>(id)).toHtmlEscaped());
    }
    html += QStringLiteral("</table>") + QStringLiteral("<br><h1>Dyno settings</h1>") + tableOpen;
    for (auto it = settingValues.constBegin(); it != settingValues.constEnd(); ++it) {
        const QString text = theDynoSettings ? theDynoSettings->analyzeSettingValueToString(it.key(), it.value())
                                             : it.value().toString();
        html += row.arg(it.key().toHtmlEscaped(), text.toHtmlEscaped());
    }
    html += QStringLiteral("</table>");
    return html;
}
