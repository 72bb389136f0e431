// Reading Standard MIDI Files (every failure with its exact message and what
// it leaves behind), the time analysis, writing byte for byte, and editing.
#include "MidiFile.h"

#include <QTest>

#include <cmath>
#include <iostream>
#include <sstream>

using namespace smf;

namespace {

// Catches what the library writes to the standard error stream.
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

std::string fromHex(const char* hexText)
{
    return QByteArray::fromHex(QByteArray(hexText)).toStdString();
}

std::string header(int format, int tracks, int division = 480, int length = 6)
{
    std::string h = "MThd";
    for (int shift = 24; shift >= 0; shift -= 8)
        h += char((length >> shift) & 0xFF);
    for (int value : {format, tracks, division}) {
        h += char((value >> 8) & 0xFF);
        h += char(value & 0xFF);
    }
    h.append(size_t(std::max(0, length - 6)), '\0');
    return h;
}

std::string track(const char* hexBody)
{
    const std::string body = fromHex(hexBody);
    std::string t = "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8)
        t += char((body.size() >> shift) & 0xFF);
    return t + body;
}

std::string bytesOf(MidiFile& file)
{
    std::ostringstream out;
    file.write(out);
    return out.str();
}

QByteArray hexOf(const std::string& s)
{
    return QByteArray::fromStdString(s).toHex(' ');
}

// A file with two tracks that a failed read must leave alone.
void seed(MidiFile& file)
{
    file.addTrack();
    file.addNoteOn(1, 0, 0, 60, 100);
    file.setTPQ(96);
}

} // namespace

class TestMidiFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readFailures_data();
    void readFailures();
    void unopenablePathAndBadText();
    void zeroTracksAndSmpte();
    void timeAnalysis();
    void zeroDivisionGivesNoFiniteTimes();
    void stateWarnings();
    void writeBytes_data();
    void writeBytes();
    void vlvLimits();
    void editing();
    void copyAndMove();
};

