// The text form of the MIDI library: each kind of word to its bytes or its
// error message, line handling, and the byte listings.
#include "Binasc.h"

#include <QTest>

#include <iostream>
#include <sstream>

using namespace smf;

namespace {

class CerrCapture
{
public:
    CerrCapture() : m_old(std::cerr.rdbuf(m_buffer.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(m_old); }
    QString text() const { return QString::fromStdString(m_buffer.str()); }

private:
    std::ostringstream m_buffer;
    std::streambuf* m_old;
};

QByteArray hex(const std::string& s) { return QByteArray::fromStdString(s).toHex(' '); }

} // namespace

class TestMidiText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void words_data();
    void words();
    void lastLineWithoutLineFeed();
    void directWordCalls();
    void listings();
    void midiListing();
};

void TestMidiText::words_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const auto ok = [](const char* name, const char* line, const char* bytes) {
        QTest::newRow(name) << QString::fromUtf8(line) << QByteArray(bytes) << QString();
    };
    const auto bad = [](const char* name, const char* line, const char* error) {
        QTest::newRow(name) << QString::fromUtf8(line) << QByteArray() << QString::fromUtf8(error);
    };
    ok("header", "\"MThd\" 4'6 2'1 2'2 2'480 ; a comment", "4d 54 68 64 00 00 00 06 00 01 00 02 01 e0");
    ok("note-on", "90 '60 '100", "90 3c 64");
    ok("end of track", "v0 ff 2f v0", "00 ff 2f 00");
    ok("vlv 128", "v128", "81 00");
    ok("vlv of 2^28", "v268435456", "81 80 80 80 00");
    ok("tempo", "t120", "07 a1 20");
    ok("pitch bend 0", "p0", "00 40");
    ok("pitch bend 1", "p1", "7f 7f");
    ok("pitch bend above 1", "p1.5", "7f 7f");
    ok("pitch bend below -1", "p-2", "00 00");
    ok("pitch bend not a number", "p-nan", "00 40");
    ok("2'-1", "2'-1", "ff ff");
    ok("u2'1", "u2'1", "01 00");
    ok("2u'1", "2u'1", "01 00");
    ok("1'300", "1'300", "2c");
    ok("'-128", "'-128", "80");
    ok("3 bytes", "3'65536", "01 00 00");
    ok("4 bytes little endian", "u4'1", "01 00 00 00");
    ok("float", "'1.5", "3f c0 00 00");
    ok("double little endian", "u8'1.0", "00 00 00 00 00 00 f0 3f");
    ok("binary 101", "101", "05");
    ok("hex 10", "10", "10");
    ok("hex one digit", "A", "0a");
    ok("binary 0,1", "0,1", "01");
    ok("binary 1010,0101", "1010,0101", "a5");
    ok("binary 1,1", "1,1", "11");
    ok("character", "+A +", "41 20");
    ok("string with escaped quote", "\"a\\\"b\" 01", "61 22 62 01");
    ok("unterminated string", "\"ab c", "61 62 20 63");
    ok("comment signs", "01 # 02\n", "01");
    ok("slash comment", "01 / 02", "01");
    bad("3'-5", "3'-5", "Error on line 1 at token: 3'-5\nnegative decimal numbers cannot be stored in 3 bytes\n");
    bad("'256", "'256", "Error on line 1 at token: '256\nDecimal number out of range from 0 to 255\n");
    bad("'-129", "'-129", "Error on line 1 at token: '-129\nDecimal number out of range from -128 to 127\n");
    bad("8 bytes integer", "8'5", "Error on line 1 at token: 8'5\nonly floating-point numbers can use 8 bytes\n");
    bad("2-byte float", "2'1.5", "Error on line 1 at token: 2'1.5\nfloating-point numbers can be only 4 or 8 bytes\n");
    bad("nothing after the quote", "2'", "Error on line 1 at token: 2'\nthere must be a decimal number after the quote\n");
    bad("extra quote", "'1'2", "Error on line 1 at token: '1'2\nextra quote in decimal number\n");
    bad("minus late", "'1-2", "Error on line 1 at token: '1-2\nminus sign must immediately follow quote mark\n");
    bad("two minus signs", "'--2", "Error on line 1 at token: '--2\ncannot have more than two minus signs in number\n");
    bad("period before quote", ".'2", "Error on line 1 at token: .'2\ncannot have decimal marker before quote\n");
    bad("extra period", "'1.2.3", "Error on line 1 at token: '1.2.3\nextra period in decimal number\n");
    bad("digit before quote", "5'2", "Error on line 1 at token: 5'2\ncannot have numbers before quote in decimal number\n");
    bad("two byte counts", "12'2", "Error on line 1 at token: 12'2\ninvalid byte specificaton before quote in decimal number\n");
    bad("two u", "uu'2", "Error on line 1 at token: uu'2\nextra \"u\" in decimal number\n");
    bad("u after quote", "'2u", "Error on line 1 at token: '2u\ncannot have endian specified after quote\n");
    bad("letter in decimal", "'2x", "Error on line 1 at token: '2x\nInvalid character in decimal number (character number 2)\n");
    bad("hex letter", "zz", "Error on line 1 at token: zz\nInvalid character in hexadecimal number.\n");
    bad("binary letter", "102", "Error on line 1 at token: 102\nInvalid character in binary number (character is 2)\n");
    bad("two commas", "1,0,1", "Error on line 1 at token: 1,0,1\nextra comma in binary number\n");
    bad("leading comma", ",01", "Error on line 1 at token: ,01\ncannot start binary number with a comma\n");
    bad("trailing comma", "01,", "Error on line 1 at token: 01,\ncannot end binary number with a comma\n");
    bad("nine binary digits", "100000000", "Error on line 1 at token: 100000000\ntoo many digits in binary number\n");
    bad("five left of comma", "10000,1", "Error on line 1 at token: 10000,1\ntoo many digits to left of comma\n");
    bad("five right of comma", "1,10000", "Error on line 1 at token: 1,10000\ntoo many digits to right of comma\n");
    bad("long character word", "+ab", "Error on line 1 at token: +ab\ncharacter byte word is too long -- specify only one character\n");
    bad("carriage return", "01 10\r", "Error on line 1 at token: 10\r\nInvalid character in binary number (character is \r)\n");
    bad("v without digit", "vx", "Error on line: 1: 'v' needs to be followed immediately by a decimal digit\n");
    bad("t without number", "tx", "Error on line: 1: 't' needs to be followed immediately by a floating-point number\n");
    bad("p without number", "p", "Error on line: 1: 'p' needs to be followed immediately by a floating-point number\n");
}

