#pragma once

#include <QStyledItemDelegate>

#include <limits>

// Edits a real number in a table cell, within a range set before editing.
class DoubleSpinBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit DoubleSpinBoxDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // For editors created afterwards; an open editor keeps its range.
    void setRange(double min, double max);

    // True while one of its editors is open, so that the owner keeps keyboard
    // shortcuts away from a cell being edited.
    mutable bool editorOpen = false;

private:
    double minimum = std::numeric_limits<double>::lowest();
    double maximum = std::numeric_limits<double>::max();
};
