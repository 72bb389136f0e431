// MIDI library and track player timings; compare_midi.py runs this beside mido.
//   bench_midi file PATH   reading + note pairing + time analysis, then writing (best of 3)
//   bench_midi player      1000 notes 10 ms apart on a time-critical worker:
//                          note-on lateness (p50, p99) of the track player and of
//                          plain single-shot QTimers aimed at the same instants
#include "MidiFile.h"
#include "MidiTrackPlayer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

double best(int repeats, const std::function<void()>& work)
{
    double fastest = 1e30;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e9);
    }
    return fastest;
}

int fileBench(const char* path)
{
    const double read = best(3, [&] {
        smf::MidiFile file;
        if (!file.read(path))
            std::abort();
        file.linkNotePairs();
        file.doTimeAnalysis();
        file.absoluteTicks();
    });
    smf::MidiFile file(path);
    const double write = best(3, [&] {
        std::ostringstream out;
        file.write(out);
    });
    std::printf("ours_read_s %.6f\nours_write_s %.6f\n", read, write);
    return 0;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[size_t(std::min<double>(v.size() - 1, p * (v.size() - 1)))];
}

int playerBench(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kNotes = 1000;
    smf::MidiFile file;
    file.setTPQ(1000); // 2000 ticks a second at the default tempo
    for (int i = 0; i < kNotes; ++i) {
        file.addNoteOn(0, 20 * (i + 1), 0, 60 + i % 12, 100);
        file.addNoteOff(0, 20 * (i + 1) + 10, 0, 60 + i % 12);
    }
    file.sortTracks();
    file.linkNotePairs();
    file.doTimeAnalysis();
    file.absoluteTicks();

    QThread worker;
    worker.start(QThread::TimeCriticalPriority);
    std::vector<double> playerLate, timerLate;
    playerLate.reserve(kNotes);
    timerLate.reserve(kNotes);
    QElapsedTimer clock;

    auto* player = new MidiTrackPlayer(nullptr, file[0], 0);
    player->moveToThread(&worker);
    QObject::connect(player, &MidiTrackPlayer::signal_noteOn, player, [&](float, float, int) {
        // Emitted before the player moves on: its index is the note-on's
        // (note-on and note-off alternate in the track).
        const double due = 0.010 * (player->nextEventIndex() / 2 + 1);
        playerLate.push_back(clock.nsecsElapsed() / 1e9 - due);
    }, Qt::DirectConnection);

    auto* anchor = new QObject;
    anchor->moveToThread(&worker);
    std::function<void(int)> arm;
    arm = [&](int i) {
        if (i >= kNotes)
            return;
        const double due = 0.010 * (i + 1);
        const qint64 waitMs = std::max<qint64>(0, qint64((due - clock.nsecsElapsed() / 1e9) * 1000));
        QTimer::singleShot(int(waitMs), Qt::PreciseTimer, anchor, [&, i, due] {
            timerLate.push_back(clock.nsecsElapsed() / 1e9 - due);
            arm(i + 1);
        });
    };
    QMetaObject::invokeMethod(anchor, [&] {
        clock.start();
        player->slot_play();
        arm(0);
    });
    QElapsedTimer guard;
    guard.start();
    // Late notes may be dropped: the player is done a little after the last note's end.
    while ((timerLate.size() < size_t(kNotes) || guard.elapsed() < 10 * kNotes + 500) && guard.elapsed() < 60000)
        QThread::msleep(50);
    QMetaObject::invokeMethod(anchor, [&] {
        delete player;
        delete anchor;
    }, Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
    std::printf("player_late_ms p50 %.3f p99 %.3f (%zu of %d notes played)\n",
                percentile(playerLate, 0.5) * 1000, percentile(playerLate, 0.99) * 1000, playerLate.size(), kNotes);
    std::printf("qtimer_late_ms p50 %.3f p99 %.3f (%zu shots)\n", percentile(timerLate, 0.5) * 1000,
                percentile(timerLate, 0.99) * 1000, timerLate.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "file")
        return fileBench(argv[2]);
    if (argc >= 2 && std::string(argv[1]) == "player")
        return playerBench(argc, argv);
    std::fprintf(stderr, "usage: bench_midi file PATH | player\n");
    return 2;
}
