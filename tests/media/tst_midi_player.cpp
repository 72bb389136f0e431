// The MIDI player test mode in the whole program, in the test's own process,
// on the simulated dyno started with the option "midi": the PWM words of the
// simulated controller as its trace shows them (transfers 1 ms apart), the
// engine-speed target and the throttle, outputs beyond the board, the
// restore on closing and at the program's end, an unreadable file, and the
// window deleted while its track players play.
//
// Run twice by CTest: on the default board (four PWM outputs) and, as
// tst_midi_player_two_pwm, on a board with two (only `twoPwmBoard` runs there).
#include "AdvancedTestRegistry.h"
#include "BrakeController.h"
#include "BrakeControllerMode.h"
#include "BrakeControllerThread.h"
#include "DynoApplication.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "McuThread.h"
#include "MidiFile.h"
#include "MidiPlayer.h"
#include "MidiTrackPlayer.h"
#include "RecordingAnswerer.h"
#include "RunWidget.h"
#include "SafeSpinBox.h"
#include "SimulatedDynoController.h"
#include "SpinBoxWithUnit.h"
#include "UI.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

struct Note {
    double start; // s
    double length;
    int key;
};

// At the default 120 quarter notes per minute and 120 ticks per quarter note,
// 240 ticks are one second. One list of notes per track.
bool writeMidi(const QString& path, const QList<QList<Note>>& tracks)
{
    smf::MidiFile file;
    file.setTPQ(120);
    if (tracks.size() > 1)
        file.addTracks(int(tracks.size()) - 1);
    for (int t = 0; t < tracks.size(); ++t) {
        for (const Note& n : tracks.at(t)) {
            file.addNoteOn(t, int(std::lround(n.start * 240)), 0, n.key, 100);
            file.addNoteOff(t, int(std::lround((n.start + n.length) * 240)), 0, n.key);
        }
    }
    file.sortTracks();
    return file.write(QFile::encodeName(path).toStdString());
}

SimulatedDynoController* controller()
{
    return theMCUThread ? dynamic_cast<SimulatedDynoController*>(theMCUThread->transport()) : nullptr;
}

float asFloat(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float pwmWord(uint32_t address, int output)
{
    uint32_t bits = 0;
    if (!controller() || !controller()->configWord(address, uint16_t(output), &bits))
        return std::nanf("");
    return asFloat(bits);
}

// One configuration write of the trace: the address frame and the value frame after it.
struct ConfigWrite {
    quint64 transfer;
    uint32_t address;
    int channel;
    float value;
};

constexpr uint8_t configAddressReg = 44;
constexpr uint8_t configValueReg = 45;

QList<ConfigWrite> pwmWrites(const QList<SimulatedDynoController::TraceEntry>& trace)
{
    QList<ConfigWrite> writes;
    uint32_t latch = 0;
    bool latched = false;
    for (const SimulatedDynoController::TraceEntry& e : trace) {
        if (e.reg == configAddressReg) {
            latch = e.value;
            latched = true;
        } else if (e.reg == configValueReg && latched) {
            const uint32_t address = (latch >> 16) * 4;
            if (address == MidiPlayer::pwmFrequencyAddress || address == MidiPlayer::pwmRangeMinAddress
                || address == MidiPlayer::pwmRangeMaxAddress)
                writes.append({e.transfer, address, int(latch & 0xFFFF), asFloat(e.value)});
            latched = false;
        }
    }
    return writes;
}

QString describe(const QList<ConfigWrite>& writes)
{
    QStringList lines;
    for (const ConfigWrite& w : writes)
        lines << QStringLiteral("t%1 @%2/%3 = %4").arg(w.transfer).arg(w.address).arg(w.channel).arg(w.value);
    return lines.join(QLatin1Char('\n'));
}

// Note-on and note-off moments of one player, as transfer numbers of the
// simulated controller, taken in the worker thread when the player announces them.
struct NoteLog {
    QMutex mutex;
    QList<quint64> on;
    QList<quint64> off;
    QList<float> frequencies;
};

void logNotes(MidiTrackPlayer* player, NoteLog* log)
{
    QObject::connect(player, &MidiTrackPlayer::signal_noteOn, player, [log](float frequency, float, int) {
        QMutexLocker lock(&log->mutex);
        log->on.append(controller()->transfers());
        log->frequencies.append(frequency);
    }, Qt::DirectConnection);
    QObject::connect(player, &MidiTrackPlayer::signal_noteOff, player, [log](int) {
        QMutexLocker lock(&log->mutex);
        log->off.append(controller()->transfers());
    }, Qt::DirectConnection);
}

} // namespace

