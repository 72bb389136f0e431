#pragma once

#include <QFrame>
#include <QList>

class QCheckBox;

// STAND-IN until the loss-model editor and indicator are built: the RUN tab's
// loss-model row with its "Attach this model to runs" box and the model it holds.
class LossModelIndicator : public QFrame
{
    Q_OBJECT
public:
    explicit LossModelIndicator(QWidget* parent = nullptr);
    void init();
    void clearModel();
    void loadModel(const QList<double>& model);

    QCheckBox* checkBox_attachLossModelToRun = nullptr;
    QList<double> model;
};
