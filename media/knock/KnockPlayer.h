#pragma once

#include "BiQuad.h"

#include <QDialog>
#include <QList>

#include <cstdint>
#include <memory>

class AudioSource;
class QCheckBox;
class QComboBox;
class QCPCurve;
class QCustomPlot;
class QPushButton;
class QSlider;
class QTimer;
class RunData;
class VectorChannel;

// Replays the audio recorded with a run, plain or band-pass filtered and
// amplified with the run's own knock settings, plots each input's level
// against engine speed over the run's engine-noise characteristic while it
// plays, and exports an input's whole recording as WAV. The live playback is
// muted while it is open.
class KnockPlayer : public QDialog
{
    Q_OBJECT
public:
    // Builds the player for the run; `ready` is false when the run lacks an
    // engine-noise characteristic (the operator was told).
    KnockPlayer(QWidget* parent, RunData* run);
    ~KnockPlayer() override;

    // Opens the player modally (the ANALYZE list's "Analyze knock recording").
    static void open(RunData* run, QWidget* parent);

    struct Input {
        std::unique_ptr<AudioSource> playback;
        int runIndex = 0;
        BiQuad bandpass;
        float gain = 0.0f;
        VectorChannel* level = nullptr;
        const int16_t* samples = nullptr;
        qsizetype sampleCount = 0;
        QCustomPlot* plot = nullptr;
        QCPCurve* curve = nullptr;
        QCheckBox* enable = nullptr;
        QPushButton* exportButton = nullptr;
        QWidget* column = nullptr;
        // What the last tick played (after filtering), for tests.
        QList<int16_t> lastChunk;
    };

    bool ready = false;
    RunData* run = nullptr;
    Input inputs[2];
    QTimer* playTimer = nullptr;
    int selectionStart = 0;
    int selectionEnd = 0;
    quint32 playStartPosition = 0;
    qint64 wallClockStart = 0;
    const QList<double>* time = nullptr;
    const QList<double>* engineSpeed = nullptr;
    QPushButton* playPause = nullptr;
    QPushButton* stop = nullptr;
    QSlider* slider = nullptr;
    QComboBox* playbackType = nullptr;

    // Milliseconds since the epoch; replaceable for tests.
    static qint64 (*clock)();

public Q_SLOTS:
    void slot_playPause();
    void slot_stop();
    void slot_playTick();
    void slot_exportToFile(int channel);

private:
    static void setLiveMuted(bool muted);
};