class TestMidiPlayer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void registeredWithTheOption();
    void pureParts();
    void pwmNoteOnTheSimulator();
    void highNoteClamped();
    void engineSpeedNote();
    void unreadableFileLeavesTableAndPlayers();
    void closingRestores();
    void deletedWhilePlaying();
    void twoPwmBoard();
    // Last: ends the event loop as the program does.
    void programEndWithTheWindowOpen();
    void cleanupTestCase();

private:
    MidiPlayer* open();
    void closePlayer();
    QString midiFile(const QString& name, const QList<QList<Note>>& tracks);
    // Loads through "Load MIDI file" and the open dialog.
    bool load(MidiPlayer* player, const QString& path);

    QTemporaryDir dir;
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
    RunWidget* run = nullptr;
    // The restore values given to the outputs' settings.
    QList<MidiPlayer::PwmRestore> configured;
};

void TestMidiPlayer::initTestCase()
{
    QVERIFY(dir.isValid());
    // As main does with "--midi".
    g_midiEnabled = true;
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess(qEnvironmentVariable("ZEMBO_MIDI_TEST_CONTROLLER"));
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 15000);
    run = theUI->runWidget;
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    QVERIFY(controller());
    // Restore values of our own, so that a restore shows.
    for (int n = 0; n < theHwInfo.mcuPwmOutputs; ++n) {
        MidiPlayer::PwmRestore values{float(250 + 50 * n), 0.25f + 0.05f * n, 0.75f + 0.05f * n};
        theDynoSettings->getSetting(DynoSettingId_pwmFrequency, n)->setValue(double(values.frequency));
        theDynoSettings->getSetting(DynoSettingId_pwmRangeMin, n)->setValue(double(values.rangeMin));
        theDynoSettings->getSetting(DynoSettingId_pwmRangeMax, n)->setValue(double(values.rangeMax));
        configured.append(values);
    }
}

void TestMidiPlayer::cleanupTestCase()
{
    closePlayer();
    MainWindowFixture::destroyWindow(window);
    delete answerer;
}

MidiPlayer* TestMidiPlayer::open()
{
    run->comboBox_advancedTest->setCurrentIndex(MidiPlayer::testType);
    return qobject_cast<MidiPlayer*>(run->advancedTest);
}

void TestMidiPlayer::closePlayer()
{
    QPointer<QWidget> dialog = run ? run->advancedTest : nullptr;
    if (!dialog)
        return;
    dialog->close();
    QTRY_VERIFY(!dialog);
}

QString TestMidiPlayer::midiFile(const QString& name, const QList<QList<Note>>& tracks)
{
    const QString path = dir.filePath(name);
    if (!writeMidi(path, tracks))
        return QString();
    return path;
}

bool TestMidiPlayer::load(MidiPlayer* player, const QString& path)
{
    answerer->files = {path};
    const int shown = answerer->shown.size();
    const int result = answerer->result;
    answerer->result = QDialog::Accepted;
    player->pushButton_load->click();
    answerer->result = result;
    return answerer->shown.size() == shown + 1;
}

