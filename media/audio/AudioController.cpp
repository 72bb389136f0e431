#include "AudioController.h"

#include "ChannelId.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "PAThread.h"
#include "PointVectorEditor.h"
#include "RunChannel.h"
#include "SpinBoxWithUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>

AudioController::AudioController(int input, QObject* parent)
    : QObject(parent)
    , inputIndex(input)
    , thread(new PAThread(input))
{
}

AudioController::~AudioController()
{
    if (thread->isRunning()) {
        thread->quit();
        thread->wait();
    }
    delete thread;
}

DynoSetting* AudioController::setting(int id) const
{
    return theDynoSettings ? theDynoSettings->getSetting(DynoSettingId(id), inputIndex) : nullptr;
}

bool AudioController::checked(int id) const
{
    const DynoSetting* s = setting(id);
    return s && s->value().toBool();
}

double AudioController::number(int id, double fallback) const
{
    const DynoSetting* s = setting(id);
    bool ok = false;
    const double value = s ? s->value().toDouble(&ok) : 0.0;
    return ok ? value : fallback;
}

bool AudioController::recordingEnabled() const
{
    return checked(DynoSettingId_audioRecord);
}

void AudioController::init()
{
    if (RunChannel* count = theChannels.getChannel(ChannelId_audioKnockCount, inputIndex))
        count->setData(0.0, QDateTime::currentMSecsSinceEpoch());
    thread->resetKnockCount();

    if (DynoSetting* s = setting(DynoSettingId_audioProcessLive)) {
        if (auto* box = s->getWidgetHelper<QCheckBox>(SettingWidgetType_checkBox))
            connect(box, &QCheckBox::stateChanged, this, &AudioController::slot_processInputCheckboxStateChanged);
    }
    updatePulseaudioConnection();
    if (checked(DynoSettingId_audioProcessLive))
        thread->resetFilters();
    if (DynoSetting* s = setting(DynoSettingId_audioRecord)) {
        if (auto* box = s->getWidgetHelper<QCheckBox>(SettingWidgetType_checkBox))
            connect(box, &QCheckBox::stateChanged, this, &AudioController::slot_recordInputCheckboxStateChanged);
    }
    if (DynoSetting* s = setting(DynoSettingId_audioKnockFrequency)) {
        if (auto* box = s->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit))
            connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, &AudioController::slot_updateBandpassSetup);
    }
    if (DynoSetting* s = setting(DynoSettingId_audioKnockFilterShape)) {
        if (auto* box = s->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox))
            connect(box, &QDoubleSpinBox::valueChanged, this, &AudioController::slot_updateBandpassSetup);
    }
    if (DynoSetting* s = setting(DynoSettingId_audioKnockLevelFilter)) {
        if (auto* box = s->getWidgetHelper<SpinBoxWithUnit>(SettingWidgetType_spinBoxWithUnit))
            connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this,
                    &AudioController::slot_levelFilterFrequencyChanged);
    }
    // Gain, playback mode and the characteristic are taken by the audio thread
    // at each block start; a change here hands it a fresh copy.
    if (DynoSetting* s = setting(DynoSettingId_audioKnockGain)) {
        if (auto* box = s->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox))
            connect(box, &QDoubleSpinBox::valueChanged, this, &AudioController::pushSetup);
    }
    if (DynoSetting* s = setting(DynoSettingId_audioPlayback)) {
        if (auto* box = s->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox))
            connect(box, &QComboBox::currentIndexChanged, this, &AudioController::pushSetup);
    }
    if (DynoSetting* s = setting(DynoSettingId_audioKnockEngineNoise)) {
        if (auto* editor = s->getWidgetHelper<PointVectorEditor>(SettingWidgetType_pointVectorEditor))
            connect(editor, &PointVectorEditor::signal_vectorChanged, this, &AudioController::pushSetup);
    }
    pushSetup();
    if (!started) {
        started = true;
        thread->start(QThread::InheritPriority);
    }
}

void AudioController::pushSetup()
{
    PAThread::Setup setup;
    setup.bandpassFrequency = float(number(DynoSettingId_audioKnockFrequency, 6000.0));
    setup.bandpassQ = float(number(DynoSettingId_audioKnockFilterShape, 2.3));
    setup.gain = number(DynoSettingId_audioKnockGain, 1.0);
    setup.levelCutoff = number(DynoSettingId_audioKnockLevelFilter, 4000.0);
    if (const DynoSetting* s = setting(DynoSettingId_audioPlayback))
        setup.playbackMode = s->value().toInt();
    if (DynoSetting* s = setting(DynoSettingId_audioKnockEngineNoise)) {
        if (s->widgetType == SettingWidgetType_pointVectorEditor) {
            setup.engineNoise = qobject_cast<PointVectorEditor*>(s->widget);
            setup.engineNoiseEmpty = s->value().value<QList<QPointF>>().isEmpty();
        }
    }
    thread->setSetup(setup);
}

void AudioController::updatePulseaudioConnection()
{
    const bool open = checked(DynoSettingId_audioRecord) || checked(DynoSettingId_audioProcessLive);
    QMetaObject::invokeMethod(thread, open ? "slot_startReading" : "slot_stopReading", Qt::QueuedConnection);
}

void AudioController::slot_processInputCheckboxStateChanged(int state)
{
    updatePulseaudioConnection();
    if (state != 0)
        thread->resetFilters();
}

void AudioController::slot_recordInputCheckboxStateChanged(int)
{
    updatePulseaudioConnection();
}

void AudioController::slot_updateBandpassSetup()
{
    pushSetup();
}

void AudioController::slot_levelFilterFrequencyChanged(double)
{
    pushSetup();
}

void AudioController::flush()
{
    thread->flushNextBuffer();
}

void AudioController::stopPaThread()
{
    if (!thread->isRunning())
        return;
    QMetaObject::invokeMethod(thread, "slot_stopReading", Qt::BlockingQueuedConnection);
    // Shutdown: the capture thread ends here, before the run thread that owns
    // this controller goes away.
    thread->quit();
    thread->wait();
}
