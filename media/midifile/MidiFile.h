#pragma once

#include "MidiEventList.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace smf {

// One entry of the time map: a distinct event tick and its time in seconds.
struct _TickTime {
    int tick;
    double seconds;
};

// A Standard MIDI File in memory: tracks of events, the ticks per quarter
// note, the track state (split or joined), the tick state (absolute or delta)
// and the time map of the tempo changes.
class MidiFile {
public:
    MidiFile();
    explicit MidiFile(const std::string& filename);
    explicit MidiFile(std::istream& input);
    MidiFile(const MidiFile& other);
    MidiFile(MidiFile&& other);
    ~MidiFile();

    MidiFile& operator=(const MidiFile& other);
    MidiFile& operator=(MidiFile&& other);

    // ---- reading
    bool read(const std::string& filename);
    bool read(std::istream& input);
    bool readSmf(const std::string& filename);
    bool readSmf(std::istream& input);
    bool readBase64(const std::string& base64data);
    bool readBase64(std::istream& input);
    bool status() const;
    const char* getFilename() const;
    void setFilename(const std::string& path);

    // ---- writing
    bool write(const std::string& filename);
    bool write(std::ostream& out);
    bool writeBinasc(const std::string& filename);
    bool writeBinasc(std::ostream& out);
    bool writeBinascWithComments(const std::string& filename);
    bool writeBinascWithComments(std::ostream& out);
    bool writeBase64(const std::string& filename, int width = 0);
    bool writeBase64(std::ostream& out, int width = 0);
    std::string getBase64(int width = 0);
    bool writeHex(const std::string& filename, int width = 25);
    bool writeHex(std::ostream& out, int width = 25);

    // ---- tracks and events
    MidiEventList& operator[](int track);
    const MidiEventList& operator[](int track) const;
    int getTrackCount() const;
    int getNumTracks() const;
    int size() const;
    MidiEvent& getEvent(int track, int index);
    const MidiEvent& getEvent(int track, int index) const;
    int getEventCount(int track) const;
    int getNumEvents(int track) const;
    void allocateEvents(int track, int count);
    void removeEmpties();

    int getTicksPerQuarterNote() const;
    int getTPQ() const;
    void setTicksPerQuarterNote(int ticks);
    void setTPQ(int ticks);
    void setMillisecondTicks();

    void clear();
    void erase();
    void clear_no_deallocate();
    int addTrack();
    int addTrack(int count);
    int addTracks(int count);
    void deleteTrack(int track);
    void mergeTracks(int track1, int track2);
    void splitTracksByChannel();

    // ---- tick and track states
    void absoluteTicks();
    void makeAbsoluteTicks();
    void deltaTicks();
    void makeDeltaTicks();
    bool isAbsoluteTicks() const;
    bool isDeltaTicks() const;
    int getTickState() const;
    void joinTracks();
    void splitTracks();
    bool hasJoinedTracks() const;
    bool hasSplitTracks() const;
    int getTrackState() const;
    int getSplitTrack(int track, int index) const;
    int getSplitTrack(int index) const;
    int getTrackCountAsType1();

    void sortTracks();
    void sortTrack(int track);
    void markSequence();
    void markSequence(int track, int start = 1);
    void clearSequence();
    void clearSequence(int track);

    int linkNotePairs();
    int linkEventPairs();
    void clearLinks();

    // ---- durations and time
    int getFileDurationInTicks();
    double getFileDurationInQuarters();
    double getFileDurationInSeconds();
    void doTimeAnalysis();
    double getTimeInSeconds(int tick);
    double getTimeInSeconds(int track, int index);
    double getAbsoluteTickTime(double seconds);
    double linearTickInterpolationAtSecond(double seconds);
    double linearSecondInterpolationAtTick(int tick);