void TestMidiText::words()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    Binasc binasc;
    std::istringstream in(line.toStdString() + "\n");
    std::ostringstream out;
    CerrCapture capture;
    const int ok = binasc.writeToBinary(out, in);
    QCOMPARE(capture.text(), error);
    QCOMPARE(ok, error.isEmpty() ? 1 : 0);
    if (error.isEmpty())
        QCOMPARE(hex(out.str()), bytes);
}

void TestMidiText::lastLineWithoutLineFeed()
{
    Binasc binasc;
    std::istringstream in("01 02\n03 04");
    std::ostringstream out;
    QCOMPARE(binasc.writeToBinary(out, in), 1);
    QCOMPARE(hex(out.str()), QByteArray("01 02"));
    // The line number in messages counts from 1.
    std::istringstream bad("01\n\nzz\n");
    CerrCapture capture;
    QCOMPARE(binasc.writeToBinary(out, bad), 0);
    QVERIFY(capture.text().startsWith("Error on line 3 at token: zz\n"));
}

void TestMidiText::directWordCalls()
{
    Binasc binasc;
    std::ostringstream out;
    CerrCapture capture;
    QCOMPARE(binasc.processHexWord(out, "abc", 4), 0);
    QCOMPARE(binasc.processAsciiWord(out, "x", 4), 0);
    QCOMPARE(binasc.processDecimalWord(out, "12", 4), 0);
    QCOMPARE(capture.text(), QString("Error on line 4 at token: abc\nSize of hexadecimal number is too large.  Max is ff.\n"
                                     "Error on line 4 at token: x\ncharacter byte must start with '+' sign: x\n"
                                     "Error on line 4 at token: 12\nthere must be a quote to signify a decimal number\n"));
    QCOMPARE(Binasc::keyToPitchName(60), std::string("C4"));
    QCOMPARE(Binasc::keyToPitchName(0), std::string("C-1"));
    QCOMPARE(Binasc::keyToPitchName(70), std::string("A#4"));
    std::string word;
    QCOMPARE(binasc.getWord(word, "  ab cd", " ", 0), 4);
    QCOMPARE(word, std::string("ab"));
}

