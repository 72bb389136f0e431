#include "Binasc.h"

#include "MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace smf {

Binasc::Binasc() = default;
Binasc::~Binasc() = default;

int Binasc::setLineLength(int length)
{
    m_maxLineLength = length <= 0 ? 75 : length;
    return m_maxLineLength;
}

int Binasc::getLineLength() const { return m_maxLineLength; }

int Binasc::setLineBytes(int length)
{
    m_maxLineBytes = length <= 0 ? 25 : length;
    return m_maxLineBytes;
}

int Binasc::getLineBytes() const { return m_maxLineBytes; }
void Binasc::setComments(int state) { m_commentsQ = state != 0; }
void Binasc::setCommentsOn() { m_commentsQ = true; }
void Binasc::setCommentsOff() { m_commentsQ = false; }
int Binasc::getComments() const { return m_commentsQ; }
void Binasc::setBytes(int state) { m_bytesQ = state != 0; }
void Binasc::setBytesOn() { m_bytesQ = true; }
void Binasc::setBytesOff() { m_bytesQ = false; }
int Binasc::getBytes() const { return m_bytesQ; }
void Binasc::setMidi(int state) { m_midiQ = state != 0; }
void Binasc::setMidiOn() { m_midiQ = true; }
void Binasc::setMidiOff() { m_midiQ = false; }
int Binasc::getMidi() const { return m_midiQ; }

// ---------------------------------------------------------------- text to bytes

int Binasc::writeToBinary(const std::string& outfile, const std::string& infile)
{
    std::ifstream input(infile, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        std::cerr << "Cannot open " << infile << " for reading in binasc." << std::endl;
        return 0;
    }
    return writeToBinary(outfile, input);
}

int Binasc::writeToBinary(const std::string& outfile, std::istream& input)
{
    std::ofstream out(outfile, std::ios::out | std::ios::binary);
    if (!out.is_open()) {
        std::cerr << "Cannot open " << outfile << " for reading in binasc." << std::endl;
        return 0;
    }
    return writeToBinary(out, input);
}

int Binasc::writeToBinary(std::ostream& out, const std::string& infile)
{
    std::ifstream input(infile, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        std::cerr << "Cannot open " << infile << " for reading in binasc." << std::endl;
        return 0;
    }
    return writeToBinary(out, input);
}

int Binasc::writeToBinary(std::ostream& out, std::istream& input)
{
    std::string line;
    int lineNum = 0;
    while (std::getline(input, line)) {
        // A last line without its line feed is not converted.
        if (input.eof())
            break;
        ++lineNum;
        if (!processLine(out, line, lineNum))
            return 0;
    }
    return 1;
}

int Binasc::getWord(std::string& word, const std::string& input, const std::string& terminators, int index)
{
    word.clear();
    const int length = int(input.size());
    while (index < length && terminators.find(input[size_t(index)]) != std::string::npos)
        ++index;
    while (index < length && terminators.find(input[size_t(index)]) == std::string::npos)
        word += input[size_t(index++)];
    return index;
}

int Binasc::processLine(std::ostream& out, const std::string& input, int lineNum)
{
    static const std::string kSeparators = " \t\n";
    const int length = int(input.size());
    int i = 0;
    std::string word;
    while (i < length) {
        while (i < length && kSeparators.find(input[size_t(i)]) != std::string::npos)
            ++i;
        if (i >= length)
            break;
        const char first = input[size_t(i)];
        if (first == '#' || first == '/' || first == ';')
            break;
        if (first == '"') {
            // A string: up to the closing quote (a backslash escapes a quote),
            // or to the end of the line without one.
            word.clear();
            ++i;
            while (i < length) {
                const char c = input[size_t(i)];
                if (c == '\\' && i + 1 < length && input[size_t(i) + 1] == '"') {
                    word += "\\\"";
                    i += 2;
                    continue;
                }
                if (c == '"') {
                    ++i;
                    break;
                }
                word += c;
                ++i;
            }
            if (!processStringWord(out, word, lineNum))
                return 0;
            continue;
        }
        i = getWord(word, input, kSeparators, i);
        int ok = 1;
        if (first == '+')
            ok = processAsciiWord(out, word, lineNum);
        else if (first == 'v')
            ok = processVlvWord(out, word, lineNum);
        else if (first == 't')
            ok = processMidiTempoWord(out, word, lineNum);
        else if (first == 'p')
            ok = processMidiPitchBendWord(out, word, lineNum);
        else if (word.find('\'') != std::string::npos)
            ok = processDecimalWord(out, word, lineNum);
        else if (word.find(',') != std::string::npos || word.size() >= 3)
            ok = processBinaryWord(out, word, lineNum);
        else
            ok = processHexWord(out, word, lineNum);
        if (!ok)
            return 0;
    }
    return 1;
}

