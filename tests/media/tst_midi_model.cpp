// The MIDI message, event and event-list model: classification, accessors,
// makers, spelling, event order, note and pedal pairing, list exchange.
#include "MidiEventList.h"

#include <QTest>

using namespace smf;

namespace {

std::vector<uchar> bytes(std::initializer_list<int> list)
{
    std::vector<uchar> v;
    for (int b : list)
        v.push_back(uchar(b));
    return v;
}

QByteArray hex(const std::vector<uchar>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size())).toHex(' ');
}

} // namespace

class TestMidiModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classification_data();
    void classification();
    void accessors();
    void settersAndMakers_data();
    void settersAndMakers();
    void metaContent();
    void spellingRoundTrip();
    void eventOrder();
    void notePairing();
    void pedalPairing();
    void linksAndCopies();
    void listExchangeAndRemoval();
};

void TestMidiModel::classification_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("trueTests");
    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("note-on") << QByteArray::fromHex("903c64") << "noteon note";
    QTest::newRow("note-on velocity 0") << QByteArray::fromHex("903c00") << "noteoff note";
    QTest::newRow("note-off") << QByteArray::fromHex("803c40") << "noteoff note";
    QTest::newRow("4-byte 0x90") << QByteArray::fromHex("903c6400") << "";
    QTest::newRow("aftertouch") << QByteArray::fromHex("a13c10") << "aftertouch";
    QTest::newRow("sustain on") << QByteArray::fromHex("b04040") << "controller sustain sustainon";
    QTest::newRow("sustain off") << QByteArray::fromHex("b0403f") << "controller sustain sustainoff";
    QTest::newRow("soft on") << QByteArray::fromHex("b0437f") << "controller soft softon";
    QTest::newRow("patch") << QByteArray::fromHex("c105") << "timbre";
    QTest::newRow("patch too long") << QByteArray::fromHex("c10500") << "";
    QTest::newRow("pressure") << QByteArray::fromHex("d105") << "pressure";
    QTest::newRow("pitch bend") << QByteArray::fromHex("e10040") << "pitchbend";
    QTest::newRow("tempo") << QByteArray::fromHex("ff510307a120") << "meta tempo";
    QTest::newRow("tempo too short") << QByteArray::fromHex("ff510207a1") << "meta";
    QTest::newRow("meta of two bytes") << QByteArray::fromHex("ff51") << "";
    QTest::newRow("time signature") << QByteArray::fromHex("ff580406031808") << "meta timesig";
    QTest::newRow("key signature") << QByteArray::fromHex("ff59020000") << "meta keysig";
    QTest::newRow("end of track") << QByteArray::fromHex("ff2f00") << "meta eot";
    QTest::newRow("text") << QByteArray::fromHex("ff010161") << "meta text";
    QTest::newRow("track name") << QByteArray::fromHex("ff030161") << "meta trackname";
    QTest::newRow("marker") << QByteArray::fromHex("ff060161") << "meta marker";
}

void TestMidiModel::classification()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, trueTests);
    MidiMessage m(std::vector<char>(message.begin(), message.end()));
    const QStringList expected = trueTests.split(' ', Qt::SkipEmptyParts);
    const QList<QPair<QString, bool>> tests = {
        {"empty", m.isEmpty()}, {"noteon", m.isNoteOn()}, {"noteoff", m.isNoteOff()}, {"note", m.isNote()},
        {"aftertouch", m.isAftertouch()}, {"controller", m.isController()}, {"timbre", m.isTimbre()},
        {"timbre", m.isPatchChange()}, {"pressure", m.isPressure()}, {"pitchbend", m.isPitchbend()},
        {"meta", m.isMeta()}, {"meta", m.isMetaMessage()}, {"tempo", m.isTempo()},
        {"timesig", m.isTimeSignature()}, {"keysig", m.isKeySignature()}, {"eot", m.isEndOfTrack()},
        {"text", m.isText()}, {"trackname", m.isTrackName()}, {"marker", m.isMarkerText()},
        {"sustain", m.isSustain()}, {"sustainon", m.isSustainOn()}, {"sustainoff", m.isSustainOff()},
        {"soft", m.isSoft()}, {"softon", m.isSoftOn()}, {"softoff", m.isSoftOff()},
        {"copyright", m.isCopyright()}, {"instrument", m.isInstrumentName()}, {"lyric", m.isLyricText()},
    };
    for (const auto& test : tests)
        QVERIFY2(test.second == expected.contains(test.first), qPrintable(test.first));
}

