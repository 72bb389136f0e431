#include "MidiMessage.h"

namespace smf {

MidiMessage::MidiMessage() = default;

MidiMessage::MidiMessage(int command) : std::vector<uchar>(1, uchar(command)) {}

MidiMessage::MidiMessage(int command, int p1)
{
    resize(2);
    (*this)[0] = uchar(command);
    (*this)[1] = uchar(p1);
}

MidiMessage::MidiMessage(int command, int p1, int p2)
{
    resize(3);
    (*this)[0] = uchar(command);
    (*this)[1] = uchar(p1);
    (*this)[2] = uchar(p2);
}

MidiMessage::MidiMessage(const MidiMessage& message) = default;
MidiMessage::MidiMessage(const std::vector<uchar>& message) { setMessage(message); }
MidiMessage::MidiMessage(const std::vector<char>& message) { setMessage(message); }
MidiMessage::MidiMessage(const std::vector<int>& message) { setMessage(message); }
MidiMessage::~MidiMessage() = default;

MidiMessage& MidiMessage::operator=(const MidiMessage& message)
{
    if (this != &message)
        std::vector<uchar>::operator=(message);
    return *this;
}

MidiMessage& MidiMessage::operator=(const std::vector<uchar>& bytes)
{
    setMessage(bytes);
    return *this;
}

MidiMessage& MidiMessage::operator=(const std::vector<char>& bytes)
{
    setMessage(bytes);
    return *this;
}

MidiMessage& MidiMessage::operator=(const std::vector<int>& bytes)
{
    setMessage(bytes);
    return *this;
}

void MidiMessage::setMessage(const std::vector<uchar>& message)
{
    if (static_cast<const std::vector<uchar>*>(this) != &message)
        std::vector<uchar>::operator=(message);
}

void MidiMessage::setMessage(const std::vector<char>& message)
{
    resize(message.size());
    for (size_t i = 0; i < message.size(); ++i)
        (*this)[i] = uchar(message[i]);
}

void MidiMessage::setMessage(const std::vector<int>& message)
{
    resize(message.size());
    for (size_t i = 0; i < message.size(); ++i)
        (*this)[i] = uchar(message[i]);
}

int MidiMessage::getSize() const { return int(size()); }
void MidiMessage::setSize(int n) { resize(size_t(n < 0 ? 0 : n)); }

int MidiMessage::setSizeToCommand()
{
    if (empty())
        return 0;
    int wanted = 0;
    switch ((*this)[0] & 0xF0) {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0: wanted = 3; break;
    case 0xC0: case 0xD0: wanted = 2; break;
    default: return getSize();
    }
    if (getSize() > wanted)
        resize(size_t(wanted));
    return getSize();
}

int MidiMessage::resizeToCommand() { return setSizeToCommand(); }

// ---- classification

bool MidiMessage::isMeta() const { return size() >= 3 && (*this)[0] == 0xFF; }
bool MidiMessage::isMetaMessage() const { return isMeta(); }

bool MidiMessage::isNoteOn() const
{
    return size() == 3 && ((*this)[0] & 0xF0) == 0x90 && (*this)[2] != 0;
}

bool MidiMessage::isNoteOff() const
{
    if (size() != 3)
        return false;
    const int nibble = (*this)[0] & 0xF0;
    return nibble == 0x80 || (nibble == 0x90 && (*this)[2] == 0);
}

bool MidiMessage::isNote() const { return isNoteOn() || isNoteOff(); }
bool MidiMessage::isAftertouch() const { return size() == 3 && ((*this)[0] & 0xF0) == 0xA0; }
bool MidiMessage::isController() const { return size() == 3 && ((*this)[0] & 0xF0) == 0xB0; }
bool MidiMessage::isTimbre() const { return size() == 2 && ((*this)[0] & 0xF0) == 0xC0; }
bool MidiMessage::isPatchChange() const { return isTimbre(); }
bool MidiMessage::isPressure() const { return size() == 2 && ((*this)[0] & 0xF0) == 0xD0; }
bool MidiMessage::isPitchbend() const { return size() == 3 && ((*this)[0] & 0xF0) == 0xE0; }
bool MidiMessage::isEmpty() const { return empty(); }

bool MidiMessage::isMetaOfType(int type) const { return isMeta() && (*this)[1] == type; }
bool MidiMessage::isText() const { return isMetaOfType(1); }
bool MidiMessage::isCopyright() const { return isMetaOfType(2); }
bool MidiMessage::isTrackName() const { return isMetaOfType(3); }
bool MidiMessage::isInstrumentName() const { return isMetaOfType(4); }
bool MidiMessage::isLyricText() const { return isMetaOfType(5); }
bool MidiMessage::isMarkerText() const { return isMetaOfType(6); }
bool MidiMessage::isTempo() const { return isMetaOfType(0x51) && size() == 6; }
bool MidiMessage::isTimeSignature() const { return isMetaOfType(0x58) && size() == 7; }
bool MidiMessage::isKeySignature() const { return isMetaOfType(0x59) && size() == 5; }
bool MidiMessage::isEndOfTrack() const { return isMetaOfType(0x2F); }

bool MidiMessage::isControllerNumber(int number) const
{
    return isController() && (*this)[1] == number;
}

bool MidiMessage::isSustain() const { return isControllerNumber(64); }
bool MidiMessage::isSustainOn() const { return isSustain() && (*this)[2] >= 64; }
bool MidiMessage::isSustainOff() const { return isSustain() && (*this)[2] < 64; }
bool MidiMessage::isSoft() const { return isControllerNumber(67); }
bool MidiMessage::isSoftOn() const { return isSoft() && (*this)[2] >= 64; }
bool MidiMessage::isSoftOff() const { return isSoft() && (*this)[2] < 64; }

// ---- accessors

int MidiMessage::getP0() const { return size() < 1 ? -1 : (*this)[0]; }
int MidiMessage::getP1() const { return size() < 2 ? -1 : (*this)[1]; }
int MidiMessage::getP2() const { return size() < 3 ? -1 : (*this)[2]; }
int MidiMessage::getP3() const { return size() < 4 ? -1 : (*this)[3]; }
int MidiMessage::getCommandByte() const { return getP0(); }
int MidiMessage::getCommandNibble() const { return empty() ? -1 : ((*this)[0] & 0xF0); }
int MidiMessage::getChannelNibble() const { return empty() ? -1 : ((*this)[0] & 0x0F); }
int MidiMessage::getChannel() const { return getChannelNibble(); }

int MidiMessage::getKeyNumber() const
{
    return (isNote() || isAftertouch()) ? (*this)[1] : -1;
}

int MidiMessage::getVelocity() const { return isNote() ? (*this)[2] : -1; }
int MidiMessage::getControllerNumber() const { return isController() ? ((*this)[1] & 0x7F) : -1; }
int MidiMessage::getControllerValue() const { return isController() ? ((*this)[2] & 0x7F) : -1; }
int MidiMessage::getMetaType() const { return isMeta() ? (*this)[1] : -1; }

std::string MidiMessage::getMetaContent() const
{
    std::string content;
    if (!isMeta())
        return content;
    size_t start = 0;
    if (((*this)[2] & 0x80) == 0)
        start = 3;
    else if (size() > 3 && ((*this)[3] & 0x80) == 0)
        start = 4;
    else if (size() > 4 && ((*this)[4] & 0x80) == 0)
        start = 5;
    else if (size() > 5)
        start = ((*this)[5] & 0x80) ? 7 : 6;
    else
        return content;
    if (start > size())
        return content;
    content.assign(begin() + long(start), end());
    return content;
}

int MidiMessage::getTempoMicro() const
{
    if (!isTempo())
        return -1;
    return ((*this)[3] << 16) | ((*this)[4] << 8) | (*this)[5];
}

int MidiMessage::getTempoMicroseconds() const { return getTempoMicro(); }

double MidiMessage::getTempoSeconds() const
{
    const int us = getTempoMicro();
    return us < 0 ? -1.0 : us / 1000000.0;
}

double MidiMessage::getTempoBPM() const
{
    const int us = getTempoMicro();
    return us < 0 ? -1.0 : 6e7 / us;
}

double MidiMessage::getTempoTPS(int tpq) const
{
    const int us = getTempoMicro();
    return us < 0 ? -1.0 : tpq * 1000000.0 / us;
}

double MidiMessage::getTempoSPT(int tpq) const
{
    const int us = getTempoMicro();
    return us < 0 ? -1.0 : us / 1000000.0 / tpq;
}

// ---- setters

void MidiMessage::setP0(int value)
{
    if (size() < 1)
        resize(1);
    (*this)[0] = uchar(value);
}

void MidiMessage::setP1(int value)
{
    if (size() < 2)
        resize(2);
    (*this)[1] = uchar(value);
}

void MidiMessage::setP2(int value)
{
    if (size() < 3)
        resize(3);
    (*this)[2] = uchar(value);
}

void MidiMessage::setP3(int value)
{
    if (size() < 4)
        resize(4);
    (*this)[3] = uchar(value);
}

void MidiMessage::setCommandByte(int value) { setP0(value); }
void MidiMessage::setCommand(int value) { setP0(value); }

void MidiMessage::setCommand(int p0, int p1)
{
    resize(2);
    (*this)[0] = uchar(p0);
    (*this)[1] = uchar(p1);
}

void MidiMessage::setCommand(int p0, int p1, int p2)
{
    resize(3);
    (*this)[0] = uchar(p0);
    (*this)[1] = uchar(p1);
    (*this)[2] = uchar(p2);
}

void MidiMessage::setCommandNibble(int value)
{
    if (empty())
        resize(1);
    const int high = value > 15 ? (value & 0xF0) : ((value << 4) & 0xF0);
    (*this)[0] = uchar(((*this)[0] & 0x0F) | high);
}

void MidiMessage::setChannelNibble(int value)
{
    if (empty())
        resize(1);
    (*this)[0] = uchar(((*this)[0] & 0xF0) | (value & 0x0F));
}

void MidiMessage::setChannel(int value) { setChannelNibble(value); }

void MidiMessage::setParameters(int p1)
{
    resize(2);
    (*this)[1] = uchar(p1);
}

void MidiMessage::setParameters(int p1, int p2)
{
    resize(3);
    (*this)[1] = uchar(p1);
    (*this)[2] = uchar(p2);
}

void MidiMessage::setKeyNumber(int value)
{
    if (isNote() || isAftertouch())
        (*this)[1] = uchar(value);
}

void MidiMessage::setVelocity(int value)
{
    if (isNote())
        (*this)[2] = uchar(value);
}

void MidiMessage::setTempoMicroseconds(int microseconds)
{
    resize(6);
    (*this)[0] = 0xFF;
    (*this)[1] = 0x51;
    (*this)[2] = 0x03;
    (*this)[3] = uchar((microseconds >> 16) & 0xFF);
    (*this)[4] = uchar((microseconds >> 8) & 0xFF);
    (*this)[5] = uchar(microseconds & 0xFF);
}

void MidiMessage::setMetaTempo(double bpm)
{
    // A tempo of 0 (or one too slow for an int) is the slowest the three
    // bytes hold, instead of an undefined conversion.
    const double microseconds = 60.0 / bpm * 1000000.0 + 0.5;
    if (!(microseconds < 2147483647.0) || !(microseconds > -2147483648.0))
        setTempoMicroseconds(0xFFFFFF);
    else
        setTempoMicroseconds(int(microseconds));
}

void MidiMessage::setTempo(double bpm) { setMetaTempo(bpm); }

void MidiMessage::setMetaContent(const std::string& content)
{
    if (size() < 2 || (*this)[0] != 0xFF)
        return;
    resize(2);
    unsigned long length = content.size();
    uchar groups[5];
    int count = 0;
    do {
        groups[count++] = uchar(length & 0x7F);
        length >>= 7;
    } while (length != 0 && count < 5);
    for (int i = count - 1; i >= 0; --i)
        push_back(uchar(groups[i] | (i > 0 ? 0x80 : 0)));
    insert(end(), content.begin(), content.end());
}

// ---- makers

void MidiMessage::makeNoteOn(int channel, int key, int velocity)
{
    setCommand(0x90 | (channel & 0x0F), key & 0x7F, velocity & 0x7F);
}

void MidiMessage::makeNoteOff(int channel, int key, int velocity)
{
    setCommand(0x80 | (channel & 0x0F), key & 0x7F, velocity & 0x7F);
}

void MidiMessage::makeNoteOff(int channel, int key)
{
    setCommand(0x90 | (channel & 0x0F), key & 0x7F, 0);
}

void MidiMessage::makeNoteOff()
{
    // A note-on (also one already at velocity 0) keeps its channel and key.
    if (size() == 3 && ((*this)[0] & 0xF0) == 0x90)
        (*this)[2] = 0;
    else
        setCommand(0x90, 0, 0);
}

void MidiMessage::makeController(int channel, int number, int value)
{
    setCommand(0xB0 | (channel & 0x0F), number & 0x7F, value & 0x7F);
}

void MidiMessage::makeSustain(int channel, int value) { makeController(channel, 64, value); }
void MidiMessage::makeSustainPedal(int channel, int value) { makeSustain(channel, value); }
void MidiMessage::makeSustainOn(int channel) { makeSustain(channel, 127); }
void MidiMessage::makeSustainPedalOn(int channel) { makeSustainOn(channel); }
void MidiMessage::makeSustainOff(int channel) { makeSustain(channel, 0); }
void MidiMessage::makeSustainPedalOff(int channel) { makeSustainOff(channel); }

void MidiMessage::makePatchChange(int channel, int patch)
{
    setCommand(0xC0 | (channel & 0x0F), patch & 0x7F);
}

void MidiMessage::makeTimbre(int channel, int patch) { makePatchChange(channel, patch); }

void MidiMessage::makeTimeSignature(int top, int bottom, int clocksPerClick, int num32ndsPerQuarter)
{
    int power = 0;
    if (bottom >= 2) {
        while (bottom > 1) {
            bottom /= 2;
            ++power;
        }
    }
    resize(7);
    (*this)[0] = 0xFF;
    (*this)[1] = 0x58;
    (*this)[2] = 0x04;
    (*this)[3] = uchar(top);
    (*this)[4] = uchar(power);
    (*this)[5] = uchar(clocksPerClick);
    (*this)[6] = uchar(num32ndsPerQuarter);
}

void MidiMessage::makeMetaMessage(int type, const std::string& text)
{
    resize(2);
    (*this)[0] = 0xFF;
    (*this)[1] = uchar(type & 0x7F);
    setMetaContent(text);
}

void MidiMessage::makeText(const std::string& text) { makeMetaMessage(1, text); }
void MidiMessage::makeCopyright(const std::string& text) { makeMetaMessage(2, text); }
void MidiMessage::makeTrackName(const std::string& text) { makeMetaMessage(3, text); }
void MidiMessage::makeInstrumentName(const std::string& text) { makeMetaMessage(4, text); }
void MidiMessage::makeLyric(const std::string& text) { makeMetaMessage(5, text); }
void MidiMessage::makeMarker(const std::string& text) { makeMetaMessage(6, text); }
void MidiMessage::makeCue(const std::string& text) { makeMetaMessage(7, text); }

// ---- enharmonic spelling in the two low velocity bits

namespace {

struct Spelling {
    int letter;     // 0 = C ... 6 = B
    int accidental; // flats negative, sharps positive
    int octaveShift;
};

// Rows: pitch class; columns: code 0 (and 2), code 1, code 3.
const Spelling kSpellings[12][3] = {
    {{0, 0, 0}, {1, -2, 0}, {6, 1, -1}},
    {{0, 1, 0}, {1, -1, 0}, {6, 2, -1}},
    {{1, 0, 0}, {2, -2, 0}, {0, 2, 0}},
    {{2, -1, 0}, {3, -2, 0}, {1, 1, 0}},
    {{2, 0, 0}, {3, -1, 0}, {1, 2, 0}},
    {{3, 0, 0}, {4, -2, 0}, {2, 1, 0}},
    {{3, 1, 0}, {4, -1, 0}, {2, 2, 0}},
    {{4, 0, 0}, {5, -2, 0}, {3, 2, 0}},
    {{4, 1, 0}, {5, -1, 0}, {3, 3, 0}},
    {{5, 0, 0}, {6, -2, 0}, {4, 2, 0}},
    {{6, -1, 0}, {0, -2, 1}, {5, 1, 0}},
    {{6, 0, 0}, {0, -1, 1}, {5, 2, 0}},
};

} // namespace

void MidiMessage::getSpelling(int& base7, int& accidental)
{
    if (!isNoteOn())
        return;
    const int key = getKeyNumber();
    const int pitchClass = key % 12;
    const int octave = key / 12;
    const int code = getVelocity() & 3;
    const int column = code == 1 ? 1 : code == 3 ? 2 : 0;
    const Spelling& s = kSpellings[pitchClass][column];
    base7 = s.letter + 7 * (octave + s.octaveShift);
    accidental = s.accidental;
}

void MidiMessage::setSpelling(int base7, int accidental)
{
    if (!isNoteOn())
        return;
    int velocity = getVelocity();
    if (velocity < 4)
        velocity = 4;
    const int letter = base7 % 7;
    int code = 0;
    if (letter >= 0 && accidental >= -2 && accidental <= 3) {
        // Codes for accidentals -2, -1, 0, +1, +2, +3 (0: cannot be spelled).
        static const int kCG[6] = {1, 1, 2, 2, 3, 0};
        static const int kDA[6] = {1, 1, 2, 3, 3, 0};
        static const int kEB[6] = {1, 2, 2, 3, 3, 0};
        static const int kF[6] = {1, 1, 2, 2, 3, 3};
        const int* row = nullptr;
        switch (letter) {
        case 0: case 4: row = kCG; break;
        case 1: case 5: row = kDA; break;
        case 2: case 6: row = kEB; break;
        case 3: row = kF; break;
        }
        if (row)
            code = row[accidental + 2];
    }
    (*this)[2] = uchar((velocity & 0xFC) | code);
}

} // namespace smf