namespace {

int wordError(const std::string& word, int lineNum, const std::string& message)
{
    std::cerr << "Error on line " << lineNum << " at token: " << word << std::endl;
    std::cerr << message << std::endl;
    return 0;
}

void putBytes(std::ostream& out, unsigned long long value, int count, bool littleEndian)
{
    for (int i = 0; i < count; ++i) {
        const int shift = 8 * (littleEndian ? i : count - 1 - i);
        out.put(char((value >> shift) & 0xFF));
    }
}

bool numberStart(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

} // namespace

int Binasc::processAsciiWord(std::ostream& out, const std::string& word, int lineNum)
{
    if (word.empty() || word[0] != '+')
        return wordError(word, lineNum, "character byte must start with '+' sign: " + word);
    if (word.size() > 2)
        return wordError(word, lineNum, "character byte word is too long -- specify only one character");
    out.put(word.size() == 2 ? word[1] : ' ');
    return 1;
}

int Binasc::processStringWord(std::ostream& out, const std::string& word, int lineNum)
{
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '\\' && i + 1 < word.size() && word[i + 1] == '"') {
            out.put('"');
            ++i;
        } else {
            out.put(word[i]);
        }
    }
    return 1;
}

int Binasc::processVlvWord(std::ostream& out, const std::string& word, int lineNum)
{
    if (word.size() < 2 || !std::isdigit(static_cast<unsigned char>(word[1]))) {
        std::cerr << "Error on line: " << lineNum << ": 'v' needs to be followed immediately by a decimal digit"
                  << std::endl;
        return 0;
    }
    unsigned long long value = std::strtoull(word.c_str() + 1, nullptr, 10);
    uchar groups[10];
    int count = 0;
    do {
        groups[count++] = uchar(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 10);
    for (int i = count - 1; i >= 0; --i)
        out.put(char(groups[i] | (i > 0 ? 0x80 : 0)));
    return 1;
}

int Binasc::processMidiTempoWord(std::ostream& out, const std::string& word, int lineNum)
{
    if (word.size() < 2 || !numberStart(word[1])) {
        std::cerr << "Error on line: " << lineNum << ": 't' needs to be followed immediately by "
                  << "a floating-point number" << std::endl;
        return 0;
    }
    const double bpm = std::fabs(std::strtod(word.c_str() + 1, nullptr));
    // A tempo of 0 (or one too slow for three bytes) would divide into an
    // out-of-range integer: the slowest tempo the three bytes hold instead.
    const double micro = 6e7 / bpm + 0.5;
    const long value = (std::isfinite(micro) && micro < 16777215.0) ? long(micro) : 16777215L;
    putBytes(out, (unsigned long long)value, 3, false);
    return 1;
}

int Binasc::processMidiPitchBendWord(std::ostream& out, const std::string& word, int lineNum)
{
    if (word.size() < 2 || !numberStart(word[1])) {
        std::cerr << "Error on line: " << lineNum << ": 'p' needs to be followed immediately by "
                  << "a floating-point number" << std::endl;
        return 0;
    }
    double amount = std::strtod(word.c_str() + 1, nullptr);
    if (std::isnan(amount))
        amount = 0.0; // "p-nan" must not reach an undefined conversion
    if (amount > 1.0) {
        out.put(char(0x7F));
        out.put(char(0x7F));
    } else if (amount < -1.0) {
        out.put(char(0x00));
        out.put(char(0x00));
    } else {
        const int value = int((amount + 1) * 8191.5 + 0.5);
        out.put(char(value & 0x7F));
        out.put(char((value >> 7) & 0x7F));
    }
    return 1;
}

int Binasc::processDecimalWord(std::ostream& out, const std::string& word, int lineNum)
{
    const size_t quote = word.find('\'');
    if (quote == std::string::npos)
        return wordError(word, lineNum, "there must be a quote to signify a decimal number");
    if (quote + 1 >= word.size())
        return wordError(word, lineNum, "there must be a decimal number after the quote");

    bool littleEndian = false;
    int byteCount = 0;
    for (size_t i = 0; i < quote; ++i) {
        const char c = word[i];
        if (c == 'u' || c == 'U') {
            if (littleEndian)
                return wordError(word, lineNum, "extra \"u\" in decimal number");
            littleEndian = true;
        } else if (c == '1' || c == '2' || c == '3' || c == '4' || c == '8') {
            if (byteCount != 0)
                return wordError(word, lineNum, std::string("invalid byte specificaton before quote in ") +
                                                    "decimal number");
            byteCount = c - '0';
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            return wordError(word, lineNum, "cannot have numbers before quote in decimal number");
        } else if (c == '.') {
            return wordError(word, lineNum, "cannot have decimal marker before quote");
        } else if (c == '-') {
            return wordError(word, lineNum, "minus sign must immediately follow quote mark");
        } else {
            return wordError(word, lineNum,
                             "Invalid character in decimal number (character number " + std::to_string(i) + ")");
        }
    }

    bool negative = false;
    bool period = false;
    bool digits = false;
    for (size_t i = quote + 1; i < word.size(); ++i) {
        const char c = word[i];
        if (c == '-') {
            if (negative)
                return wordError(word, lineNum, "cannot have more than two minus signs in number");
            if (i != quote + 1)
                return wordError(word, lineNum, "minus sign must immediately follow quote mark");
            negative = true;
        } else if (c == '\'') {
            return wordError(word, lineNum, "extra quote in decimal number");
        } else if (c == '.') {
            if (period)
                return wordError(word, lineNum, "extra period in decimal number");
            period = true;
        } else if (c == 'u' || c == 'U') {
            return wordError(word, lineNum, "cannot have endian specified after quote");
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            digits = true;
        } else {
            return wordError(word, lineNum,
                             "Invalid character in decimal number (character number " + std::to_string(i) + ")");
        }
    }
    if (!digits)
        return wordError(word, lineNum, "there must be a decimal number after the quote");

    const std::string number = word.substr(quote + 1);
    if (period) {
        if (byteCount == 0 || byteCount == 4) {
            const float value = std::strtof(number.c_str(), nullptr);
            if (littleEndian)
                writeLittleEndianFloat(out, value);
            else
                writeBigEndianFloat(out, value);
            return 1;
        }
        if (byteCount == 8) {
            const double value = std::strtod(number.c_str(), nullptr);
            if (littleEndian)
                writeLittleEndianDouble(out, value);
            else
                writeBigEndianDouble(out, value);
            return 1;
        }
        return wordError(word, lineNum, "floating-point numbers can be only 4 or 8 bytes");
    }

    const long long value = std::strtoll(number.c_str(), nullptr, 10);
    switch (byteCount) {
    case 0:
        if (!negative && (value < 0 || value > 255))
            return wordError(word, lineNum, "Decimal number out of range from 0 to 255");
        if (negative && (value < -128 || value > 127))
            return wordError(word, lineNum, "Decimal number out of range from -128 to 127");
        out.put(char(value & 0xFF));
        return 1;
    case 1:
        out.put(char(value & 0xFF));
        return 1;
    case 2:
    case 4:
        putBytes(out, (unsigned long long)value, byteCount, littleEndian);
        return 1;
    case 3:
        if (negative)
            return wordError(word, lineNum, "negative decimal numbers cannot be stored in 3 bytes");
        putBytes(out, (unsigned long long)value, 3, littleEndian);
        return 1;
    case 8:
    default:
        return wordError(word, lineNum, "only floating-point numbers can use 8 bytes");
    }
}

int Binasc::processHexWord(std::ostream& out, const std::string& word, int lineNum)
{
    if (word.size() > 2)
        return wordError(word, lineNum, "Size of hexadecimal number is too large.  Max is ff.");
    int value = 0;
    for (const char c : word) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return wordError(word, lineNum, "Invalid character in hexadecimal number.");
        value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
    }
    out.put(char(value));
    return 1;
}

