#include "DynoSettings.h"

#include "ChannelSetupModel.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "MySettings.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QScrollArea>
#include <QTabWidget>

#include <limits>

DynoSettings* theDynoSettings = nullptr;

DynoSettings::DynoSettings(QTabWidget* tabWidget)
    : QObject(tabWidget), tabWidget(tabWidget)
{
    if (theDynoSettings)
        qDebug() << "Dyno settings constructed more than once";
    theDynoSettings = this;
    for (int i = 0; i < DynoSettingIdCount; ++i)
        settings.append(nullptr);
    // The link confirms from its own thread; the registry is built in the GUI thread.
    if (theMCUThread)
        connect(theMCUThread, &McuThread::signal_firmwareVersionConfirmed, this,
                &DynoSettings::slot_initChannelsAndSettings, Qt::QueuedConnection);
}

DynoSettings::~DynoSettings()
{
    for (QList<DynoSetting*>* list : settings) {
        if (list)
            qDeleteAll(*list);
        delete list;
    }
    if (theDynoSettings == this)
        theDynoSettings = nullptr;
}

void DynoSettings::slot_initChannelsAndSettings()
{
    if (initialized)
        return;
    // The channels are sized by the board the link has just reported. Alarm
    // gates name their channels by key and are bound as soon as they exist.
    theChannels.init();
    theRunChannelSetupModel.resolveAlarmGates();
    qDebug() << "Channels registered";

    auto* scroll = new QScrollArea(tabWidget);
    scroll->setWidgetResizable(true);
    page = new QWidget(scroll);
    form = new QFormLayout(page);
    form->setLabelAlignment(Qt::AlignRight);
    scroll->setWidget(page);

    const QStringList rollers{QStringLiteral("-"), QStringLiteral("roller 1"), QStringLiteral("roller 2"),
                              QStringLiteral("roller 3"), QStringLiteral("roller 4")};
    const double inf = std::numeric_limits<double>::infinity();
    addSetting(DynoSettingId_engineSpeedSource, QStringLiteral("engineSpeedSource"), tr("Engine speed source"), 1,
               SettingWidgetType_comboBox, 0, 0, 0,
               {tr("calculated"), tr("eng. speed in"), tr("OBD"), tr("CAN channel"), tr("VP_engineSpeed")});
    addSetting(DynoSettingId_engineSpeedRatio, QStringLiteral("engineSpeedRatio"), tr("Engine speed ratio"), 1,
               SettingWidgetType_doubleSpinBox, 1.0, 1e-10, inf);
    addSetting(DynoSettingId_slipEstimationCoefficient, QStringLiteral("slipEstimationCoefficient"),
               tr("Slip estimation coefficient"), 1, SettingWidgetType_doubleSpinBox, 0.05, 0, 1);
    addSetting(DynoSettingId_dynoType, QStringLiteral("dynoType"), tr("Dyno type"), 1, SettingWidgetType_comboBox, 1,
               0, 0, {tr("engine"), tr("roller"), tr("hub")});
    addSetting(DynoSettingId_rollerSupportRoller, QStringLiteral("roller_%1_supportRoller"), tr("Support roller"),
               theHwInfo.rollers, SettingWidgetType_comboBox, 0, 0, 0, rollers);
    addSetting(DynoSettingId_loadCellRoller, QStringLiteral("loadCell_%1_roller"), tr("Measures torque on"),
               theHwInfo.loadCells, SettingWidgetType_comboBox, 0, 0, 0, rollers);
    addSetting(DynoSettingId_loadCellB, QStringLiteral("loadCell_%1_b"), tr("Offset b [Nm]"), theHwInfo.loadCells,
               SettingWidgetType_doubleSpinBox, 0.0, -inf, inf);
    addSetting(DynoSettingId_loadCellAutomaticOffset, QStringLiteral("loadCell_%1_automaticOffset"),
               tr("Automatic offset calibration"), theHwInfo.loadCells, SettingWidgetType_checkBox, true, 0, 0);

    tabWidget->addTab(scroll, tr("Dyno"));

    initialized = true;
    qDebug() << "Dyno settings ready";
    emit signal_settingsReady();
}

void DynoSettings::addSetting(DynoSettingId id, const QString& key, const QString& label, int channelCount,
                              SettingWidgetType type, const QVariant& defaultValue, double minimum, double maximum,
                              const QStringList& options)
{
    auto* list = new QList<DynoSetting*>;
    settings[id] = list;
    for (int i = 0; i < channelCount; ++i) {
        QWidget* editor = nullptr;
        switch (type) {
        case SettingWidgetType_comboBox: {
            auto* combo = new QComboBox(page);
            combo->addItems(options);
            combo->setCurrentIndex(defaultValue.toInt());
            editor = combo;
            break;
        }
        case SettingWidgetType_doubleSpinBox: {
            auto* spin = new QDoubleSpinBox(page);
            spin->setDecimals(7);
            spin->setRange(minimum, maximum);
            spin->setValue(defaultValue.toDouble());
            editor = spin;
            break;
        }
        case SettingWidgetType_checkBox: {
            auto* check = new QCheckBox(page);
            check->setChecked(defaultValue.toBool());
            editor = check;
            break;
        }
        default:
            qDebug() << "not supported widgetType";
            editor = new QWidget(page);
            break;
        }
        auto* setting = new DynoSetting(editor, key, label, type, unsigned(i), nullptr);
        list->append(setting);
        editor->setObjectName(QStringLiteral("DynoSetting/") + setting->key);
        editor->setFocusPolicy(Qt::StrongFocus);
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            theSettings.connectComboBox(combo);
        else if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor))
            theSettings.connectDoubleSpinBox(spin);
        else if (auto* check = qobject_cast<QCheckBox*>(editor))
            theSettings.connectCheckBox(check);
        form->addRow(channelCount > 1 ? QStringLiteral("%1 (%2)").arg(setting->label).arg(i + 1) : setting->label,
                     editor);
    }
}

DynoSetting* DynoSettings::getSetting(DynoSettingId id, int channel) const
{
    const QList<DynoSetting*>* list = (id >= 0 && id < settings.size()) ? settings.at(id) : nullptr;
    if (!list) {
        qDebug() << "Setting id" << int(id) << channel << "not initialize";
        qFatal("Trying to getSetting before a setting is initialized.");
    }
    if (channel < 0 || channel >= list->size())
        return nullptr;
    return list->at(channel);
}

double DynoSettings::getSettingValueDouble(DynoSettingId id, int channel) const
{
    const DynoSetting* setting = getSetting(id, channel);
    return setting ? setting->value().toDouble() : 0.0;
}

bool DynoSettings::isSlipEstimationAvailable() const
{
    if (getSetting(DynoSettingId_dynoType, 0)->value().toInt() != 1)
        return false;
    if (getSetting(DynoSettingId_engineSpeedSource, 0)->value().toInt() != 0)
        return false;
    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        const DynoSetting* support = getSetting(DynoSettingId_rollerSupportRoller, roller);
        if (support && support->value().toInt() != 0)
            return false;
    }
    return true;
}
