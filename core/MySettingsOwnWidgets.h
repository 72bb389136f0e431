#pragma once

// Bindings of the program's own widgets to the settings store. Included at the
// end of MySettings.h; not meant to be included on its own.
//
// The widgets live in layers above core (the toolkit, the channel model, the
// main window, the test dialogs), so these are member templates written against
// the widgets' public members and signals. They compile where the caller has the
// widget's header, and the store's library never refers to the widgets.

#include <QColor>
#include <QList>
#include <QPointF>
#include <QKeySequence>
#include <QSignalBlocker>
#include <QStringList>

#include <type_traits>

template<class QuantityComboBox>
void MySettings::connectQuantityComboBox(QuantityComboBox* comboBox)
{
    const QString key = bindingKey(comboBox);
    if (contains(key)) {
        const QSignalBlocker blocker(comboBox);
        comboBox->setQuantity(static_cast<Quantity>(value(key).toInt()));
    }
    connect(comboBox, &QuantityComboBox::signal_quantityChanged, this, &MySettings::setting_Quantity_ChangedSlot);
    Q_EMIT comboBox->signal_quantityChanged(comboBox->currentQuantity());
}

template<class UnitComboBox>
void MySettings::connectUnitComboBox(UnitComboBox* comboBox)
{
    const QString key = bindingKey(comboBox);
    if (contains(key)) {
        const QSignalBlocker blocker(comboBox);
        comboBox->setUnit(value(key).toString());
    }
    connect(comboBox, &UnitComboBox::currentTextChanged, this, &MySettings::setting_variant_ChangedSlot);
    // The owner learns the unit; the store hears only later picks of the operator.
    Q_EMIT comboBox->signal_unitChanged(comboBox->getUnit());
}

template<class SpinBoxWithUnit>
void MySettings::connectSpinBoxWithUnit(SpinBoxWithUnit* spinBox)
{
    const QString key = bindingKey(spinBox);
    const bool wasBlocked = spinBox->blockSignals(true);
    // The unit first, so that the value that follows is shown in it.
    if (contains(key + QStringLiteral("/unit")))
        spinBox->setUnitFromName(value(key + QStringLiteral("/unit")).toString());
    if (contains(key))
        spinBox->setValueSI(value(key).toDouble());
    restoreSpinBoxWithUnitConfiguration(spinBox, key);
    connect(spinBox, &SpinBoxWithUnit::signal_unitChanged, this, &MySettings::setting_SpinBoxWithUnit_UnitChangedSlot);
    connect(spinBox, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &MySettings::setting_SpinBoxWithUnit_ValueChangedSlot);
    connect(spinBox, &SpinBoxWithUnit::signal_configurationChanged, this,
            &MySettings::setting_SpinBoxWithUnit_ConfigurationChangedSlot);
    spinBox->blockSignals(wasBlocked);
    Q_EMIT spinBox->signal_unitChanged(spinBox->getUnit());
    Q_EMIT spinBox->signal_valueChangedSI(spinBox->getValueSI());
}

template<class ColorButton>
void MySettings::connectColorButton(ColorButton* button)
{
    const QString key = bindingKey(button);
    if (contains(key)) {
        const QSignalBlocker blocker(button);
        button->setColor(QColor(value(key).toString()));
    }
    connect(button, &ColorButton::signal_colorChanged, this, &MySettings::setting_QColor_ChangedSlot);
    Q_EMIT button->signal_colorChanged(button->color());
}

template<class IconButton>
void MySettings::connectIconButton(IconButton* button)
{
    const QString key = bindingKey(button);
    if (contains(key)) {
        const QSignalBlocker blocker(button);
        button->setIconFromName(value(key).toString());
    }
    connect(button, &IconButton::signal_iconNameChanged, this, &MySettings::setting_variant_ChangedSlot);
    Q_EMIT button->signal_iconChanged(button->icon());
    Q_EMIT button->signal_iconNameChanged(button->iconName);
}