int Binasc::processBinaryWord(std::ostream& out, const std::string& word, int lineNum)
{
    int commas = 0;
    for (const char c : word) {
        if (c == ',') {
            if (++commas > 1)
                return wordError(word, lineNum, "extra comma in binary number");
        } else if (c != '0' && c != '1') {
            return wordError(word, lineNum, std::string("Invalid character in binary number (character is ") + c +
                                                ")");
        }
    }
    if (commas == 0) {
        if (word.size() > 8)
            return wordError(word, lineNum, "too many digits in binary number");
        int value = 0;
        for (const char c : word)
            value = value * 2 + (c - '0');
        out.put(char(value));
        return 1;
    }
    const size_t comma = word.find(',');
    if (comma == 0)
        return wordError(word, lineNum, "cannot start binary number with a comma");
    if (comma + 1 == word.size())
        return wordError(word, lineNum, "cannot end binary number with a comma");
    if (comma > 4)
        return wordError(word, lineNum, "too many digits to left of comma");
    if (word.size() - comma - 1 > 4)
        return wordError(word, lineNum, "too many digits to right of comma");
    int high = 0;
    int low = 0;
    for (size_t i = 0; i < comma; ++i)
        high = high * 2 + (word[i] - '0');
    for (size_t i = comma + 1; i < word.size(); ++i)
        low = low * 2 + (word[i] - '0');
    out.put(char((high << 4) | low));
    return 1;
}

