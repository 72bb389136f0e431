#include "RMdiAudioSpectrum.h"

#include "FFT.h"
#include "MyMenu.h"
#include "PlotWidgetFrame.h"

#include <qcustomplot.h>

namespace {
RMdiAudioSpectrum::BlockSource& blockSource()
{
    static RMdiAudioSpectrum::BlockSource source;
    return source;
}
} // namespace

void RMdiAudioSpectrum::setBlockSource(BlockSource source)
{
    blockSource() = std::move(source);
}

RMdiAudioSpectrum::RMdiAudioSpectrum(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    plot = buildPlotFrame(this);
    plot->xAxis->setScaleType(QCPAxis::stLogarithmic);
    plot->xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    plot->xAxis->grid()->setSubGridVisible(true);
    plot->xAxis->setLabel(tr("Frequency [Hz]"));
    plot->xAxis->setRange(90.0, 20000.0);
    plot->yAxis->setScaleType(QCPAxis::stLogarithmic);
    plot->yAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    plot->yAxis->setNumberFormat(QStringLiteral("eb"));
    plot->yAxis->setNumberPrecision(0);
    plot->yAxis->grid()->setSubGridVisible(true);
    plot->yAxis->setLabel(tr("Magnitude"));
    plot->yAxis->setLabelColor(Qt::black);
    plot->yAxis->setRange(1e-6, 1.0);
    plot->yAxis2->setVisible(false);

    spectrumCurve = new QCPCurve(plot->xAxis, plot->yAxis);
    peakCurve = new QCPCurve(plot->xAxis, plot->yAxis);
    peakCurve->setPen(QPen(Qt::red));
    peaks = QList<double>(FFT::getResultSampleCount(blockSamples), 0.0);
    samples.reserve(blockSamples);
    connect(plot, &QWidget::customContextMenuRequested, this, &RMdiAudioSpectrum::slot_showContextMenu);
}

void RMdiAudioSpectrum::refreshTick(qint64)
{
    if (paused || !blockSource() || !blockSource()(block))
        return;
    // The transform of a block divided by its length: a full-scale sine on a
    // bin reads about 0.5.
    samples.resize(blockSamples);
    for (int i = 0; i < blockSamples; ++i)
        samples[i] = double(block[i] * (1.0f / 2048.0f));
    if (!FFT::calculate(samples, frequencies, magnitudes, 48000.0, false))
        return;
    const qsizetype n = std::min(peaks.size(), magnitudes.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (magnitudes.at(i) > peaks.at(i))
            peaks[i] = magnitudes.at(i);
    }
    spectrumCurve->setData(frequencies, magnitudes);
    peakCurve->setData(frequencies.mid(0, peaks.size()), peaks.mid(0, frequencies.size()));
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void RMdiAudioSpectrum::resetPeaks()
{
    peaks.fill(0.0);
}

void RMdiAudioSpectrum::slot_showContextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(mapToGlobal(pos));
        return;
    }
    MyMenu menu;
    QAction* reset = menu.addAction(tr("Reset peak"));
    QAction* pause = menu.addAction(QIcon::fromTheme(QStringLiteral("media-playback-pause")), tr("Pause"));
    pause->setCheckable(true);
    pause->setChecked(paused);
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(mapToGlobal(pos));
    if (chosen == reset)
        resetPeaks();
    else if (chosen == pause)
        paused = pause->isChecked();
}
