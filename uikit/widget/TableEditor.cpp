#include "TableEditor.h"

#include "CustomSqlTableModel.h"
#include "DelayedCheckBox.h"
#include "DelayedComboBox.h"
#include "DelayedLineEdit.h"
#include "DelayedSpinBox.h"
#include "DelayedTextEdit.h"
#include "SafeSpinBox.h"
#include "Unit.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <climits>

namespace {

constexpr int kLongTextSize = 100;

double shownValue(const TableModelFieldDescriptor* field, const QVariant& raw)
{
    const double si = raw.toDouble();
    return field->unit ? field->unit->getUnitValue(si) : si;
}

bool isSet(const QVariant& raw)
{
    return raw.toLongLong() != 0 || raw.toBool();
}

QString timestampText(const QVariant& raw)
{
    return raw.isValid() ? Tools::stringFromUnixTimestamp(static_cast<long>(raw.toLongLong())) : QString();
}

} // namespace

TableEditor::TableEditor(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    formWidget = new QWidget;
    formLayout = new QFormLayout(formWidget);
    formLayout->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setWidget(formWidget);
}

void TableEditor::setModel(CustomSqlTableModel* newModel)
{
    model = newModel;
    if (!model)
        return;
    connect(model, &CustomSqlTableModel::signal_descriptorChanged, this, &TableEditor::slot_descriptorChanged);
    connect(model, &QAbstractItemModel::dataChanged, this,
            qOverload<const QModelIndex&, const QModelIndex&, const QList<int>&>(&TableEditor::slot_dataChanged));
}

void TableEditor::setEditingEnabled(bool enabled)
{
    formWidget->setEnabled(enabled);
}

void TableEditor::addActionForField(int fieldId, QAction* action)
{
    actionsByField[fieldId].append(action);
}

// Every editor is filled with its signals blocked: filling is not an edit, and
// nothing may reach the dispatchers (the delayed editors would announce 300 ms later).
QWidget* TableEditor::buildEditor(int fieldId, const TableModelFieldDescriptor* field, const QVariant& raw)
{
    switch (field->dataType) {
    case SQLiteBool: {
        auto* box = new DelayedCheckBox;
        {
            const QSignalBlocker blocker(box);
            box->setChecked(isSet(raw));
        }
        connect(box, &DelayedCheckBox::signal_delayedStateChanged, this, &TableEditor::slot_valueChangedDispatcherInt);
        return box;
    }
    case SQLiteInteger: {
        auto* box = new DelayedSpinBox;
        box->setRange(INT_MIN, INT_MAX);
        box->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        {
            const QSignalBlocker blocker(box);
            box->setValue(raw.toInt());
        }
        connect(box, &DelayedSpinBox::signal_delayedValueChanged, this, &TableEditor::slot_valueChangedDispatcherInt);
        return box;
    }
    case SQLiteEnum: {
        auto* box = new DelayedComboBox;
        {
            const QSignalBlocker blocker(box);
            if (field->enumLabels)
                box->addItems(*field->enumLabels);
            box->setCurrentIndex(raw.isValid() ? raw.toInt() : -1);
        }
        connect(box, &DelayedComboBox::signal_delayedCurrentIndexChanged, this,
                &TableEditor::slot_valueChangedDispatcherInt);
        return box;
    }
    case SQLiteTimestamp: {
        // Set by the program (creation, last run, last access): shown, never typed.
        auto* line = new QLineEdit;
        line->setReadOnly(true);
        line->setText(timestampText(raw));
        return line;
    }
    case SQLiteReal: {
        auto* box = new SafeSpinBox;
        {
            const QSignalBlocker blocker(box);
            box->setDecimals(field->decimals);
            box->setValueSI(shownValue(field, raw));
        }
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, &TableEditor::slot_valueChangedDispatcherReal);
        return box;
    }
    case SQLiteVarchar:
        if (field->varcharSize > kLongTextSize) {
            auto* text = new DelayedTextEdit;
            {
                const QSignalBlocker blocker(text);
                text->setPlainText(raw.toString());
            }
            connect(text, &DelayedTextEdit::signal_delayedTextChanged, this,
                    &TableEditor::slot_valueChangedDispatcherText);
            return text;
        } else {
            auto* line = new DelayedLineEdit(nullptr, 300);
            {
                const QSignalBlocker blocker(line);
                line->setText(raw.toString());
            }
            connect(line, &DelayedLineEdit::signal_delayedTextChanged, this,
                    &TableEditor::slot_valueChangedDispatcherText);
            return line;
        }
    default:
        qDebug() << Q_FUNC_INFO << "not supported widgetType" << field->dataType << "of field" << fieldId;
        return new QWidget;
    }
}

