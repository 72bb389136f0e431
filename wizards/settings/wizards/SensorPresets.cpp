#include "SensorPresets.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "PathSaver.h"
#include "PointVectorEditor.h"
#include "QuantityComboBox.h"
#include "RunChannel.h"
#include "SettingsWizards.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDomDocument>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QTextStream>

namespace SensorPresets {

namespace {
const QString kRoot = QStringLiteral("analogInputPreset");
}

bool exportPreset(int input)
{
    QString proposed = QStringLiteral("sensor");
    RunChannel* channel = theChannels.getChannel(ChannelId_ain, input);
    if (channel && channel->setup && !channel->setup->displayName.isEmpty())
        proposed += QLatin1Char('_') + channel->setup->displayName;
    proposed += QStringLiteral(".xml");
    const QString path = thePathSaver.getSaveFileName(Path::saveXml, QObject::tr("Export Sensor Preset"), proposed);
    if (path.isEmpty())
        return false;
    return exportPresetTo(input, path);
}

bool exportPresetTo(int input, const QString& path)
{
    QDomDocument document;
    QDomElement root = document.createElement(kRoot);
    document.appendChild(root);
    auto* ratiometric = SettingsWizards::editor<QCheckBox>(DynoSettingId_ainRatiometric, input, SettingWidgetType_checkBox);
    root.setAttribute(QStringLiteral("ratiometric"), ratiometric && ratiometric->isChecked() ? 1 : 0);
    QDomElement characteristic = document.createElement(QStringLiteral("characteristic"));
    if (auto* curve = SettingsWizards::editor<PointVectorEditor>(DynoSettingId_ainCharacteristic, input,
                                                                 SettingWidgetType_pointVectorEditor))
        curve->writeSetupToDomElement(&characteristic);
    root.appendChild(characteristic);
    for (auto [id, name] : {std::pair{DynoSettingId_ainFilter, "filter"}, {DynoSettingId_ainCalibration, "calibration"}}) {
        QDomElement element = document.createElement(QString::fromLatin1(name));
        if (auto* box = SettingsWizards::editor<SpinBoxWithUnit>(id, input, SettingWidgetType_spinBoxWithUnit))
            box->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    QDomElement variable = document.createElement(QStringLiteral("variableSetup"));
    RunChannel* channel = theChannels.getChannel(ChannelId_ain, input);
    if (channel && channel->setup)
        channel->setup->writeSetupToDomElement(&variable);
    root.appendChild(variable);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        Tools::showError(QObject::tr("Error opening output file"));
        return false;
    }
    file.write(document.toByteArray(1));
    if (!file.commit()) {
        Tools::showError(QObject::tr("Error opening output file"));
        return false;
    }
    return true;
}

void importPreset(int input)
{
    const QString path = thePathSaver.getOpenFileName(Path::openXml, QObject::tr("Import Sensor Preset"));
    if (!path.isEmpty())
        importPresetFrom(input, path);
}

void importPresetFrom(int input, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QDomDocument document;
    document.setContent(QString::fromUtf8(file.readAll()));
    file.close();
    bool found = false;
    for (QDomElement root = document.firstChildElement(kRoot); !root.isNull(); root = root.nextSiblingElement(kRoot)) {
        found = true;
        const QDomElement variable = root.firstChildElement(QStringLiteral("variableSetup"));
        if (!variable.isNull()) {
            if (auto* name = SettingsWizards::editor<QLineEdit>(DynoSettingId_ainName, input, SettingWidgetType_lineEdit))
                name->setText(variable.attribute(QStringLiteral("displayName")));
            if (auto* quantity = SettingsWizards::editor<QuantityComboBox>(DynoSettingId_ainUnitType, input,
                                                                           SettingWidgetType_quantityComboBox))
                quantity->setQuantity(Quantity(variable.attribute(QStringLiteral("unitType")).toInt()));
            RunChannel* channel = theChannels.getChannel(ChannelId_ain, input);
            if (channel && channel->setup)
                channel->setup->parseChannelDomElement(&variable);
        }
        QDomElement characteristic = root.firstChildElement(QStringLiteral("characteristic"));
        if (!characteristic.isNull())
            if (auto* curve = SettingsWizards::editor<PointVectorEditor>(DynoSettingId_ainCharacteristic, input,
                                                                         SettingWidgetType_pointVectorEditor))
                curve->parseDomElement(&characteristic);
        for (auto [id, name] : {std::pair{DynoSettingId_ainFilter, "filter"}, {DynoSettingId_ainCalibration, "calibration"}}) {
            QDomElement element = root.firstChildElement(QString::fromLatin1(name));
            if (!element.isNull())
                if (auto* box = SettingsWizards::editor<SpinBoxWithUnit>(id, input, SettingWidgetType_spinBoxWithUnit))
                    box->parseDomElement(&element);
        }
        if (auto* ratiometric =
                SettingsWizards::editor<QCheckBox>(DynoSettingId_ainRatiometric, input, SettingWidgetType_checkBox))
            ratiometric->setChecked(root.attribute(QStringLiteral("ratiometric")).toInt() != 0);
    }
    if (!found)
        Tools::showError(QObject::tr("The file holds no \"analogInputPreset\": nothing imported"));
}

} // namespace SensorPresets
