#include "MidiFile.h"

#include "Binasc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace smf {

namespace {

// Events for each declared track and the room for the events of one chunk,
// never more than what the input can still hold: a short header declaring
// 65535 tracks, or chunks declaring gigabytes, must not ask for gigabytes.
// The smallest event (a delta byte and a data byte under running status) takes
// two bytes, so all reservations of one read together stay within half the
// input's length in events (a megabyte's worth when the length is unknown).
constexpr int kTrackReservation = 10000;
constexpr long kUnknownInputEvents = 1L << 20;

long bytesLeft(std::istream& input)
{
    const std::istream::pos_type here = input.tellg();
    if (here == std::istream::pos_type(-1))
        return -1;
    input.seekg(0, std::ios::end);
    const std::istream::pos_type end = input.tellg();
    input.seekg(here);
    if (end == std::istream::pos_type(-1) || end < here)
        return -1;
    return long(end - here);
}

} // namespace

MidiFile::MidiFile()
{
    m_events.push_back(new MidiEventList);
}

MidiFile::MidiFile(const std::string& filename) : MidiFile() { read(filename); }
MidiFile::MidiFile(std::istream& input) : MidiFile() { read(input); }

MidiFile::MidiFile(const MidiFile& other) { copyFrom(other); }

MidiFile::MidiFile(MidiFile&& other) { takeFrom(other); }

MidiFile::~MidiFile() { releaseTracks(); }

