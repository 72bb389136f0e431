#include "MultiSqlDelegate.h"

#include "CustomSqlTableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include <climits>

MultiSqlDelegate::MultiSqlDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

void MultiSqlDelegate::setModel(CustomSqlTableModel* model)
{
    sqlModel = model;
}

QWidget* MultiSqlDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const TableModelFieldDescriptor* field = sqlModel ? sqlModel->descriptor(index.row()) : nullptr;
    const int type = field ? field->dataType : 0;
    switch (type) {
    case SQLiteBool:
        return new QCheckBox(parent);
    case SQLiteInteger: {
        auto* box = new QSpinBox(parent);
        box->setRange(INT_MIN, INT_MAX);
        box->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        return box;
    }
    case SQLiteEnum: {
        auto* box = new QComboBox(parent);
        if (field->enumLabels)
            box->addItems(*field->enumLabels);
        return box;
    }
    case SQLiteReal: {
        auto* box = new QDoubleSpinBox(parent);
        box->setRange(-2147483648.0, 2147483647.0);
        box->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        box->setDecimals(field->decimals);
        return box;
    }
    case SQLiteVarchar:
        return new QLineEdit(parent);
    default:
        qDebug() << Q_FUNC_INFO << "not supported widgetType" << type;
        return new QWidget(parent);
    }
}

void MultiSqlDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    QStyledItemDelegate::destroyEditor(editor, index);
}

void MultiSqlDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const TableModelFieldDescriptor* field = sqlModel ? sqlModel->descriptor(index.row()) : nullptr;
    const int type = field ? field->dataType : 0;
    const QVariant value = index.data(Qt::EditRole);
    switch (type) {
    case SQLiteBool:
        static_cast<QCheckBox*>(editor)->setChecked(value.toBool());
        break;
    case SQLiteInteger:
        static_cast<QSpinBox*>(editor)->setValue(value.toInt());
        break;
    case SQLiteEnum: {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(box->findText(value.toString()));
        break;
    }
    case SQLiteReal:
        static_cast<QDoubleSpinBox*>(editor)->setValue(value.toDouble());
        break;
    case SQLiteVarchar:
        static_cast<QLineEdit*>(editor)->setText(value.toString());
        break;
    default:
        qDebug() << Q_FUNC_INFO << "not supported widgetType" << type;
        break;
    }
}

void MultiSqlDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    const TableModelFieldDescriptor* field = sqlModel ? sqlModel->descriptor(index.row()) : nullptr;
    const int type = field ? field->dataType : 0;
    switch (type) {
    case SQLiteBool:
        model->setData(index, static_cast<QCheckBox*>(editor)->isChecked(), Qt::EditRole);
        break;
    case SQLiteInteger: {
        auto* box = static_cast<QSpinBox*>(editor);
        box->interpretText();
        model->setData(index, box->value(), Qt::EditRole);
        break;
    }
    case SQLiteEnum:
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
        break;
    case SQLiteTimestamp:
        // Time stamps are set by the program; the placeholder edits nothing.
        break;
    case SQLiteReal: {
        auto* box = static_cast<QDoubleSpinBox*>(editor);
        box->interpretText();
        model->setData(index, box->value(), Qt::EditRole);
        break;
    }
    case SQLiteVarchar:
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
        break;
    default:
        qDebug() << Q_FUNC_INFO << "not supported widgetType" << type;
        model->setData(index, QVariant(), Qt::EditRole);
        break;
    }
}

void MultiSqlDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
