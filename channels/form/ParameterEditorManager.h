#pragma once

#include "VehicleParamId.h"
#include "lib/ParameterEditorManagerBase.h"

#include <QMap>
#include <QPointer>

#include <memory>
#include <type_traits>

class Argument;
class ArgumentWidget;
class ChannelSetup;
class ChannelSetupWidget;
class GamepadEvent;
class GamepadEventWidget;
class QHBoxLayout;
class RunChannel;
class Trigger;
class TriggerWidget;

// The record form builder of the program: the plain field rows of
// ParameterEditorManagerBase plus the rows that bind objects of the channel
// model (channel setups, arguments, channel names, vehicle parameters,
// enumeration labels, triggers, game-pad bindings). The channel, interface and
// device dialogs build their forms with it (AbstractParameterEditorDialog);
// ChannelSetupWidget builds its own with a second one.
class ParameterEditorManager : public ParameterEditorManagerBase
{
    Q_OBJECT
public:
    explicit ParameterEditorManager(QWidget* parent);

    // The name part of a user channel; each edit rebuilds the channel's key.
    QLineEdit* addEditor_channelName(const QString& label, RunChannel* channel);
    QPlainTextEdit* addEditor_enumLabels(const QString& label, QMap<int, QString>* field);
    // "-" (-1) and the 22 vehicle parameters by their key without "VP_".
    QComboBox* addEditor(const QString& label, VehicleParamId* field);
    // The argument editor over both columns, without a label.
    ArgumentWidget* addEditor(Argument* argument);
    // The alarm and warning gate: only a logic channel can be picked.
    ArgumentWidget* addEditor_gateArgument(const QString& label, Argument* argument);
    // The channel-setup editor: into `box` when given, else over both columns
    // of the form. `allowHide` enables its "Hide in lists"; `quantityEditable`
    // lets the operator choose the quantity and labels.
    ChannelSetupWidget* addEditor(ChannelSetup* setup, bool allowHide, bool quantityEditable, QHBoxLayout* box);
    // Makes the channel-setup editor announce a change it still holds back.
    void applyPendingChannelSetupChanges();

    // A trigger, edited in place by the main window's TriggerWidget and
    // restored through Trigger::setSetup. Templates, because triggers and
    // their panel are built above this library; they compile where the
    // caller includes them.
    template<class T, class Widget = TriggerWidget, std::enable_if_t<std::is_same_v<T, Trigger>, int> = 0>
    Widget* addEditor(T* trigger);
    // A game-pad button or axis binding, restored through its save string.
    template<class T, class Widget = GamepadEventWidget,
             std::enable_if_t<std::is_same_v<T, GamepadEvent>, int> = 0>
    Widget* addEditor(const QString& label, T* event);

    using ParameterEditorManagerBase::addEditor;

    // The channel-setup editor added last, or null.
    QPointer<ChannelSetupWidget> channelSetupWidget;

private Q_SLOTS:
    void slot_enumLabels();
    void slot_childChannelNameChanged(const QString& text);
};

template<class T, class Widget, std::enable_if_t<std::is_same_v<T, Trigger>, int>>
Widget* ParameterEditorManager::addEditor(T* trigger)
{
    addBackup(trigger, QVariant::fromValue(trigger->setup), ParameterContainerType::TriggerSetup,
              [](const ParameterBackup& backup) {
                  static_cast<T*>(backup.target)->setSetup(backup.value.template value<decltype(trigger->setup)>());
              });
    auto* widget = new Widget(editorParent, trigger);
    connect(widget, &Widget::signal_setupChanged, this, &ParameterEditorManager::signal_parametersChanged);
    mapEditor(widget, trigger);
    placeSpanningRow(widget);
    return widget;
}

template<class T, class Widget, std::enable_if_t<std::is_same_v<T, GamepadEvent>, int>>
Widget* ParameterEditorManager::addEditor(const QString& label, T* event)
{
    addBackup(event, QVariant(event->getSaveString()), ParameterContainerType::GamepadEvent,
              [](const ParameterBackup& backup) {
                  static_cast<T*>(backup.target)->setFromString(backup.value.toString());
              });
    auto* widget = new Widget(event, editorParent);
    connect(widget, &Widget::signal_eventChanged, this, [this, event](const QString& saveString) {
        event->setFromString(saveString);
        Q_EMIT signal_parametersChanged();
    });
    mapEditor(widget, event);
    placeRow(label, widget);
    return widget;
}