MidiFile& MidiFile::operator=(const MidiFile& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

MidiFile& MidiFile::operator=(MidiFile&& other)
{
    if (this != &other)
        takeFrom(other);
    return *this;
}

void MidiFile::releaseTracks()
{
    for (MidiEventList* track : m_events)
        delete track;
    m_events.clear();
}

void MidiFile::copyFrom(const MidiFile& other)
{
    releaseTracks();
    m_events.reserve(other.m_events.size());
    for (const MidiEventList* track : other.m_events)
        m_events.push_back(new MidiEventList(*track));
    m_ticksPerQuarterNote = other.m_ticksPerQuarterNote;
    m_theTrackState = other.m_theTrackState;
    m_theTimeState = other.m_theTimeState;
    m_readFileName = other.m_readFileName;
    m_timemapvalid = other.m_timemapvalid;
    m_timemap = other.m_timemap;
    m_rwstatus = other.m_rwstatus;
    m_linkedEventsQ = false;
    if (other.m_linkedEventsQ)
        linkEventPairs();
}

void MidiFile::takeFrom(MidiFile& other)
{
    releaseTracks();
    m_events = std::move(other.m_events);
    other.m_events.clear();
    other.m_events.push_back(new MidiEventList);
    m_linkedEventsQ = other.m_linkedEventsQ;
    other.m_linkedEventsQ = false;
    m_ticksPerQuarterNote = other.m_ticksPerQuarterNote;
    m_theTrackState = other.m_theTrackState;
    m_theTimeState = other.m_theTimeState;
    m_readFileName = other.m_readFileName;
    m_timemapvalid = other.m_timemapvalid;
    m_timemap = other.m_timemap;
    m_rwstatus = other.m_rwstatus;
}

// ---------------------------------------------------------------- reading

bool MidiFile::read(const std::string& filename)
{
    m_timemapvalid = false;
    setFilename(filename);
    m_rwstatus = true;
    std::ifstream input(filename, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        m_rwstatus = false;
        return false;
    }
    return read(input);
}

bool MidiFile::read(std::istream& input)
{
    m_rwstatus = true;
    if (input.peek() != 'M') {
        std::stringstream binary;
        Binasc converter;
        converter.writeToBinary(binary, input);
        binary.seekg(0, std::ios::beg);
        if (binary.peek() != 'M') {
            std::cerr << "Bad MIDI data input" << std::endl;
            m_rwstatus = false;
            return false;
        }
        m_rwstatus = readSmf(binary);
        return m_rwstatus;
    }
    m_rwstatus = readSmf(input);
    return m_rwstatus;
}

bool MidiFile::readSmf(const std::string& filename)
{
    m_timemapvalid = false;
    setFilename(filename);
    m_rwstatus = true;
    std::ifstream input(filename, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        m_rwstatus = false;
        return false;
    }
    return readSmf(input);
}

bool MidiFile::readBase64(const std::string& base64data)
{
    std::stringstream stream;
    stream << base64Decode(base64data);
    return read(stream);
}

bool MidiFile::readBase64(std::istream& input)
{
    std::ostringstream text;
    text << input.rdbuf();
    return readBase64(text.str());
}

bool MidiFile::status() const { return m_rwstatus; }
const char* MidiFile::getFilename() const { return m_readFileName.c_str(); }

void MidiFile::setFilename(const std::string& path)
{
    const size_t slash = path.rfind('/');
    m_readFileName = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool MidiFile::failUnexpectedEnd(const char* expectation)
{
    std::cerr << "In file " << m_readFileName << ": unexpected end of file." << std::endl;
    std::cerr << expectation << std::endl;
    m_rwstatus = false;
    return false;
}

bool MidiFile::readSmf(std::istream& input)
{
    m_rwstatus = true;

    static const char kHeader[4] = {'M', 'T', 'h', 'd'};
    static const char* const kHeaderMissing[4] = {
        "Expecting 'M' at first byte, but found nothing.",
        "Expecting 'T' at second byte, but found nothing.",
        "Expecting 'h' at third byte, but found nothing.",
        "Expecting 'd' at fourth byte, but found nothing.",
    };
    static const char* const kHeaderWrong[4] = {
        "Expecting 'M' at first byte but got '",
        "Expecting 'T' at second byte but got '",
        "Expecting 'h' at third byte but got '",
        "Expecting 'd' at fourth byte but got '",
    };
    for (int i = 0; i < 4; ++i) {
        const int c = input.get();
        if (c == EOF)
            return failUnexpectedEnd(kHeaderMissing[i]);
        if (c != kHeader[i]) {
            std::cerr << "File " << m_readFileName << " is not a MIDI file" << std::endl;
            std::cerr << kHeaderWrong[i] << char(c) << "'" << std::endl;
            m_rwstatus = false;
            return false;
        }
    }

    const unsigned long headerSize = readLittleEndian4Bytes(input);
    if (headerSize != 6) {
        std::cerr << "File " << m_readFileName << " is not a MIDI 1.0 Standard MIDI file." << std::endl;
        std::cerr << "The header size is " << headerSize << " bytes." << std::endl;
        m_rwstatus = false;
        return false;
    }

    const int format = readLittleEndian2Bytes(input);
    if (format != 0 && format != 1) {
        std::cerr << "Error: cannot handle a type-" << format << " MIDI file" << std::endl;
        m_rwstatus = false;
        return false;
    }

    const int trackCount = readLittleEndian2Bytes(input);
    if (format == 0 && trackCount != 1) {
        std::cerr << "Error: Type 0 MIDI file can only contain one track" << std::endl;
        std::cerr << "Instead track count is: " << trackCount << std::endl;
        m_rwstatus = false;
        return false;
    }

    clear();
    releaseTracks();
    const long left = bytesLeft(input);
    long budget = left < 0 ? kUnknownInputEvents : left / 2; // events still to hand out
    const int perTrack = trackCount == 0 ? 0 : int(std::min<long>(kTrackReservation, budget / trackCount));
    budget -= long(perTrack) * trackCount;
    m_events.reserve(size_t(trackCount));
    for (int i = 0; i < trackCount; ++i)
        m_events.push_back(new MidiEventList(perTrack));

    const int division = readLittleEndian2Bytes(input);
    if ((division & 0x8000) == 0) {
        m_ticksPerQuarterNote = division;
    } else {
        const int framesPerSecond = 256 - ((division >> 8) & 0xFF);
        if (framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) {
            std::cerr << "Warning: unknown FPS: " << framesPerSecond << std::endl;
            std::cerr << "Using non-standard FPS: " << framesPerSecond << std::endl;
        }
        m_ticksPerQuarterNote = framesPerSecond * (division & 0xFF);
    }

    static const char kTrack[4] = {'M', 'T', 'r', 'k'};
    static const char* const kTrackMissing[4] = {
        "Expecting 'M' at first byte in track, but found nothing.",
        "Expecting 'T' at second byte in track, but found nothing.",
        "Expecting 'r' at third byte in track, but found nothing.",
        "Expecting 'k' at fourth byte in track, but found nothing.",
    };
    static const char* const kTrackWrong[4] = {
        "Expecting 'M' at first byte in track but got '",
        "Expecting 'T' at second byte in track but got '",
        "Expecting 'r' at third byte in track but got '",
        "Expecting 'k' at fourth byte in track but got '",
    };
    std::vector<uchar> bytes;
    for (int track = 0; track < trackCount; ++track) {
        for (int i = 0; i < 4; ++i) {
            const int c = input.get();
            if (c == EOF)
                return failUnexpectedEnd(kTrackMissing[i]);
            if (c != kTrack[i]) {
                std::cerr << "File " << m_readFileName << " is not a MIDI file" << std::endl;
                std::cerr << kTrackWrong[i] << char(c) << "'" << std::endl;
                m_rwstatus = false;
                return false;
            }
        }
        const unsigned long chunkSize = readLittleEndian4Bytes(input);
        const long wanted = long(chunkSize / 2);
        const long granted = std::min(wanted, perTrack + budget);
        if (granted > perTrack) {
            budget -= granted - perTrack;
            m_events[size_t(track)]->reserve(int(granted));
        }

        uchar runningCommand = 0;
        long long runningTick = 0;
        while (!input.eof()) {
            const unsigned long delta = readVLValue(input);
            if (!extractMidiData(input, bytes, runningCommand)) {
                m_rwstatus = false;
                return false;
            }
            runningTick += (long long)delta;
            if (runningTick > INT_MAX) {
                // Ticks are ints everywhere else; a wrapped tick would be a
                // plainly wrong (negative) time.
                std::cerr << "Error: tick value " << runningTick << " in track " << track
                          << " is too large." << std::endl;
                m_rwstatus = false;
                return false;
            }
            MidiEvent* event = new MidiEvent(int(runningTick), track, bytes);
            m_events[size_t(track)]->push_back_no_copy(event);
            if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0x2F)
                break;
        }
    }

    m_theTimeState = 1;
    markSequence();
    return m_rwstatus;
}

int MidiFile::readByte(std::istream& input)
{
    const int c = input.get();
    if (c == EOF) {
        std::cerr << "Error: unexpected end of file." << std::endl;
        m_rwstatus = false;
        return 0;
    }
    return c & 0xFF;
}

unsigned long MidiFile::readVLValue(std::istream& input)
{
    uchar b[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < 5; ++i) {
        b[i] = uchar(readByte(input));
        if (!m_rwstatus)
            return 0;
        if ((b[i] & 0x80) == 0)
            break;
    }
    return unpackVLV(b[0], b[1], b[2], b[3], b[4]);
}

unsigned long MidiFile::unpackVLV(uchar a, uchar b, uchar c, uchar d, uchar e)
{
    const uchar bytes[5] = {a, b, c, d, e};
    if ((a & 0x80) == 0)
        return a;
    int count = 0;
    for (int i = 1; i < 5; ++i) {
        if ((bytes[i] & 0x80) == 0) {
            count = i + 1;
            break;
        }
    }
    if (count == 0) {
        std::cerr << "VLV number is too large" << std::endl;
        m_rwstatus = false;
        return 0;
    }
    unsigned long value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 7) | (bytes[i] & 0x7F);
    return value;
}

unsigned long MidiFile::readLittleEndian4Bytes(std::istream& input)
{
    unsigned long value = 0;
    for (int i = 0; i < 4; ++i) {
        const int c = input.get();
        if (c == EOF) {
            std::cerr << "Error: unexpected end of file." << std::endl;
            return 0;
        }
        value = (value << 8) | unsigned(c & 0xFF);
    }
    return value;
}

