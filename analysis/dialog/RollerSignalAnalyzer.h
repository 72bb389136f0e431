#pragma once

#include <QDialog>

class ComparePlot;
class RunData;

// "Speed Signal Analyzer": for every speed input of a run used as a shaft
// sensor, the raw frequency pulse by pulse, the same frequency averaged over
// one revolution, and the deviation of the raw value from that average in
// percent, so that an uneven tooth wheel, a loose mark or electrical noise
// shows. Copies what it needs from the run; the caller runs it modally.
class RollerSignalAnalyzer : public QDialog
{
    Q_OBJECT
public:
    RollerSignalAnalyzer(QWidget* parent, RunData* run);

    // Below a frequency of this many hertz an input's measuring mode reads
    // nothing reliable: 0 pulse capture, anything else pulse count.
    static double deviationThreshold(int mode);

    ComparePlot* frequencyPlot = nullptr;
    ComparePlot* deviationPlot = nullptr;

private:
    void addInputs(const RunData& run);
};