template<class LineEditWithHistory>
void MySettings::connectLineEditWithHistory(LineEditWithHistory* lineEdit)
{
    const QString key = bindingKey(lineEdit);
    if (contains(key)) {
        // Taken as stored; the next commit trims it.
        const QSignalBlocker blocker(lineEdit);
        lineEdit->history = value(key).toStringList();
    }
    connect(lineEdit, &LineEditWithHistory::signal_historyChanged, this, &MySettings::setting_variant_ChangedSlot);
}

// Expects the widget's current sequence as the public member `keySequence`.
template<class ShortcutWidget>
void MySettings::connectShortcutWidget(ShortcutWidget* widget)
{
    const QString key = bindingKey(widget);
    // Blocked from before the restore until the store listens: the widget's
    // setter announces, and that must not reach anyone before the bind's own
    // announcement below.
    const bool wasBlocked = widget->blockSignals(true);
    if (contains(key))
        widget->setKeySequence(QKeySequence::fromString(value(key).toString(), QKeySequence::NativeText));
    connect(widget, &ShortcutWidget::signal_sequenceChanged, this, &MySettings::setting_KeySequence_ChangedSlot);
    widget->blockSignals(wasBlocked);
    Q_EMIT widget->signal_sequenceChanged(widget->keySequence);
}

template<class BrandingImagePreview>
void MySettings::connectImageLabel(BrandingImagePreview* preview)
{
    const QString key = bindingKey(preview);
    const bool wasBlocked = preview->blockSignals(true);
    if (contains(key))
        preview->setImage(value(key).toString());
    preview->blockSignals(wasBlocked);
    connect(preview, &BrandingImagePreview::signal_imageChanged, this, &MySettings::setting_variant_ChangedSlot);
    // Announced again: an image that failed to load leaves its path empty, and
    // the store must hear that, so the default returns at the next start.
    Q_EMIT preview->signal_imageChanged(preview->imagePath());
    Q_EMIT preview->signal_pixmapChanged(preview->preparedPixmap());
}

template<class ArgumentWidget>
void MySettings::connectArgumentWidget(ArgumentWidget* argumentWidget)
{
    const QString name = argumentWidget->objectName();
    argumentWidget->typeCombo->setObjectName(name + QStringLiteral("/type"));
    argumentWidget->quantityCombo->setObjectName(name + QStringLiteral("/quantity"));
    argumentWidget->unitCombo->setObjectName(name + QStringLiteral("/unit"));
    argumentWidget->valueEdit->setObjectName(name + QStringLiteral("/value"));
    connectComboBox(argumentWidget->typeCombo);
    connectQuantityComboBox(argumentWidget->quantityCombo);
    connectUnitComboBox(argumentWidget->unitCombo);
    connectLineEdit(argumentWidget->valueEdit);
}

// Expects the editor's two axes as the public array `axes` (0 the y, 1 the x
// field) with setChannelByKey, setUnitFromName, slot_setDecimals, channelKey,
// unitName and the public `decimals`.
template<class PointVectorEditor>
void MySettings::connectPointVectorEditor(PointVectorEditor* editor)
{
    const QString key = bindingKey(editor);
    if (contains(key)) {
        const QSignalBlocker blocker(editor);
        editor->slot_setVector(value(key).template value<QList<QPointF>>());
    }
    for (int i = 0; i < 2; ++i) {
        auto* axis = editor->axes[i];
        const QString prefix = key + QStringLiteral("/%1/").arg(i);
        const QSignalBlocker blocker(axis);
        // The channel first: it sets the quantity in which the unit is looked up.
        if (contains(prefix + QStringLiteral("channel")))
            axis->setChannelByKey(value(prefix + QStringLiteral("channel")).toString());
        if (contains(prefix + QStringLiteral("unit")))
            axis->setUnitFromName(value(prefix + QStringLiteral("unit")).toString());
        if (contains(prefix + QStringLiteral("decimals")))
            axis->slot_setDecimals(value(prefix + QStringLiteral("decimals")).toInt());
    }
    connect(editor, &PointVectorEditor::signal_vectorChanged, this, &MySettings::setting_PointVector_ChangedSlot);
    connect(editor, &PointVectorEditor::signal_setupChanged, this,
            &MySettings::template setting_PointVectorEditor_SetupChangedSlot<PointVectorEditor>);
    Q_EMIT editor->signal_vectorChanged(editor->vector());
    Q_EMIT editor->signal_setupChanged();
}