unsigned short MidiFile::readLittleEndian2Bytes(std::istream& input)
{
    unsigned value = 0;
    for (int i = 0; i < 2; ++i) {
        const int c = input.get();
        if (c == EOF) {
            std::cerr << "Error: unexpected end of file." << std::endl;
            return 0;
        }
        value = (value << 8) | unsigned(c & 0xFF);
    }
    return (unsigned short)value;
}

int MidiFile::extractMidiData(std::istream& input, std::vector<uchar>& bytes, uchar& runningCommand)
{
    bytes.clear();
    const int first = input.get();
    if (first == EOF) {
        std::cerr << "Error: unexpected end of file." << std::endl;
        return 0;
    }
    uchar byte = uchar(first);
    bool running = false;
    if (byte & 0x80) {
        runningCommand = byte;
    } else {
        if (runningCommand == 0) {
            std::cerr << "Error: running command with no previous command" << std::endl;
            return 0;
        }
        if (runningCommand >= 0xF0) {
            std::cerr << "Error: running status not permitted with meta and sysex"
                      << " event." << std::endl;
            std::cerr << "Byte is 0x" << std::hex << int(byte) << std::dec << std::endl;
            return 0;
        }
        running = true;
    }
    bytes.push_back(runningCommand);
    if (running)
        bytes.push_back(byte);

    const auto next = [&](uchar& out) {
        out = uchar(readByte(input));
        return m_rwstatus;
    };

    switch (runningCommand & 0xF0) {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0:
    case 0xC0: case 0xD0: {
        const int total = ((runningCommand & 0xF0) == 0xC0 || (runningCommand & 0xF0) == 0xD0) ? 1 : 2;
        while (int(bytes.size()) - 1 < total) {
            uchar data;
            if (!next(data))
                return 0;
            if (data & 0x80) {
                std::cerr << "MIDI data byte too large: " << int(data) << std::endl;
                m_rwstatus = false;
                return 0;
            }
            bytes.push_back(data);
        }
        return 1;
    }
    default:
        break;
    }

    if (runningCommand == 0xF0 || runningCommand == 0xF7) {
        const unsigned long length = readVLValue(input);
        if (!m_rwstatus)
            return 0;
        for (unsigned long i = 0; i < length; ++i) {
            uchar data;
            if (!next(data))
                return 0;
            bytes.push_back(data);
        }
        return 1;
    }

    if (runningCommand == 0xFF) {
        uchar type;
        if (!next(type))
            return 0;
        bytes.push_back(type);
        uchar length[4] = {0, 0, 0, 0};
        int count = 0;
        for (;;) {
            if (!next(length[count]))
                return 0;
            bytes.push_back(length[count]);
            ++count;
            if ((length[count - 1] & 0x80) == 0)
                break;
            if (count == 4) {
                std::cerr << "Error: cannot handle large VLVs" << std::endl;
                m_rwstatus = false;
                return 0;
            }
        }
        const unsigned long size = unpackVLV(length[0], length[1], length[2], length[3]);
        for (unsigned long i = 0; i < size; ++i) {
            uchar data;
            if (!next(data))
                return 0;
            bytes.push_back(data);
        }
        return 1;
    }

    // Other system messages are their status byte alone.
    return 1;
}

// ---------------------------------------------------------------- tracks and events

MidiEventList& MidiFile::operator[](int track) { return *m_events[size_t(track)]; }
const MidiEventList& MidiFile::operator[](int track) const { return *m_events[size_t(track)]; }
int MidiFile::getTrackCount() const { return int(m_events.size()); }
int MidiFile::getNumTracks() const { return getTrackCount(); }
int MidiFile::size() const { return getTrackCount(); }
MidiEvent& MidiFile::getEvent(int track, int index) { return (*m_events[size_t(track)])[index]; }
const MidiEvent& MidiFile::getEvent(int track, int index) const { return (*m_events[size_t(track)])[index]; }
int MidiFile::getEventCount(int track) const { return m_events[size_t(track)]->size(); }
int MidiFile::getNumEvents(int track) const { return getEventCount(track); }

void MidiFile::allocateEvents(int track, int count)
{
    if (count > getEventCount(track))
        m_events[size_t(track)]->reserve(count);
}

void MidiFile::removeEmpties()
{
    for (MidiEventList* track : m_events)
        track->removeEmpties();
}

int MidiFile::getTicksPerQuarterNote() const { return m_ticksPerQuarterNote; }
int MidiFile::getTPQ() const { return m_ticksPerQuarterNote; }
void MidiFile::setTicksPerQuarterNote(int ticks) { m_ticksPerQuarterNote = ticks; }
void MidiFile::setTPQ(int ticks) { m_ticksPerQuarterNote = ticks; }
void MidiFile::setMillisecondTicks() { m_ticksPerQuarterNote = 0xE728; }

// ---------------------------------------------------------------- tick and track states

void MidiFile::absoluteTicks() { makeAbsoluteTicks(); }
void MidiFile::deltaTicks() { makeDeltaTicks(); }

void MidiFile::makeAbsoluteTicks()
{
    if (m_theTimeState == 1)
        return;
    for (MidiEventList* track : m_events) {
        long long running = 0;
        for (int i = 0; i < track->size(); ++i) {
            running += (*track)[i].tick;
            (*track)[i].tick = int(running);
        }
    }
    m_theTimeState = 1;
}

void MidiFile::makeDeltaTicks()
{
    if (m_theTimeState == 0)
        return;
    for (MidiEventList* track : m_events) {
        if (track->size() == 0)
            continue;
        int previous = (*track)[0].tick;
        for (int i = 1; i < track->size(); ++i) {
            const int absolute = (*track)[i].tick;
            const int delta = absolute - previous;
            if (delta < 0) {
                std::cerr << "Error: negative delta tick value: " << delta << std::endl;
                std::cerr << "Timestamps must be sorted first"
                          << " (use MidiFile::sortTracks() before writing)." << std::endl;
            }
            (*track)[i].tick = delta;
            previous = absolute;
        }
    }
    m_theTimeState = 0;
}

