#pragma once

#include "MidiEvent.h"

#include <vector>

namespace smf {

// The events of one track, owned through pointers so that joining, splitting
// and sorting move pointers and links survive them.
class MidiEventList {
public:
    MidiEventList();
    // A list reserving room for only that many events (the reader sizes its
    // lists by what the input can still hold).
    explicit MidiEventList(int reservation);
    MidiEventList(const MidiEventList& other);
    MidiEventList(MidiEventList&& other);
    ~MidiEventList();

    // Exchanges the contents of the two lists.
    MidiEventList& operator=(MidiEventList& other);

    MidiEvent& operator[](int index);
    const MidiEvent& operator[](int index) const;
    MidiEvent& getEvent(int index);
    const MidiEvent& getEvent(int index) const;
    MidiEvent& back();
    const MidiEvent& back() const;
    MidiEvent& last();
    const MidiEvent& last() const;
    MidiEvent** data();

    int getSize() const;
    int size() const;
    int getEventCount() const;

    int append(MidiEvent& event);
    int push(MidiEvent& event);
    int push_back(MidiEvent& event);
    int push_back_no_copy(MidiEvent* event);
    void reserve(int count);
    void clear();
    void detach();
    void removeEmpties();
    void clearLinks();
    int linkNotePairs();
    int linkEventPairs();
    int markSequence(int start = 1);
    void clearSequence();
    void sort();

private:
    std::vector<MidiEvent*> list;
};

int eventcompare(const void* a, const void* b);

} // namespace smf
