#include "MidiPlayer.h"

#include "AdvancedTestRegistry.h"
#include "BrakeController.h"
#include "BrakeControllerMode.h"
#include "BrakeControllerThread.h"
#include "DynoSettings.h"
#include "HwInfo.h"
#include "McuThread.h"
#include "MidiFile.h"
#include "MidiTrackPlayer.h"
#include "PathSaver.h"
#include "TestModeContext.h"
#include "lib/ThreadHandOver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QThread>

#include <cmath>
#include <utility>

namespace {

enum Column { Column_id = 0, Column_playing = 1, Column_output = 2, Column_level = 3, Column_count = 4 };

QSpinBox* formBox(QWidget* parent, int minimum, int maximum, int value)
{
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

} // namespace

void MidiPlayer::registerTestMode(bool enabled)
{
    if (enabled)
        AdvancedTestRegistry::registerDialog<MidiPlayer>(testType);
    else
        AdvancedTestRegistry::registerCreator(testType, {});
}

float MidiPlayer::engineSpeedTarget(float frequency, int cylinders, int pitch)
{
    const float octaves = std::pow(2.0f, float(pitch));
    const float firing = frequency * octaves / (float(cylinders) / 2.0f);
    return float(2.0 * M_PI) * firing;
}

float MidiPlayer::clampPwmFrequency(float frequency)
{
    // Also a NaN goes to the bottom of the range.
    if (!(frequency >= minPwmFrequency))
        return minPwmFrequency;
    return frequency > maxPwmFrequency ? maxPwmFrequency : frequency;
}

MidiPlayer::MidiPlayer(QWidget* parent)
    : AbstractTestDialog(parent)
{
    worker = new QThread(this);
    worker->setObjectName(QStringLiteral("MidiPlayer worker"));
    // Calls into the worker go through an object of its own, gone with it.
    workerContext = new QObject;
    workerContext->moveToThread(worker);
    connect(worker, &QThread::finished, workerContext, &QObject::deleteLater);
    // The throttle goes to the RUN tab's editor in the GUI thread.
    connect(this, &MidiPlayer::signal_newThrottle, this, [](double percent) {
        const TestModeContext& context = TestModeContext::current();
        if (context.setThrottle)
            context.setThrottle(percent);
    }, Qt::QueuedConnection);

    // What every PWM output goes back to; read before the worker starts,
    // which only ever reads them.
    pwmCount = std::max(0, theHwInfo.mcuPwmOutputs);
    const bool settings = theDynoSettings && theDynoSettings->initialized;
    for (int n = 0; n < pwmCount; ++n) {
        PwmRestore values;
        if (settings) {
            values.frequency = float(theDynoSettings->getSettingValueDouble(DynoSettingId_pwmFrequency, n));
            values.rangeMin = float(theDynoSettings->getSettingValueDouble(DynoSettingId_pwmRangeMin, n));
            values.rangeMax = float(theDynoSettings->getSettingValueDouble(DynoSettingId_pwmRangeMax, n));
        }
        restore.append(values);
    }

    setWindowTitle(QStringLiteral("MIDI Player"));
    resize(700, 700);
    worker->start(QThread::TimeCriticalPriority);

    // The absorber holds the engine speed.
    if (BrakeController* panel = TestModeContext::current().getPanel()) {
        panel->setChannel(BrakeControllerChannel_engineSpeed);
        panel->setMode(BrakeControllerMode_speed);
    }

    auto* form = new QFormLayout(this);
    pushButton_load = new QPushButton(QStringLiteral("Load MIDI file"), this);
    pushButton_load->setFocusPolicy(Qt::NoFocus);
    connect(pushButton_load, &QPushButton::clicked, this, &MidiPlayer::slot_loadFile);
    form->addRow(pushButton_load);
    label_fileName = new QLabel(QStringLiteral("filename..."), this);
    label_fileName->setFrameShape(QFrame::Box);
    form->addRow(label_fileName);
    tableWidget = new QTableWidget(0, Column_count, this);
    tableWidget->setHorizontalHeaderLabels(
        {QStringLiteral("id"), QStringLiteral("playing"), QStringLiteral("output"), QStringLiteral("dc [%]")});
    tableWidget->horizontalHeader()->setStretchLastSection(true);
    tableWidget->verticalHeader()->setVisible(false);
    tableWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    form->addRow(tableWidget);
    spinBox_cylinderCount = formBox(this, 1, 16, 4);
    spinBox_pitch = formBox(this, -5, 5, 0);
    spinBox_noteOffThrottle = formBox(this, 0, 100, 5);
    spinBox_noteOnThrottle = formBox(this, 0, 100, 100);
    connect(spinBox_cylinderCount, &QSpinBox::valueChanged, this, [this](int v) { cylinderCount.store(v); });
    connect(spinBox_pitch, &QSpinBox::valueChanged, this, [this](int v) { pitch.store(v); });
    connect(spinBox_noteOffThrottle, &QSpinBox::valueChanged, this, [this](int v) { noteOffThrottle.store(v); });
    connect(spinBox_noteOnThrottle, &QSpinBox::valueChanged, this, [this](int v) { noteOnThrottle.store(v); });
    form->addRow(QStringLiteral("Cylinder count"), spinBox_cylinderCount);
    form->addRow(QStringLiteral("Modify pitch [octave]"), spinBox_pitch);
    form->addRow(QStringLiteral("Note off throttle"), spinBox_noteOffThrottle);
    form->addRow(QStringLiteral("Note on throttle"), spinBox_noteOnThrottle);
    pushButton_play = new QPushButton(QStringLiteral("PLAY"), this);
    pushButton_play->setFocusPolicy(Qt::NoFocus);
    connect(pushButton_play, &QPushButton::clicked, this, &MidiPlayer::slot_play);
    pushButton_stop = new QPushButton(QStringLiteral("STOP"), this);
    pushButton_stop->setFocusPolicy(Qt::NoFocus);
    connect(pushButton_stop, &QPushButton::clicked, this, &MidiPlayer::slot_stop);
    form->addRow(pushButton_play);
    form->addRow(pushButton_stop);

    connect(this, &AbstractTestDialog::signal_windowClosed, this, &MidiPlayer::slot_stop);

    // The program may end with the window open: one that Qt does not close
    // on the way out (hidden away from the RUN tab) goes with the RUN tab
    // only after the controller link has stopped and the RUN tab's context
    // is gone. So the outputs are given back as the event loop ends.
    quitConnection = connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { leave(true); });
}

