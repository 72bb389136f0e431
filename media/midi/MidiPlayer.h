#pragma once

#include "AbstractTestDialog.h"

#include <QList>
#include <QMetaObject>
#include <QVector>

#include <atomic>
#include <memory>
#include <mutex>

class MidiTrackPlayer;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QThread;

namespace smf {
class MidiFile;
}

// The test mode "MIDI Player" (advanced test type 9, offered only with the
// option "midi"): plays the tracks of a MIDI file on the dyno's hardware. Each
// track goes to one output: a PWM output of the controller (it switches at the
// note's frequency, at the row's duty), or the engine itself (the absorber
// holds the engine speed whose firing frequency is the note while the throttle
// opens). The track players live in a worker thread of time-critical priority
// and the outputs are driven from there; the table follows in the GUI thread.
//
// Leaving restores every PWM output's configured frequency and duty range and
// sends the note-off throttle: when the window is deleted, and also when the
// program ends with the window still open (before the controller link stops).
class MidiPlayer : public AbstractTestDialog
{
    Q_OBJECT
public:
    // The RUN panel's selector entry.
    static constexpr int testType = 9;
    // The output column's choices. The KX4 module outputs ("KX4 CAN1 1" to
    // "4", 6 to 9) are not offered yet: the KX4 tool is not built.
    enum Output { Output_none = 0, Output_pwm1 = 1, Output_pwm4 = 4, Output_engineSpeed = 5 };
    static constexpr int outputChoices = 6;
    // Configuration addresses of a PWM output's settings (channel = output).
    static constexpr uint32_t pwmFrequencyAddress = 384;
    static constexpr uint32_t pwmRangeMinAddress = 400;
    static constexpr uint32_t pwmRangeMaxAddress = 416;
    // The frequency setting's range; notes outside it are clamped.
    static constexpr float minPwmFrequency = 0.1f;
    static constexpr float maxPwmFrequency = 10000.0f;

    struct PwmRestore {
        float frequency = 1000.0f;
        float rangeMin = 0.0f;
        float rangeMax = 1.0f;
    };

    explicit MidiPlayer(QWidget* parent);
    ~MidiPlayer() override;

    // Registers the window with the RUN panel's selector (type 9) when
    // `enabled` (the program's option "midi"), else removes any registration.
    static void registerTestMode(bool enabled);

    // The engine speed (rad/s) whose firing frequency is 2^pitch × frequency
    // for an engine of `cylinders` cylinders (four-stroke), single precision.
    static float engineSpeedTarget(float frequency, int cylinders, int pitch);
    static float clampPwmFrequency(float frequency);

    // What "Load MIDI file" does once a file is chosen: false (and nothing
    // changed but the file name shown) when it cannot be read.
    bool loadFile(const QString& path);
    int trackCount() const { return players.size(); }
    // The track players (owned, living in the worker thread), for tests.
    QList<MidiTrackPlayer*> trackPlayers() const { return players; }
    QThread* workerThread() const { return worker; }
    QList<PwmRestore> pwmRestoreValues() const { return restore; }
    int pwmOutputCount() const { return pwmCount; }
    QComboBox* outputBox(int track) const;
    QDoubleSpinBox* levelBox(int track) const;

    QPushButton* pushButton_load = nullptr;
    QLabel* label_fileName = nullptr;
    QTableWidget* tableWidget = nullptr;
    QSpinBox* spinBox_cylinderCount = nullptr;
    QSpinBox* spinBox_pitch = nullptr;
    QSpinBox* spinBox_noteOffThrottle = nullptr;
    QSpinBox* spinBox_noteOnThrottle = nullptr;
    QPushButton* pushButton_play = nullptr;
    QPushButton* pushButton_stop = nullptr;

public Q_SLOTS:
    void slot_loadFile();
    void slot_play();
    void slot_stop();
    // GUI thread: the table.
    void slot_noteOn(float frequency, float duration, int track);
    void slot_noteOff(int track);
    // Worker thread: the outputs. They read no widget, only the snapshot.
    void slot_noteOnRtThread(float frequency, float duration, int track);
    void slot_noteOffRtThread(int track);

Q_SIGNALS:
    // Throttle in percent for the RUN tab's throttle editor.
    void signal_newThrottle(double percent);

private:
    struct Route {
        int output = Output_none;
        float level = 0.1f;
    };

    void deletePlayers();
    void restorePwm(int output);
    // Maximum duty, minimum duty, frequency: words 416, 400, 384 in this order.
    void writePwm(int output, float rangeMax, float rangeMin, float frequency);
    void publishRoute(int track);
    // Note-off throttle, players gone, PWM outputs restored, worker ended;
    // once. With `flush`, waits (briefly) until the link has sent the words.
    void leave(bool flush);

    std::unique_ptr<smf::MidiFile> file;
    QList<MidiTrackPlayer*> players;
    QThread* worker = nullptr;
    QObject* workerContext = nullptr;
    QList<PwmRestore> restore;
    int pwmCount = 0;
    bool left = false;
    QMetaObject::Connection quitConnection;

    // The snapshot the worker thread reads.
    std::mutex routeMutex;
    QVector<Route> routes;
    std::atomic<int> cylinderCount{4};
    std::atomic<int> pitch{0};
    std::atomic<int> noteOffThrottle{5};
    std::atomic<int> noteOnThrottle{100};
};
