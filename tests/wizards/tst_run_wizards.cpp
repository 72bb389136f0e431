// The tools that work on recorded runs, on runs built in memory: the loss
// model calculator on a coast-down whose loss power is known, and the inertia
// calibration tool over several runs.
#include "RunDataTestSupport.h"
#include "SettingsFixture.h"

#include "DynoSettingId.h"
#include "DynoSettings.h"
#include "InertiaCalibrationTool.h"
#include "LossModelCalculator.h"
#include "MySettings.h"
#include "ProjectListFieldId.h"
#include "RecordingAnswerer.h"
#include "SpinBoxWithUnit.h"
#include "VectorChannel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

// The plant's loss: (A + Bω + Cω²)·ω on a roller of radius r, as road-speed power.
constexpr double kA = 2.0, kB = 0.05, kC = 0.002, kR = 0.25;
double plantLoss(double v)
{
    const double w = v / kR;
    return (kA + kB * w + kC * w * w) * w;
}
// Up to 30 m/s in 10 s, then rolling down at 0.6 m/s² to 0 at 60 s.
double speedAt(double t)
{
    return t < 10 ? 3.0 * t : std::max(0.0, 30.0 - 0.6 * (t - 10));
}

} // namespace

class TestRunWizards : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void automaticAcceptanceFitsTheCoastDown();
    void storedModelAndShortSelections();
    void inertiaCalibrationTool();

private:
    std::unique_ptr<RunData> coastDown();
    RunDataTest::Options options;
    RecordingAnswerer* answerer = nullptr;
    SettingsFixture* fixture = nullptr;
};

void TestRunWizards::initTestCase()
{
    options.rate = 100;
    RunAnalysisOptions::install(&options);
    // A run names its settings by the registry's keys.
    SettingsFixture::prepareProcess();
    fixture = new SettingsFixture(3);
    QVERIFY(fixture->start());
    theDynoSettings = fixture->registry;
    answerer = new RecordingAnswerer;
}

void TestRunWizards::cleanupTestCase()
{
    delete answerer;
    delete fixture;
    RunAnalysisOptions::install(nullptr);
}

std::unique_ptr<RunData> TestRunWizards::coastDown()
{
    auto run = RunDataTest::gridRun(60);
    RunDataTest::addVector(*run, ChannelId_dynoSpeed, [](int i) { return speedAt(i / 100.0); });
    RunDataTest::addVector(*run, ChannelId_dynoOnWheelsPower, [](int i) { return -plantLoss(speedAt(i / 100.0)); });
    RunDataTest::addVector(*run, ChannelId_drivetrainInertialPower, [](int) { return 0.0; });
    return run;
}

void TestRunWizards::automaticAcceptanceFitsTheCoastDown()
{
    auto run = coastDown();
    answerer->shown.clear();
    LossModelCalculator calculator(nullptr, run.get(), true);
    // Accepted without showing anything.
    QVERIFY(answerer->shown.isEmpty());
    QCOMPARE(calculator.result(), int(QDialog::Accepted));
    // The walk from the end: last sample above 21 m/s, last above 3 m/s.
    const QList<double>& v = run->getVectorChannel(ChannelId_dynoSpeed, 0)->rawSamples();
    int start = -1, end = -1;
    for (int i = int(v.size()) - 1; i >= 0 && (start < 0 || end < 0); --i) {
        if (end < 0 && v.at(i) > 3.0)
            end = i;
        if (start < 0 && v.at(i) > 21.0)
            start = i;
    }
    QCOMPARE(calculator.stageStart, start);
    QCOMPARE(calculator.stageEnd, end);
    QVERIFY(calculator.fitError < 0.1);
    const QList<double> stored = run->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>();
    QCOMPARE(stored, calculator.coefficients);
    QCOMPARE(stored.size(), 5);
    for (int i = start; i < end; i += 50) {
        const double fitted = LossModelCalculator::evaluate(stored, v.at(i));
        QVERIFY2(std::abs(fitted - plantLoss(v.at(i))) < 0.03 * plantLoss(v.at(i)),
                 qPrintable(QStringLiteral("%1 m/s: %2 against %3").arg(v.at(i)).arg(fitted).arg(plantLoss(v.at(i)))));
    }
}

