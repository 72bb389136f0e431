#pragma once

#include <QItemDelegate>
#include <QPointer>

class QCheckBox;

// Shows a boolean cell as a word and edits it with a check box that writes the
// model at once on every click.
class CheckBoxDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit CheckBoxDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Room for the word it paints, so that a column sized to its contents shows it whole.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

public Q_SLOTS:
    void slot_setData(bool val);

private:
    // The last editor created; the view owns it and may have deleted it.
    mutable QPointer<QCheckBox> editor;
};