void TestMidiFile::readFailures_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<bool>("result");
    // "kept": the seeded object is untouched; otherwise the declared tracks
    // exist with the events read so far (the count given).
    QTest::addColumn<int>("tracksAfter");
    QTest::addColumn<int>("eventsInTrack0");

    const auto row = [](const char* name, const std::string& bytes, const QString& messages, bool result,
                        int tracks, int events) {
        QTest::newRow(name) << QByteArray::fromStdString(bytes) << messages << result << tracks << events;
    };
    const QString eof = "Error: unexpected end of file.\n";
    const std::string one = header(1, 1);
    row("end at header byte 1", "", "In file : unexpected end of file.\nExpecting 'M' at first byte, but found nothing.\n", false, -1, 0);
    row("end at header byte 2", "M", "In file : unexpected end of file.\nExpecting 'T' at second byte, but found nothing.\n", false, -1, 0);
    row("end at header byte 3", "MT", "In file : unexpected end of file.\nExpecting 'h' at third byte, but found nothing.\n", false, -1, 0);
    row("end at header byte 4", "MTh", "In file : unexpected end of file.\nExpecting 'd' at fourth byte, but found nothing.\n", false, -1, 0);
    row("wrong header byte 1", "X", "File  is not a MIDI file\nExpecting 'M' at first byte but got 'X'\n", false, -1, 0);
    row("wrong header byte 2", "MX", "File  is not a MIDI file\nExpecting 'T' at second byte but got 'X'\n", false, -1, 0);
    row("wrong header byte 3", "MTX", "File  is not a MIDI file\nExpecting 'h' at third byte but got 'X'\n", false, -1, 0);
    row("wrong header byte 4", "MThX", "File  is not a MIDI file\nExpecting 'd' at fourth byte but got 'X'\n", false, -1, 0);
    row("header length 7", header(1, 1, 480, 7), "File  is not a MIDI 1.0 Standard MIDI file.\nThe header size is 7 bytes.\n", false, -1, 0);
    row("format 2", header(2, 1), "Error: cannot handle a type-2 MIDI file\n", false, -1, 0);
    row("format 0 with two tracks", header(0, 2), "Error: Type 0 MIDI file can only contain one track\nInstead track count is: 2\n", false, -1, 0);
    row("end at track byte 1", one, "In file : unexpected end of file.\nExpecting 'M' at first byte in track, but found nothing.\n", false, 1, 0);
    row("end at track byte 2", one + "M", "In file : unexpected end of file.\nExpecting 'T' at second byte in track, but found nothing.\n", false, 1, 0);
    row("end at track byte 3", one + "MT", "In file : unexpected end of file.\nExpecting 'r' at third byte in track, but found nothing.\n", false, 1, 0);
    row("end at track byte 4", one + "MTr", "In file : unexpected end of file.\nExpecting 'k' at fourth byte in track, but found nothing.\n", false, 1, 0);
    row("wrong track byte 1", one + "XTrk", "File  is not a MIDI file\nExpecting 'M' at first byte in track but got 'X'\n", false, 1, 0);
    row("wrong track byte 2", one + "MXrk", "File  is not a MIDI file\nExpecting 'T' at second byte in track but got 'X'\n", false, 1, 0);
    row("wrong track byte 3", one + "MTXk", "File  is not a MIDI file\nExpecting 'r' at third byte in track but got 'X'\n", false, 1, 0);
    row("wrong track byte 4", one + "MTrX", "File  is not a MIDI file\nExpecting 'k' at fourth byte in track but got 'X'\n", false, 1, 0);
    row("other chunk after the header", one + "XFIL", "File  is not a MIDI file\nExpecting 'M' at first byte in track but got 'X'\n", false, 1, 0);
    row("end inside an event", one + track("00 90 3c 64 00 90 3c"), eof, false, 1, 1);
    row("end where an event should start", one + track("00 90 3c 64"), eof + eof, false, 1, 1);
    row("no end of track swallows the next track", header(1, 2) + track("00 90 3c 64") + track("00 ff 2f 00"),
        eof, false, 2, 4);
    row("data byte without running status", one + track("00 3c 64"), "Error: running command with no previous command\n", false, 1, 0);
    row("running status after a meta", one + track("00 ff 01 00 00 3c 64"),
        "Error: running status not permitted with meta and sysex event.\nByte is 0x3c\n", false, 1, 1);
    row("running status after a sysex", one + track("00 f0 01 f7 00 3c 64"),
        "Error: running status not permitted with meta and sysex event.\nByte is 0x3c\n", false, 1, 1);
    row("data byte too large", one + track("00 90 3c 90"), "MIDI data byte too large: 144\n", false, 1, 0);
    row("meta length of five bytes", one + track("00 ff 01 81 81 81 81 00"), "Error: cannot handle large VLVs\n", false, 1, 0);
    row("delta of six bytes", one + track("81 81 81 81 81 00 ff 2f 00"),
        "VLV number is too large\nError: running command with no previous command\n", false, 1, 0);
    row("running tick beyond int", one + track("ff ff ff 7f 90 3c 64 ff ff ff 7f 3c 00 ff ff ff 7f 3c 64 ff ff ff 7f 3c 00 "
                                              "ff ff ff 7f 3c 64 ff ff ff 7f 3c 00 ff ff ff 7f 3c 64 ff ff ff 7f 3c 00 "
                                              "ff ff ff 7f 3c 64 00 ff 2f 00"),
        "Error: tick value 2415919095 in track 0 is too large.\n", false, 1, 8);
    row("unknown frames per second", header(0, 1, 0xE428) + track("00 ff 2f 00"),
        "Warning: unknown FPS: 28\nUsing non-standard FPS: 28\n", true, 1, 1);
}

void TestMidiFile::readFailures()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, messages);
    QFETCH(bool, result);
    QFETCH(int, tracksAfter);
    QFETCH(int, eventsInTrack0);

    MidiFile file;
    seed(file);
    std::istringstream stream(input.toStdString());
    bool ok;
    QString written;
    {
        CerrCapture capture;
        ok = file.readSmf(stream);
        written = capture.text();
    }
    QCOMPARE(written, messages);
    QCOMPARE(ok, result);
    QCOMPARE(file.status(), result);
    if (tracksAfter < 0) {
        QCOMPARE(file.getTrackCount(), 2);
        QCOMPARE(file.getTPQ(), 96);
        QCOMPARE(file.getEventCount(1), 1);
    } else {
        QCOMPARE(file.getTrackCount(), tracksAfter);
        QCOMPARE(file.getEventCount(0), eventsInTrack0);
    }
}

