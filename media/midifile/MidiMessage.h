#pragma once

#include <string>
#include <vector>

namespace smf {

typedef unsigned char uchar;

// One MIDI message as its raw bytes: status byte first, then its data bytes
// (meta messages keep their length field, system exclusive messages do not).
class MidiMessage : public std::vector<uchar> {
public:
    MidiMessage();
    explicit MidiMessage(int command);
    MidiMessage(int command, int p1);
    MidiMessage(int command, int p1, int p2);
    MidiMessage(const MidiMessage& message);
    MidiMessage(const std::vector<uchar>& message);
    MidiMessage(const std::vector<char>& message);
    MidiMessage(const std::vector<int>& message);
    ~MidiMessage();

    MidiMessage& operator=(const MidiMessage& message);
    MidiMessage& operator=(const std::vector<uchar>& bytes);
    MidiMessage& operator=(const std::vector<char>& bytes);
    MidiMessage& operator=(const std::vector<int>& bytes);

    void setMessage(const std::vector<uchar>& message);
    void setMessage(const std::vector<char>& message);
    void setMessage(const std::vector<int>& message);

    int getSize() const;
    void setSize(int size);
    int setSizeToCommand();
    int resizeToCommand();

    bool isMeta() const;
    bool isMetaMessage() const;
    bool isNoteOn() const;
    bool isNoteOff() const;
    bool isNote() const;
    bool isAftertouch() const;
    bool isController() const;
    bool isTimbre() const;
    bool isPatchChange() const;
    bool isPressure() const;
    bool isPitchbend() const;
    bool isEmpty() const;
    bool isText() const;
    bool isCopyright() const;
    bool isTrackName() const;
    bool isInstrumentName() const;
    bool isLyricText() const;
    bool isMarkerText() const;
    bool isTempo() const;
    bool isTimeSignature() const;
    bool isKeySignature() const;
    bool isEndOfTrack() const;
    bool isSustain() const;
    bool isSustainOn() const;
    bool isSustainOff() const;
    bool isSoft() const;
    bool isSoftOn() const;
    bool isSoftOff() const;

    int getP0() const;
    int getP1() const;
    int getP2() const;
    int getP3() const;
    int getCommandByte() const;
    int getCommandNibble() const;
    int getChannelNibble() const;
    int getChannel() const;
    int getKeyNumber() const;
    int getVelocity() const;
    int getControllerNumber() const;
    int getControllerValue() const;
    int getMetaType() const;
    std::string getMetaContent() const;
    int getTempoMicro() const;
    int getTempoMicroseconds() const;
    double getTempoSeconds() const;
    double getTempoBPM() const;
    double getTempoTPS(int tpq) const;
    double getTempoSPT(int tpq) const;

    void setP0(int value);
    void setP1(int value);
    void setP2(int value);
    void setP3(int value);
    void setCommandByte(int value);
    void setCommand(int value);
    void setCommand(int p0, int p1);
    void setCommand(int p0, int p1, int p2);
    void setCommandNibble(int value);
    void setChannelNibble(int value);
    void setChannel(int value);
    void setParameters(int p1);
    void setParameters(int p1, int p2);
    void setKeyNumber(int value);
    void setVelocity(int value);
    void setTempoMicroseconds(int microseconds);
    void setMetaTempo(double bpm);
    void setTempo(double bpm);
    void setMetaContent(const std::string& content);

    void makeNoteOn(int channel, int key, int velocity);
    void makeNoteOff(int channel, int key, int velocity);
    void makeNoteOff(int channel, int key);
    void makeNoteOff();
    void makeController(int channel, int number, int value);
    void makeSustain(int channel, int value);
    void makeSustainPedal(int channel, int value);
    void makeSustainOn(int channel);
    void makeSustainPedalOn(int channel);
    void makeSustainOff(int channel);
    void makeSustainPedalOff(int channel);
    void makePatchChange(int channel, int patch);
    void makeTimbre(int channel, int patch);
    void makeTimeSignature(int top, int bottom, int clocksPerClick = 24, int num32ndsPerQuarter = 8);
    void makeMetaMessage(int type, const std::string& text);
    void makeText(const std::string& text);
    void makeCopyright(const std::string& text);
    void makeTrackName(const std::string& text);
    void makeInstrumentName(const std::string& text);
    void makeLyric(const std::string& text);
    void makeMarker(const std::string& text);
    void makeCue(const std::string& text);

    void getSpelling(int& base7, int& accidental);
    void setSpelling(int base7, int accidental);

private:
    bool isMetaOfType(int type) const;
    bool isControllerNumber(int number) const;
};

} // namespace smf
