#pragma once

#include <QDialog>
#include <QList>

class DelayedDoubleSpinBox;
class DelayedSlider;
class DelayedSpinBox;
class QCheckBox;
class VectorChannel;
class VectorScatterPlot;

// The amplitude spectrum of one recorded channel over the run's selection, on
// logarithmic axes, smoothed on request, with what a chain of first-order
// low-pass filters would leave of it beside, so that the operator can pick a
// filter frequency and order for the signal. Runs modally inside its
// constructor.
class FFTDialog : public QDialog
{
    Q_OBJECT
public:
    // `first` and `last` are the selection's first and last sample index; the
    // spectrum covers first ... last - 1. `samplingFrequency` in Hz.
    FFTDialog(const QString& title, const VectorChannel* channel, int first, int last, double samplingFrequency,
              QWidget* parent);

    // Gain of `cascades` first-order low-passes at `cutoff` for frequency f (Hz).
    static double cascadeGain(double f, double cutoff, int cascades);

    const QList<double>& spectrumFrequencies() const { return frequencies; }
    const QList<double>& spectrumAmplitudes() const { return amplitudes; }

public Q_SLOTS:
    void slot_smoothingChanged(int samples);
    void slot_updateFilterSimulation();

private:
    VectorScatterPlot* plot = nullptr;
    DelayedSlider* smoothing = nullptr;
    QCheckBox* simulate = nullptr;
    DelayedDoubleSpinBox* filterFrequency = nullptr;
    DelayedSpinBox* filterCascades = nullptr;
    QList<double> frequencies;
    QList<double> amplitudes;
    QList<double> smoothedAmplitudes;
};