void TestMidiPlayer::registeredWithTheOption()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    QVERIFY(AdvancedTestRegistry::has(MidiPlayer::testType));
    QVERIFY(!run->isAdvancedTestEntryHidden(MidiPlayer::testType));
    QCOMPARE(run->comboBox_advancedTest->itemText(MidiPlayer::testType), QStringLiteral("MIDI player"));

    BrakeController* brake = run->brakeController;
    brake->setChannel(BrakeControllerChannel_roadSpeed);
    MidiPlayer* player = open();
    QVERIFY(player);
    QCOMPARE(player->objectName(), QStringLiteral("midiPlayer"));
    QCOMPARE(player->windowTitle(), QStringLiteral("MIDI Player"));
    QCOMPARE(player->size(), QSize(700, 700));
    QVERIFY(player->workerThread()->isRunning());
    QCOMPARE(player->workerThread()->priority(), QThread::TimeCriticalPriority);
    QCOMPARE(brake->comboBox_channel->currentIndex(), int(BrakeControllerChannel_engineSpeed));
    QCOMPARE(brake->comboBox_mode->currentIndex(), int(BrakeControllerMode_speed));
    QCOMPARE(player->label_fileName->text(), QStringLiteral("filename..."));
    QCOMPARE(player->tableWidget->columnCount(), 4);
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << player->tableWidget->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"id", "playing", "output", "dc [%]"}));
    QCOMPARE(player->tableWidget->rowCount(), 0);
    QCOMPARE(player->spinBox_cylinderCount->value(), 4);
    QCOMPARE(player->spinBox_pitch->minimum(), -5);
    QCOMPARE(player->spinBox_noteOffThrottle->value(), 5);
    QCOMPARE(player->spinBox_noteOnThrottle->value(), 100);
    QCOMPARE(player->pwmOutputCount(), 4);
    QCOMPARE(player->pwmRestoreValues().size(), 4);
    for (int n = 0; n < 4; ++n) {
        QCOMPARE(player->pwmRestoreValues().at(n).frequency, configured.at(n).frequency);
        QCOMPARE(player->pwmRestoreValues().at(n).rangeMin, configured.at(n).rangeMin);
        QCOMPARE(player->pwmRestoreValues().at(n).rangeMax, configured.at(n).rangeMax);
    }

    // Two tracks: a row each, as listed.
    const QString path = midiFile(QStringLiteral("two.mid"), {{{0.1, 0.2, 69}}, {{0.2, 0.2, 60}}});
    QVERIFY(load(player, path));
    QCOMPARE(answerer->shown.last().title, QStringLiteral("Select file"));
    QCOMPARE(player->label_fileName->text(), QStringLiteral("two.mid"));
    QCOMPARE(player->tableWidget->rowCount(), 2);
    QCOMPARE(player->trackCount(), 2);
    QCOMPARE(player->tableWidget->item(1, 0)->text(), QStringLiteral("2"));
    QCOMPARE(player->outputBox(0)->count(), MidiPlayer::outputChoices);
    QCOMPARE(player->outputBox(0)->itemText(0), QStringLiteral("none"));
    QCOMPARE(player->outputBox(0)->itemText(1), QStringLiteral("PWM 1"));
    QCOMPARE(player->outputBox(0)->itemText(5), QStringLiteral("engine speed"));
    QCOMPARE(player->levelBox(1)->value(), 10.0);
    QCOMPARE(player->levelBox(1)->decimals(), 1);
    for (MidiTrackPlayer* p : player->trackPlayers())
        QCOMPARE(p->thread(), player->workerThread());
    closePlayer();
    QCOMPARE(run->comboBox_advancedTest->currentIndex(), 0);

    // Without the option there is no window to open.
    MidiPlayer::registerTestMode(false);
    QVERIFY(!AdvancedTestRegistry::has(MidiPlayer::testType));
    run->comboBox_advancedTest->setCurrentIndex(MidiPlayer::testType);
    QVERIFY(!run->advancedTest);
    run->comboBox_advancedTest->setCurrentIndex(0);
    MidiPlayer::registerTestMode(true);
    QVERIFY(AdvancedTestRegistry::has(MidiPlayer::testType));
}

