#include "MidiEvent.h"

#include <cstdlib>

namespace smf {

MidiEvent::MidiEvent() = default;
MidiEvent::MidiEvent(int command) : MidiMessage(command) {}
MidiEvent::MidiEvent(int command, int p1) : MidiMessage(command, p1) {}
MidiEvent::MidiEvent(int command, int p1, int p2) : MidiMessage(command, p1, p2) {}

MidiEvent::MidiEvent(int aTick, int aTrack, const std::vector<uchar>& message)
    : MidiMessage(message), tick(aTick), track(aTrack)
{
}

MidiEvent::MidiEvent(const MidiEvent& other)
    : MidiMessage(other), tick(other.tick), track(other.track), seconds(other.seconds), seq(other.seq)
{
}

MidiEvent::~MidiEvent()
{
    // A partner must not keep pointing at a deleted event.
    if (m_eventlink && m_eventlink->m_eventlink == this)
        m_eventlink->m_eventlink = nullptr;
    m_eventlink = nullptr;
}

MidiEvent& MidiEvent::operator=(const MidiEvent& other)
{
    if (this == &other)
        return *this;
    unlinkEvent();
    MidiMessage::operator=(other);
    tick = other.tick;
    track = other.track;
    seconds = other.seconds;
    seq = other.seq;
    return *this;
}

void MidiEvent::clearFields()
{
    tick = 0;
    track = 0;
    seconds = 0.0;
    seq = 0;
    unlinkEvent();
}

MidiEvent& MidiEvent::operator=(const MidiMessage& message)
{
    if (static_cast<const MidiMessage*>(this) == &message)
        return *this;
    clearFields();
    MidiMessage::operator=(message);
    return *this;
}

MidiEvent& MidiEvent::operator=(const std::vector<uchar>& bytes)
{
    clearFields();
    setMessage(bytes);
    return *this;
}

MidiEvent& MidiEvent::operator=(const std::vector<char>& bytes)
{
    clearFields();
    setMessage(bytes);
    return *this;
}

MidiEvent& MidiEvent::operator=(const std::vector<int>& bytes)
{
    clearFields();
    setMessage(bytes);
    return *this;
}

void MidiEvent::linkEvent(MidiEvent* other)
{
    if (!other || other == this)
        return;
    if (other->m_eventlink)
        other->unlinkEvent();
    if (m_eventlink)
        m_eventlink->unlinkEvent();
    unlinkEvent();
    m_eventlink = other;
    other->m_eventlink = this;
}

void MidiEvent::linkEvent(MidiEvent& other) { linkEvent(&other); }

void MidiEvent::unlinkEvent()
{
    MidiEvent* next = m_eventlink;
    m_eventlink = nullptr;
    // Links are two-way, so the walk ends at the latest at this event again.
    while (next) {
        MidiEvent* after = next->m_eventlink;
        next->m_eventlink = nullptr;
        next = after;
    }
}

MidiEvent* MidiEvent::getLinkedEvent() { return m_eventlink; }
const MidiEvent* MidiEvent::getLinkedEvent() const { return m_eventlink; }
int MidiEvent::isLinked() const { return m_eventlink ? 1 : 0; }

int MidiEvent::getTickDuration() const
{
    return m_eventlink ? std::abs(m_eventlink->tick - tick) : 0;
}

double MidiEvent::getDurationInSeconds() const
{
    return m_eventlink ? std::abs(m_eventlink->seconds - seconds) : 0.0;
}

} // namespace smf