    // ---- adding events
    MidiEvent* addEvent(int track, int tick, std::vector<uchar>& bytes);
    MidiEvent* addEvent(MidiEvent& event);
    MidiEvent* addEvent(int track, MidiEvent& event);
    MidiEvent* addMetaEvent(int track, int tick, int type, std::vector<uchar>& content);
    MidiEvent* addMetaEvent(int track, int tick, int type, const std::string& text);
    MidiEvent* addText(int track, int tick, const std::string& text);
    MidiEvent* addCopyright(int track, int tick, const std::string& text);
    MidiEvent* addTrackName(int track, int tick, const std::string& text);
    MidiEvent* addInstrumentName(int track, int tick, const std::string& text);
    MidiEvent* addLyric(int track, int tick, const std::string& text);
    MidiEvent* addMarker(int track, int tick, const std::string& text);
    MidiEvent* addCue(int track, int tick, const std::string& text);
    MidiEvent* addTempo(int track, int tick, double bpm);
    MidiEvent* addTimeSignature(int track, int tick, int top, int bottom, int clocksPerClick = 24,
                                int num32ndsPerQuarter = 8);
    MidiEvent* addCompoundTimeSignature(int track, int tick, int top, int bottom, int clocksPerClick = 24,
                                        int num32ndsPerQuarter = 8);
    MidiEvent* addNoteOn(int track, int tick, int channel, int key, int velocity);
    MidiEvent* addNoteOff(int track, int tick, int channel, int key, int velocity);
    MidiEvent* addNoteOff(int track, int tick, int channel, int key);
    MidiEvent* addController(int track, int tick, int channel, int number, int value);
    MidiEvent* addPatchChange(int track, int tick, int channel, int patch);
    MidiEvent* addTimbre(int track, int tick, int channel, int patch);
    MidiEvent* addSustain(int track, int tick, int channel, int value);
    MidiEvent* addSustainPedal(int track, int tick, int channel, int value);
    MidiEvent* addSustainOn(int track, int tick, int channel);
    MidiEvent* addSustainPedalOn(int track, int tick, int channel);
    MidiEvent* addSustainOff(int track, int tick, int channel);
    MidiEvent* addSustainPedalOff(int track, int tick, int channel);
    MidiEvent* addPitchBend(int track, int tick, int channel, double amount);
    MidiEvent* setPitchBendRange(int track, int tick, int channel, double semitones);

    // ---- byte readers and writers
    int readByte(std::istream& input);
    unsigned long readVLValue(std::istream& input);
    unsigned long unpackVLV(uchar a = 0, uchar b = 0, uchar c = 0, uchar d = 0, uchar e = 0);
    unsigned long readLittleEndian4Bytes(std::istream& input);
    unsigned short readLittleEndian2Bytes(std::istream& input);
    int extractMidiData(std::istream& input, std::vector<uchar>& bytes, uchar& runningCommand);

    static std::string base64Encode(const std::string& input);
    static std::string base64Decode(const std::string& input);
    void writeVLValue(long value, std::vector<uchar>& outdata);
    int makeVLV(uchar* buffer, int number);

    static std::ostream& writeLittleEndianUShort(std::ostream& out, unsigned short value);
    static std::ostream& writeBigEndianUShort(std::ostream& out, unsigned short value);
    static std::ostream& writeLittleEndianShort(std::ostream& out, short value);
    static std::ostream& writeBigEndianShort(std::ostream& out, short value);
    static std::ostream& writeLittleEndianULong(std::ostream& out, unsigned long value);
    static std::ostream& writeBigEndianULong(std::ostream& out, unsigned long value);
    static std::ostream& writeLittleEndianLong(std::ostream& out, long value);
    static std::ostream& writeBigEndianLong(std::ostream& out, long value);
    static std::ostream& writeLittleEndianFloat(std::ostream& out, float value);
    static std::ostream& writeBigEndianFloat(std::ostream& out, float value);
    static std::ostream& writeLittleEndianDouble(std::ostream& out, double value);
    static std::ostream& writeBigEndianDouble(std::ostream& out, double value);

protected:
    static const std::string encodeLookup;
    static const std::vector<int> decodeLookup;

private:
    void releaseTracks();
    void copyFrom(const MidiFile& other);
    void takeFrom(MidiFile& other);
    bool buildTimeMapIfNeeded();
    bool failUnexpectedEnd(const char* expectation);
    MidiEvent* appendNew(int track, int tick, const std::vector<uchar>& bytes);

    std::vector<MidiEventList*> m_events;
    int m_ticksPerQuarterNote = 120;
    int m_theTrackState = 0; // 0 split, 1 joined
    int m_theTimeState = 1;  // 0 delta, 1 absolute
    std::string m_readFileName;
    bool m_timemapvalid = false;
    std::vector<_TickTime> m_timemap;
    bool m_rwstatus = true;
    bool m_linkedEventsQ = false;
};

std::ostream& operator<<(std::ostream& out, MidiFile& midifile);

} // namespace smf