bool MidiFile::isAbsoluteTicks() const { return m_theTimeState == 1; }
bool MidiFile::isDeltaTicks() const { return m_theTimeState == 0; }
int MidiFile::getTickState() const { return m_theTimeState; }

void MidiFile::joinTracks()
{
    if (m_theTrackState == 1)
        return;
    if (getTrackCount() == 1) {
        m_theTrackState = 1;
        return;
    }
    long total = 0;
    for (MidiEventList* track : m_events)
        total += track->size();
    MidiEventList* joined = new MidiEventList(int(total * 1.1 + 32));
    const bool wasDelta = m_theTimeState == 0;
    makeAbsoluteTicks();
    for (MidiEventList* track : m_events) {
        for (int i = 0; i < track->size(); ++i)
            joined->push_back_no_copy(&(*track)[i]);
        track->detach();
    }
    clear_no_deallocate();
    delete m_events[0];
    m_events[0] = joined;
    sortTracks();
    if (wasDelta)
        makeDeltaTicks();
    m_theTrackState = 1;
}

void MidiFile::splitTracks()
{
    if (m_theTrackState == 0)
        return;
    const bool wasDelta = m_theTimeState == 0;
    makeAbsoluteTicks();
    MidiEventList* joined = m_events.empty() ? nullptr : m_events[0];
    int highest = 0;
    if (joined)
        for (int i = 0; i < joined->size(); ++i)
            highest = std::max(highest, (*joined)[i].track);
    if (!joined || joined->size() == 0 || highest <= 0)
        return;
    std::vector<MidiEventList*> split;
    split.reserve(size_t(highest + 1));
    for (int i = 0; i <= highest; ++i)
        split.push_back(new MidiEventList);
    for (int i = 0; i < joined->size(); ++i) {
        MidiEvent* event = &(*joined)[i];
        split[size_t(std::max(0, event->track))]->push_back_no_copy(event);
    }
    joined->detach();
    delete joined;
    m_events = std::move(split);
    if (wasDelta)
        makeDeltaTicks();
    m_theTrackState = 0;
}

bool MidiFile::hasJoinedTracks() const { return m_theTrackState == 1; }
bool MidiFile::hasSplitTracks() const { return m_theTrackState == 0; }
int MidiFile::getTrackState() const { return m_theTrackState; }

int MidiFile::getSplitTrack(int track, int index) const
{
    if (hasSplitTracks())
        return track;
    return getEvent(track, index).track;
}

int MidiFile::getSplitTrack(int index) const
{
    if (hasSplitTracks())
        return 0;
    return getEvent(0, index).track;
}

int MidiFile::getTrackCountAsType1()
{
    if (hasSplitTracks())
        return getTrackCount();
    int highest = 0;
    for (int i = 0; i < getEventCount(0); ++i)
        highest = std::max(highest, getEvent(0, i).track);
    return highest + 1;
}

void MidiFile::sortTracks()
{
    if (m_theTimeState != 1) {
        std::cerr << "Warning: Sorting only allowed in absolute tick mode.";
        return;
    }
    for (MidiEventList* track : m_events)
        track->sort();
}

void MidiFile::sortTrack(int track)
{
    if (track < 0 || track >= getTrackCount()) {
        std::cerr << "Warning: track " << track << " does not exist." << std::endl;
        return;
    }
    m_events[size_t(track)]->sort();
}

void MidiFile::markSequence()
{
    int sequence = 1;
    for (MidiEventList* track : m_events)
        sequence = track->markSequence(sequence);
}

void MidiFile::markSequence(int track, int start)
{
    if (track < 0 || track >= getTrackCount()) {
        std::cerr << "Warning: track " << track << " does not exist." << std::endl;
        return;
    }
    m_events[size_t(track)]->markSequence(start);
}

void MidiFile::clearSequence()
{
    for (MidiEventList* track : m_events)
        track->clearSequence();
}

void MidiFile::clearSequence(int track)
{
    if (track < 0 || track >= getTrackCount()) {
        std::cerr << "Warning: track " << track << " does not exist." << std::endl;
        return;
    }
    m_events[size_t(track)]->clearSequence();
}

int MidiFile::linkNotePairs()
{
    int pairs = 0;
    for (MidiEventList* track : m_events)
        pairs += track->linkNotePairs();
    m_linkedEventsQ = true;
    return pairs;
}

int MidiFile::linkEventPairs() { return linkNotePairs(); }

void MidiFile::clearLinks()
{
    for (MidiEventList* track : m_events)
        track->clearLinks();
    m_linkedEventsQ = false;
}

// ---------------------------------------------------------------- durations and time

int MidiFile::getFileDurationInTicks()
{
    const bool wasDelta = m_theTimeState == 0;
    makeAbsoluteTicks();
    int longest = 0;
    for (MidiEventList* track : m_events)
        if (track->size() > 0)
            longest = std::max(longest, track->back().tick);
    if (wasDelta)
        makeDeltaTicks();
    return longest;
}

double MidiFile::getFileDurationInQuarters()
{
    return double(getFileDurationInTicks()) / m_ticksPerQuarterNote;
}

double MidiFile::getFileDurationInSeconds()
{
    if (!buildTimeMapIfNeeded())
        return -1.0;
    const bool wasDelta = m_theTimeState == 0;
    makeAbsoluteTicks();
    double longest = 0.0;
    for (MidiEventList* track : m_events)
        if (track->size() > 0)
            longest = std::max(longest, track->back().seconds);
    if (wasDelta)
        makeDeltaTicks();
    return longest;
}

bool MidiFile::buildTimeMapIfNeeded()
{
    if (!m_timemapvalid)
        doTimeAnalysis();
    return m_timemapvalid;
}