void TestMidiPlayer::pureParts()
{
    QCOMPARE(MidiPlayer::clampPwmFrequency(440.0f), 440.0f);
    QCOMPARE(MidiPlayer::clampPwmFrequency(12543.0f), 10000.0f);
    QCOMPARE(MidiPlayer::clampPwmFrequency(10000.0f), 10000.0f);
    QCOMPARE(MidiPlayer::clampPwmFrequency(0.0f), 0.1f);
    QCOMPARE(MidiPlayer::clampPwmFrequency(std::nanf("")), 0.1f);
    // Key 124 and up are beyond 10 kHz.
    QVERIFY(MidiTrackPlayer::frequencyOfKey(124) > 10000.0f);
    QVERIFY(MidiTrackPlayer::frequencyOfKey(123) < 10000.0f);
    QVERIFY(std::abs(MidiPlayer::engineSpeedTarget(440.0f, 4, 0) - 1382.3f) < 0.05f);
    QCOMPARE(MidiPlayer::engineSpeedTarget(440.0f, 4, -2), MidiPlayer::engineSpeedTarget(440.0f, 4, 0) / 4.0f);
    // 13 200 rpm and 3300 rpm.
    QVERIFY(std::abs(MidiPlayer::engineSpeedTarget(440.0f, 4, 0) * 30.0 / M_PI - 13200.0) < 0.01);
    QVERIFY(std::abs(MidiPlayer::engineSpeedTarget(440.0f, 4, -2) * 30.0 / M_PI - 3300.0) < 0.01);
    // One cylinder fires every second revolution.
    QVERIFY(std::abs(MidiPlayer::engineSpeedTarget(100.0f, 1, 0) - float(4 * M_PI * 100)) < 0.01f);
}

void TestMidiPlayer::pwmNoteOnTheSimulator()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    SimulatedDynoController* sim = controller();
    MidiPlayer* player = open();
    QVERIFY(player);
    // Key 69 from 0.3 s for 0.5 s.
    QVERIFY(load(player, midiFile(QStringLiteral("a.mid"), {{{0.3, 0.5, 69}}})));
    player->outputBox(0)->setCurrentIndex(1);
    QCOMPARE(player->levelBox(0)->value(), 10.0);
    NoteLog notes;
    logNotes(player->trackPlayers().at(0), &notes);
    sim->clearTrace();
    sim->setTraceEnabled(true);
    QStringList shown;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        const QString text = player->tableWidget->item(0, 1)->text();
        if (shown.isEmpty() || shown.last() != text)
            shown << text;
    });
    watch.start(20);
    player->pushButton_play->click();
    QTRY_VERIFY_WITH_TIMEOUT([&] { QMutexLocker lock(&notes.mutex); return notes.off.size() >= 2; }(), 5000);
    // Also the player's stop at its end announces a note-off.
    QTest::qWait(100);
    sim->setTraceEnabled(false);
    watch.stop();
    QCOMPARE(shown, (QStringList{QString(), QStringLiteral("440Hz"), QString()}));

    const QList<ConfigWrite> writes = pwmWrites(sim->trace());
    QVERIFY2(!writes.isEmpty(), "no PWM words in the trace");
    quint64 on = 0;
    quint64 off = 0;
    {
        QMutexLocker lock(&notes.mutex);
        QCOMPARE(notes.on.size(), 1);
        QCOMPARE(notes.frequencies.first(), 440.0f);
        on = notes.on.first();
        off = notes.off.first();
    }
    // The note's own timing is the track player's business; here its words.
    QVERIFY2(off > on, qPrintable(QStringLiteral("%1 %2").arg(on).arg(off)));
    // The note: 416, 400, 384 of output 0 become 0.1, 0.1, 440 in this order, within 20 ms.
    QList<ConfigWrite> atOn;
    QList<ConfigWrite> atOff;
    for (const ConfigWrite& w : writes) {
        QCOMPARE(w.channel, 0);
        if (w.transfer >= on && w.transfer < off)
            atOn.append(w);
        else if (w.transfer >= off && atOff.size() < 3)
            atOff.append(w);
    }
    const QString all = describe(writes) + QStringLiteral("\non at t%1, off at t%2").arg(on).arg(off);
    QVERIFY2(atOn.size() == 3 && atOff.size() == 3, qPrintable(all));
    const uint32_t order[3] = {416, 400, 384};
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(atOn.at(i).address == order[i] && atOff.at(i).address == order[i], qPrintable(all));
        QVERIFY2(atOn.at(i).transfer <= on + 20, qPrintable(all));
        QVERIFY2(atOff.at(i).transfer <= off + 20, qPrintable(all));
    }
    QCOMPARE(atOn.at(0).value, 0.1f);
    QCOMPARE(atOn.at(1).value, 0.1f);
    QCOMPARE(atOn.at(2).value, 440.0f);
    // Back to the restore values at its end.
    QCOMPARE(atOff.at(0).value, configured.at(0).rangeMax);
    QCOMPARE(atOff.at(1).value, configured.at(0).rangeMin);
    QCOMPARE(atOff.at(2).value, configured.at(0).frequency);
    QCOMPARE(pwmWord(416, 0), configured.at(0).rangeMax);
    QCOMPARE(pwmWord(400, 0), configured.at(0).rangeMin);
    QCOMPARE(pwmWord(384, 0), configured.at(0).frequency);
    closePlayer();
}

