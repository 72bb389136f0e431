#pragma once

#include <QDialog>
#include <QList>

#include <utility>

class LossModelEditor;
class QLabel;
class QPushButton;
class RangeSelectionPlot;
class RunData;
class VectorChannel;
class VectorScatterPlot;

// Fits a run's speed-based loss model (loss power in W as a polynomial in
// road speed, index = power) to a coast-down: the stretch in which the dyno
// rolled down freely. The modal loop runs inside the constructor; with
// automatic acceptance a good fit is stored without showing anything.
class LossModelCalculator : public QDialog
{
    Q_OBJECT
public:
    LossModelCalculator(QWidget* parent, RunData* run, bool automaticAcceptance);
    ~LossModelCalculator() override;

    static QString printLossModelString(const QList<double>* model);
    // Loss(v): fewer than three coefficients give 0, missing higher ones count as 0.
    static double evaluate(const QList<double>& model, double v);
    // The automatic coast-down stage: start and end sample (-1 when not found),
    // walking from the last sample back over the finite loss samples.
    static std::pair<int, int> findStage(const QList<double>& speed, const QList<double>& loss, double peakSpeed,
                                         double startFraction);

    QList<double> coefficients;
    double fitError = 1.0;
    double fitErrorSpeed = 0.0;
    int stageStart = -1;
    int stageEnd = -1;
    double peakSpeed = 0.0;
    double peakLoss = 0.0;
    VectorChannel* lossPower = nullptr;
    VectorChannel* speedSlice = nullptr;
    VectorChannel* lossSlice = nullptr;
    QLabel* errorLabel = nullptr;
    QPushButton* ignoreButton = nullptr;
    RangeSelectionPlot* rangePlot = nullptr;
    VectorScatterPlot* comparePlot = nullptr;
    LossModelEditor* editor = nullptr;

public Q_SLOTS:
    void slot_newSelection(double start, double end);
    void slot_ignoreErrorsInProject();
    void slot_accept();
    void slot_runAutomaticSelection();
    void slot_updateLossModelVisualization();

private:
    void newSelectionIndexes(int start, int end);
    void checkLossModel();
    void deleteModelFromUI();
    void showError(const QString& text);
    void addTip(const QString& text);

    RunData* run = nullptr;
    VectorChannel* speed = nullptr;
    const VectorChannel* time = nullptr;
    QList<double> curveSpeed;
    QList<double> curveLoss;
};
