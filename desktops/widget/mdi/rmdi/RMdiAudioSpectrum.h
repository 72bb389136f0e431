#pragma once

#include "AbstractRMdiWidget.h"

#include <QList>

#include <functional>

class QCPCurve;
class QCustomPlot;

// RUN widget "audioSpectrum": the live amplitude spectrum of the first audio
// input on logarithmic axes, with a red peak hold over it. It has no channel;
// its menu resets the peaks and pauses the picture.
//
// The audio input lives in a layer above this one; it registers the reader of
// its latest block with `setBlockSource` at start-up.
class RMdiAudioSpectrum : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    static constexpr int blockSamples = 2048;
    // Copies input 0's newest block (2048 samples in -1..1) into `out`; false
    // when there is no audio input.
    using BlockSource = std::function<bool(float* out)>;
    static void setBlockSource(BlockSource source);

    explicit RMdiAudioSpectrum(AbstractMdi* desktop);

    void onCreateConfiguration() override {}
    void refreshTick(qint64 nowMs) override;

    void resetPeaks();
    void setPaused(bool pause) { paused = pause; }

    QCustomPlot* plot = nullptr;
    QCPCurve* spectrumCurve = nullptr;
    QCPCurve* peakCurve = nullptr;
    QList<double> peaks;
    bool paused = false;

public Q_SLOTS:
    void slot_showContextMenu(const QPoint& pos);

private:
    float block[blockSamples] = {};
    QList<double> samples;
    QList<double> frequencies;
    QList<double> magnitudes;
};
