// Operates the RUN desktop's input widgets of the real main window on the
// simulated dyno while a run records, and prints the run file's path last
// (check_input_widgets_run.py reads it with h5py): the button pulses, a click
// that ends a drag follows, the slider goes to 25 % of 0..200 and the spin
// box is set to 7.5.
#include "AbstractMdi.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RMdiInputButton.h"
#include "RMdiInputSlider.h"
#include "RMdiInputSpinBox.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunWidget.h"
#include "LogWriter.h"
#include "SafeSpinBox.h"
#include "UI.h"
#include "inputChannels/InputChannel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

MainUI* g_window = nullptr;

int fail(const char* why)
{
    std::fprintf(stderr, "%s\n", why);
    // The widgets go before the channels they show.
    if (g_window)
        MainWindowFixture::destroyWindow(g_window);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QFile channels(theSettings.settingsDir.filePath(QStringLiteral("inputChannels.xml")));
    if (!channels.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail("cannot seed inputChannels.xml");
    channels.write("<inputChannels>\n"
                   " <inputChannel name=\"Btn\" step=\"1\" value=\"0\"/>\n"
                   " <inputChannel name=\"Sld\" step=\"1\" value=\"0\"/>\n"
                   " <inputChannel name=\"Spin\" step=\"1\" value=\"0\"/>\n"
                   "</inputChannels>\n");
    channels.close();

    RecordingAnswerer answerer;
    MainWindowFixture::prepareProcess();
    MainUI* window = MainWindowFixture::createWindow();
    g_window = window;
    if (!waitFor([window] { return window->secondStageDone; }, 30000))
        return fail("start-up did not finish");
    // A run needs an active project.
    QSqlQuery insert(theProjectListModel->database());
    if (!insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')")))
        return fail("project insert failed");
    const int projectId = insert.lastInsertId().toInt();
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(projectId));
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    AbstractMdi* mdi = theUI->runWidget->mdiManager->mdiWidget(0);
    auto input = [](const char* name) {
        return qobject_cast<InputChannel*>(theChannels.getChannelByKey(QStringLiteral("I_") + QLatin1String(name)));
    };
    InputChannel* btn = input("Btn");
    InputChannel* sld = input("Sld");
    InputChannel* spin = input("Spin");
    if (!btn || !sld || !spin)
        return fail("input channels missing");
    sld->setup->autorangeMin = sld->setup->autorangeMax = false;
    sld->setup->rangeMin = 0;
    sld->setup->rangeMax = 200;
    spin->setup->decimals = 2;
    emit sld->setup->signal_setupChanged();
    emit spin->setup->signal_setupChanged();

    auto* button = qobject_cast<RMdiInputButton*>(mdi->addWidget(8, QRect(0, 0, 100, 40), false));
    auto* slider = qobject_cast<RMdiInputSlider*>(mdi->addWidget(10, QRect(0, 50, 200, 70), false));
    auto* spinBox = qobject_cast<RMdiInputSpinBox*>(mdi->addWidget(9, QRect(0, 130, 200, 60), false));
    if (!button || !slider || !spinBox)
        return fail("input widgets missing");
    button->setChannel(btn);
    button->pulse->setChecked(true);
    slider->setChannel(sld);
    spinBox->setChannel(spin);

    RunWidget* run = theUI->runWidget;
    run->pushButton_run_startStop->click();
    if (!run->running)
        return fail("the run did not start");
    const QString path = run->logWriter->filePath;
    QTest::qWait(500);
    button->button->click();
    QTest::qWait(1500);
    // A press that moved the widget ends in a click that switches nothing.
    button->moved = true;
    button->button->click();
    QTest::qWait(300);
    slider->slider->setValue(25);
    QTest::qWait(300);
    spinBox->spinBox->setValue(7.5);
    QTest::qWait(500);
    run->pushButton_run_startStop->click();
    if (!waitFor([run] { return !run->running; }, 10000))
        return fail("the run did not stop");
    QTest::qWait(500);
    g_window = nullptr;
    MainWindowFixture::destroyWindow(window);
    std::printf("%s\n", qPrintable(path));
    return 0;
}