void TestMidiPlayer::highNoteClamped()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    SimulatedDynoController* sim = controller();
    MidiPlayer* player = open();
    QVERIFY(player);
    // Key 127 (12 543 Hz) on PWM 2 at 55 %, a long note.
    QVERIFY(load(player, midiFile(QStringLiteral("high.mid"), {{{0.05, 5.0, 127}}})));
    player->outputBox(0)->setCurrentIndex(2);
    player->levelBox(0)->setValue(55.0);
    sim->clearTrace();
    sim->setTraceEnabled(true);
    player->pushButton_play->click();
    QTRY_COMPARE(pwmWord(384, 1), 10000.0f);
    QCOMPARE(pwmWord(416, 1), 0.55f);
    QCOMPARE(pwmWord(400, 1), 0.55f);
    QTRY_COMPARE(player->tableWidget->item(0, 1)->text(), QStringLiteral("12543Hz"));
    // STOP ends the note at once: restored.
    player->pushButton_stop->click();
    QTRY_COMPARE(pwmWord(384, 1), configured.at(1).frequency);
    QCOMPARE(pwmWord(416, 1), configured.at(1).rangeMax);
    QCOMPARE(pwmWord(400, 1), configured.at(1).rangeMin);
    QTRY_COMPARE(player->tableWidget->item(0, 1)->text(), QString());
    sim->setTraceEnabled(false);
    for (const ConfigWrite& w : pwmWrites(sim->trace())) {
        if (w.address == 384)
            QVERIFY2(w.value >= 0.1f && w.value <= 10000.0f, qPrintable(describe(pwmWrites(sim->trace()))));
    }
    closePlayer();
}

void TestMidiPlayer::engineSpeedNote()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    MidiPlayer* player = open();
    QVERIFY(player);
    QVERIFY(load(player, midiFile(QStringLiteral("engine.mid"), {{{0.2, 0.4, 69}}})));
    player->outputBox(0)->setCurrentIndex(MidiPlayer::Output_engineSpeed);
    QCOMPARE(player->spinBox_cylinderCount->value(), 4);
    QList<double> throttle;
    auto* editor = run->safeSpinBox_throttlePosition;
    connect(editor, &SpinBoxWithUnit::signal_valueChangedSI, this, [&throttle](double v) { throttle << v; });
    editor->setValueSI(50.0);
    throttle.clear();

    const float full = float(2.0 * M_PI * 440.0 / 2.0);
    for (const int pitch : {0, -2}) {
        throttle.clear();
        player->spinBox_pitch->setValue(pitch);
        theBrakeControllerThread->externalEngineSpeedTarget.store(0.0f);
        NoteLog notes;
        logNotes(player->trackPlayers().at(0), &notes);
        player->pushButton_play->click();
        const float expected = pitch == 0 ? full : full / 4.0f;
        QTRY_VERIFY(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - expected) < 0.01f);
        QTRY_COMPARE(editor->getValueSI(), 100.0);
        QTRY_VERIFY([&] { QMutexLocker lock(&notes.mutex); return notes.off.size() >= 2; }());
        QTRY_COMPARE(editor->getValueSI(), 5.0);
        QTest::qWait(50);
        // On, off; the player's end says "off" once more (the same 5 %).
        QVERIFY2(throttle.size() >= 2 && throttle.at(0) == 100.0 && throttle.at(1) == 5.0,
                 qPrintable(QString::number(throttle.size())));
        // The target stays after the note.
        QVERIFY(std::abs(theBrakeControllerThread->externalEngineSpeedTarget.load() - expected) < 0.01f);
        disconnect(player->trackPlayers().at(0), nullptr, player->trackPlayers().at(0), nullptr);
    }
    QVERIFY(std::abs(full - 1382.3f) < 0.05f);
    disconnect(editor, &SpinBoxWithUnit::signal_valueChangedSI, this, nullptr);
    closePlayer();
}

