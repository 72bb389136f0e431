#include "MidiTrackPlayer.h"

#include "MidiEventList.h"

#include <QDateTime>
#include <QTimer>

#include <cmath>

MidiTrackPlayer::MidiTrackPlayer(QObject* parent, const smf::MidiEventList& events, int track)
    : QObject(parent)
    , m_events(events)
    , m_track(track)
    , m_timer(new QTimer(this))
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &MidiTrackPlayer::slot_processNextEvent);
}

void MidiTrackPlayer::setClock(Clock clock) { m_clock = std::move(clock); }

bool MidiTrackPlayer::isTimerActive() const { return m_timer->isActive(); }

float MidiTrackPlayer::frequencyOfKey(int key)
{
    return float(int(440.0 * std::pow(2.0, (key - 69) / 12.0)));
}

void MidiTrackPlayer::slot_play()
{
    m_nextEvent = 0;
    m_playStart = m_clock();
    m_busyUntil = m_playStart;
    startTimer(0.0);
}

void MidiTrackPlayer::slot_stop()
{
    m_timer->stop();
    emit signal_noteOff(m_track);
}

void MidiTrackPlayer::startTimer(double seconds)
{
    // Waits are capped (a file with a division of 0 has infinite times, a
    // long pause is re-checked anyway) and converted only once they fit an int.
    double ms = seconds * 1000.0;
    if (!(ms > 0.0))
        ms = 0.0;
    m_lastWait = ms >= kMaxWaitMs ? kMaxWaitMs : int(ms);
    m_timer->start(m_lastWait);
}

void MidiTrackPlayer::slot_processNextEvent()
{
    const qint64 now = m_clock();
    // The previous note still sounds: a wait cut short by the cap ends here.
    if (now < m_busyUntil) {
        startTimer((m_busyUntil - now) / 1000.0);
        return;
    }
    if (m_nextEvent >= m_events.size()) {
        slot_stop();
        return;
    }
    const smf::MidiEvent& event = m_events[m_nextEvent];
    if (event.isNoteOn() && event.getLinkedEvent()) {
        const double t = event.seconds;
        const double d = event.getDurationInSeconds();
        if (!std::isfinite(t) || !std::isfinite(d)) {
            ++m_nextEvent;
            startTimer(0.0);
            return;
        }
        const double elapsed = (now - m_playStart) / 1000.0;
        if (elapsed < t) {
            startTimer(t - elapsed);
            return;
        }
        double wait = 0.0;
        if (elapsed < t + d) {
            emit signal_noteOn(frequencyOfKey(event.getKeyNumber()), float(d), m_track);
            wait = std::trunc(d * 1000.0) / 1000.0;
            m_busyUntil = now + qint64(std::min(wait * 1000.0, 1e12));
        }
        ++m_nextEvent;
        startTimer(wait);
        return;
    }
    if (event.isNoteOff())
        emit signal_noteOff(m_track);
    ++m_nextEvent;
    startTimer(0.0);
}
