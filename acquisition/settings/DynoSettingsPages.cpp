#include "DynoSettings.h"

#include "ACMTabWidget.h"
#include "DynoSetting.h"
#include "WizardButton.h"

#include <QDebug>
#include <QFont>
#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>

// The group pages of the SETTINGS tab: each group takes the settings
// registered since the previous one.

namespace {

QString groupKey(const QString& name)
{
    return QStringLiteral("dynoSettings_") + name;
}

QFormLayout* newForm(QWidget* page)
{
    auto* form = new QFormLayout(page);
    form->setLabelAlignment(Qt::AlignRight);
    return form;
}

} // namespace

void DynoSettings::addSettingRow(QFormLayout* form, DynoSetting* setting)
{
    QWidget* editor = setting->widget;
    // A row registered hidden keeps its label out of sight too.
    const bool hidden = editor->isHidden() && editor->testAttribute(Qt::WA_WState_ExplicitShowHide);
    form->addRow(setting->label, editor);
    if (hidden)
        form->setRowVisible(editor, false);
}

void DynoSettings::insertSettingsGroup(const QString& title, QString name, int channelCount, int maxChannelCount,
                                       QList<SettingWizardId> wizardIds, QLabel* helpLabel)
{
    const QString key = groupKey(name);
    auto* group = new ACMTabWidget(tabWidget);
    for (const SettingWizardId wizard : std::as_const(wizardIds))
        wizardButtons.insert(wizard, QList<WizardButton*>(std::max(channelCount, 0), nullptr));

    for (int channel = 0; channel < channelCount; ++channel) {
        auto* scroll = new QScrollArea(group);
        scroll->setWidgetResizable(true);
        auto* page = new QWidget(scroll);
        QFormLayout* form = newForm(page);
        for (int position = 0; position < pendingIds.size(); ++position) {
            if (headers.contains(position)) {
                auto* header = new QLabel(headers.value(position), page);
                QFont font;
                font.setPointSize(16);
                header->setFont(font);
                header->setAlignment(Qt::AlignCenter);
                form->addRow(header);
            }
            DynoSetting* setting = getSetting(pendingIds.at(position), channel);
            if (!setting) {
                qDebug() << "Dyno setting" << int(pendingIds.at(position)) << "has no channel" << channel
                         << "for group" << name;
                continue;
            }
            setting->maxChannelCount = maxChannelCount;
            addSettingRow(form, setting);
        }
        for (const SettingWizardId wizard : std::as_const(wizardIds)) {
            auto* button = new WizardButton(wizard, channel, page);
            wizardButtons[wizard][channel] = button;
            form->addRow(button);
        }
        group->addACMTab(scroll, QString::number(channel + 1), key + QLatin1Char('_') + QString::number(channel));
        scroll->setWidget(page);
    }

    if (helpLabel) {
        helpLabel->setMargin(10);
        helpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        group->addTab(helpLabel, tr("Help"));
    }
    tabWidget->addACMTab(group, title, key);
    pendingIds.clear();
    headers.clear();
}

void DynoSettings::insertSettingsGroupWithoutTabs(const QString& title, QString name, QList<SettingWizardId> wizardIds)
{
    auto* page = new QWidget(tabWidget);
    QFormLayout* form = newForm(page);
    for (const DynoSettingId id : std::as_const(pendingIds)) {
        for (int channel = 0; channel < channelCount(id); ++channel)
            addSettingRow(form, getSetting(id, channel));
    }
    // Not kept in wizardButtons: nothing shows or hides them.
    for (const SettingWizardId wizard : std::as_const(wizardIds))
        form->addRow(new WizardButton(wizard, 0, page));
    tabWidget->addACMTab(page, title, groupKey(name));
    pendingIds.clear();
}

void DynoSettings::showWizardButton(SettingWizardId id, int channel, bool visible)
{
    const QList<WizardButton*> buttons = wizardButtons.value(id);
    WizardButton* button = (channel >= 0 && channel < buttons.size()) ? buttons.at(channel) : nullptr;
    if (!button)
        return;
    QWidget* page = button->parentWidget();
    auto* form = page ? qobject_cast<QFormLayout*>(page->layout()) : nullptr;
    // Hidden, the button takes no room on its page.
    if (form && form->indexOf(button) >= 0)
        form->setRowVisible(button, visible);
    else
        button->setVisible(visible);
}