void MidiFile::doTimeAnalysis()
{
    const bool wasSplit = hasSplitTracks();
    const bool wasDelta = isDeltaTicks();
    makeAbsoluteTicks();
    joinTracks();

    MidiEventList& events = *m_events[0];
    m_timemap.clear();
    m_timemap.reserve(size_t(events.size()) + 10);

    double secondsPerTick = 60.0 / (m_ticksPerQuarterNote * 120.0);
    double current = 0.0;
    int lastTick = 0;
    for (int i = 0; i < events.size(); ++i) {
        MidiEvent& event = events[i];
        event.seconds = current;
        if (i == 0 || event.tick > lastTick) {
            current += (event.tick - lastTick) * secondsPerTick;
            event.seconds = current;
            m_timemap.push_back(_TickTime{event.tick, current});
            lastTick = event.tick;
        }
        if (event.isTempo())
            secondsPerTick = event.getTempoSPT(m_ticksPerQuarterNote);
    }

    if (wasDelta)
        makeDeltaTicks();
    if (wasSplit)
        splitTracks();
    m_timemapvalid = true;
}

double MidiFile::getTimeInSeconds(int tick)
{
    if (!buildTimeMapIfNeeded())
        return -1.0;
    const auto found = std::lower_bound(m_timemap.begin(), m_timemap.end(), tick,
                                        [](const _TickTime& entry, int t) { return entry.tick < t; });
    if (found != m_timemap.end() && found->tick == tick)
        return found->seconds;
    return linearSecondInterpolationAtTick(tick);
}

double MidiFile::getTimeInSeconds(int track, int index)
{
    return getTimeInSeconds(getEvent(track, index).tick);
}

double MidiFile::getAbsoluteTickTime(double seconds)
{
    if (!buildTimeMapIfNeeded())
        return -1.0;
    const auto found = std::lower_bound(m_timemap.begin(), m_timemap.end(), seconds,
                                        [](const _TickTime& entry, double s) { return entry.seconds < s; });
    if (found != m_timemap.end() && found->seconds == seconds)
        return found->tick;
    return linearTickInterpolationAtSecond(seconds);
}

namespace {

// The map is sorted on both fields, so one walk serves both directions. The
// search starts from the nearer end because lookups while playing cluster at
// the start and the end of a file.
template <typename From, typename To>
double interpolateTimeMap(const std::vector<_TickTime>& map, double x, From _TickTime::*from, To _TickTime::*to)
{
    if (map.empty() || x < 0.0 || x > map.back().*from)
        return -1.0;
    const int last = int(map.size()) - 1;
    int k = -1;
    if (x < map.back().*from / 2.0) {
        for (int i = 0; i <= last && map[size_t(i)].*from <= x; ++i)
            k = i;
    } else {
        for (int i = last; i >= 0; --i) {
            if (map[size_t(i)].*from <= x) {
                k = i;
                break;
            }
        }
    }
    if (k < 0 || k == last)
        return -1.0;
    const _TickTime& a = map[size_t(k)];
    const _TickTime& b = map[size_t(k) + 1];
    if (a.*from == x)
        return a.*to;
    return a.*to + (x - a.*from) * (b.*to - a.*to) / (b.*from - a.*from);
}

} // namespace

double MidiFile::linearSecondInterpolationAtTick(int tick)
{
    if (!buildTimeMapIfNeeded())
        return -1.0;
    return interpolateTimeMap(m_timemap, tick, &_TickTime::tick, &_TickTime::seconds);
}

double MidiFile::linearTickInterpolationAtSecond(double seconds)
{
    if (!buildTimeMapIfNeeded())
        return -1.0;
    return interpolateTimeMap(m_timemap, seconds, &_TickTime::seconds, &_TickTime::tick);
}

// ---------------------------------------------------------------- writing

bool MidiFile::write(const std::string& filename)
{
    std::ofstream out(filename, std::ios::out | std::ios::binary);
    if (!out.is_open()) {
        std::cerr << "Error: could not write: " << filename << std::endl;
        return false;
    }
    m_rwstatus = write(out);
    return m_rwstatus;
}

bool MidiFile::write(std::ostream& out)
{
    const bool wasAbsolute = isAbsoluteTicks();
    if (wasAbsolute)
        makeDeltaTicks();

    out << "MThd";
    writeBigEndianULong(out, 6);
    writeBigEndianUShort(out, (unsigned short)(getTrackCount() == 1 ? 0 : 1));
    writeBigEndianUShort(out, (unsigned short)getTrackCount());
    writeBigEndianUShort(out, (unsigned short)(m_ticksPerQuarterNote & 0xFFFF));

    std::vector<uchar> buffer;
    for (MidiEventList* track : m_events) {
        buffer.clear();
        buffer.reserve(123456);
        for (int i = 0; i < track->size(); ++i) {
            MidiEvent& event = (*track)[i];
            if (event.empty() || event.isEndOfTrack())
                continue;
            writeVLValue(event.tick, buffer);
            if (event[0] == 0xF0 || event[0] == 0xF7) {
                buffer.push_back(event[0]);
                writeVLValue(long(event.size()) - 1, buffer);
                buffer.insert(buffer.end(), event.begin() + 1, event.end());
            } else {
                buffer.insert(buffer.end(), event.begin(), event.end());
            }
        }
        const size_t n = buffer.size();
        if (!(n >= 3 && buffer[n - 3] == 0xFF && buffer[n - 2] == 0x2F)) {
            static const uchar kEnd[4] = {0x00, 0xFF, 0x2F, 0x00};
            buffer.insert(buffer.end(), kEnd, kEnd + 4);
        }
        out << "MTrk";
        writeBigEndianULong(out, (unsigned long)buffer.size());
        out.write(reinterpret_cast<const char*>(buffer.data()), std::streamsize(buffer.size()));
    }

    if (wasAbsolute)
        makeAbsoluteTicks();
    return true;
}

bool MidiFile::writeBinasc(std::ostream& out)
{
    std::stringstream binary;
    m_rwstatus = write(binary);
    if (!m_rwstatus)
        return false;
    Binasc converter;
    converter.setMidiOn();
    binary.seekg(0, std::ios::beg);
    converter.readFromBinary(out, binary);
    return true;
}