void TestMidiModel::accessors()
{
    const MidiMessage empty;
    QCOMPARE(empty.getP0(), -1);
    QCOMPARE(empty.getChannel(), -1);
    QCOMPARE(empty.getCommandNibble(), -1);
    QCOMPARE(empty.getKeyNumber(), -1);

    const MidiMessage note(0x93, 60, 100);
    QCOMPARE(note.getCommandNibble(), 0x90);
    QCOMPARE(note.getChannel(), 3);
    QCOMPARE(note.getKeyNumber(), 60);
    QCOMPARE(note.getVelocity(), 100);
    QCOMPARE(note.getP3(), -1);
    QCOMPARE(note.getControllerNumber(), -1);
    QCOMPARE(note.getMetaType(), -1);

    const MidiMessage controller(0xB0, 0x87, 0xFF);
    QCOMPARE(controller.getControllerNumber(), 7);
    QCOMPARE(controller.getControllerValue(), 0x7F);
    QCOMPARE(controller.getVelocity(), -1);

    MidiMessage tempo(bytes({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    QCOMPARE(tempo.getTempoMicroseconds(), 500000);
    QCOMPARE(tempo.getTempoBPM(), 120.0);
    QCOMPARE(tempo.getTempoSeconds(), 0.5);
    QCOMPARE(tempo.getTempoSPT(120), 0.5 / 120);
    QCOMPARE(tempo.getTempoTPS(120), 240.0);
    QCOMPARE(tempo.getMetaType(), 0x51);
    QCOMPARE(note.getTempoBPM(), -1.0);
    QCOMPARE(note.getTempoMicro(), -1);

    MidiMessage longNote(bytes({0x90, 60, 100, 7, 8}));
    QCOMPARE(longNote.setSizeToCommand(), 3);
    QVERIFY(longNote.isNoteOn());
    MidiMessage shortPatch(bytes({0xC0}));
    QCOMPARE(shortPatch.resizeToCommand(), 1);
    MidiMessage none;
    QCOMPARE(none.setSizeToCommand(), 0);
}

void TestMidiModel::settersAndMakers_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("setTempo(120)") << 0 << QByteArray("ff 51 03 07 a1 20");
    QTest::newRow("makeNoteOff(0, 60)") << 1 << QByteArray("90 3c 00");
    QTest::newRow("makeNoteOff(0, 60, 64)") << 2 << QByteArray("80 3c 40");
    QTest::newRow("makeTimeSignature(6, 8, 24, 8)") << 3 << QByteArray("ff 58 04 06 03 18 08");
    QTest::newRow("makeNoteOn masks") << 4 << QByteArray("91 7f 01");
    QTest::newRow("makeNoteOff() of a note-on") << 5 << QByteArray("95 40 00");
    QTest::newRow("makeNoteOff() of a controller") << 6 << QByteArray("90 00 00");
    QTest::newRow("setP3 grows to 4") << 7 << QByteArray("00 00 00 09");
    QTest::newRow("setCommandNibble keeps channel") << 8 << QByteArray("e7 01 02");
    QTest::newRow("setChannel keeps status") << 9 << QByteArray("9f 01 02");
    QTest::newRow("setParameters(5) on empty") << 10 << QByteArray("00 05");
    QTest::newRow("makeSustainOn(2)") << 11 << QByteArray("b2 40 7f");
    QTest::newRow("makePatchChange(1, 200)") << 12 << QByteArray("c1 48");
    QTest::newRow("setKeyNumber on a controller") << 13 << QByteArray("b0 07 64");
    QTest::newRow("makeTimeSignature(3, 1)") << 14 << QByteArray("ff 58 04 03 00 18 08");
    QTest::newRow("setTempoMicroseconds low 24 bits") << 15 << QByteArray("ff 51 03 23 45 67");
    QTest::newRow("setTempo(0) is the slowest") << 16 << QByteArray("ff 51 03 ff ff ff");
}

void TestMidiModel::settersAndMakers()
{
    QFETCH(int, which);
    QFETCH(QByteArray, expected);
    MidiMessage m;
    switch (which) {
    case 0: m.setTempo(120.0); break;
    case 1: m.makeNoteOff(0, 60); break;
    case 2: m.makeNoteOff(0, 60, 64); break;
    case 3: m.makeTimeSignature(6, 8, 24, 8); break;
    case 4: m.makeNoteOn(0x21, 0xFF, 0x81); break;
    case 5: m = MidiMessage(0x95, 64, 100); m.makeNoteOff(); break;
    case 6: m = MidiMessage(0xB5, 64, 100); m.makeNoteOff(); break;
    case 7: m.setP3(9); break;
    case 8: m = MidiMessage(0x97, 1, 2); m.setCommandNibble(0xE0); break;
    case 9: m = MidiMessage(0x90, 1, 2); m.setChannel(0x1F); break;
    case 10: m.setParameters(5); break;
    case 11: m.makeSustainOn(2); break;
    case 12: m.makePatchChange(1, 200); break;
    case 13: m = MidiMessage(0xB0, 7, 100); m.setKeyNumber(60); break;
    case 14: m.makeTimeSignature(3, 1); break;
    case 15: m.setTempoMicroseconds(0x01234567); break;
    case 16: m.setTempo(0.0); break;
    }
    QCOMPARE(hex(m), expected);
}

void TestMidiModel::metaContent()
{
    const std::string text(200, 'x');
    MidiMessage m;
    m.makeText(text);
    QCOMPARE(m.getSize(), 204);
    QCOMPARE(hex(std::vector<uchar>(m.begin(), m.begin() + 4)), QByteArray("ff 01 81 48"));
    QCOMPARE(m.getMetaContent(), text);

    // Length 0x81 0x00: 128 content bytes.
    std::vector<uchar> v = bytes({0xFF, 0x01, 0x81, 0x00});
    v.insert(v.end(), 128, 'a');
    QCOMPARE(MidiMessage(v).getMetaContent(), std::string(128, 'a'));
    // A second length byte with its top bit continues into a third.
    QCOMPARE(MidiMessage(bytes({0xFF, 0x01, 0x81, 0x80, 0x00, 'b'})).getMetaContent(), std::string("b"));
    // Too short for its length field.
    QCOMPARE(MidiMessage(bytes({0xFF, 0x01, 0x81, 0x80, 0x80})).getMetaContent(), std::string());
    QCOMPARE(MidiMessage(0x90, 1, 2).getMetaContent(), std::string());

    MidiMessage note(0x90, 60, 100);
    note.setMetaContent("abc"); // not a meta message: unchanged
    QCOMPARE(hex(note), QByteArray("90 3c 64"));
}

void TestMidiModel::spellingRoundTrip()
{
    // Every letter and accidental that has a code, on every key it spells.
    int checked = 0;
    for (int key = 12; key < 120; ++key) {
        for (int code = 0; code < 4; ++code) {
            MidiMessage m(0x90, key, 64 | code);
            int base7 = -99, accidental = -99;
            m.getSpelling(base7, accidental);
            MidiMessage n(0x90, key, 100);
            n.setSpelling(base7, accidental);
            int base7b = -99, accidentalb = -99;
            n.getSpelling(base7b, accidentalb);
            QCOMPARE(base7b, base7);
            QCOMPARE(accidentalb, accidental);
            QCOMPARE(n.getVelocity() & 0xFC, 100);
            ++checked;
        }
    }
    QVERIFY(checked > 400);
    // Key 60 spelled: code 0 C4, code 1 D double flat, code 3 B sharp one octave down.
    int base7 = 0, accidental = 0;
    MidiMessage(0x90, 60, 65).getSpelling(base7, accidental);
    QCOMPARE(base7, 1 + 7 * 5);
    QCOMPARE(accidental, -2);
    MidiMessage(0x90, 60, 67).getSpelling(base7, accidental);
    QCOMPARE(base7, 6 + 7 * 4);
    QCOMPARE(accidental, 1);
    // Velocity below 4 is raised; a note-off is left alone.
    MidiMessage low(0x90, 60, 1);
    low.setSpelling(35, 0);
    QCOMPARE(low.getVelocity(), 6);
    MidiMessage off(0x80, 60, 1);
    off.setSpelling(35, 0);
    QCOMPARE(off.getVelocity(), 1);
}

void TestMidiModel::eventOrder()
{
    MidiEventList list;
    MidiEvent noteOn(0x90, 60, 100);
    MidiEvent noteOff(0x80, 60, 0);
    MidiEvent tempo(0, 0, bytes({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    MidiEvent endOfTrack(0xFF, 0x2F, 0);
    MidiEvent controllerHigh(0xB0, 10, 5);
    MidiEvent controllerLow(0xB0, 7, 5);
    MidiEvent early(0x90, 61, 100);
    early.tick = -1;
    for (MidiEvent* e : {&endOfTrack, &noteOn, &noteOff, &controllerHigh, &tempo, &controllerLow, &early})
        list.append(*e);
    list.sort();
    QStringList order;
    for (int i = 0; i < list.size(); ++i)
        order << QString::fromLatin1(hex(list[i]));
    QCOMPARE(order, QStringList({"90 3d 64", "ff 51 03 07 a1 20", "b0 07 05", "b0 0a 05", "80 3c 00", "90 3c 64",
                                 "ff 2f 00"}));

    // Sequence numbers decide before the kinds do.
    MidiEventList seqList;
    MidiEvent a(0x90, 60, 100);
    a.seq = 1;
    MidiEvent b(0xFF, 0x2F, 0);
    b.seq = 2;
    seqList.append(b);
    seqList.append(a);
    seqList.sort();
    QVERIFY(seqList[0].isNoteOn());
    QCOMPARE(seqList.markSequence(5), 7);
    QCOMPARE(seqList[1].seq, 6);
    seqList.clearSequence();
    QCOMPARE(seqList[1].seq, 0);
}

void TestMidiModel::notePairing()
{
    // A, B (same key) then C, D: B pairs with C, A with D; other channel and
    // other key stay unpaired; a velocity-0 note-on ends a note.
    MidiEventList list;
    const QList<QVector<int>> events = {
        {0, 0x90, 60, 100}, {1, 0x90, 60, 90}, {2, 0x80, 60, 0}, {3, 0x90, 60, 0},
        {4, 0x91, 60, 100}, {5, 0x80, 62, 0}, {6, 0x92, 70, 1},
    };
    for (const auto& e : events) {
        MidiEvent ev(e[1], e[2], e[3]);
        ev.tick = e[0];
        list.append(ev);
    }
    QCOMPARE(list.linkNotePairs(), 2);
    QCOMPARE(list[1].getLinkedEvent(), &list[2]);
    QCOMPARE(list[0].getLinkedEvent(), &list[3]);
    QCOMPARE(list[3].getLinkedEvent(), &list[0]);
    QCOMPARE(list[0].getTickDuration(), 3);
    QVERIFY(!list[4].isLinked());
    QVERIFY(!list[5].isLinked());
    QVERIFY(!list[6].isLinked());
    // Pairing again starts afresh.
    QCOMPARE(list.linkEventPairs(), 2);
    list.clearLinks();
    QVERIFY(!list[0].isLinked() && !list[2].isLinked());
}

void TestMidiModel::pedalPairing()
{
    // Controller 64 with 0, 100, 127, 20: the first and third ignored, the
    // fourth linked to the second; no note pairs counted.
    MidiEventList list;
    for (int value : {0, 100, 127, 20, 90, 10}) {
        MidiEvent ev(0xB0, 64, value);
        list.append(ev);
    }
    MidiEvent other(0xB1, 64, 0); // other channel, never stored
    list.append(other);
    QCOMPARE(list.linkNotePairs(), 0);
    QVERIFY(!list[0].isLinked());
    QCOMPARE(list[1].getLinkedEvent(), &list[3]);
    QVERIFY(!list[2].isLinked());
    QCOMPARE(list[4].getLinkedEvent(), &list[5]);
    QVERIFY(!list[6].isLinked());
}

void TestMidiModel::linksAndCopies()
{
    MidiEvent a(0x90, 60, 100), b(0x80, 60, 0), c(0x80, 60, 0);
    a.tick = 10;
    b.tick = 4;
    a.seconds = 2.0;
    b.seconds = 0.5;
    a.linkEvent(b);
    QCOMPARE(a.getTickDuration(), 6);
    QCOMPARE(b.getDurationInSeconds(), 1.5);
    a.linkEvent(&c); // drops the link to b on both sides
    QVERIFY(!b.isLinked());
    QCOMPARE(c.getLinkedEvent(), &a);
    MidiEvent copy(a);
    QVERIFY(!copy.isLinked());
    QCOMPARE(copy.tick, 10);
    QCOMPARE(copy.seconds, 2.0);
    copy = MidiMessage(0xC0, 1);
    QCOMPARE(copy.tick, 0);
    QCOMPARE(copy.seconds, 0.0);
    a.unlinkEvent();
    QVERIFY(!a.isLinked() && !c.isLinked());
    {
        MidiEvent shortLived(0x80, 60, 0);
        a.linkEvent(shortLived);
    }
    // A deleted partner leaves no dangling link behind.
    QVERIFY(!a.isLinked());
}

void TestMidiModel::listExchangeAndRemoval()
{
    MidiEventList a, b;
    MidiEvent one(0x90, 1, 1), two(0x90, 2, 2), three(0x90, 3, 3);
    a.append(one);
    b.append(two);
    b.append(three);
    MidiEvent* bFirst = &b[0];
    a = b;
    QCOMPARE(a.size(), 2);
    QCOMPARE(b.size(), 1);
    QCOMPARE(&a[0], bFirst);
    QCOMPARE(b[0].getKeyNumber(), 1);

    MidiEventList copy(a);
    QCOMPARE(copy.size(), 2);
    QVERIFY(&copy[0] != &a[0]);
    MidiEventList moved(std::move(copy));
    QCOMPARE(moved.size(), 2);
    QCOMPARE(copy.size(), 0);

    moved[0].clear();
    moved.removeEmpties();
    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved[0].getKeyNumber(), 3);
    QCOMPARE(moved.push_back_no_copy(new MidiEvent(0x90, 4, 4)), 1);
    QCOMPARE(moved.last().getKeyNumber(), 4);
}

QTEST_GUILESS_MAIN(TestMidiModel)
#include "tst_midi_model.moc"