// ---------------------------------------------------------------- bytes to text

int Binasc::readFromBinary(const std::string& outfile, const std::string& infile)
{
    std::ifstream input(infile, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        std::cerr << "Cannot open " << infile << " for reading in binasc." << std::endl;
        return 0;
    }
    return readFromBinary(outfile, input);
}

int Binasc::readFromBinary(const std::string& outfile, std::istream& input)
{
    std::ofstream out(outfile);
    if (!out.is_open()) {
        std::cerr << "Cannot open " << outfile << " for reading in binasc." << std::endl;
        return 0;
    }
    return readFromBinary(out, input);
}

int Binasc::readFromBinary(std::ostream& out, const std::string& infile)
{
    std::ifstream input(infile, std::ios::in | std::ios::binary);
    if (!input.is_open()) {
        std::cerr << "Cannot open " << infile << " for reading in binasc." << std::endl;
        return 0;
    }
    return readFromBinary(out, input);
}

int Binasc::readFromBinary(std::ostream& out, std::istream& input)
{
    if (m_midiQ)
        return outputStyleMidi(out, input);
    if (!m_bytesQ)
        return outputStyleAscii(out, input);
    if (m_commentsQ)
        return outputStyleBoth(out, input);
    return outputStyleBinary(out, input);
}

namespace {

const char kHex[] = "0123456789abcdef";

std::string hexByte(int b)
{
    std::string s(2, '0');
    s[0] = kHex[(b >> 4) & 0xF];
    s[1] = kHex[b & 0xF];
    return s;
}

bool printable(int c) { return c >= 0x20 && c < 0x7F; }

} // namespace

int Binasc::outputStyleAscii(std::ostream& out, std::istream& input)
{
    std::string word;
    int lineLength = 0;
    bool any = false;
    const auto flush = [&] {
        if (word.empty())
            return;
        if (!any) {
            out << word;
            lineLength = int(word.size());
            any = true;
        } else if (lineLength + int(word.size()) < m_maxLineLength) {
            out << ' ' << word;
            lineLength += 1 + int(word.size());
        } else {
            out << '\n' << word;
            lineLength = int(word.size());
        }
        word.clear();
    };
    int c;
    while ((c = input.get()) != EOF) {
        if (printable(c) && c != ' ')
            word += char(c);
        else
            flush();
    }
    flush();
    if (any)
        out << '\n';
    return 1;
}