bool MidiFile::writeBinascWithComments(std::ostream& out)
{
    std::stringstream binary;
    m_rwstatus = write(binary);
    if (!m_rwstatus)
        return false;
    Binasc converter;
    converter.setMidiOn();
    converter.setCommentsOn();
    binary.seekg(0, std::ios::beg);
    converter.readFromBinary(out, binary);
    return true;
}

bool MidiFile::writeBinasc(const std::string& filename)
{
    std::ofstream out(filename);
    if (!out.is_open()) {
        std::cerr << "Error: could not write: " << filename << std::endl;
        return false;
    }
    m_rwstatus = writeBinasc(out);
    return m_rwstatus;
}

bool MidiFile::writeBinascWithComments(const std::string& filename)
{
    std::ofstream out(filename);
    if (!out.is_open()) {
        std::cerr << "Error: could not write: " << filename << std::endl;
        return false;
    }
    m_rwstatus = writeBinascWithComments(out);
    return m_rwstatus;
}

std::ostream& operator<<(std::ostream& out, MidiFile& midifile)
{
    midifile.writeBinascWithComments(out);
    return out;
}

bool MidiFile::writeBase64(std::ostream& out, int width)
{
    std::stringstream binary;
    const bool ok = write(binary);
    if (!ok)
        return false;
    const std::string encoded = base64Encode(binary.str());
    if (width <= 0) {
        out << encoded;
        return true;
    }
    const size_t w = size_t(width);
    for (size_t i = 0; i < encoded.size(); i += w)
        out << encoded.substr(i, w) << '\n';
    return true;
}

bool MidiFile::writeBase64(const std::string& filename, int width)
{
    std::ofstream out(filename, std::ios::out | std::ios::binary);
    if (!out.is_open()) {
        std::cerr << "Error: could not write: " << filename << std::endl;
        return false;
    }
    m_rwstatus = writeBase64(out, width);
    return m_rwstatus;
}

std::string MidiFile::getBase64(int width)
{
    std::ostringstream out;
    if (!writeBase64(out, width))
        return std::string();
    return out.str();
}

bool MidiFile::writeHex(std::ostream& out, int width)
{
    std::stringstream binary;
    write(binary);
    const std::string bytes = binary.str();
    if (width < 0)
        width = 25;
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        out << kDigits[b >> 4] << kDigits[b & 0x0F];
        if (i + 1 == bytes.size())
            break;
        if (width > 0 && (i + 1) % size_t(width) == 0)
            out << '\n';
        else
            out << ' ';
    }
    if (width > 0)
        out << '\n';
    return true;
}

bool MidiFile::writeHex(const std::string& filename, int width)
{
    std::ofstream out(filename);
    if (!out.is_open()) {
        std::cerr << "Error: could not write: " << filename << std::endl;
        return false;
    }
    m_rwstatus = writeHex(out, width);
    return m_rwstatus;
}

const std::string MidiFile::encodeLookup =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const std::vector<int> MidiFile::decodeLookup = [] {
    std::vector<int> table(256, -1);
    for (size_t i = 0; i < encodeLookup.size(); ++i)
        table[uchar(encodeLookup[i])] = int(i);
    return table;
}();

std::string MidiFile::base64Encode(const std::string& input)
{
    std::string output;
    output.reserve((input.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= input.size(); i += 3) {
        const unsigned v = (uchar(input[i]) << 16) | (uchar(input[i + 1]) << 8) | uchar(input[i + 2]);
        output += encodeLookup[(v >> 18) & 63];
        output += encodeLookup[(v >> 12) & 63];
        output += encodeLookup[(v >> 6) & 63];
        output += encodeLookup[v & 63];
    }
    const size_t rest = input.size() - i;
    if (rest == 1) {
        const unsigned v = uchar(input[i]) << 16;
        output += encodeLookup[(v >> 18) & 63];
        output += encodeLookup[(v >> 12) & 63];
        output += "==";
    } else if (rest == 2) {
        const unsigned v = (uchar(input[i]) << 16) | (uchar(input[i + 1]) << 8);
        output += encodeLookup[(v >> 18) & 63];
        output += encodeLookup[(v >> 12) & 63];
        output += encodeLookup[(v >> 6) & 63];
        output += '=';
    }
    return output;
}

std::string MidiFile::base64Decode(const std::string& input)
{
    std::string output;
    output.reserve(input.size() / 4 * 3);
    unsigned value = 0;
    int bits = 0;
    for (const char c : input) {
        if (c == '=')
            break;
        const int d = decodeLookup[uchar(c)];
        if (d < 0)
            continue;
        value = (value << 6) | unsigned(d);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            output += char((value >> bits) & 0xFF);
        }
    }
    return output;
}

void MidiFile::writeVLValue(long value, std::vector<uchar>& outdata)
{
    if (value < 0 || value > 0x0FFFFFFF) {
        std::cerr << "Error: number too large to convert to VLV" << std::endl;
        static const uchar kMax[4] = {0xFF, 0xFF, 0xFF, 0x7F};
        outdata.insert(outdata.end(), kMax, kMax + 4);
        return;
    }
    uchar buffer[4];
    const int count = makeVLV(buffer, int(value));
    outdata.insert(outdata.end(), buffer, buffer + count);
}