void TestMidiText::listings()
{
    Binasc binasc;
    {
        std::istringstream in(std::string("ab  cd"));
        std::ostringstream out;
        binasc.setBytesOff();
        QCOMPARE(binasc.readFromBinary(out, in), 1);
        QCOMPARE(out.str(), std::string("ab cd\n"));
    }
    {
        std::istringstream in(std::string("abcdefgh"));
        std::ostringstream out;
        binasc.setLineLength(6);
        binasc.readFromBinary(out, in);
        QCOMPARE(out.str(), std::string("abcdefgh\n"));
        std::istringstream two(std::string("abc def gh"));
        std::ostringstream out2;
        binasc.readFromBinary(out2, two);
        QCOMPARE(out2.str(), std::string("abc\ndef gh\n"));
    }
    binasc.setBytesOn();
    {
        std::istringstream in(std::string("MThd\x01"));
        std::ostringstream out;
        binasc.setLineBytes(2);
        QCOMPARE(binasc.readFromBinary(out, in), 1);
        QCOMPARE(out.str(), std::string("4d 54 \n68 64 \n01 \n"));
        std::istringstream empty{std::string()};
        CerrCapture capture;
        QCOMPARE(binasc.readFromBinary(out, empty), 0);
        QCOMPARE(capture.text(), QString("End of the file right away!\n"));
    }
    {
        binasc.setCommentsOn();
        binasc.setLineBytes(3);
        std::istringstream in(std::string("AB\x01" "C"));
        std::ostringstream out;
        QCOMPARE(binasc.readFromBinary(out, in), 1);
        QCOMPARE(out.str(), std::string(" 41 42 01 \n; A  B    \n\n 43 \n; C \n\n"));
    }
}

void TestMidiText::midiListing()
{
    const std::string file = std::string("MThd\0\0\0\6\0\0\0\1\0\x78", 14) +
                             std::string("MTrk\0\0\0\x0c\0\x90\x3c\x64\x10\x3c\0\0\xff\x2f\0\0", 20);
    Binasc binasc;
    binasc.setMidiOn();
    binasc.setCommentsOn();
    std::istringstream in(file);
    std::ostringstream out;
    QCOMPARE(binasc.readFromBinary(out, in), 1);
    QCOMPARE(QString::fromStdString(out.str()),
             QString("\"MThd\"\t\t\t; MIDI header chunk marker\n"
                     "4'6\t\t\t; bytes to follow in header chunk\n"
                     "2'0\t\t\t; file format: Type-0 (single track)\n"
                     "2'1\t\t\t; number of tracks\n"
                     "2'120\t\t\t; ticks per quarter note\n"
                     "\n;;; TRACK 0 ----------------------------------\n"
                     "\"MTrk\"\t\t\t; MIDI track chunk marker\n"
                     "4'12\t\t\t; bytes to follow in track chunk\n"
                     "v0\t90 '60 '100\t; note-on C4\n"
                     "v16\t    '60 '0\t; note-off C4\n"
                     "v0\tff 2f v0\t; end-of-track\n"
                     "\n"
                     "; TRACK SIZE ERROR, ACTUAL SIZE: 11\n"));
    // Back to the same bytes, the padding byte aside.
    std::istringstream text(out.str());
    std::ostringstream bytes;
    QCOMPARE(Binasc().writeToBinary(bytes, text), 1);
    QCOMPARE(bytes.str().substr(22), file.substr(22, 11));

    std::istringstream notMidi(std::string("MThx"));
    std::ostringstream nothing;
    CerrCapture capture;
    QCOMPARE(binasc.readFromBinary(nothing, notMidi), 0);
    QCOMPARE(nothing.str(), std::string());
    QCOMPARE(capture.text(), QString("Not a MIDI file d\n"));
}

QTEST_GUILESS_MAIN(TestMidiText)
#include "tst_midi_text.moc"