int Binasc::outputStyleBinary(std::ostream& out, std::istream& input)
{
    int c = input.get();
    if (c == EOF) {
        std::cerr << "End of the file right away!" << std::endl;
        return 0;
    }
    int count = 0;
    while (c != EOF) {
        out << hexByte(c) << ' ';
        if (++count % m_maxLineBytes == 0)
            out << '\n';
        c = input.get();
    }
    if (count % m_maxLineBytes != 0)
        out << '\n';
    return 1;
}

int Binasc::outputStyleBoth(std::ostream& out, std::istream& input)
{
    std::vector<int> line;
    const auto flush = [&] {
        if (line.empty())
            return;
        out << ' ';
        for (const int b : line)
            out << hexByte(b) << ' ';
        out << '\n';
        // Each character under the second digit of its byte.
        std::string comment(size_t(1 + 3 * line.size()), ' ');
        comment[0] = ';';
        for (size_t i = 0; i < line.size(); ++i)
            comment[2 + 3 * i] = printable(line[i]) ? char(line[i]) : ' ';
        out << comment << "\n\n";
        line.clear();
    };
    int c;
    while ((c = input.get()) != EOF) {
        line.push_back(c);
        if (int(line.size()) == m_maxLineBytes)
            flush();
    }
    flush();
    return 1;
}

std::string Binasc::keyToPitchName(int key)
{
    static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return std::string(kNames[((key % 12) + 12) % 12]) + std::to_string(key / 12 - 1);
}

int Binasc::getVLV(std::istream& infile, int& trackbytes)
{
    int value = 0;
    for (;;) {
        const int c = infile.get();
        if (c == EOF)
            return value;
        ++trackbytes;
        value = (value << 7) | (c & 0x7F);
        if ((c & 0x80) == 0)
            return value;
    }
}

namespace {

// Reads one byte of a track listing; the end of the input ends the listing.
bool take(std::istream& input, int& trackbytes, int& byte)
{
    byte = input.get();
    if (byte == EOF)
        return false;
    ++trackbytes;
    return true;
}

} // namespace

