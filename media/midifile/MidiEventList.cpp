#include "MidiEventList.h"

#include <algorithm>
#include <cstdlib>

namespace smf {

MidiEventList::MidiEventList() { list.reserve(1000); }

MidiEventList::MidiEventList(int reservation)
{
    if (reservation > 0)
        list.reserve(size_t(reservation));
}

MidiEventList::MidiEventList(const MidiEventList& other)
{
    list.reserve(other.list.size());
    for (const MidiEvent* event : other.list)
        list.push_back(new MidiEvent(*event));
}

MidiEventList::MidiEventList(MidiEventList&& other) : list(std::move(other.list))
{
    other.list.clear();
}

MidiEventList::~MidiEventList() { clear(); }

MidiEventList& MidiEventList::operator=(MidiEventList& other)
{
    list.swap(other.list);
    return *this;
}

MidiEvent& MidiEventList::operator[](int index) { return *list[size_t(index)]; }
const MidiEvent& MidiEventList::operator[](int index) const { return *list[size_t(index)]; }
MidiEvent& MidiEventList::getEvent(int index) { return *list[size_t(index)]; }
const MidiEvent& MidiEventList::getEvent(int index) const { return *list[size_t(index)]; }
MidiEvent& MidiEventList::back() { return *list.back(); }
const MidiEvent& MidiEventList::back() const { return *list.back(); }
MidiEvent& MidiEventList::last() { return back(); }
const MidiEvent& MidiEventList::last() const { return back(); }
MidiEvent** MidiEventList::data() { return list.data(); }

int MidiEventList::getSize() const { return int(list.size()); }
int MidiEventList::size() const { return getSize(); }
int MidiEventList::getEventCount() const { return getSize(); }

int MidiEventList::append(MidiEvent& event)
{
    list.push_back(new MidiEvent(event));
    return int(list.size()) - 1;
}

int MidiEventList::push(MidiEvent& event) { return append(event); }
int MidiEventList::push_back(MidiEvent& event) { return append(event); }

int MidiEventList::push_back_no_copy(MidiEvent* event)
{
    list.push_back(event);
    return int(list.size()) - 1;
}

void MidiEventList::reserve(int count)
{
    if (count > int(list.size()))
        list.reserve(size_t(count));
}

void MidiEventList::clear()
{
    for (MidiEvent*& event : list) {
        delete event;
        event = nullptr;
    }
    list.clear();
}

void MidiEventList::detach() { list.clear(); }

void MidiEventList::removeEmpties()
{
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->empty())
            delete list[i];
        else
            list[kept++] = list[i];
    }
    list.resize(kept);
}

void MidiEventList::clearLinks()
{
    for (MidiEvent* event : list)
        event->unlinkEvent();
}

int MidiEventList::linkEventPairs() { return linkNotePairs(); }

int MidiEventList::linkNotePairs()
{
    // Note-ons waiting for their note-off, per channel and key (last in, first out).
    std::vector<MidiEvent*> waiting[16][128];
    // Pedal-like controllers: 64 to 69, 80 to 90 and 122.
    static const int kControllers[] = {64, 65, 66, 67, 68, 69, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 122};
    constexpr int kControllerCount = int(sizeof kControllers / sizeof kControllers[0]);
    int controllerIndex[128];
    std::fill(std::begin(controllerIndex), std::end(controllerIndex), -1);
    for (int i = 0; i < kControllerCount; ++i)
        controllerIndex[kControllers[i]] = i;
    MidiEvent* stored[kControllerCount][16] = {};
    int state[kControllerCount][16]; // -1 empty, 0 off, 1 on
    for (auto& row : state)
        std::fill(std::begin(row), std::end(row), -1);

    int pairs = 0;
    for (MidiEvent* event : list) {
        event->unlinkEvent();
        if (event->isNoteOn()) {
            const int key = event->getKeyNumber();
            if (key < 128)
                waiting[event->getChannel()][key].push_back(event);
        } else if (event->isNoteOff()) {
            const int key = event->getKeyNumber();
            if (key >= 128)
                continue;
            std::vector<MidiEvent*>& stack = waiting[event->getChannel()][key];
            if (stack.empty())
                continue;
            MidiEvent* on = stack.back();
            stack.pop_back();
            on->linkEvent(event);
            ++pairs;
        } else if (event->isController()) {
            const int number = event->getP1();
            if (number >= 128 || controllerIndex[number] < 0)
                continue;
            const int c = controllerIndex[number];
            const int channel = event->getChannel();
            const int now = event->getP2() > 63 ? 1 : 0;
            int& was = state[c][channel];
            if (was < 0) {
                if (now == 1) {
                    stored[c][channel] = event;
                    was = 1;
                }
            } else if (now == was) {
                continue;
            } else if (was == 1) {
                stored[c][channel]->linkEvent(event);
                stored[c][channel] = event;
                was = 0;
            } else {
                stored[c][channel] = event;
                was = 1;
            }
        }
    }
    return pairs;
}

int MidiEventList::markSequence(int start)
{
    for (MidiEvent* event : list)
        event->seq = start++;
    return start;
}

void MidiEventList::clearSequence()
{
    for (MidiEvent* event : list)
        event->seq = 0;
}

void MidiEventList::sort()
{
    // The comparison is not a strict weak order when events with and without
    // sequence numbers meet; a merge sort stays within the array all the same.
    std::stable_sort(list.begin(), list.end(), [](const MidiEvent* a, const MidiEvent* b) {
        return eventcompare(&a, &b) < 0;
    });
}

int eventcompare(const void* a, const void* b)
{
    const MidiEvent& x = **static_cast<const MidiEvent* const*>(a);
    const MidiEvent& y = **static_cast<const MidiEvent* const*>(b);
    if (x.tick != y.tick)
        return x.tick < y.tick ? -1 : 1;
    if (x.seq != 0 && y.seq != 0 && x.seq != y.seq)
        return x.seq < y.seq ? -1 : 1;
    const auto endOfTrack = [](const MidiEvent& e) { return e.getP0() == 0xFF && e.getP1() == 0x2F; };
    if (endOfTrack(x))
        return endOfTrack(y) ? 0 : 1;
    if (endOfTrack(y))
        return -1;
    const bool xMeta = x.getP0() == 0xFF;
    const bool yMeta = y.getP0() == 0xFF;
    if (xMeta != yMeta)
        return xMeta ? -1 : 1;
    const auto soundingOn = [](const MidiEvent& e) { return (e.getP0() & 0xF0) == 0x90 && e.getP2() > 0; };
    if (soundingOn(x))
        return soundingOn(y) ? 0 : 1;
    if (soundingOn(y))
        return -1;
    const auto note = [](const MidiEvent& e) {
        const int nibble = e.getP0() & 0xF0;
        return !e.empty() && (nibble == 0x90 || nibble == 0x80);
    };
    if (note(x))
        return note(y) ? 0 : 1;
    if (note(y))
        return -1;
    if (!x.empty() && !y.empty() && (x.getP0() & 0xF0) == 0xB0 && (y.getP0() & 0xF0) == 0xB0) {
        if (x.getP1() != y.getP1())
            return x.getP1() < y.getP1() ? -1 : 1;
        if (x.getP2() != y.getP2())
            return x.getP2() < y.getP2() ? -1 : 1;
    }
    return 0;
}

} // namespace smf
