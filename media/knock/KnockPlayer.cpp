#include "KnockPlayer.h"

#include "AudioInputs.h"
#include "AudioSource.h"
#include "KnockAudio.h"
#include "MySettings.h"
#include "PAThread.h"
#include "PathSaver.h"
#include "RunData.h"
#include "VectorChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

namespace {
qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QList<QPointF> pointsOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QList<QPointF>>())
        return value.value<QList<QPointF>>();
    QList<QPointF> points;
    for (const QVariant& entry : value.toList())
        points.append(entry.toPointF());
    return points;
}

constexpr double radPerSecondToRpm = 60.0 / (2.0 * M_PI);
} // namespace

qint64 (*KnockPlayer::clock)() = &systemClock;

void KnockPlayer::setLiveMuted(bool muted)
{
    for (int i = 0; i < AudioInputs::inputCount; ++i) {
        if (PAThread* thread = AudioInputs::captureThread(i))
            thread->setMuted(muted);
    }
}

void KnockPlayer::open(RunData* run, QWidget* parent)
{
    KnockPlayer player(parent, run);
    if (player.ready)
        DialogAnswerer::exec(&player);
}

KnockPlayer::KnockPlayer(QWidget* parent, RunData* runData)
    : QDialog(parent)
    , run(runData)
{
    setLiveMuted(true);
    setWindowTitle(tr("Knock Player"));
    resize(700, 700);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);
    for (int a = 0; a < 2; ++a) {
        Input& in = inputs[a];
        in.column = new QWidget(this);
        auto* col = new QVBoxLayout(in.column);
        in.plot = new QCustomPlot(in.column);
        in.plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        col->addWidget(in.plot);
        in.enable = new QCheckBox(tr("Enable"), in.column);
        in.enable->setChecked(true);
        col->addWidget(in.enable);
        in.exportButton = new QPushButton(tr("Export to .WAV"), in.column);
        col->addWidget(in.exportButton);
        connect(in.exportButton, &QPushButton::clicked, this, [this, a] { slot_exportToFile(a); });
        columns->addWidget(in.column);
        const FrameId table = a == 0 ? FrameId_audio_1 : FrameId_audio_2;
        in.sampleCount = run ? run->frames.count<int16_t>(table) : 0;
        in.samples = in.sampleCount > 0 ? run->frames.records<int16_t>(table) : nullptr;
        in.column->setVisible(in.sampleCount > 0);
    }
    auto* controls = new QHBoxLayout;
    layout->addLayout(controls);
    playPause = new QPushButton(QIcon::fromTheme(QStringLiteral("media-playback-start")), QString(), this);
    stop = new QPushButton(QIcon::fromTheme(QStringLiteral("media-playback-stop")), QString(), this);
    slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, 100);
    playbackType = new QComboBox(this);
    playbackType->setObjectName(QStringLiteral("knockPlayer_playbackType"));
    playbackType->addItem(tr("plain"));
    playbackType->addItem(tr("filtered and amplified"));
    theSettings.connectComboBox(playbackType);
    controls->addWidget(playPause);
    controls->addWidget(stop);
    controls->addWidget(slider, 1);
    controls->addWidget(playbackType);
    connect(playPause, &QPushButton::clicked, this, &KnockPlayer::slot_playPause);
    connect(stop, &QPushButton::clicked, this, &KnockPlayer::slot_stop);
    playTimer = new QTimer(this);
    playTimer->setInterval(40);
    connect(playTimer, &QTimer::timeout, this, &KnockPlayer::slot_playTick);

    if (!run)
        return;
    for (int a = 0; a < 2; ++a) {
        Input& in = inputs[a];
        const QList<QPointF> noise = pointsOf(run->getSettingValue(DynoSettingId_audioKnockEngineNoise, a, QVariant()));
        if (noise.isEmpty()) {
            Tools::showInfo(tr("Engine noise characteristic is empty in this run"));
            setLiveMuted(false);
            return;
        }
        QList<double> x;
        QList<double> y;
        for (const QPointF& p : noise) {
            x.append(p.x() * radPerSecondToRpm);
            y.append(p.y());
        }
        QCPGraph* graph = in.plot->addGraph();
        graph->setData(x, y);
        in.plot->xAxis->setLabel(tr("Engine speed [RPM]"));
        in.plot->xAxis->setRange(0.0, x.last());
        in.plot->yAxis->setLabel(tr("Amplitude"));
        in.plot->yAxis->setRange(0.0, 1.0);
        in.curve = new QCPCurve(in.plot->xAxis, in.plot->yAxis);
        in.curve->setLineStyle(QCPCurve::lsNone);
        in.curve->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssPlus, 6));
        in.curve->setPen(QPen(Qt::red));
        in.level = run->getVectorChannel(ChannelId_audioLevel, a);
        in.bandpass.setFrequencyAndQ(
            48000.0f, float(run->getSettingValueDouble(DynoSettingId_audioKnockFrequency, a, 0.0)),
            float(run->getSettingValueDouble(DynoSettingId_audioKnockFilterShape, a, 2.3)));
        in.gain = float(run->getSettingValueDouble(DynoSettingId_audioKnockGain, a, 0.0));
    }
    const auto [first, last] = run->getSelectionIndexes();
    selectionStart = first;
    selectionEnd = last;
    if (const VectorChannel* t = run->getMainTimeVector())
        time = &t->rawSamples();
    if (VectorChannel* e = run->getVectorChannel(ChannelId_engineSpeed, 0))
        engineSpeed = &e->rawSamples();
    for (int a = 0; a < 2; ++a) {
        Input& in = inputs[a];
        in.playback = AudioSource::create(a);
        QString error;
        if (!in.playback || !in.playback->openPlayback(QStringLiteral("Zembo_KnockPlayer_ch%1").arg(a + 1), &error)) {
            qDebug() << "Error connecting to pulseaudio for playback stream:" << error;
            in.playback.reset();
        }
    }
    ready = true;
}