MidiPlayer::~MidiPlayer()
{
    leave(false);
}

void MidiPlayer::leave(bool flush)
{
    if (left)
        return;
    left = true;
    disconnect(quitConnection);
    // Directly: a queued throttle would die with the window.
    const TestModeContext& context = TestModeContext::current();
    if (context.setThrottle)
        context.setThrottle(noteOffThrottle.load());
    deletePlayers();
    for (int n = 0; n < pwmCount; ++n)
        restorePwm(n);
    worker->quit();
    worker->wait();
    if (!flush || !theMCUThread || !theMCUThread->isRunning())
        return;
    // The link swaps its queue every 10 ms and sends the swapped words within
    // the next transfers of 1 ms each.
    const QDeadlineTimer deadline(500);
    while (theMCUThread->getTxBufferFill() > 0 && !deadline.hasExpired())
        QThread::msleep(1);
    QThread::msleep(15);
}

QComboBox* MidiPlayer::outputBox(int track) const
{
    return qobject_cast<QComboBox*>(tableWidget->cellWidget(track, Column_output));
}

QDoubleSpinBox* MidiPlayer::levelBox(int track) const
{
    return qobject_cast<QDoubleSpinBox*>(tableWidget->cellWidget(track, Column_level));
}

void MidiPlayer::slot_loadFile()
{
    const QString path = thePathSaver.getOpenFileName(Path::openMidi, QStringLiteral("Select file"));
    if (path.isEmpty())
        return;
    loadFile(path);
}

bool MidiPlayer::loadFile(const QString& path)
{
    if (left)
        return false;
    label_fileName->setText(QFileInfo(path).fileName());
    // Read into a file of its own: the players play the current one, and a
    // failed read leaves the table and the players as they were.
    auto read = std::make_unique<smf::MidiFile>();
    if (!read->read(QFile::encodeName(path).toStdString()))
        return false;
    read->linkNotePairs();
    read->doTimeAnalysis();
    read->absoluteTicks();

    deletePlayers();
    file = std::move(read);
    const int tracks = file->getTrackCount();
    {
        const std::lock_guard<std::mutex> lock(routeMutex);
        routes = QVector<Route>(tracks);
    }
    tableWidget->setRowCount(0);
    tableWidget->setRowCount(tracks);
    for (int track = 0; track < tracks; ++track) {
        tableWidget->setItem(track, Column_id, new QTableWidgetItem(QString::number(track + 1)));
        tableWidget->setItem(track, Column_playing, new QTableWidgetItem);
        auto* output = new QComboBox(tableWidget);
        output->addItem(QStringLiteral("none"));
        for (int n = 1; n <= 4; ++n)
            output->addItem(QStringLiteral("PWM %1").arg(n));
        output->addItem(QStringLiteral("engine speed"));
        tableWidget->setCellWidget(track, Column_output, output);
        auto* level = new QDoubleSpinBox(tableWidget);
        level->setRange(0, 100);
        level->setDecimals(1);
        level->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        level->setValue(10);
        tableWidget->setCellWidget(track, Column_level, level);
        connect(output, &QComboBox::currentIndexChanged, this, [this, track] { publishRoute(track); });
        connect(level, &QDoubleSpinBox::valueChanged, this, [this, track] { publishRoute(track); });
        publishRoute(track);

        auto* player = new MidiTrackPlayer(nullptr, (*file)[track], track);
        player->moveToThread(worker);
        connect(player, &MidiTrackPlayer::signal_noteOn, this, &MidiPlayer::slot_noteOn, Qt::QueuedConnection);
        connect(player, &MidiTrackPlayer::signal_noteOff, this, &MidiPlayer::slot_noteOff, Qt::QueuedConnection);
        connect(player, &MidiTrackPlayer::signal_noteOn, this, &MidiPlayer::slot_noteOnRtThread,
                Qt::DirectConnection);
        connect(player, &MidiTrackPlayer::signal_noteOff, this, &MidiPlayer::slot_noteOffRtThread,
                Qt::DirectConnection);
        players.append(player);
    }
    return true;
}

