#pragma once

#include <QObject>

#include <functional>

class QTimer;

namespace smf {
class MidiEventList;
}

// Plays one track of a loaded MIDI file in real time as a single voice: each
// note-on with a partner is announced as a frequency and a duration at its
// time, and the next note is looked at only once that one is over.
// The file must have had its notes paired and its times analysed, and must
// not change while the player runs.
class MidiTrackPlayer : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<qint64()>; // ms since the epoch

    MidiTrackPlayer(QObject* parent, const smf::MidiEventList& events, int track);

    // Tests drive the player with a clock of their own.
    void setClock(Clock clock);
    int nextEventIndex() const { return m_nextEvent; }
    // The wait the player asked for last (ms), and whether its timer runs.
    int lastWaitMs() const { return m_lastWait; }
    bool isTimerActive() const;

    // The longest single wait: a long pause is re-checked at least this often.
    static constexpr int kMaxWaitMs = 1000;

    static float frequencyOfKey(int key);

public slots:
    void slot_play();
    void slot_stop();
    void slot_processNextEvent();

signals:
    void signal_noteOn(float frequency, float duration, int track);
    void signal_noteOff(int track);

private:
    void startTimer(double seconds);

    const smf::MidiEventList& m_events;
    const int m_track;
    int m_nextEvent = 0;
    qint64 m_playStart = 0;
    qint64 m_busyUntil = 0; // end of the note sounding now (ms since the epoch)
    int m_lastWait = 0;
    QTimer* m_timer;
    Clock m_clock;
};
