#pragma once

#include <QDialog>
#include <QList>

class LossModelEditor;
class VectorScatterPlot;

// Edits a speed-based loss model by hand and shows its curve over 0 to 83 m/s.
// The modal loop runs in the constructor; the caller reads `lossModel` when
// the dialog was accepted ("Apply Loss Model changes").
class LossModelEditorDialog : public QDialog
{
    Q_OBJECT
public:
    LossModelEditorDialog(QWidget* parent, QList<double> model);

    QList<double> lossModel;
    QList<double> speeds;
    QList<double> curveSpeed;
    QList<double> curveLoss;
    VectorScatterPlot* plot = nullptr;
    LossModelEditor* editor = nullptr;

public Q_SLOTS:
    void slot_updateLossModelVisualization();
};