void MidiPlayer::publishRoute(int track)
{
    Route route;
    if (QComboBox* output = outputBox(track))
        route.output = output->currentIndex();
    if (QDoubleSpinBox* level = levelBox(track))
        route.level = float(level->value()) / 100.0f;
    const std::lock_guard<std::mutex> lock(routeMutex);
    if (track >= 0 && track < routes.size())
        routes[track] = route;
}

void MidiPlayer::deletePlayers()
{
    if (players.isEmpty())
        return;
    const QList<MidiTrackPlayer*> old = std::exchange(players, {});
    // Stopped and deleted in their own thread, so that no timer of theirs
    // fires during or after the deletion.
    auto stopAndDelete = [old] {
        for (MidiTrackPlayer* player : old) {
            player->slot_stop();
            delete player;
        }
    };
    if (worker->isRunning() && QThread::currentThread() != worker)
        ThreadHandOver::blockingCall(workerContext, stopAndDelete);
    else
        stopAndDelete();
}

void MidiPlayer::slot_play()
{
    // The file and the players were made here; the worker reads them after
    // the queued call has handed them over.
    for (MidiTrackPlayer* player : std::as_const(players)) {
        ThreadHandOver::release(player);
        QMetaObject::invokeMethod(player, [player] {
            ThreadHandOver::acquire(player);
            player->slot_play();
        }, Qt::QueuedConnection);
    }
}

void MidiPlayer::slot_stop()
{
    for (MidiTrackPlayer* player : std::as_const(players)) {
        ThreadHandOver::release(player);
        QMetaObject::invokeMethod(player, [player] {
            ThreadHandOver::acquire(player);
            player->slot_stop();
        }, Qt::QueuedConnection);
    }
}

void MidiPlayer::slot_noteOn(float frequency, float duration, int track)
{
    Q_UNUSED(duration)
    if (QTableWidgetItem* item = tableWidget->item(track, Column_playing))
        item->setText(QStringLiteral("%1Hz").arg(QString::number(double(frequency), 'g',
                                                                 QLocale::FloatingPointShortest)));
}

void MidiPlayer::slot_noteOff(int track)
{
    if (QTableWidgetItem* item = tableWidget->item(track, Column_playing))
        item->setText(QString());
}

void MidiPlayer::writePwm(int output, float rangeMax, float rangeMin, float frequency)
{
    if (!theMCUThread)
        return;
    const auto channel = uint16_t(output);
    theMCUThread->setSettingFloat(pwmRangeMaxAddress, rangeMax, channel);
    theMCUThread->setSettingFloat(pwmRangeMinAddress, rangeMin, channel);
    theMCUThread->setSettingFloat(pwmFrequencyAddress, frequency, channel);
}

void MidiPlayer::restorePwm(int output)
{
    if (output < 0 || output >= restore.size())
        return;
    const PwmRestore& values = restore.at(output);
    writePwm(output, values.rangeMax, values.rangeMin, values.frequency);
}

void MidiPlayer::slot_noteOnRtThread(float frequency, float duration, int track)
{
    Q_UNUSED(duration)
    Route route;
    {
        const std::lock_guard<std::mutex> lock(routeMutex);
        if (track < 0 || track >= routes.size())
            return;
        route = routes.at(track);
    }
    if (route.output >= Output_pwm1 && route.output <= Output_pwm4) {
        const int n = route.output - Output_pwm1;
        if (n < pwmCount)
            writePwm(n, route.level, route.level, clampPwmFrequency(frequency));
    } else if (route.output == Output_engineSpeed) {
        if (theBrakeControllerThread)
            theBrakeControllerThread->externalEngineSpeedTarget.store(
                engineSpeedTarget(frequency, cylinderCount.load(), pitch.load()));
        emit signal_newThrottle(noteOnThrottle.load());
    }
}

void MidiPlayer::slot_noteOffRtThread(int track)
{
    Route route;
    {
        const std::lock_guard<std::mutex> lock(routeMutex);
        if (track < 0 || track >= routes.size())
            return;
        route = routes.at(track);
    }
    if (route.output >= Output_pwm1 && route.output <= Output_pwm4)
        restorePwm(route.output - Output_pwm1);
    else if (route.output == Output_engineSpeed)
        emit signal_newThrottle(noteOffThrottle.load());
}