void TestRunWizards::storedModelAndShortSelections()
{
    auto run = coastDown();
    const QList<double> model{1, 2, 3};
    run->updateSettingValue(DynoSettingId_lossModel, QVariant::fromValue(model), 0);
    double fitErrorShown = 0;
    QString error;
    bool ignoreShown = false;
    QList<double> fewSamples;
    double emptyError = -1;
    answerer->respond = [&](QDialog* dialog) {
        auto* c = qobject_cast<LossModelCalculator*>(dialog);
        if (!c)
            return int(QDialog::Rejected);
        fitErrorShown = c->fitError;
        error = c->errorLabel->text();
        ignoreShown = !c->ignoreButton->isHidden();
        // Three samples are too few for the fit: the zero model.
        c->slot_newSelection(30.0, 30.02);
        fewSamples = c->coefficients;
        c->slot_newSelection(30.0, 30.0);
        emptyError = c->fitError;
        return int(QDialog::Rejected);
    };
    {
        LossModelCalculator calculator(nullptr, run.get(), true);
        // The stored model is shown as it is, with no selection: not good enough to accept alone.
        QCOMPARE(calculator.result(), int(QDialog::Rejected));
    }
    QCOMPARE(fitErrorShown, 1.0);
    QCOMPARE(error, QStringLiteral("Loss model automatic selection failed. Correct the model manually."));
    QVERIFY(ignoreShown);
    QCOMPARE(fewSamples, (QList<double>{0, 0, 0, 0, 0}));
    QCOMPARE(emptyError, 0.0);
    // Closing without accepting leaves the run's model.
    QCOMPARE(run->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>(), model);

    // A project that ignores coast-down errors takes the stored model at once.
    run->updateProjectInfoValue(ProjectListFields::ignoreCoastdownErrors, true, false);
    answerer->respond = nullptr;
    answerer->shown.clear();
    LossModelCalculator again(nullptr, run.get(), true);
    QVERIFY(answerer->shown.isEmpty());
    QCOMPARE(again.result(), int(QDialog::Accepted));
    // The editor shows a model as five coefficients; the missing ones are 0.
    QCOMPARE(run->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>(),
             (QList<double>{1, 2, 3, 0, 0}));
}

void TestRunWizards::inertiaCalibrationTool()
{
    auto first = coastDown();
    auto second = coastDown();
    // Runs made in memory have no project record yet.
    first->projectInfo.resize(70);
    second->projectInfo.resize(70);
    first->hwInfo.rollers = 2;
    second->hwInfo.rollers = 1;
    first->updateProjectInfoValue(ProjectListFields::engineInertia, 0.2, false);
    first->updateRollerInertia(RollerId::Roller0, 3.0);
    first->updateRollerInertia(RollerId::Roller1, 4.0);
    second->updateProjectInfoValue(ProjectListFields::engineInertia, 0.9, false);
    second->updateRollerInertia(RollerId::Roller0, 7.0);

    auto* tool = new InertiaCalibrationTool(first.get(), nullptr);
    QPointer<InertiaCalibrationTool> guard(tool);
    QCOMPARE(tool->engineInertia->getValueSI(), 0.2);
    QCOMPARE(tool->rollerInertia[1]->getValueSI(), 4.0);
    // A second run takes the editors' values at once; adding it again changes nothing.
    tool->addRunData(second.get());
    tool->addRunData(second.get());
    QCOMPARE(tool->runCount(), 2);
    QCOMPARE(second->getProjectInfoValue(ProjectListFields::engineInertia, 0).toDouble(), 0.2);
    QCOMPARE(second->getRollerInertia(RollerId::Roller0), 3.0);

    QDialogButtonBox* box = tool->findChild<QDialogButtonBox*>();
    tool->rollerInertia[0]->setValueSI(5.0);
    tool->rollerInertia[1]->setValueSI(6.0);
    box->button(QDialogButtonBox::Apply)->click();
    tool->engineInertia->setValueSI(0.4);
    box->button(QDialogButtonBox::Apply)->click();
    QCOMPARE(first->getRollerInertia(RollerId::Roller1), 6.0);
    QCOMPARE(second->getRollerInertia(RollerId::Roller0), 5.0);
    QCOMPARE(second->getRollerInertia(RollerId::Roller1), 0.0);

    for (QPushButton* b : tool->findChildren<QPushButton*>())
        if (b->text() == QLatin1String("Zero Loss Model"))
            b->click();
    QCOMPARE(first->getSettingValue(DynoSettingId_lossModel, 0, QVariant()).value<QList<double>>(),
             (QList<double>{0, 0, 0}));

    // Cancel after several Apply: every run back as it was when added.
    QSignalSpy closed(tool, &InertiaCalibrationTool::signal_closeEvent);
    box->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(first->getRollerInertia(RollerId::Roller1), 4.0);
    QCOMPARE(first->getProjectInfoValue(ProjectListFields::engineInertia, 0).toDouble(), 0.2);
    QCOMPARE(second->getRollerInertia(RollerId::Roller0), 7.0);
    QCOMPARE(second->getProjectInfoValue(ProjectListFields::engineInertia, 0).toDouble(), 0.9);
    QTRY_VERIFY(guard.isNull());

    // Runs taken away: the tool lets go and closes with the last one.
    tool = new InertiaCalibrationTool(first.get(), nullptr);
    guard = tool;
    tool->addRunData(second.get());
    tool->removeRunData(first.get());
    QCOMPARE(tool->runCount(), 1);
    second.reset();
    QTRY_VERIFY(guard.isNull());
}

QTEST_MAIN(TestRunWizards)
#include "tst_run_wizards.moc"