int Binasc::readMidiEvent(std::ostream& out, std::istream& infile, int& trackbytes, int& command)
{
    std::ostringstream line;
    std::string comment;
    const int delta = getVLV(infile, trackbytes);
    if (infile.eof())
        return 0;
    line << 'v' << delta << '\t';

    int byte;
    if (!take(infile, trackbytes, byte))
        return 0;
    int firstData = -1;
    if (byte & 0x80) {
        command = byte;
        line << hexByte(byte);
    } else {
        if (command < 0x80 || command >= 0xF0)
            return 0;
        firstData = byte;
        line << "   ";
    }

    bool more = true;
    const int nibble = command & 0xF0;
    if (command < 0xF0) {
        const int count = (nibble == 0xC0 || nibble == 0xD0) ? 1 : 2;
        int data[2] = {0, 0};
        for (int i = 0; i < count; ++i) {
            if (i == 0 && firstData >= 0) {
                data[0] = firstData;
            } else if (!take(infile, trackbytes, data[i])) {
                return 0;
            }
            line << " '" << data[i];
        }
        switch (nibble) {
        case 0x80: comment = "note-off " + keyToPitchName(data[0]); break;
        case 0x90:
            comment = (data[1] == 0 ? "note-off " : "note-on ") + keyToPitchName(data[0]);
            break;
        case 0xA0: comment = "after-touch"; break;
        case 0xB0: comment = "controller"; break;
        case 0xC0: comment = "patch-change"; line << '\t'; break;
        case 0xD0: comment = "channel pressure"; break;
        case 0xE0: comment = "pitch-bend"; break;
        }
    } else if (command == 0xFF) {
        int type;
        if (!take(infile, trackbytes, type))
            return 0;
        const int length = getVLV(infile, trackbytes);
        if (infile.eof())
            return 0;
        std::vector<int> content(size_t(length > 0 ? length : 0));
        for (int& b : content)
            if (!take(infile, trackbytes, b))
                return 0;
        line << ' ' << std::hex << type << std::dec << " v" << length;
        const auto fixed = [&](int n) {
            if (length != n)
                return false;
            for (const int b : content)
                line << " '" << b;
            return true;
        };
        bool shown = false;
        switch (type) {
        case 0x51:
            if (length == 3) {
                const int micro = (content[0] << 16) | (content[1] << 8) | content[2];
                std::ostringstream tempo;
                tempo.precision(6);
                tempo << 60.0 * 1000000.0 / micro;
                line << " t" << tempo.str();
                shown = true;
            }
            break;
        case 0x58: shown = fixed(4); break;
        case 0x59: shown = fixed(2); break;
        case 0x54: shown = fixed(5); break;
        case 0x20: case 0x21: shown = fixed(1); break;
        case 0x00:
            if (length == 2) {
                line << " 2'" << ((content[0] << 8) | content[1]);
                shown = true;
            }
            break;
        default:
            // A line feed would split the line and a final backslash would
            // escape the closing quote: such texts are listed byte by byte.
            if (type >= 1 && type <= 9 && std::find(content.begin(), content.end(), '\n') == content.end() &&
                (content.empty() || content.back() != '\\')) {
                line << " \"";
                for (const int b : content) {
                    if (b == '"')
                        line << "\\\"";
                    else
                        line << char(b);
                }
                line << '"';
                shown = true;
            }
            break;
        }
        if (!shown)
            for (const int b : content)
                line << ' ' << hexByte(b);
        switch (type) {
        case 0x00: comment = "sequence number"; break;
        case 0x01: comment = "text"; break;
        case 0x02: comment = "copyright notice"; break;
        case 0x03: comment = "track name"; break;
        case 0x04: comment = "instrument name"; break;
        case 0x05: comment = "lyric"; break;
        case 0x06: comment = "marker"; break;
        case 0x07: comment = "cue point"; break;
        case 0x08: comment = "program name"; break;
        case 0x09: comment = "device name"; break;
        case 0x20: comment = "MIDI channel prefix"; break;
        case 0x21: comment = "MIDI port"; break;
        case 0x2F: comment = "end-of-track"; more = false; break;
        case 0x51: comment = "tempo"; break;
        case 0x54: comment = "SMPTE offset"; break;
        case 0x58: comment = "time signature"; break;
        case 0x59: comment = "key signature"; break;
        case 0x7F: comment = "system exclusive"; break;
        default: comment = "meta-message"; break;
        }
    } else if (command == 0xF0 || command == 0xF7) {
        const int length = getVLV(infile, trackbytes);
        if (infile.eof())
            return 0;
        line << " v" << length;
        for (int i = 0; i < length; ++i) {
            int b;
            if (!take(infile, trackbytes, b))
                return 0;
            line << ' ' << hexByte(b);
        }
    } else if (command == 0xFE) {
        std::cerr << "Error command not yet handled" << std::endl;
        return 0;
    }

    out << line.str();
    if (m_commentsQ && !comment.empty())
        out << "\t; " << comment;
    out << '\n';
    return more ? 1 : 0;
}

