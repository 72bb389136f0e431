#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace smf {

// Converts between bytes and a line-oriented text form (hexadecimal, binary,
// decimal, character, string, variable-length, tempo and pitch-bend words with
// comments), and lists bytes as hexadecimal, characters or a commented
// Standard MIDI File listing that converts back to the same bytes.
class Binasc {
public:
    Binasc();
    ~Binasc();

    int setLineLength(int length);
    int getLineLength() const;
    int setLineBytes(int length);
    int getLineBytes() const;
    void setComments(int state);
    void setCommentsOn();
    void setCommentsOff();
    int getComments() const;
    void setBytes(int state);
    void setBytesOn();
    void setBytesOff();
    int getBytes() const;
    void setMidi(int state);
    void setMidiOn();
    void setMidiOff();
    int getMidi() const;

    // Text to bytes.
    int writeToBinary(const std::string& outfile, const std::string& infile);
    int writeToBinary(const std::string& outfile, std::istream& input);
    int writeToBinary(std::ostream& out, const std::string& infile);
    int writeToBinary(std::ostream& out, std::istream& input);

    // Bytes to text.
    int readFromBinary(const std::string& outfile, const std::string& infile);
    int readFromBinary(const std::string& outfile, std::istream& input);
    int readFromBinary(std::ostream& out, const std::string& infile);
    int readFromBinary(std::ostream& out, std::istream& input);

    static std::string keyToPitchName(int key);

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

    int processLine(std::ostream& out, const std::string& input, int lineNum);
    int processAsciiWord(std::ostream& out, const std::string& word, int lineNum);
    int processStringWord(std::ostream& out, const std::string& word, int lineNum);
    int processVlvWord(std::ostream& out, const std::string& word, int lineNum);
    int processMidiTempoWord(std::ostream& out, const std::string& word, int lineNum);
    int processMidiPitchBendWord(std::ostream& out, const std::string& word, int lineNum);
    int processDecimalWord(std::ostream& out, const std::string& word, int lineNum);
    int processHexWord(std::ostream& out, const std::string& word, int lineNum);
    int processBinaryWord(std::ostream& out, const std::string& word, int lineNum);
    int getWord(std::string& word, const std::string& input, const std::string& terminators, int index);

    int outputStyleAscii(std::ostream& out, std::istream& input);
    int outputStyleBinary(std::ostream& out, std::istream& input);
    int outputStyleBoth(std::ostream& out, std::istream& input);
    int outputStyleMidi(std::ostream& out, std::istream& input);
    int readMidiEvent(std::ostream& out, std::istream& infile, int& trackbytes, int& command);
    int getVLV(std::istream& infile, int& trackbytes);

private:
    bool m_bytesQ = true;
    bool m_commentsQ = false;
    bool m_midiQ = false;
    int m_maxLineLength = 75;
    int m_maxLineBytes = 25;
};

} // namespace smf
