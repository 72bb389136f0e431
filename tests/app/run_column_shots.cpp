// Pictures of the RUN tab's control column and the status bar as a real
// window system draws them (run under Xvfb):
//   xvfb-run -a build/tests/app/run_column_shots OUTPUT_FOLDER
// The whole program on the simulated dyno (standing still): the absorber
// locked, outputs in every colour, the four actuators in different states,
// and the status bar with a channel alarm and a system alarm. Writes
// run-column.png, run-column-other-states.png and status-bar-alarm.png; fails when
// a picture is blank.
#include "AbsorberLockButton.h"
#include "ActuatorController.h"
#include "AlarmWidget.h"
#include "Argument.h"
#include "ArgumentWidget.h"
#include "BrakeController.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "OutputWidget.h"
#include "OutputWidgetContainer.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "Statusbar.h"
#include "SystemRoot.h"
#include "UI.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool drawn(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() > 16;
}

bool save(QWidget* widget, const QString& path)
{
    const QImage image = widget->grab().toImage();
    if (!drawn(image)) {
        std::fprintf(stderr, "blank: %s\n", qPrintable(path));
        return false;
    }
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot be saved: %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void settle(int ms)
{
    QTest::qWait(ms);
}

// A file of the system root (ZEMBO_SYSTEM_ROOT) the status bar reads.
bool writeSystemFile(const QString& path, const QByteArray& text)
{
    QFile file(SystemRoot::filePath(path));
    QDir().mkpath(QFileInfo(file).absolutePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_column_shots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot make the folder %s\n", qPrintable(out.path()));
        return 2;
    }
    RecordingAnswerer answerer;
    answerer.result = QDialog::Accepted;
    MainWindowFixture::prepareProcess();
    // What the status bar reads of the board: CPU counters, memory, temperature.
    if (!writeSystemFile(QStringLiteral("/proc/stat"), "cpu  1000 0 500 8000 0 0 0 0 0 0\n")
        || !writeSystemFile(QStringLiteral("/proc/meminfo"), "MemTotal: 3072000 kB\nMemAvailable: 1024000 kB\n")
        || !writeSystemFile(QStringLiteral("/sys/class/thermal/thermal_zone0/temp"), "58000\n")) {
        std::fprintf(stderr, "the system files cannot be written\n");
        return 1;
    }
    MainUI* window = MainWindowFixture::createWindow();
    window->resize(1280, 800);
    if (!QTest::qWaitFor([window] { return window->secondStageDone; }, 30000)) {
        std::fprintf(stderr, "the second start-up stage did not come\n");
        return 1;
    }
    theUI->tabWidget_main->setCurrentIndex(2);
    RunWidget* run = theUI->runWidget;
    QWidget* column = run->pushButton_run_startStop->parentWidget();
    OutputWidgetContainer* outputs = run->outputWidgetContainer;

    // The panel shows while a torque controller follows it; the dyno stands
    // still, so the lock needs no question.
    theDynoSettings->getSetting(DynoSettingId_torquePidSpSource, 0)->setValue(2);
    run->brakeController->absorberLockButton->click();
    // Outputs: first low-side and first relay on, the second low-side half of
    // an AND with its function off, the rest off.
    outputs->keyActivated(Qt::Key_F1, true);
    outputs->keyActivated(Qt::Key_F5, true);
    OutputWidget* partial = outputs->outputs.value(1);
    if (partial) {
        partial->comboBox_controlSource->setCurrentIndex(3);
        RunChannel* function = theChannels.getChannel(ChannelId_switchState, 3);
        partial->argumentWidget->argument->setChannel(function, false);
        partial->checkBox_bistable->setChecked(true);
        outputs->keyActivated(Qt::Key_F2, true);
    }
    // Actuators in four of their states; their ticks would move them on.
    const ActuatorState states[4] = {ActuatorState_activating, ActuatorState_active,
                                     ActuatorState_deactivationTimeout, ActuatorState_inactive};
    for (int i = 0; i < outputs->actuators.size() && i < 4; ++i) {
        outputs->actuators.at(i)->tickTimer->stop();
        outputs->actuators.at(i)->setState(states[i]);
    }
    settle(400);
    bool ok = save(column, out.filePath(QStringLiteral("run-column.png")));

    for (int i = 0; i < outputs->actuators.size() && i < 4; ++i) {
        const ActuatorState others[4] = {ActuatorState_activationTimeout, ActuatorState_deactivating,
                                         ActuatorState_inactive, ActuatorState_active};
        outputs->actuators.at(i)->setState(others[i]);
    }
    outputs->keyActivated(Qt::Key_F1, false);
    settle(400);
    ok = save(column, out.filePath(QStringLiteral("run-column-other-states.png"))) && ok;

    // A second reading of the counters: 60 % busy since the first.
    writeSystemFile(QStringLiteral("/proc/stat"), "cpu  1400 0 700 8400 0 0 0 0 0 0\n");
    settle(1200);
    // The status bar in alarm: a channel beyond its limit and a load-cell fault.
    RunChannel* channel = theChannels.getChannel(ChannelId_dynoSpeed, 0);
    AlarmWidget* alarm = theUI->statusbar->alarmWidget;
    alarm->channelAlarm(channel, AlarmType_high);
    alarm->slot_systemAlarm(SystemAlarmType_loadCellClipping);
    // Shot in the red phase of the blink.
    if (!QTest::qWaitFor([alarm] { return alarm->autoFillBackground(); }, 2000))
        settle(250);
    ok = save(theUI->statusbar, out.filePath(QStringLiteral("status-bar-alarm.png"))) && ok;
    const QString tooltip = alarm->toolTip();
    std::printf("alarm tooltip: %s\n", qPrintable(QString(tooltip).replace(QLatin1Char('\n'), QStringLiteral(" | "))));
    if (tooltip != QStringLiteral("Load cell signal clipping\nRoad speed")) {
        std::fprintf(stderr, "the alarm field does not list both alarms, the system alarm first\n");
        ok = false;
    }

    MainWindowFixture::destroyWindow(window);
    return ok ? 0 : 1;
}