int Binasc::outputStyleMidi(std::ostream& out, std::istream& input)
{
    std::ostringstream listing;
    const auto commented = [&](const std::string& text) {
        if (m_commentsQ)
            listing << "\t\t\t" << text;
        listing << '\n';
    };
    const auto read4 = [&](unsigned long& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = input.get();
            if (c == EOF)
                return false;
            value = (value << 8) | unsigned(c);
        }
        return true;
    };
    const auto read2 = [&](int& value) {
        value = 0;
        for (int i = 0; i < 2; ++i) {
            const int c = input.get();
            if (c == EOF)
                return false;
            value = (value << 8) | c;
        }
        return true;
    };

    int c = input.get();
    if (c == EOF) {
        std::cerr << "End of the file right away!" << std::endl;
        return 0;
    }
    static const char* const kHeaderError[4] = {"Not a MIDI file M", "Not a MIDI file T", "Not a MIDI file h",
                                                "Not a MIDI file d"};
    static const char kHeader[4] = {'M', 'T', 'h', 'd'};
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            c = input.get();
        if (c != kHeader[i]) {
            std::cerr << kHeaderError[i] << std::endl;
            return 0;
        }
    }
    listing << "\"MThd\"";
    commented("; MIDI header chunk marker");

    unsigned long headerLength;
    int format, tracks, division;
    if (!read4(headerLength) || !read2(format) || !read2(tracks) || !read2(division))
        return 0;
    listing << "4'" << headerLength;
    commented("; bytes to follow in header chunk");
    listing << "2'" << format;
    const char* kind = format == 0 ? "single track" : format == 1 ? "multitrack" : format == 2 ? "multisegment"
                                                                                               : "unknown";
    commented("; file format: Type-" + std::to_string(format) + " (" + kind + ")");
    listing << "2'" << tracks;
    commented("; number of tracks");
    if ((division & 0x8000) == 0) {
        listing << "2'" << division;
        commented("; ticks per quarter note");
    } else {
        listing << "'-" << (256 - (division >> 8));
        commented("; SMPTE frames/second");
        listing << "'" << (division & 0xFF);
        commented("; subframes per frame");
    }
    if (headerLength > 6) {
        for (unsigned long i = 6; i < headerLength; ++i) {
            const int b = input.get();
            if (b == EOF)
                return 0;
            listing << hexByte(b);
        }
        listing << "\t\t\t; unknown header bytes\n";
    }

    static const char* const kTrackError[4] = {"Not a MIDI file M2", "Not a MIDI file T2", "Not a MIDI file r",
                                               "Not a MIDI file k"};
    static const char kTrack[4] = {'M', 'T', 'r', 'k'};
    for (int track = 0; track < tracks; ++track) {
        listing << "\n;;; TRACK " << track << " ----------------------------------\n";
        for (int i = 0; i < 4; ++i) {
            if (input.get() != kTrack[i]) {
                std::cerr << kTrackError[i] << std::endl;
                return 0;
            }
        }
        listing << "\"MTrk\"";
        commented("; MIDI track chunk marker");
        unsigned long chunkLength;
        if (!read4(chunkLength))
            return 0;
        listing << "4'" << chunkLength;
        commented("; bytes to follow in track chunk");
        int trackbytes = 0;
        int command = 0;
        for (;;) {
            std::ostringstream eventLine;
            const int more = readMidiEvent(eventLine, input, trackbytes, command);
            const std::string text = eventLine.str();
            if (!more) {
                // An end-of-track line ends the track; an error writes no line.
                if (text.empty())
                    return 0;
                listing << text;
                break;
            }
            listing << text;
        }
        listing << '\n';
        if ((unsigned long)trackbytes != chunkLength)
            listing << "; TRACK SIZE ERROR, ACTUAL SIZE: " << trackbytes << '\n';
    }
    out << listing.str();
    return 1;
}

// ---------------------------------------------------------------- byte writers

std::ostream& Binasc::writeLittleEndianUShort(std::ostream& o, unsigned short v) { return MidiFile::writeLittleEndianUShort(o, v); }
std::ostream& Binasc::writeBigEndianUShort(std::ostream& o, unsigned short v) { return MidiFile::writeBigEndianUShort(o, v); }
std::ostream& Binasc::writeLittleEndianShort(std::ostream& o, short v) { return MidiFile::writeLittleEndianShort(o, v); }
std::ostream& Binasc::writeBigEndianShort(std::ostream& o, short v) { return MidiFile::writeBigEndianShort(o, v); }
std::ostream& Binasc::writeLittleEndianULong(std::ostream& o, unsigned long v) { return MidiFile::writeLittleEndianULong(o, v); }
std::ostream& Binasc::writeBigEndianULong(std::ostream& o, unsigned long v) { return MidiFile::writeBigEndianULong(o, v); }
std::ostream& Binasc::writeLittleEndianLong(std::ostream& o, long v) { return MidiFile::writeLittleEndianLong(o, v); }
std::ostream& Binasc::writeBigEndianLong(std::ostream& o, long v) { return MidiFile::writeBigEndianLong(o, v); }
std::ostream& Binasc::writeLittleEndianFloat(std::ostream& o, float v) { return MidiFile::writeLittleEndianFloat(o, v); }
std::ostream& Binasc::writeBigEndianFloat(std::ostream& o, float v) { return MidiFile::writeBigEndianFloat(o, v); }
std::ostream& Binasc::writeLittleEndianDouble(std::ostream& o, double v) { return MidiFile::writeLittleEndianDouble(o, v); }
std::ostream& Binasc::writeBigEndianDouble(std::ostream& o, double v) { return MidiFile::writeBigEndianDouble(o, v); }

} // namespace smf