template<class PointVectorEditor>
void MySettings::setting_PointVectorEditor_SetupChangedSlot()
{
    auto* editor = qobject_cast<PointVectorEditor*>(sender());
    const QString key = senderKey();
    if (!editor || key.isEmpty())
        return;
    for (int i = 0; i < 2; ++i) {
        const auto* axis = editor->axes[i];
        const QString prefix = key + QStringLiteral("/%1/").arg(i);
        setValue(prefix + QStringLiteral("unit"), axis->unitName());
        setValue(prefix + QStringLiteral("decimals"), axis->decimals);
        const QString channel = axis->channelKey();
        if (channel.isEmpty())
            remove(prefix + QStringLiteral("channel"));
        else
            setValue(prefix + QStringLiteral("channel"), channel);
    }
}

template<class DynoSettingsLossModelEditor>
void MySettings::connectDynoSettingsLossModelEditor(DynoSettingsLossModelEditor* editor)
{
    const QString key = bindingKey(editor);
    if (contains(key)) {
        const QSignalBlocker blocker(editor);
        editor->setLossModel(value(key).template value<QList<double>>());
    }
    connect(editor, &DynoSettingsLossModelEditor::signal_lossModelChanged, this,
            &MySettings::setting_DynoSettingsLossModel_ChangedSlot);
    Q_EMIT editor->signal_lossModelChanged(editor->lossModel());
}

template<class AbstractTestDialog>
void MySettings::connectDialogPosition(AbstractTestDialog* dialog)
{
    restoreDialogGeometry(dialog, bindingKey(dialog) + QStringLiteral("/geometry"));
    connect(dialog, &AbstractTestDialog::signal_windowClosed, this, &MySettings::setting_Dialog_Closed);
}

// A table of the project or run database (the toolkit's MySQLTableView): its
// header state, sort column and sort order under "UserSetting/" + the view's
// name + "/headerState" (+ "/sortSection", "/sortOrder"). Expects the public
// members `tableView` (QTableView*) and `searchHeader` (with the slot
// slot_headerStructureChanged) and sortByColumn(int, Qt::SortOrder).
//
template<class MySQLTableView>
void MySettings::connectMyTableView(MySQLTableView* table)
{
    MySettings& settings = *this;
    auto* header = table->tableView->horizontalHeader();
    using Header = std::remove_pointer_t<decltype(header)>;
    header->setObjectName(table->objectName() + QStringLiteral("/headerState"));
    const QString key = settings.keyPrefix + header->objectName();
    if (settings.contains(key)) {
        const QSignalBlocker blocker(header);
        header->restoreState(settings.value(key).toByteArray());
        header->setSectionResizeMode(Header::Interactive);
        header->setSectionsMovable(true);
        // The filter row follows the restored widths and order at once.
        table->searchHeader->slot_headerStructureChanged();
    }
    if (settings.contains(key + QStringLiteral("/sortSection"))) {
        const QSignalBlocker blocker(header);
        table->sortByColumn(settings.value(key + QStringLiteral("/sortSection")).toInt(),
                            static_cast<Qt::SortOrder>(settings.value(key + QStringLiteral("/sortOrder"), 0).toInt()));
    }
    header->setDefaultAlignment(Qt::AlignCenter);
    QObject::connect(header, &Header::sectionMoved, &settings, &MySettings::setting_QHeaderView_ChangedSlot_Trigger);
    QObject::connect(header, &Header::sectionClicked, &settings, &MySettings::setting_QHeaderView_SortOrderChanged);
    QObject::connect(header, &Header::sectionResized, &settings, &MySettings::setting_QHeaderView_ChangedSlot_Trigger);
    // A destroyed header must leave the save list before the timer runs.
    QObject::connect(header, &QObject::destroyed, &settings,
                     [&settings](QObject* gone) { settings.pendingHeaderViews.removeAll(gone); });
}