int MidiFile::makeVLV(uchar* buffer, int number)
{
    if (number < 0 || number > 0x0FFFFFFF) {
        std::cerr << "Error: Meta-message size too large to handle" << std::endl;
        buffer[0] = buffer[1] = buffer[2] = buffer[3] = 0;
        return 1;
    }
    uchar groups[4];
    int count = 0;
    unsigned value = unsigned(number);
    do {
        groups[count++] = uchar(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    for (int i = 0; i < count; ++i)
        buffer[i] = uchar(groups[count - 1 - i] | (i + 1 < count ? 0x80 : 0));
    return count;
}

namespace {

std::ostream& writeBytes(std::ostream& out, const uchar* bytes, int count, bool bigEndian)
{
    // Bytes arrive least significant first.
    for (int i = 0; i < count; ++i)
        out.put(char(bytes[bigEndian ? count - 1 - i : i]));
    return out;
}

template<typename T>
std::ostream& writeValue(std::ostream& out, T value, bool bigEndian)
{
    uchar bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The board and the development machines are little endian.
    return writeBytes(out, bytes, int(sizeof(T)), bigEndian);
}

std::ostream& writeLow(std::ostream& out, unsigned long value, int count, bool bigEndian)
{
    uchar bytes[4];
    for (int i = 0; i < count; ++i)
        bytes[i] = uchar((value >> (8 * i)) & 0xFF);
    return writeBytes(out, bytes, count, bigEndian);
}

} // namespace

std::ostream& MidiFile::writeLittleEndianUShort(std::ostream& out, unsigned short v) { return writeLow(out, v, 2, false); }
std::ostream& MidiFile::writeBigEndianUShort(std::ostream& out, unsigned short v) { return writeLow(out, v, 2, true); }
std::ostream& MidiFile::writeLittleEndianShort(std::ostream& out, short v) { return writeLow(out, (unsigned short)v, 2, false); }
std::ostream& MidiFile::writeBigEndianShort(std::ostream& out, short v) { return writeLow(out, (unsigned short)v, 2, true); }
std::ostream& MidiFile::writeLittleEndianULong(std::ostream& out, unsigned long v) { return writeLow(out, v, 4, false); }
std::ostream& MidiFile::writeBigEndianULong(std::ostream& out, unsigned long v) { return writeLow(out, v, 4, true); }
std::ostream& MidiFile::writeLittleEndianLong(std::ostream& out, long v) { return writeLow(out, (unsigned long)v, 4, false); }
std::ostream& MidiFile::writeBigEndianLong(std::ostream& out, long v) { return writeLow(out, (unsigned long)v, 4, true); }
std::ostream& MidiFile::writeLittleEndianFloat(std::ostream& out, float v) { return writeValue(out, v, false); }
std::ostream& MidiFile::writeBigEndianFloat(std::ostream& out, float v) { return writeValue(out, v, true); }
std::ostream& MidiFile::writeLittleEndianDouble(std::ostream& out, double v) { return writeValue(out, v, false); }
std::ostream& MidiFile::writeBigEndianDouble(std::ostream& out, double v) { return writeValue(out, v, true); }

// ---------------------------------------------------------------- editing

void MidiFile::clear()
{
    releaseTracks();
    m_events.push_back(new MidiEventList);
    m_timemap.clear();
    m_timemapvalid = false;
    m_theTrackState = 0;
    m_theTimeState = 1;
}

void MidiFile::erase() { clear(); }

void MidiFile::clear_no_deallocate()
{
    for (MidiEventList* track : m_events) {
        track->detach();
        delete track;
    }
    m_events.clear();
    m_events.push_back(new MidiEventList);
    m_timemap.clear();
    m_timemapvalid = false;
}

int MidiFile::addTrack()
{
    m_events.push_back(new MidiEventList(kTrackReservation));
    return getTrackCount() - 1;
}

int MidiFile::addTrack(int count)
{
    for (int i = 0; i < count; ++i)
        m_events.push_back(new MidiEventList(kTrackReservation));
    return getTrackCount() - 1;
}

int MidiFile::addTracks(int count) { return addTrack(count); }

void MidiFile::deleteTrack(int track)
{
    if (track < 0 || track >= getTrackCount() || getTrackCount() == 1)
        return;
    delete m_events[size_t(track)];
    m_events.erase(m_events.begin() + track);
}

void MidiFile::mergeTracks(int track1, int track2)
{
    const int count = getTrackCount();
    if (track1 < 0 || track2 < 0 || track1 >= count || track2 >= count || track1 == track2)
        return;
    const bool wasDelta = isDeltaTicks();
    makeAbsoluteTicks();
    MidiEventList* merged = new MidiEventList;
    MidiEventList& first = *m_events[size_t(track1)];
    MidiEventList& second = *m_events[size_t(track2)];
    merged->reserve(first.size() + second.size());
    for (int i = 0; i < first.size(); ++i)
        merged->push_back(first[i]);
    for (int i = 0; i < second.size(); ++i) {
        const int index = merged->push_back(second[i]);
        (*merged)[index].track = track1;
    }
    merged->sort();
    delete m_events[size_t(track1)];
    m_events[size_t(track1)] = merged;
    delete m_events[size_t(track2)];
    m_events.erase(m_events.begin() + track2);
    for (int t = track2; t < getTrackCount(); ++t)
        for (int i = 0; i < m_events[size_t(t)]->size(); ++i)
            (*m_events[size_t(t)])[i].track = t;
    if (wasDelta)
        makeDeltaTicks();
}

void MidiFile::splitTracksByChannel()
{
    joinTracks();
    const bool wasDelta = isDeltaTicks();
    makeAbsoluteTicks();
    MidiEventList* joined = m_events[0];
    int highest = 0;
    for (int i = 0; i < joined->size(); ++i) {
        const MidiEvent& event = (*joined)[i];
        if (!event.empty() && event[0] < 0xF0)
            highest = std::max(highest, event[0] & 0x0F);
    }
    std::vector<MidiEventList*> tracks;
    for (int i = 0; i < highest + 2; ++i)
        tracks.push_back(new MidiEventList);
    for (int i = 0; i < joined->size(); ++i) {
        MidiEvent* event = &(*joined)[i];
        if (event->empty() || (*event)[0] >= 0xF0)
            tracks[0]->push_back_no_copy(event);
        else
            tracks[size_t(((*event)[0] & 0x0F) + 1)]->push_back_no_copy(event);
    }
    joined->detach();
    delete joined;
    m_events = std::move(tracks);
    if (wasDelta)
        makeDeltaTicks();
    m_theTrackState = 0;
}

MidiEvent* MidiFile::appendNew(int track, int tick, const std::vector<uchar>& bytes)
{
    MidiEvent* event = new MidiEvent(tick, track, bytes);
    m_events[size_t(track)]->push_back_no_copy(event);
    m_timemapvalid = false;
    return event;
}

MidiEvent* MidiFile::addEvent(int track, int tick, std::vector<uchar>& bytes)
{
    return appendNew(track, tick, bytes);
}

MidiEvent* MidiFile::addEvent(MidiEvent& event)
{
    const int target = hasJoinedTracks() ? 0 : event.track;
    MidiEventList* list = m_events.at(size_t(target));
    m_timemapvalid = false;
    const int index = list->push_back(event);
    return &(*list)[index];
}

MidiEvent* MidiFile::addEvent(int track, MidiEvent& event)
{
    MidiEventList* list = m_events.at(size_t(hasJoinedTracks() ? 0 : track));
    m_timemapvalid = false;
    const int index = list->push_back(event);
    (*list)[index].track = track;
    return &(*list)[index];
}

MidiEvent* MidiFile::addMetaEvent(int track, int tick, int type, std::vector<uchar>& content)
{
    std::vector<uchar> bytes;
    bytes.reserve(content.size() + 6);
    bytes.push_back(0xFF);
    bytes.push_back(uchar(type & 0x7F));
    uchar length[4];
    const int count = makeVLV(length, content.size() > size_t(INT_MAX) ? -1 : int(content.size()));
    bytes.insert(bytes.end(), length, length + count);
    bytes.insert(bytes.end(), content.begin(), content.end());
    return appendNew(track, tick, bytes);
}

MidiEvent* MidiFile::addMetaEvent(int track, int tick, int type, const std::string& text)
{
    std::vector<uchar> content(text.begin(), text.end());
    return addMetaEvent(track, tick, type, content);
}

MidiEvent* MidiFile::addText(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 1, t); }
MidiEvent* MidiFile::addCopyright(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 2, t); }
MidiEvent* MidiFile::addTrackName(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 3, t); }
MidiEvent* MidiFile::addInstrumentName(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 4, t); }
MidiEvent* MidiFile::addLyric(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 5, t); }
MidiEvent* MidiFile::addMarker(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 6, t); }
MidiEvent* MidiFile::addCue(int track, int tick, const std::string& t) { return addMetaEvent(track, tick, 7, t); }

