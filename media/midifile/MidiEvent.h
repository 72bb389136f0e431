#pragma once

#include "MidiMessage.h"

namespace smf {

// A message with its place in a file: tick (absolute or delta, as the file's
// tick state says), track, time in seconds, sequence number, and a non-owning
// two-way link to its partner (a note's note-off, a pedal's release).
class MidiEvent : public MidiMessage {
public:
    MidiEvent();
    explicit MidiEvent(int command);
    MidiEvent(int command, int p1);
    MidiEvent(int command, int p1, int p2);
    MidiEvent(int tick, int track, const std::vector<uchar>& message);
    MidiEvent(const MidiEvent& other);
    ~MidiEvent();

    MidiEvent& operator=(const MidiEvent& other);
    MidiEvent& operator=(const MidiMessage& message);
    MidiEvent& operator=(const std::vector<uchar>& bytes);
    MidiEvent& operator=(const std::vector<char>& bytes);
    MidiEvent& operator=(const std::vector<int>& bytes);

    void linkEvent(MidiEvent* other);
    void linkEvent(MidiEvent& other);
    void unlinkEvent();
    MidiEvent* getLinkedEvent();
    const MidiEvent* getLinkedEvent() const;
    int isLinked() const;
    int getTickDuration() const;
    double getDurationInSeconds() const;

    int tick = 0;
    int track = 0;
    double seconds = 0.0;
    int seq = 0;

private:
    void clearFields();
    MidiEvent* m_eventlink = nullptr;
};

} // namespace smf