void TestMidiFile::unopenablePathAndBadText()
{
    MidiFile file;
    CerrCapture capture;
    QVERIFY(!file.read(std::string("/nonexistent/folder/song.mid")));
    QVERIFY(!file.status());
    QCOMPARE(capture.text(), QString());
    QCOMPARE(QString(file.getFilename()), QString("song.mid"));

    std::istringstream comment("; nothing but a comment\n");
    QVERIFY(!file.read(comment));
    QCOMPARE(capture.text(), QString("Bad MIDI data input\n"));

    // The text form is read when the input does not start with "M".
    std::istringstream text("\"MThd\" 4'6 2'0 2'1 2'480\n\"MTrk\" 4'8 v0 90 '60 '100 v0 ff 2f v0\n");
    QVERIFY(file.read(text));
    QCOMPARE(file.getEventCount(0), 2);
    QVERIFY(file[0][0].isNoteOn());

    // Base64 is only read when asked for.
    MidiFile written;
    written.addNoteOn(0, 0, 0, 60, 100);
    MidiFile again;
    QVERIFY(again.readBase64(written.getBase64(10)));
    QCOMPARE(bytesOf(again), bytesOf(written));
}

void TestMidiFile::zeroTracksAndSmpte()
{
    MidiFile file;
    std::istringstream zero(header(1, 0));
    QVERIFY(file.readSmf(zero));
    QCOMPARE(file.getTrackCount(), 0);
    QCOMPARE(file.getFileDurationInTicks(), 0);

    for (const auto& c : {std::pair<int, int>{0xE728, 1000}, {0xE250, 2400}}) {
        std::istringstream smpte(header(0, 1, c.first) + track("00 ff 2f 00"));
        QVERIFY(file.readSmf(smpte));
        QCOMPARE(file.getTPQ(), c.second);
    }
}

void TestMidiFile::timeAnalysis()
{
    // Tempo (500000 us) at tick 0 of track 0; a note at 480..960 in track 1.
    const auto build = [](const char* tempoTrack) {
        std::istringstream in(header(1, 2) + track(tempoTrack) + track("83 60 90 3c 64 83 60 80 3c 00 00 ff 2f 00"));
        auto file = std::make_unique<MidiFile>();
        file->read(in);
        file->linkNotePairs();
        file->doTimeAnalysis();
        file->absoluteTicks();
        return file;
    };
    for (const char* tempo : {"00 ff 51 03 07 a1 20 00 ff 2f 00", "00 ff 2f 00"}) {
        auto f = build(tempo);
        QVERIFY(f->hasSplitTracks());
        QCOMPARE((*f)[1][0].seconds, 0.5);
        QCOMPARE((*f)[1][1].seconds, 1.0);
        QCOMPARE((*f)[1][0].getDurationInSeconds(), 0.5);
    }
    auto slow = build("00 ff 51 03 0f 42 40 00 ff 2f 00");
    QCOMPARE((*slow)[1][0].seconds, 1.0);
    QCOMPARE((*slow)[1][1].seconds, 2.0);
    QCOMPARE(slow->getFileDurationInSeconds(), 2.0);
    // A tempo change at tick 480 leaves the events at 480 alone.
    auto later = build("83 60 ff 51 03 0f 42 40 00 ff 2f 00");
    QCOMPARE((*later)[1][0].seconds, 0.5);
    QCOMPARE((*later)[1][1].seconds, 1.5);
    // Lookups: exact entries, interpolation between them, -1 outside.
    QCOMPARE(later->getTimeInSeconds(480), 0.5);
    QCOMPARE(later->getTimeInSeconds(720), 1.0);
    QCOMPARE(later->getTimeInSeconds(960), 1.5);
    QCOMPARE(later->getTimeInSeconds(961), -1.0);
    QCOMPARE(later->getTimeInSeconds(-1), -1.0);
    QCOMPARE(later->getAbsoluteTickTime(1.0), 720.0);
    QCOMPARE(later->getAbsoluteTickTime(1.5), 960.0);
    QCOMPARE(later->getAbsoluteTickTime(2.0), -1.0);
    QCOMPARE(later->getFileDurationInQuarters(), 2.0);

    // A format-0 file stays joined after the analysis.
    std::istringstream zero(header(0, 1) + track("00 90 3c 64 60 3c 00 00 ff 2f 00"));
    MidiFile f0(zero);
    f0.doTimeAnalysis();
    QVERIFY(f0.hasJoinedTracks());
    QCOMPARE(f0.getTrackCount(), 1);
    QCOMPARE(f0[0][1].seconds, 0.1);
}