void TestMidiPlayer::unreadableFileLeavesTableAndPlayers()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    MidiPlayer* player = open();
    QVERIFY(player);
    QVERIFY(load(player, midiFile(QStringLiteral("three.mid"), {{{0.1, 0.1, 60}}, {{0.1, 0.1, 62}}, {}})));
    QCOMPARE(player->tableWidget->rowCount(), 3);
    player->outputBox(1)->setCurrentIndex(3);
    player->levelBox(1)->setValue(42.5);
    const QList<MidiTrackPlayer*> before = player->trackPlayers();

    // Not a MIDI file; cut short after its header; missing.
    QFile junk(dir.filePath(QStringLiteral("junk.mid")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a MIDI file at all");
    junk.close();
    QFile cut(dir.filePath(QStringLiteral("cut.mid")));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray::fromHex("4d546864000000060001ffff0078"));
    cut.close();
    for (const QString& name : {QStringLiteral("junk.mid"), QStringLiteral("cut.mid"), QStringLiteral("none.mid")}) {
        QVERIFY(load(player, dir.filePath(name)));
        QCOMPARE(player->label_fileName->text(), name);
        QCOMPARE(player->tableWidget->rowCount(), 3);
        QCOMPARE(player->trackPlayers(), before);
        QCOMPARE(player->outputBox(1)->currentIndex(), 3);
        QCOMPARE(player->levelBox(1)->value(), 42.5);
        QCOMPARE(player->tableWidget->item(2, 0)->text(), QStringLiteral("3"));
    }
    // The old players still play their file.
    NoteLog notes;
    logNotes(player->trackPlayers().at(1), &notes);
    player->pushButton_play->click();
    QTRY_VERIFY([&] { QMutexLocker lock(&notes.mutex); return notes.on.size() == 1; }());
    QCOMPARE(notes.frequencies.first(), MidiTrackPlayer::frequencyOfKey(62));
    QTRY_COMPARE(pwmWord(384, 2), configured.at(2).frequency);
    closePlayer();
}

void TestMidiPlayer::closingRestores()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    MidiPlayer* player = open();
    QVERIFY(player);
    // Long notes on PWM 1 and PWM 4 and on the engine.
    QVERIFY(load(player, midiFile(QStringLiteral("long.mid"), {{{0.05, 20, 69}}, {{0.05, 20, 81}}, {{0.05, 20, 57}}})));
    player->outputBox(0)->setCurrentIndex(1);
    player->outputBox(1)->setCurrentIndex(4);
    player->outputBox(2)->setCurrentIndex(MidiPlayer::Output_engineSpeed);
    player->spinBox_noteOffThrottle->setValue(7);
    player->pushButton_play->click();
    QTRY_COMPARE(pwmWord(384, 0), 440.0f);
    QTRY_COMPARE(pwmWord(384, 3), 880.0f);
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 100.0);
    QPointer<MidiPlayer> guard(player);
    player->close();
    QTRY_VERIFY(!guard);
    QCOMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 7.0);
    for (int n = 0; n < 4; ++n) {
        QTRY_COMPARE(pwmWord(384, n), configured.at(n).frequency);
        QTRY_COMPARE(pwmWord(400, n), configured.at(n).rangeMin);
        QTRY_COMPARE(pwmWord(416, n), configured.at(n).rangeMax);
    }
    // The panel has the absorber back.
    QVERIFY(!run->brakeController->externalControl);
}

