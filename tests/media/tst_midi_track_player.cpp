// The MIDI track player on a clock of the test's own: when it announces each
// note, what it waits for, late and dropped notes, files with no finite times.
#include "MidiFile.h"
#include "MidiTrackPlayer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace smf;

namespace {

struct Note {
    double start; // seconds
    double length;
    int key;
};

// At the default 120 quarter notes per minute and 120 ticks per quarter note,
// 240 ticks are one second.
std::unique_ptr<MidiFile> fileOf(const QList<Note>& notes, int tpq = 120)
{
    auto file = std::make_unique<MidiFile>();
    file->setTPQ(tpq);
    for (const Note& n : notes) {
        file->addNoteOn(0, int(n.start * 240), 0, n.key, 100);
        file->addNoteOff(0, int((n.start + n.length) * 240), 0, n.key);
    }
    file->addController(0, 0, 0, 7, 100);
    file->sortTracks();
    file->linkNotePairs();
    file->doTimeAnalysis();
    file->absoluteTicks();
    return file;
}

struct Harness {
    explicit Harness(const MidiEventList& events)
        : player(nullptr, events, 3), on(&player, &MidiTrackPlayer::signal_noteOn),
          off(&player, &MidiTrackPlayer::signal_noteOff)
    {
        player.setClock([this] { return now; });
    }
    // Runs steps as the timer would fire them, moving the clock by each wait,
    // until the player stops (or a step limit is reached).
    void runToEnd(int limit = 1000)
    {
        while (limit-- > 0 && (player.isTimerActive())) {
            now += player.lastWaitMs();
            player.slot_processNextEvent();
        }
    }
    qint64 now = 1000000;
    MidiTrackPlayer player;
    QSignalSpy on;
    QSignalSpy off;
};

} // namespace

class TestMidiTrackPlayer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frequencies();
    void emptyTrackGivesOneNoteOff();
    void notesAtTheirTimes();
    void longWaitsAreCapped();
    void overlappingNotes();
    void noFiniteTimes();
    void deletedWhilePlaying();
};

void TestMidiTrackPlayer::frequencies()
{
    QCOMPARE(MidiTrackPlayer::frequencyOfKey(69), 440.0f);
    QCOMPARE(MidiTrackPlayer::frequencyOfKey(81), 880.0f);
    QCOMPARE(MidiTrackPlayer::frequencyOfKey(70), 466.0f);
    QCOMPARE(MidiTrackPlayer::frequencyOfKey(60), 261.0f);
}

void TestMidiTrackPlayer::emptyTrackGivesOneNoteOff()
{
    MidiEventList empty;
    Harness h(empty);
    h.player.slot_play();
    QCOMPARE(h.player.lastWaitMs(), 0);
    h.runToEnd();
    QCOMPARE(h.on.count(), 0);
    QCOMPARE(h.off.count(), 1);
    QCOMPARE(h.off.at(0).at(0).toInt(), 3);
    QVERIFY(!h.player.isTimerActive());
}

void TestMidiTrackPlayer::notesAtTheirTimes()
{
    auto file = fileOf({{0.25, 0.25, 69}, {0.5, 0.125, 81}, {0.75, 0.25, 70}});
    Harness h((*file)[0]);
    const qint64 start = h.now;
    QList<qint64> at;
    QObject::connect(&h.player, &MidiTrackPlayer::signal_noteOn, [&] { at << h.now - start; });
    h.player.slot_play();
    h.runToEnd();
    QCOMPARE(at, QList<qint64>({250, 500, 750}));
    QCOMPARE(h.on.count(), 3);
    QCOMPARE(h.on.at(1).at(0).toFloat(), 880.0f);
    QCOMPARE(h.on.at(1).at(1).toFloat(), 0.125f);
    QCOMPARE(h.on.at(2).at(0).toFloat(), 466.0f);
    QCOMPARE(h.on.at(2).at(2).toInt(), 3);
    // A note-off for each note and the final one at the end of the list.
    QCOMPARE(h.off.count(), 4);
    QVERIFY(!h.player.isTimerActive());

    // Playing again starts from the first event.
    h.on.clear();
    h.player.slot_play();
    QCOMPARE(h.player.nextEventIndex(), 0);
    h.runToEnd();
    QCOMPARE(h.on.count(), 3);
}

void TestMidiTrackPlayer::longWaitsAreCapped()
{
    // A note-on at 2.5 s: waits of at most a second, the note at 2.5 s.
    auto file = fileOf({{2.5, 3.0, 60}});
    Harness h((*file)[0]);
    h.player.slot_play();
    h.player.slot_processNextEvent(); // the controller at tick 0
    QList<int> waits;
    while (h.on.isEmpty()) {
        waits << h.player.lastWaitMs();
        h.now += h.player.lastWaitMs();
        h.player.slot_processNextEvent();
    }
    QCOMPARE(waits, QList<int>({0, 1000, 1000, 500}));
    // Its three seconds are waited out in steps, then its note-off comes.
    QCOMPARE(h.player.lastWaitMs(), 1000);
    const qint64 noteOn = h.now;
    QObject::connect(&h.player, &MidiTrackPlayer::signal_noteOff, [&] {
        if (h.off.count() == 1)
            QCOMPARE(h.now - noteOn, qint64(3000));
    });
    h.runToEnd();
    QCOMPARE(h.off.count(), 2);
}

void TestMidiTrackPlayer::overlappingNotes()
{
    // Starting together: the second plays late with its full length when its
    // end has not passed, and is dropped when it has.
    for (const auto& c : {std::pair<double, int>{1.0, 2}, {0.25, 1}}) {
        auto file = fileOf({{0.0, 0.5, 60}, {0.0, c.first, 62}});
        Harness h((*file)[0]);
        const qint64 start = h.now;
        QList<qint64> at;
        QObject::connect(&h.player, &MidiTrackPlayer::signal_noteOn, [&] { at << h.now - start; });
        h.player.slot_play();
        h.runToEnd();
        QCOMPARE(h.on.count(), c.second);
        if (c.second == 2) {
            QCOMPARE(at, QList<qint64>({0, 500}));
            QCOMPARE(h.on.at(1).at(1).toFloat(), 1.0f);
        }
    }
}

void TestMidiTrackPlayer::noFiniteTimes()
{
    // A division of 0 makes every time infinite or undefined: nothing is
    // played, nothing waits forever, the player ends with a note-off.
    auto file = fileOf({{0.5, 0.5, 60}, {1.0, 0.5, 62}}, 0);
    Harness h((*file)[0]);
    h.player.slot_play();
    h.runToEnd(100);
    QCOMPARE(h.on.count(), 0);
    QVERIFY(!h.player.isTimerActive());
    QVERIFY(h.off.count() >= 1);
}

void TestMidiTrackPlayer::deletedWhilePlaying()
{
    // Real timers: a player deleted while it waits leaves no timer behind.
    auto file = fileOf({{0.05, 0.05, 60}, {1.0, 0.3, 62}});
    int fired = 0;
    auto* player = new MidiTrackPlayer(nullptr, (*file)[0], 0);
    QObject::connect(player, &MidiTrackPlayer::signal_noteOn, [&] { ++fired; });
    player->slot_play();
    QTRY_COMPARE(fired, 1);
    delete player;
    QTest::qWait(1500);
    QCOMPARE(fired, 1);
}

QTEST_GUILESS_MAIN(TestMidiTrackPlayer)
#include "tst_midi_track_player.moc"