MidiEvent* MidiFile::addTempo(int track, int tick, double bpm)
{
    MidiMessage message;
    message.setTempo(bpm);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addTimeSignature(int track, int tick, int top, int bottom, int clocksPerClick,
                                      int num32ndsPerQuarter)
{
    MidiMessage message;
    message.makeTimeSignature(top, bottom, clocksPerClick, num32ndsPerQuarter);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addCompoundTimeSignature(int track, int tick, int top, int bottom, int clocksPerClick,
                                              int num32ndsPerQuarter)
{
    return addTimeSignature(track, tick, top, bottom, clocksPerClick, num32ndsPerQuarter);
}

MidiEvent* MidiFile::addNoteOn(int track, int tick, int channel, int key, int velocity)
{
    MidiMessage message;
    message.makeNoteOn(channel, key, velocity);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addNoteOff(int track, int tick, int channel, int key, int velocity)
{
    MidiMessage message;
    message.makeNoteOff(channel, key, velocity);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addNoteOff(int track, int tick, int channel, int key)
{
    MidiMessage message;
    message.makeNoteOff(channel, key);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addController(int track, int tick, int channel, int number, int value)
{
    MidiMessage message;
    message.makeController(channel, number, value);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addPatchChange(int track, int tick, int channel, int patch)
{
    MidiMessage message;
    message.makePatchChange(channel, patch);
    return appendNew(track, tick, message);
}

MidiEvent* MidiFile::addTimbre(int track, int tick, int channel, int patch)
{
    return addPatchChange(track, tick, channel, patch);
}

MidiEvent* MidiFile::addSustain(int track, int tick, int channel, int value)
{
    return addController(track, tick, channel, 64, value);
}

MidiEvent* MidiFile::addSustainPedal(int track, int tick, int channel, int value)
{
    return addSustain(track, tick, channel, value);
}

MidiEvent* MidiFile::addSustainOn(int track, int tick, int channel) { return addSustain(track, tick, channel, 127); }
MidiEvent* MidiFile::addSustainPedalOn(int track, int tick, int channel) { return addSustainOn(track, tick, channel); }
MidiEvent* MidiFile::addSustainOff(int track, int tick, int channel) { return addSustain(track, tick, channel, 0); }
MidiEvent* MidiFile::addSustainPedalOff(int track, int tick, int channel) { return addSustainOff(track, tick, channel); }

MidiEvent* MidiFile::addPitchBend(int track, int tick, int channel, double amount)
{
    const int status = 0xE0 | std::min(15, std::max(0, channel));
    double scaled = (amount + 1) * 8192 + 0.5;
    // Limited before the conversion: an amount far outside -1..+1 (or not a
    // number) must not reach an out-of-range int conversion.
    if (!(scaled >= 0.0))
        scaled = 0.0;
    const int value = scaled > 16383.0 ? 16383 : int(scaled);
    std::vector<uchar> bytes = {uchar(status), uchar(value & 0x7F), uchar((value >> 7) & 0x7F)};
    return appendNew(track, tick, bytes);
}

MidiEvent* MidiFile::setPitchBendRange(int track, int tick, int channel, double semitones)
{
    double range = std::fabs(semitones);
    int whole = 24;
    int cents = 0;
    if (range > 24) {
        std::cerr << "Warning: pitch bend range is too large: " << range << std::endl;
        std::cerr << "Setting to 24." << std::endl;
    } else {
        whole = int(range);
        cents = int((range - whole) * 100 + 0.5);
    }
    addController(track, tick, channel, 101, 0);
    addController(track, tick, channel, 100, 0);
    addController(track, tick, channel, 6, whole);
    return addController(track, tick, channel, 38, cents);
}

} // namespace smf
