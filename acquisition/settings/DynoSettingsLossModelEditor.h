#pragma once

#include <QList>
#include <QWidget>

class LossModelEditor;
class QLabel;

// A loss-model setting's editor: the coefficients of powers 0 to 4 of one
// variable (road speed, or a roller's rotational speed), edited in the
// program's loss-model row. Announces the whole list when it changes.
class DynoSettingsLossModelEditor : public QWidget
{
    Q_OBJECT
public:
    explicit DynoSettingsLossModelEditor(QWidget* parent = nullptr);

    QList<double> lossModel() const { return coefficients; }
    // Stores and shows the list as it is (an empty list stays empty) and announces it.
    void setLossModel(const QList<double>& model);
    // Names the variable in the heading and the terms ("v" until set).
    void setVariableLabel(const QString& variable);

    LossModelEditor* editor = nullptr;

Q_SIGNALS:
    void signal_lossModelChanged(const QList<double>& lossModel);

private:
    QList<double> coefficients;
    QList<QLabel*> termLabels;
};
