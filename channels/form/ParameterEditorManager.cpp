#include "ParameterEditorManager.h"

#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupWidget.h"
#include "QuantityComboBox.h"
#include "Channels.h"
#include "RunChannel.h"
#include "functions/Argument.h"

#include <QComboBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

Q_DECLARE_METATYPE(ChannelSetup)
Q_DECLARE_METATYPE(Argument)

ParameterEditorManager::ParameterEditorManager(QWidget* parent)
    : ParameterEditorManagerBase(parent)
{
}

QLineEdit* ParameterEditorManager::addEditor_channelName(const QString& label, RunChannel* channel)
{
    addBackup(channel, QVariant(channel->getChildName()), ParameterContainerType::ChildChannelName,
              [](const ParameterBackup& backup) {
                  static_cast<RunChannel*>(backup.target)->setChildName(backup.value.toString());
              });
    auto* lineEdit = new QLineEdit(editorParent);
    lineEdit->setText(channel->getChildName());
    connect(lineEdit, &QLineEdit::textChanged, this, &ParameterEditorManager::slot_childChannelNameChanged);
    mapEditor(lineEdit, channel);
    placeRow(label, lineEdit);
    return lineEdit;
}

QPlainTextEdit* ParameterEditorManager::addEditor_enumLabels(const QString& label, QMap<int, QString>* field)
{
    addBackup(field, QVariant(ChannelSetup::stringFromLabels(*field)), ParameterContainerType::EnumLabels,
              [](const ParameterBackup& backup) {
                  *static_cast<QMap<int, QString>*>(backup.target) =
                      ChannelSetup::labelsFromString(backup.value.toString());
              });
    auto* textEdit = new QPlainTextEdit(editorParent);
    textEdit->setPlainText(ChannelSetup::stringFromLabels(*field));
    connect(textEdit, &QPlainTextEdit::textChanged, this, &ParameterEditorManager::slot_enumLabels);
    mapEditor(textEdit, field);
    placeRow(label, textEdit);
    return textEdit;
}

QComboBox* ParameterEditorManager::addEditor(const QString& label, VehicleParamId* field)
{
    static_assert(sizeof(VehicleParamId) == sizeof(qint32), "form enumerations are stored in 32 bits");
    QList<std::pair<int, QString>> items;
    items.append({-1, QStringLiteral("-")});
    for (int id = 0; id < VehicleParamCount; ++id) {
        RunChannel* parameter = theChannels.getVehicleParam(id);
        const QString key = parameter && parameter->setup ? parameter->setup->key : QString();
        items.append({id, key.mid(3)});
    }
    return addEditor_comboBox(label, reinterpret_cast<qint32*>(field), items);
}

ArgumentWidget* ParameterEditorManager::addEditor(Argument* argument)
{
    addBackup(argument, QVariant::fromValue(*argument), ParameterContainerType::Argument,
              [](const ParameterBackup& backup) {
                  *static_cast<Argument*>(backup.target) = backup.value.value<Argument>();
              });
    auto* widget = new ArgumentWidget(editorParent, argument);
    connect(argument, &Argument::signal_updateWidget, this, &ParameterEditorManager::signal_parametersChanged);
    mapEditor(widget, argument);
    placeSpanningRow(widget);
    return widget;
}

ArgumentWidget* ParameterEditorManager::addEditor_gateArgument(const QString& label, Argument* argument)
{
    addBackup(argument, QVariant::fromValue(*argument), ParameterContainerType::Argument,
              [](const ParameterBackup& backup) {
                  *static_cast<Argument*>(backup.target) = backup.value.value<Argument>();
              });
    const bool wasNull = argument->getType() == ArgumentType_null;
    auto* widget = new ArgumentWidget(editorParent, argument);
    widget->typeCombo->setCurrentIndex(ArgumentType_channel);
    widget->typeCombo->hide();
    widget->setLockedQuantity(Quantity::Logic);
    widget->quantityCombo->hide();
    // Showing a gate as a channel source makes an empty gate a channel gate
    // without a channel; both leave the alarms unconditioned, and the form
    // must not change the record before the operator does.
    if (wasNull && argument->getType() != ArgumentType_null && !argument->getChannel())
        argument->setNull(false);
    connect(argument, &Argument::signal_updateWidget, this, &ParameterEditorManager::signal_parametersChanged);
    mapEditor(widget, argument);
    placeRow(label, widget);
    return widget;
}

ChannelSetupWidget* ParameterEditorManager::addEditor(ChannelSetup* setup, bool allowHide, bool quantityEditable,
                                                      QHBoxLayout* box)
{
    // Listeners of a setup (its model's file, the live channel's copies of
    // filter and limits) learn of changes only from its own announcement, so
    // a restore after the setup announced an edit announces once more.
    auto announced = std::make_shared<bool>(false);
    addBackup(setup, QVariant::fromValue(*setup), ParameterContainerType::ChannelSetup,
              [announced](const ParameterBackup& backup) {
                  auto* target = static_cast<ChannelSetup*>(backup.target);
                  *target = backup.value.value<ChannelSetup>();
                  if (*announced) {
                      Q_EMIT target->signal_setupChanged();
                      *announced = false;
                  }
              });
    auto* widget = new ChannelSetupWidget(setup, editorParent, allowHide, false);
    widget->enableQuantityAndLabelsEditing(quantityEditable);
    connect(setup, &ChannelSetup::signal_setupChanged, this, [this, announced]() {
        *announced = true;
        if (!restoringBackups)
            Q_EMIT signal_parametersChanged();
    });
    mapEditor(widget, setup);
    if (box) {
        box->addWidget(widget);
    } else if (layout) {
        placeSpanningRow(widget);
    } else {
        qDebug() << "ChannelSetupWidget* ParameterEditorManager::addEditor(ChannelSetup*, bool, bool, QHBoxLayout*)"
                 << "Layout not set";
    }
    channelSetupWidget = widget;
    return widget;
}

void ParameterEditorManager::applyPendingChannelSetupChanges()
{
    if (channelSetupWidget)
        channelSetupWidget->applyPendingChanges();
}

void ParameterEditorManager::slot_enumLabels()
{
    auto* textEdit = qobject_cast<QPlainTextEdit*>(sender());
    void* target = senderTarget();
    if (!textEdit || !target)
        return;
    *static_cast<QMap<int, QString>*>(target) = ChannelSetup::labelsFromString(textEdit->toPlainText());
    Q_EMIT signal_parametersChanged();
}

void ParameterEditorManager::slot_childChannelNameChanged(const QString& text)
{
    if (void* target = senderTarget()) {
        static_cast<RunChannel*>(target)->setChildName(text);
        Q_EMIT signal_parametersChanged();
    }
}