void TableEditor::slot_setRow(int newRow)
{
    while (formLayout->rowCount() > 0)
        formLayout->removeRow(0);
    editorsByField.clear();
    row = newRow;

    if (row < 0 || !model) {
        formLayout->addRow(new QLabel(tr("Select project to edit")));
        return;
    }

    const int groupCount = static_cast<int>(model->groupDescriptors.size());
    QList<QList<QPair<QLabel*, QWidget*>>> groups(groupCount);

    for (int fieldId = 0; fieldId < model->fieldDescriptors.size(); ++fieldId) {
        const TableModelFieldDescriptor* field = model->fieldDescriptors.at(fieldId);
        if (!field || !(field->flags & FieldInEditor) || field->hiddenInEditor)
            continue;
        const QVariant raw = model->dataRawByRowAndId(row, fieldId);
        QWidget* editor = buildEditor(fieldId, field, raw);
        editor->setProperty("fieldId", fieldId);
        editor->installEventFilter(this);
        editor->setFocusPolicy(Qt::StrongFocus);
        editor->setContextMenuPolicy(Qt::ActionsContextMenu);
        editor->addActions(actionsByField.value(fieldId));

        QString labelText = field->headerLabel;
        if (field->quantity != Quantity::None && field->quantity != Quantity::Integer && field->unit)
            labelText += QStringLiteral(" [") + field->unit->name + QLatin1Char(']');
        auto* label = new QLabel(labelText);
        label->setToolTip(field->toolTip);
        editor->setToolTip(field->toolTip);

        if (field->groupId < 0 || field->groupId >= groupCount)
            formLayout->addRow(label, editor);
        else
            groups[field->groupId].append({label, editor});
        editorsByField.insert(fieldId, editor);
    }

    if (groupCount > 1) {
        auto* grid = new QGridLayout;
        for (int group = 0; group < groupCount; ++group) {
            if (groups.at(group).isEmpty())
                continue;
            const TableModelGroupDescriptor* descriptor = model->groupDescriptors.at(group);
            auto* box = new QGroupBox(descriptor ? descriptor->name : QString());
            auto* boxLayout = new QFormLayout(box);
            boxLayout->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
            for (const auto& pair : groups.at(group))
                boxLayout->addRow(pair.first, pair.second);
            grid->addWidget(box, group / 2, group % 2);
        }
        formLayout->addRow(grid);
    } else if (groupCount == 1 && !groups.first().isEmpty()) {
        // One group gets its box straight in the form, so its fields are not lost.
        const TableModelGroupDescriptor* descriptor = model->groupDescriptors.first();
        auto* box = new QGroupBox(descriptor ? descriptor->name : QString());
        auto* boxLayout = new QFormLayout(box);
        boxLayout->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (const auto& pair : groups.first())
            boxLayout->addRow(pair.first, pair.second);
        formLayout->addRow(box);
    }
}

void TableEditor::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>&)
{
    if (row < topLeft.row() || row > bottomRight.row())
        return;
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column)
        reloadField(column);
}

void TableEditor::slot_dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    slot_dataChanged(topLeft, bottomRight, QList<int>());
}

void TableEditor::reloadField(int fieldId)
{
    if (!model)
        return;
    const TableModelFieldDescriptor* field = model->descriptor(fieldId);
    QWidget* editor = editorsByField.value(fieldId, nullptr);
    if (!field || !(field->flags & FieldInEditor) || field->hiddenInEditor || !editor)
        return;
    const QVariant raw = model->dataRawByRowAndId(row, fieldId);
    // Showing a value that changed elsewhere must not write it back: a real
    // value rounded to the shown decimals would overwrite the stored one.
    const QSignalBlocker blocker(editor);
    switch (field->dataType) {
    case SQLiteBool:
        static_cast<DelayedCheckBox*>(editor)->setCheckedWithoutSignal(isSet(raw));
        break;
    case SQLiteInteger:
        if (static_cast<DelayedSpinBox*>(editor)->value() != raw.toInt())
            static_cast<DelayedSpinBox*>(editor)->setValueWithoutSignal(raw.toInt());
        break;
    case SQLiteEnum:
        static_cast<DelayedComboBox*>(editor)->setCurrentIndexWithoutSignal(raw.isValid() ? raw.toInt() : -1);
        break;
    case SQLiteTimestamp:
        static_cast<QLineEdit*>(editor)->setText(timestampText(raw));
        break;
    case SQLiteReal:
        static_cast<SafeSpinBox*>(editor)->setValueSI(shownValue(field, raw));
        break;
    case SQLiteVarchar:
        if (auto* text = qobject_cast<DelayedTextEdit*>(editor)) {
            if (text->toPlainText() != raw.toString())
                text->setPlainText(raw.toString());
        } else if (auto* line = qobject_cast<DelayedLineEdit*>(editor)) {
            if (line->text() != raw.toString())
                line->setTextWithoutSignal(raw.toString());
        }
        break;
    default:
        qDebug() << Q_FUNC_INFO << "not supported widgetType" << field->dataType << "of field" << fieldId;
        break;
    }
}

void TableEditor::slot_descriptorChanged(int)
{
    slot_setRow(row);
}

void TableEditor::writeBack(const QVariant& value)
{
    QObject* editor = sender();
    if (!editor || !model)
        return;
    bool ok = false;
    const int fieldId = editor->property("fieldId").toInt(&ok);
    if (!ok)
        return;
    model->setDataRawByRowAndId(row, fieldId, value);
}

void TableEditor::slot_valueChangedDispatcherInt(int value)
{
    writeBack(value);
}

void TableEditor::slot_valueChangedDispatcherReal(double value)
{
    QObject* editor = sender();
    if (!editor || !model)
        return;
    const TableModelFieldDescriptor* field = model->descriptor(editor->property("fieldId").toInt());
    const double si = field && field->unit ? field->unit->getSIValue(value) : value;
    writeBack(si);
}

void TableEditor::slot_valueChangedDispatcherText(const QString& string)
{
    writeBack(string);
}

bool TableEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched->property("fieldId").isValid()) {
        // The wheel scrolls the form; it never changes a value by accident.
        auto* wheel = static_cast<QWheelEvent*>(event);
        verticalScrollBar()->setValue(verticalScrollBar()->value() - wheel->angleDelta().y());
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}
