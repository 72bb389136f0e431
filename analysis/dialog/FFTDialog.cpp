#include "FFTDialog.h"

#include "ChannelSetup.h"
#include "ContinousDoubleRollingAverage.h"
#include "DelayedDoubleSpinBox.h"
#include "DelayedSlider.h"
#include "DelayedSpinBox.h"
#include "DialogAnswerer.h"
#include "FFT.h"
#include "MySettings.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"

#include <QCheckBox>
#include <QFormLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The selection's samples first ... last - 1, clipped to the channel: a
// selection stored with the run may reach past a channel recorded shorter.
QList<double> selectedSamples(const VectorChannel* channel, int first, int last)
{
    if (!channel)
        return {};
    const QList<double>& raw = channel->rawSamples();
    const qsizetype begin = std::clamp<qsizetype>(first, 0, raw.size());
    const qsizetype end = std::clamp<qsizetype>(last, begin, raw.size());
    QList<double> samples = raw.mid(begin, end - begin);
    // Without one finite sample the transform's normalisation would divide
    // by a count of zero: such a selection has no spectrum.
    if (std::none_of(samples.cbegin(), samples.cend(), [](double x) { return std::isfinite(x); }))
        samples.clear();
    return samples;
}

void logarithmic(QCPAxis* axis)
{
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    axis->grid()->setSubGridVisible(true);
}

} // namespace

FFTDialog::FFTDialog(const QString& title, const VectorChannel* channel, int first, int last,
                     double samplingFrequency, QWidget* parent)
    : QDialog(parent)
{
    const QString channelName = channel && channel->setup ? channel->setup->getName() : QString();
    setWindowTitle(tr("FFT : ") + title + QStringLiteral(" : ") + channelName);

    auto* form = new QFormLayout(this);
    form->setContentsMargins(5, 5, 5, 5);
    form->setSpacing(5);
    plot = new VectorScatterPlot(this);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    form->addRow(plot);

    smoothing = new DelayedSlider(this);
    smoothing->setOrientation(Qt::Horizontal);
    smoothing->setObjectName(QStringLiteral("fftDialog/smoothing"));
    smoothing->setRange(1, 100);
    smoothing->setValue(1);
    theSettings.connectSlider(smoothing);
    form->addRow(tr("Smoothing samples"), smoothing);

    simulate = new QCheckBox(this);
    form->addRow(tr("Simulate filter"), simulate);

    filterFrequency = new DelayedDoubleSpinBox(this);
    filterFrequency->setObjectName(QStringLiteral("fftDialog/simulateFilterFrequency"));
    filterFrequency->setRange(0.1, 1000.0);
    filterFrequency->setDecimals(1);
    filterFrequency->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    filterFrequency->setValue(100.0);
    theSettings.connectDoubleSpinBox(filterFrequency);
    form->addRow(tr("Simulation: filter frequency [Hz]"), filterFrequency);

    filterCascades = new DelayedSpinBox(this);
    filterCascades->setObjectName(QStringLiteral("fftDialog/simulateFilterCascades"));
    filterCascades->setRange(1, 8);
    filterCascades->setValue(8);
    filterCascades->setToolTip(QStringLiteral("ANALYZE: 8\nCONTROL LOOP: 4"));
    theSettings.connectSpinBox(filterCascades);
    form->addRow(tr("Simulation: filter cascades"), filterCascades);

    connect(smoothing, &DelayedSlider::signal_delayedValueChanged, this, &FFTDialog::slot_smoothingChanged);
    connect(simulate, &QCheckBox::toggled, this, &FFTDialog::slot_updateFilterSimulation);
    connect(filterFrequency, &DelayedDoubleSpinBox::signal_delayedValueChanged, this,
            &FFTDialog::slot_updateFilterSimulation);
    connect(filterCascades, &DelayedSpinBox::signal_delayedValueChanged, this,
            &FFTDialog::slot_updateFilterSimulation);

    QList<double> samples = selectedSamples(channel, first, last);
    if (!samples.isEmpty())
        FFT::calculate(samples, frequencies, amplitudes, samplingFrequency, true);

    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2})
        logarithmic(axis);
    plot->xAxis->setLabel(tr("Frequency [Hz]"));
    plot->yAxis2->setBasePen(QPen(Qt::black));
    plot->yAxis->setLabelColor(Qt::black);

    Q_EMIT smoothing->valueChanged(smoothing->value());

    setWindowFlags(Qt::Window);
    resize(800, 600);
    DialogAnswerer::exec(this);
}

double FFTDialog::cascadeGain(double f, double cutoff, int cascades)
{
    if (!(cutoff > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    const double ratio = f / cutoff;
    return std::pow(1.0 / (1.0 + ratio * ratio), 0.5 * cascades);
}

void FFTDialog::slot_smoothingChanged(int samples)
{
    // A logarithmic axis cannot show 0 Hz.
    if (!frequencies.isEmpty()) {
        frequencies[0] = std::numeric_limits<double>::quiet_NaN();
        amplitudes[0] = std::numeric_limits<double>::quiet_NaN();
    }
    if (samples > 1)
        ContinousDoubleRollingAverage::filterVectorToOther(&amplitudes, &smoothedAmplitudes, samples);
    else
        smoothedAmplitudes = amplitudes;
    plot->setData(PlotAxis_left, tr("Amplitude"), &frequencies, &smoothedAmplitudes);
    slot_updateFilterSimulation();
}

void FFTDialog::slot_updateFilterSimulation()
{
    if (!simulate->isChecked()) {
        plot->clearData(PlotAxis_right);
        plot->yAxis2->setVisible(false);
        plot->replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    const double cutoff = filterFrequency->value();
    const int cascades = filterCascades->value();
    QList<double> simulated(smoothedAmplitudes.size());
    for (qsizetype i = 0; i < simulated.size() && i < frequencies.size(); ++i)
        simulated[i] = cascadeGain(frequencies[i], cutoff, cascades) * smoothedAmplitudes[i];
    plot->setData(PlotAxis_right, tr("Simulated amplitude"), &frequencies, &simulated);
    plot->yAxis2->setRange(plot->yAxis->range());
    plot->yAxis2->setVisible(true);
    plot->replot(QCustomPlot::rpQueuedReplot);
}