void TestMidiPlayer::deletedWhilePlaying()
{
    if (theHwInfo.mcuPwmOutputs != 4)
        QSKIP("the default board only");
    // Four tracks of short notes back to back, and a fifth of long ones.
    QList<QList<Note>> tracks(5);
    for (int i = 0; i < 200; ++i) {
        for (int t = 0; t < 4; ++t)
            tracks[t].append({0.01 * i + 0.002 * t, 0.008, 60 + t + (i % 12)});
    }
    tracks[4] = {{0.0, 0.7, 45}, {0.8, 1.2, 47}};
    const QString path = midiFile(QStringLiteral("dense.mid"), tracks);
    QVERIFY(!path.isEmpty());

    struct Counters {
        std::atomic<int> fired{0};
        std::atomic<int> firedAfterDeletion{0};
        std::atomic<int> deleted{0};
    };
    for (int round = 0; round < 12; ++round) {
        MidiPlayer* player = open();
        QVERIFY(player);
        QVERIFY(player->loadFile(path));
        for (int t = 0; t < 5; ++t)
            player->outputBox(t)->setCurrentIndex(t < 4 ? 1 + t : MidiPlayer::Output_engineSpeed);
        auto counters = std::make_shared<Counters>();
        for (MidiTrackPlayer* p : player->trackPlayers()) {
            // Read in the GUI thread before the player starts: its children never change.
            auto* timer = p->findChild<QTimer*>();
            QVERIFY(timer);
            auto gone = std::make_shared<std::atomic<bool>>(false);
            connect(timer, &QTimer::timeout, this, [counters, gone] {
                ++counters->fired;
                if (gone->load())
                    ++counters->firedAfterDeletion;
            }, Qt::DirectConnection);
            connect(p, &QObject::destroyed, this, [counters, gone] {
                gone->store(true);
                ++counters->deleted;
            }, Qt::DirectConnection);
        }
        player->pushButton_play->click();
        // While notes sound: deleted at once, or closed (deleted later).
        const int wait = 30 + 37 * round % 400;
        QTRY_VERIFY(counters->fired.load() > 0);
        QTest::qWait(wait);
        const int firedBefore = counters->fired.load();
        QVERIFY(firedBefore > 0);
        QPointer<MidiPlayer> guard(player);
        if (round % 2 == 0)
            delete player;
        else
            player->close();
        QTRY_VERIFY(!guard);
        QCOMPARE(counters->deleted.load(), 5);
        const int firedAtDeletion = counters->fired.load();
        QTest::qWait(60);
        QCOMPARE(counters->firedAfterDeletion.load(), 0);
        QCOMPARE(counters->fired.load(), firedAtDeletion);
        QVERIFY(!run->advancedTest);
        for (int n = 0; n < 4; ++n)
            QTRY_COMPARE(pwmWord(384, n), configured.at(n).frequency);
    }

    // Another file loaded while playing deletes the old players the same way.
    MidiPlayer* player = open();
    QVERIFY(player);
    QVERIFY(player->loadFile(path));
    auto counters = std::make_shared<Counters>();
    for (MidiTrackPlayer* p : player->trackPlayers()) {
        auto* timer = p->findChild<QTimer*>();
        auto gone = std::make_shared<std::atomic<bool>>(false);
        connect(timer, &QTimer::timeout, this, [counters, gone] {
            ++counters->fired;
            if (gone->load())
                ++counters->firedAfterDeletion;
        }, Qt::DirectConnection);
        connect(p, &QObject::destroyed, this, [counters, gone] {
            gone->store(true);
            ++counters->deleted;
        }, Qt::DirectConnection);
    }
    player->pushButton_play->click();
    QTRY_VERIFY(counters->fired.load() > 10);
    QVERIFY(player->loadFile(path));
    QCOMPARE(counters->deleted.load(), 5);
    const int firedAtDeletion = counters->fired.load();
    QTest::qWait(60);
    QCOMPARE(counters->fired.load(), firedAtDeletion);
    QCOMPARE(counters->firedAfterDeletion.load(), 0);
    closePlayer();
}

