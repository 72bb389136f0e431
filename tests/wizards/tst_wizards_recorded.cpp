// The calibration tools on a run the real program recorded in this process on
// the simulated dyno (scenario falling-mass: 20 kg on 50 m of rope over the
// 0.5 m roller of 5 kg·m², then coasting on the roller's losses): the loss
// model fitted on the coast-down against the plant's loss, and the inertia
// the falling-mass experiment gives from the drop.
#include "CalibrateInertiaFallingMass.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "InertiaExperimentRun.h"
#include "LogCapture.h"
#include "LogWriter.h"
#include "LossModelCalculator.h"
#include "MainTab.h"
#include "MainUI.h"
#include "MainWindowFixture.h"
#include "OpenedRunsManager.h"
#include "ProjectListModel.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunThread.h"
#include "RunWidget.h"
#include "UI.h"
#include "VectorChannel.h"

#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

#include <cmath>

namespace {

constexpr double kRadius = 0.25;
constexpr double kInertia = 5.0;
double plantLossPower(double v)
{
    const double w = v / kRadius;
    return (3.0 + 0.08 * w + 0.003 * w * w) * w;
}

double liveSpeed()
{
    const RunChannel* channel = theChannels.getChannel(ChannelId_rollerRotationalSpeed, 0);
    return channel ? channel->getValue() : std::nan("");
}

} // namespace

class TestWizardsRecorded : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fallingMassAndLossModel();

private:
    LogCapture* log = nullptr;
    RecordingAnswerer* answerer = nullptr;
    MainUI* window = nullptr;
};

void TestWizardsRecorded::initTestCase()
{
    log = new LogCapture;
    answerer = new RecordingAnswerer;
    MainWindowFixture::prepareProcess();
    window = MainWindowFixture::createWindow();
    QTRY_VERIFY_WITH_TIMEOUT(window->secondStageDone, 30000);
    theDynoSettings->getSetting(DynoSettingId_rollerDiameter, 0)->setValue(0.5);
    theDynoSettings->getSetting(DynoSettingId_inertia, 0)->setValue(kInertia);
    theUI->runWidget->checkBox_run_enableAutoAnalyzeLastRun->setChecked(false);
    // Runs are made for an active project.
    QSqlQuery insert(theProjectListModel->database());
    QVERIFY(insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName) values ('RIG 1', 'Roller')")));
    const int projectId = insert.lastInsertId().toInt();
    theProjectListModel->select();
    theProjectListModel->slot_setActiveProjectByRow(theProjectListModel->rowFromProjectId(projectId));
}

void TestWizardsRecorded::cleanupTestCase()
{
    theOpenedRunsManager.closeAllRuns();
    MainWindowFixture::destroyWindow(window);
    delete answerer;
    delete log;
}

void TestWizardsRecorded::fallingMassAndLossModel()
{
    // Start while the roller stands, stop once it stands again after the next drop.
    QTRY_VERIFY_WITH_TIMEOUT(liveSpeed() < 0.05, 70000);
    RunWidget* run = theUI->runWidget;
    theUI->tabWidget_main->setCurrentIndex(MainTab_run);
    QTRY_VERIFY_WITH_TIMEOUT(run->pushButton_run_startStop->isEnabled(), 30000);
    run->pushButton_run_startStop->click();
    QVERIFY2(run->running, qPrintable(log->messages().mid(log->messages().size() - 15).join(QLatin1Char('\n'))));
    const QString path = run->logWriter->filePath;
    QTRY_VERIFY_WITH_TIMEOUT(liveSpeed() > 20, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(liveSpeed() < 0.05, 70000);
    QTest::qWait(1000);
    run->pushButton_run_startStop->click();
    QTRY_VERIFY(!run->running);

    RunData* data = theOpenedRunsManager.getRunData(path);
    QVERIFY(data);
    QCOMPARE(data->loadAll(), 0);
    QCOMPARE(data->calculateAll(false), 0);

    // The loss model of the coast-down, accepted on its own.
    LossModelCalculator calculator(nullptr, data, true);
    QCOMPARE(calculator.result(), int(QDialog::Accepted));
    const QList<double> model = InertiaExperimentRun::lossModelOf(data);
    QCOMPARE(model.size(), 5);
    // Stored in the run file, not only in the cached run.
    theOpenedRunsManager.closeRun(path);
    data = theOpenedRunsManager.getRunData(path);
    QVERIFY(data);
    QCOMPARE(data->loadAll(), 0);
    QCOMPARE(InertiaExperimentRun::lossModelOf(data), model);
    QCOMPARE(data->calculateAll(false), 0);
    const QList<double>& v = data->getVectorChannel(ChannelId_dynoSpeed, 0)->rawSamples();
    for (int i = calculator.stageStart; i < calculator.stageEnd; i += 100) {
        const double fitted = LossModelCalculator::evaluate(model, v.at(i));
        QVERIFY2(std::abs(fitted - plantLossPower(v.at(i))) < 0.03 * plantLossPower(v.at(i)),
                 qPrintable(QStringLiteral("%1 m/s: %2 W against %3 W").arg(v.at(i)).arg(fitted).arg(
                     plantLossPower(v.at(i)))));
    }

    // The drop: from a quarter of the peak speed to just before the peak,
    // away from the filters' transients at both ends.
    const QList<double>& w = data->getVectorChannel(ChannelId_rollerRotationalSpeed, 0)->rawSamples();
    const QList<double>& alpha = data->getVectorChannel(ChannelId_rollerRotationalAcceleration, 0)->rawSamples();
    const QList<double>& brake = data->getVectorChannel(ChannelId_rollerBrakesTorque, 0)->rawSamples();
    int peak = 0;
    for (int i = 0; i < w.size(); ++i)
        if (std::isfinite(w.at(i)) && (!std::isfinite(w.at(peak)) || w.at(i) > w.at(peak)))
            peak = i;
    int first = peak;
    while (first > 0 && !(w.at(first - 1) <= 0.25 * w.at(peak)))
        --first;
    const int last = first + int(0.8 * (peak - first));
    QVERIFY2(last - first > 100, qPrintable(QStringLiteral("%1 %2 %3 of %4, peak %5").arg(first).arg(last).arg(peak).arg(w.size()).arg(w.value(peak))));
    QList<CalibrateInertiaFallingMass::Sample> samples;
    for (int i = first; i < last; ++i)
        samples.append({alpha.at(i), w.at(i), brake.value(i, 0.0), v.at(i)});
    const auto result = CalibrateInertiaFallingMass::compute(samples, model, 20.0, data->getRoadSpeedRadius(0),
                                                             data->getRollerInertia(RollerId::Roller0));
    QVERIFY2(result.plausible, qPrintable(result.report));
    QVERIFY2(std::abs(result.average - kInertia) < 0.015 * kInertia, qPrintable(QString::number(result.average)));
    QVERIFY(result.report.contains(QStringLiteral("maximum linear acceleration of test mass")));
    QVERIFY(result.report.contains(QStringLiteral("minimum loss torque")));
}

QTEST_MAIN(TestWizardsRecorded)
#include "tst_wizards_recorded.moc"
