#pragma once

#include <QDialog>
#include <QList>
#include <QPointF>

class QFormLayout;
class QPushButton;
class RangeSelectionPlot;
class RunData;
class SpinBoxWithUnit;
class VectorChannel;
class VectorScatterPlot;

// Proposes the engine-noise characteristic of one audio input from a
// knock-free part of a recorded run and, on request, loads it into the live
// dyno setting, which the knock detector uses from its next block.
class KnockEngineNoiseWizard : public QDialog
{
    Q_OBJECT
public:
    // Builds the dialog only; `run()` asks for the run and shows it.
    KnockEngineNoiseWizard(int input, QWidget* parent);

    // Asks for a run file and runs the dialog modally.
    void run();
    // Loads and checks a run; false (after an error box) when it cannot be used.
    bool useRun(const QString& fileName);
    void recalculateEngineNoiseVector();

    const int input;
    RunData* runData = nullptr;
    VectorChannel* engineSpeed = nullptr;
    VectorChannel* level = nullptr;
    int selectionStart = 0;
    int selectionLength = 0;
    // Engine speed in rad/s, level as a fraction.
    QList<QPointF> characteristic;

    RangeSelectionPlot* rangePlot = nullptr;
    SpinBoxWithUnit* tolerance = nullptr;
    SpinBoxWithUnit* speedResolution = nullptr;
    VectorScatterPlot* scatterPlot = nullptr;
    QPushButton* loadButton = nullptr;

public Q_SLOTS:
    void slot_newSelection(double start, double end);
    void slot_engineSpeedResolutionChanged() { recalculateEngineNoiseVector(); }
    void slot_marginChanged() { recalculateEngineNoiseVector(); }
    void slot_loadCharacteristic();

private:
    void addTip(const QString& text);

    QFormLayout* form = nullptr;
    QList<double> shownSpeeds;
    QList<double> shownLevels;
    QList<double> curveX;
    QList<double> curveY;
};