void TestMidiFile::zeroDivisionGivesNoFiniteTimes()
{
    std::istringstream in(header(0, 1, 0) + track("00 90 3c 64 60 3c 00 00 ff 2f 00"));
    MidiFile file(in);
    QVERIFY(file.status());
    file.linkNotePairs();
    file.doTimeAnalysis();
    QVERIFY(!std::isfinite(file[0][1].seconds));
}

void TestMidiFile::stateWarnings()
{
    MidiFile file;
    file.addNoteOn(0, 10, 0, 60, 100);
    file.addNoteOn(0, 5, 0, 61, 100);
    CerrCapture capture;
    file.deltaTicks();
    QCOMPARE(capture.text(), QString("Error: negative delta tick value: -5\n"
                                     "Timestamps must be sorted first (use MidiFile::sortTracks() before writing).\n"));
    QCOMPARE(file[0][1].tick, -5);
    file.sortTracks();
    QVERIFY(capture.text().endsWith("Warning: Sorting only allowed in absolute tick mode."));
    QCOMPARE(file[0][0].getKeyNumber(), 60);
    file.absoluteTicks();
    file.sortTracks();
    QCOMPARE(file[0][0].getKeyNumber(), 61);
    file.sortTrack(3);
    file.markSequence(-1, 1);
    file.clearSequence(7);
    QVERIFY(capture.text().endsWith("Warning: track 3 does not exist.\nWarning: track -1 does not exist.\n"
                                    "Warning: track 7 does not exist.\n"));
}

void TestMidiFile::writeBytes_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("default file") << 0 << QByteArray("4d 54 68 64 00 00 00 06 00 00 00 01 00 78 4d 54 72 6b 00 00 00 04 00 ff 2f 00");
    QTest::newRow("note with full status bytes") << 1 << QByteArray("00 90 3c 64 78 80 3c 00 00 ff 2f 00");
    QTest::newRow("end of track moved to delta 0") << 2 << QByteArray("00 90 3c 64 83 60 80 3c 00 00 ff 2f 00");
    QTest::newRow("sysex length") << 3 << QByteArray("00 f0 03 43 12 f7 00 ff 2f 00");
    QTest::newRow("delta 128") << 4 << QByteArray("81 00 90 3c 64 00 ff 2f 00");
    QTest::newRow("delta 2^28-1") << 5 << QByteArray("ff ff ff 7f 90 3c 64 00 ff 2f 00");
    QTest::newRow("pitch bends") << 6 << QByteArray("00 e0 00 40 00 e0 7f 7f 00 ef 00 00 00 ff 2f 00");
    QTest::newRow("pitch-bend range -2.5") << 7 << QByteArray("00 b0 65 00 00 b0 64 00 00 b0 06 02 00 b0 26 32 00 ff 2f 00");
}

void TestMidiFile::writeBytes()
{
    QFETCH(int, which);
    QFETCH(QByteArray, expected);
    MidiFile f;
    switch (which) {
    case 1: f.addNoteOn(0, 0, 0, 60, 100); f.addNoteOff(0, 120, 0, 60, 0); break;
    case 2: f.addNoteOn(0, 0, 0, 60, 100); f.addNoteOff(0, 480, 0, 60, 0); {
            std::vector<uchar> eot = {0xFF, 0x2F, 0x00};
            f.addEvent(0, 960, eot);
        } break;
    case 3: {
            std::vector<uchar> sysex = {0xF0, 0x43, 0x12, 0xF7};
            f.addEvent(0, 0, sysex);
        } break;
    case 4: f.addNoteOn(0, 128, 0, 60, 100); break;
    case 5: f.addNoteOn(0, (1 << 28) - 1, 0, 60, 100); break;
    case 6: f.addPitchBend(0, 0, 0, 0.0); f.addPitchBend(0, 0, 0, 1.0); f.addPitchBend(0, 0, 20, -1.0); break;
    case 7: f.setPitchBendRange(0, 0, 0, -2.5); break;
    }
    const std::string all = bytesOf(f);
    QCOMPARE(hexOf(which == 0 ? all : all.substr(22)), expected);
}