KnockPlayer::~KnockPlayer()
{
    for (Input& in : inputs) {
        if (in.playback)
            in.playback->closePlayback();
    }
    setLiveMuted(false);
}

void KnockPlayer::slot_playPause()
{
    if (playTimer->isActive()) {
        playTimer->stop();
        playPause->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
        slider->setEnabled(true);
        return;
    }
    if (!time || time->isEmpty())
        return;
    const int start =
        std::clamp(KnockAudio::startIndex(selectionStart, selectionEnd, slider->value()), 0, int(time->size()) - 1);
    for (Input& in : inputs) {
        in.bandpass.reset();
        in.runIndex = start;
        if (in.curve)
            in.curve->data()->clear();
        in.plot->replot();
    }
    playStartPosition = quint32(time->at(start) * 1000.0);
    wallClockStart = clock();
    playTimer->start(40);
    playPause->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-pause")));
    slider->setEnabled(false);
}

void KnockPlayer::slot_stop()
{
    playTimer->stop();
    slider->setValue(0);
    slider->setEnabled(true);
    playPause->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
}

void KnockPlayer::slot_playTick()
{
    if (!time)
        return;
    const quint32 target = playStartPosition + quint32(clock() - wallClockStart);
    // Indexes stay inside every vector the run gave us.
    const int end = int(std::min<qsizetype>(selectionEnd, time->size() - 1));
    for (int a = 0; a < 2; ++a) {
        Input& in = inputs[a];
        if (!in.level)
            continue;
        const QList<double>& level = in.level->rawSamples();
        int i = in.runIndex;
        if (i >= end || i >= level.size())
            continue;
        const qsizetype chunkStart = KnockAudio::sampleAt(time->at(i), in.sampleCount);
        QList<double> xs;
        QList<double> ys;
        while (true) {
            const double speed = engineSpeed && i < engineSpeed->size() ? engineSpeed->at(i) : NAN;
            xs.append(speed * radPerSecondToRpm);
            ys.append(i < level.size() ? level.at(i) : NAN);
            ++i;
            in.runIndex = i;
            if (i >= end) {
                slot_stop();
                break;
            }
            if (!(time->at(i) * 1000.0 < target))
                break;
        }
        // Audio shorter than the time vector is never read past its end.
        const qsizetype chunkEnd = std::max(chunkStart, KnockAudio::sampleAt(time->at(std::min(i, end)), in.sampleCount));
        in.lastChunk = QList<int16_t>(in.samples + chunkStart, in.samples + chunkEnd);
        if (playbackType->currentIndex() == 1)
            KnockAudio::filterChunk(in.lastChunk.data(), in.lastChunk.size(), in.bandpass, in.gain);
        if (playTimer->isActive()) {
            const int span = selectionEnd - selectionStart;
            slider->setValue(span > 0 ? (i - selectionStart) * 100 / span : 0);
        }
        if (in.enable->isChecked()) {
            for (qsizetype k = 0; k < xs.size(); ++k)
                in.curve->addData(xs.at(k), ys.at(k));
            QString error;
            if (in.playback && !in.lastChunk.isEmpty() &&
                !in.playback->write(in.lastChunk.constData(), int(in.lastChunk.size()), &error))
                qDebug() << "Error playing pulseaudio stream" << error;
            in.plot->replot();
        }
    }
}

void KnockPlayer::slot_exportToFile(int channel)
{
    if (channel < 0 || channel > 1 || !run)
        return;
    const QString file = thePathSaver.getSaveFileName(Paths::saveAudio, tr("Export audio to WAV"),
                                                      QFileInfo(run->fileName).completeBaseName() + QStringLiteral(".wav"));
    if (file.isEmpty())
        return;
    const Input& in = inputs[channel];
    if (!KnockAudio::writeWav(file, in.samples, in.sampleCount))
        Tools::showError(tr("Can't open file for writing"));
}
