// The MIDI player window on its own (no main window, no controller): deleted
// or closed while its track players play dense tracks, and a file loaded over
// a playing one. No player timer may fire during or after its deletion; the
// address and thread sanitizer builds run this too.
#include "MidiFile.h"
#include "MidiPlayer.h"
#include "MidiTrackPlayer.h"

#include <QComboBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <memory>

namespace {

// Four tracks of 8 ms notes every 10 ms, a fifth of long notes.
bool writeDense(const QString& path)
{
    smf::MidiFile file;
    file.setTPQ(480); // 960 ticks a second
    file.addTracks(4);
    for (int i = 0; i < 300; ++i) {
        for (int t = 0; t < 4; ++t) {
            const int start = int(std::lround((0.01 * i + 0.002 * t) * 960));
            file.addNoteOn(t, start, 0, 60 + t + i % 12, 100);
            file.addNoteOff(t, start + 8, 0, 60 + t + i % 12);
        }
    }
    file.addNoteOn(4, 0, 0, 45, 100);
    file.addNoteOff(4, 960, 0, 45);
    file.addNoteOn(4, 1000, 0, 47, 100);
    file.addNoteOff(4, 3000, 0, 47);
    file.sortTracks();
    return file.write(QFile::encodeName(path).toStdString());
}

// Counts every firing of the players' timers and those after a player was
// destroyed. Connected before the players start (their children never change).
struct Watch {
    std::atomic<int> fired{0};
    std::atomic<int> firedAfterDeletion{0};
    std::atomic<int> deleted{0};

    void attach(const QList<MidiTrackPlayer*>& players, QObject* context)
    {
        for (MidiTrackPlayer* player : players) {
            auto* timer = player->findChild<QTimer*>();
            QVERIFY(timer);
            auto gone = std::make_shared<std::atomic<bool>>(false);
            QObject::connect(timer, &QTimer::timeout, context, [this, gone] {
                ++fired;
                if (gone->load())
                    ++firedAfterDeletion;
            }, Qt::DirectConnection);
            QObject::connect(player, &QObject::destroyed, context, [this, gone] {
                gone->store(true);
                ++deleted;
            }, Qt::DirectConnection);
        }
    }
};

} // namespace

class TestMidiPlayerLifetime : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void deletedWhilePlaying();
    void loadedOverAPlayingFile();

private:
    QTemporaryDir dir;
    QString path;
};

void TestMidiPlayerLifetime::initTestCase()
{
    QVERIFY(dir.isValid());
    path = dir.filePath(QStringLiteral("dense.mid"));
    QVERIFY(writeDense(path));
}

void TestMidiPlayerLifetime::deletedWhilePlaying()
{
    for (int round = 0; round < 16; ++round) {
        auto* player = new MidiPlayer(nullptr);
        player->setAttribute(Qt::WA_DeleteOnClose);
        QVERIFY(player->loadFile(path));
        QCOMPARE(player->trackCount(), 5);
        for (int t = 0; t < 5; ++t)
            player->outputBox(t)->setCurrentIndex(t < 4 ? 1 + t : MidiPlayer::Output_engineSpeed);
        Watch watch;
        watch.attach(player->trackPlayers(), this);
        player->pushButton_play->click();
        QTRY_VERIFY(watch.fired.load() > 0);
        QTest::qWait(5 + (37 * round) % 200);
        QPointer<MidiPlayer> guard(player);
        // Deleted at once, or closed (stopped, then deleted later).
        if (round % 2 == 0)
            delete player;
        else
            player->close();
        QTRY_VERIFY(!guard);
        QCOMPARE(watch.deleted.load(), 5);
        const int firedAtDeletion = watch.fired.load();
        QTest::qWait(40);
        QCOMPARE(watch.fired.load(), firedAtDeletion);
        QCOMPARE(watch.firedAfterDeletion.load(), 0);
    }
}

void TestMidiPlayerLifetime::loadedOverAPlayingFile()
{
    MidiPlayer player(nullptr);
    QVERIFY(player.loadFile(path));
    for (int round = 0; round < 8; ++round) {
        Watch watch;
        watch.attach(player.trackPlayers(), this);
        player.pushButton_play->click();
        QTRY_VERIFY(watch.fired.load() > 3);
        QTest::qWait((23 * round) % 60);
        QVERIFY(player.loadFile(path));
        QCOMPARE(watch.deleted.load(), 5);
        const int firedAtDeletion = watch.fired.load();
        QTest::qWait(30);
        QCOMPARE(watch.fired.load(), firedAtDeletion);
        QCOMPARE(watch.firedAfterDeletion.load(), 0);
        QCOMPARE(player.trackCount(), 5);
    }
}

QTEST_MAIN(TestMidiPlayerLifetime)
#include "tst_midi_player_lifetime.moc"