void TestMidiPlayer::twoPwmBoard()
{
    if (theHwInfo.mcuPwmOutputs != 2)
        QSKIP("runs as tst_midi_player_two_pwm, on a board with two PWM outputs");
    SimulatedDynoController* sim = controller();
    MidiPlayer* player = open();
    QVERIFY(player);
    QCOMPARE(player->pwmOutputCount(), 2);
    QCOMPARE(player->pwmRestoreValues().size(), 2);
    QVERIFY(load(player, midiFile(QStringLiteral("three.mid"), {{{0.1, 0.3, 69}}})));
    player->outputBox(0)->setCurrentIndex(3);
    NoteLog notes;
    logNotes(player->trackPlayers().at(0), &notes);
    sim->clearTrace();
    sim->setTraceEnabled(true);
    player->pushButton_play->click();
    QTRY_VERIFY([&] { QMutexLocker lock(&notes.mutex); return notes.off.size() >= 2; }());
    QTRY_COMPARE(player->tableWidget->item(0, 1)->text(), QString());
    QTest::qWait(60);
    // The note played (the table showed it) and changed nothing.
    QCOMPARE(notes.frequencies, (QList<float>{440.0f}));
    QCOMPARE(pwmWrites(sim->trace()).size(), 0);
    QVERIFY(std::isnan(pwmWord(384, 2)) || pwmWord(384, 2) != 440.0f);
    // Closing restores the two outputs the board has, and only those.
    sim->clearTrace();
    closePlayer();
    QTRY_VERIFY(pwmWrites(sim->trace()).size() >= 6);
    QTest::qWait(60);
    sim->setTraceEnabled(false);
    const QList<ConfigWrite> writes = pwmWrites(sim->trace());
    QCOMPARE(writes.size(), 6);
    for (const ConfigWrite& w : writes)
        QVERIFY2(w.channel < 2, qPrintable(describe(writes)));
}

void TestMidiPlayer::programEndWithTheWindowOpen()
{
    MidiPlayer* player = open();
    QVERIFY(player);
    QVERIFY(load(player, midiFile(QStringLiteral("end.mid"), {{{0.05, 30, 69}}, {{0.05, 30, 57}}})));
    player->outputBox(0)->setCurrentIndex(1);
    player->outputBox(1)->setCurrentIndex(MidiPlayer::Output_engineSpeed);
    player->spinBox_noteOffThrottle->setValue(3);
    player->pushButton_play->click();
    QTRY_COMPARE(pwmWord(384, 0), 440.0f);
    QTRY_COMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 100.0);
    QPointer<MidiPlayer> guard(player);
    // Away from the RUN tab the window hides: Qt closes only the visible
    // windows as its loop ends, so the window lives on until the main
    // window's children go, after the controller link has stopped.
    theUI->tabWidget_main->setCurrentIndex(MainTab_run == 0 ? 1 : 0);
    QVERIFY(!player->isVisible());

    // The program ends: its event loop returns, then main's window
    // destructor stops the controller link at once.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    qApp->exec();
    theMCUThread->quit();
    QVERIFY(theMCUThread->wait(5000));
    // What the controller got before its link stopped.
    QCOMPARE(pwmWord(384, 0), configured.at(0).frequency);
    QCOMPARE(pwmWord(400, 0), configured.at(0).rangeMin);
    QCOMPARE(pwmWord(416, 0), configured.at(0).rangeMax);
    for (int n = 1; n < configured.size(); ++n)
        QCOMPARE(pwmWord(384, n), configured.at(n).frequency);
    QCOMPARE(run->safeSpinBox_throttlePosition->getValueSI(), 3.0);
    QVERIFY(guard);
    QVERIFY(!guard->workerThread()->isRunning());
}

QTEST_MAIN(TestMidiPlayer)
#include "tst_midi_player.moc"
