#pragma once

#include <QDialog>
#include <QList>

class QDoubleSpinBox;
class QTextEdit;

// Edits the bins of a channel setup: a strictly rising list of values, one per
// line of text, with a generator of evenly spaced values. The list is written
// only when Ok accepts the text whole.
class BinsEditorDialog : public QDialog
{
    Q_OBJECT
public:
    BinsEditorDialog(QList<double>* bins, QWidget* parent);

    // The generator stops here; a longer list is typed by hand.
    static constexpr int kMaxGeneratedBins = 100;

    QList<double>* bins = nullptr;
    QDoubleSpinBox* startSpinBox = nullptr;
    QDoubleSpinBox* stepSpinBox = nullptr;
    QDoubleSpinBox* endSpinBox = nullptr;
    QTextEdit* binsTextEdit = nullptr;

private Q_SLOTS:
    void slot_generate();
    void slot_buttonBox_accept();
};
