#pragma once

#include <QObject>

class DynoSetting;
class PAThread;

// One audio input as the run thread sees it: binds the input's dyno settings
// to its capture thread (`PAThread`), opens the streams while recording or
// live processing is on, and flushes the capture at a run start.
//
// Lives in the run thread; the settings' editors belong to the GUI thread, so
// their signals arrive queued and their values are read through the settings'
// thread-safe copies.
class AudioController : public QObject
{
    Q_OBJECT
public:
    AudioController(int input, QObject* parent);
    ~AudioController() override;

    void init();
    void updatePulseaudioConnection();
    void flush();
    // Shutdown: returns when the streams are closed and the capture thread has ended.
    void stopPaThread();

    PAThread* paThread() const { return thread; }
    const int inputIndex;

    // Whether the input's audio is recorded with runs.
    bool recordingEnabled() const;

public Q_SLOTS:
    void slot_processInputCheckboxStateChanged(int state);
    void slot_recordInputCheckboxStateChanged(int state);
    void slot_updateBandpassSetup();
    void slot_levelFilterFrequencyChanged(double frequency);

private:
    DynoSetting* setting(int id) const;
    bool checked(int id) const;
    double number(int id, double fallback) const;
    void pushSetup();

    PAThread* thread = nullptr;
    bool started = false;
};
