#pragma once

#include <QStyledItemDelegate>

#include <climits>

// Edits an integer in a table cell (stored back as a double), within a range
// set before editing.
class SpinBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit SpinBoxDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // For editors created afterwards; an open editor keeps its range.
    void setRange(int min, int max);

    // True while one of its editors is open.
    mutable bool editorOpen = false;

private:
    int minimum = INT_MIN;
    int maximum = INT_MAX;
};