void TestMidiFile::vlvLimits()
{
    MidiFile f;
    std::vector<uchar> out;
    CerrCapture capture;
    f.writeVLValue(1 << 28, out);
    f.writeVLValue(-1, out);
    f.writeVLValue(127, out);
    QCOMPARE(hexOf(std::string(out.begin(), out.end())), QByteArray("ff ff ff 7f ff ff ff 7f 7f"));
    QCOMPARE(capture.text(), QString("Error: number too large to convert to VLV\n").repeated(2));
    uchar buffer[4] = {9, 9, 9, 9};
    QCOMPARE(f.makeVLV(buffer, 1 << 28), 1);
    QCOMPARE(int(buffer[0]) + buffer[1] + buffer[2] + buffer[3], 0);
    QCOMPARE(f.makeVLV(buffer, 0x3FFF), 2);
    QCOMPARE(int(buffer[0]), 0xFF);
    QCOMPARE(int(buffer[1]), 0x7F);
}

void TestMidiFile::editing()
{
    MidiFile f;
    QCOMPARE(f.addTracks(2), 2);
    for (int t = 0; t < 3; ++t)
        f.addNoteOn(t, 10 * t, t, 60, 100);
    f.mergeTracks(0, 1);
    QCOMPARE(f.getTrackCount(), 2);
    QCOMPARE(f.getEventCount(0), 2);
    QCOMPARE(f[0][1].track, 0);
    QCOMPARE(f[1][0].track, 1);

    MidiFile byChannel;
    byChannel.addTempo(0, 0, 90.0);
    byChannel.addNoteOn(0, 0, 0, 60, 100);
    byChannel.addNoteOn(0, 0, 9, 36, 100);
    byChannel.addMarker(0, 5, "m");
    byChannel.splitTracksByChannel();
    QCOMPARE(byChannel.getTrackCount(), 11);
    QCOMPARE(byChannel.getEventCount(0), 2);
    QCOMPARE(byChannel.getEventCount(1), 1);
    QCOMPARE(byChannel.getEventCount(10), 1);
    QCOMPARE(byChannel.getEventCount(5), 0);

    byChannel.deleteTrack(5);
    QCOMPARE(byChannel.getTrackCount(), 10);
    byChannel.deleteTrack(42);
    QCOMPARE(byChannel.getTrackCount(), 10);

    MidiEvent stray(0x90, 1, 1);
    stray.track = 12;
    bool threw = false;
    try {
        byChannel.addEvent(stray);
    } catch (const std::out_of_range&) {
        threw = true;
    }
    QVERIFY(threw);

    CerrCapture capture;
    MidiFile range;
    range.setPitchBendRange(0, 0, 0, 30.0);
    QCOMPARE(capture.text(), QString("Warning: pitch bend range is too large: 30\nSetting to 24.\n"));
    QCOMPARE(range[0][2].getP2(), 24);
    QCOMPARE(range[0][3].getP2(), 0);
}

void TestMidiFile::copyAndMove()
{
    MidiFile f;
    f.addNoteOn(0, 0, 0, 60, 100);
    f.addNoteOff(0, 10, 0, 60);
    f.linkNotePairs();
    MidiFile copy(f);
    QVERIFY(copy[0][0].isLinked());
    QVERIFY(copy[0][0].getLinkedEvent() == &copy[0][1]);
    MidiFile moved(std::move(copy));
    QCOMPARE(moved.getEventCount(0), 2);
    QCOMPARE(copy.getTrackCount(), 1);
    QCOMPARE(copy.getEventCount(0), 0);
    f.clear();
    QCOMPARE(f.getTrackCount(), 1);
    QCOMPARE(f.getEventCount(0), 0);
}

QTEST_GUILESS_MAIN(TestMidiFile)
#include "tst_midi_file.moc"
