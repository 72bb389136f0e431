// The functions and operator input channels of a recorded run are read and
// recalculated in a worker thread while the main window exists: they must
// make no widget, no shortcut and no message box there, and start no shell
// command. Built with -DZEMBO_SANITIZE=address or thread this test also
// watches the hand-over between the threads.
#include "FunctionFixtures.h"
#include "FunctionsModel.h"
#include "InputChannel.h"
#include "InputChannelsModel.h"
#include "LogCapture.h"
#include "RecordingAnswerer.h"
#include "ShortcutParents.h"
#include "Trigger.h"
#include "lib/Units.h"

#include <QApplication>
#include <QDir>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <cmath>

using namespace fixtures;

namespace {

// What the worker saw, read by the test once the thread has finished.
struct Outcome {
    int functions = 0;
    QList<double> integral;
    QList<double> broken;
    QList<double> twice;
    int inputs = 0;
    bool inputsOperable = true;
    QList<QList<double>> inputValues;
    bool strayShortcut = true;
};

QString functionsText(const QString& marker)
{
    return QStringLiteral(
               "<functions>"
               "<function name=\"area\" operator=\"integrate\" shellScript=\"touch %1\">"
               "<argument id=\"0\" type=\"channel\" value=\"speed\"/>"
               "<argument id=\"1\" type=\"constant\" value=\"0\"/></function>"
               "<function name=\"area\" operator=\"=\"/>"
               "<function name=\"broken\" operator=\"equation\" equation=\"A +* B\" shellScript=\"touch %1\"/>"
               "<function name=\"twice\" operator=\"equation\" equation=\"A*2\">"
               "<argument id=\"0\" type=\"channel\" value=\"F_area\"/></function>"
               "</functions>")
        .arg(marker);
}

const QString kInputsText = QStringLiteral(
    "<inputChannels>"
    "<inputChannel name=\"Lamp\" onUp=\"Ctrl+U\" offDown=\"Ctrl+D\" toggle=\"Ctrl+T\" pulse=\"Ctrl+P\" "
    "gamepadEvent=\"1:304\" uniqueId=\"65537\" value=\"1\"/>"
    "<inputChannel name=\"Lamp\" onUp=\"F4\" uniqueId=\"2\"/>"
    "</inputChannels>");

} // namespace

class TestRunDataModels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void builtOffTheGuiThread();

private:
    RecordingAnswerer answerer;
    QWidget* window = nullptr;
};

void TestRunDataModels::initTestCase()
{
    theUnits.init();
    window = new QWidget;
    ShortcutParents::setMainWindow(window);
    ShortcutParents::setTriggerDefault(window);
}

void TestRunDataModels::cleanupTestCase()
{
    ShortcutParents::setMainWindow(nullptr);
    ShortcutParents::setTriggerDefault(nullptr);
    delete window;
}

void TestRunDataModels::builtOffTheGuiThread()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const int widgetsBefore = int(QApplication::allWidgets().size());
    const int shortcutsBefore = int(window->findChildren<QShortcut*>().size());
    LogCapture log;
    Outcome outcome;
    std::atomic<bool> done {false};

    QThread* worker = QThread::create([&] {
        TestRun run(200, 100.0);
        run.addChannel(QStringLiteral("speed"), QList<double>(200, 2.0));
        // Read and recalculated twice, as a run is after a change of filters.
        FunctionsModel functions;
        functions.loadFromString(functionsText(marker));
        functions.calculateFunctionsForRunData(&run);
        functions.calculateFunctionsForRunData(&run);
        outcome.functions = functions.rowCount();
        outcome.integral = run.functionSamples(0);
        outcome.broken = run.functionSamples(1);
        outcome.twice = run.functionSamples(2);

        InputChannelsModel inputs;
        inputs.loadFromString(kInputsText, true);
        outcome.inputs = inputs.rowCount();
        outcome.inputsOperable = false;
        for (int row = 0; row < inputs.rowCount(); ++row) {
            const InputChannel* channel = inputs.input(row);
            if (channel->onUpShortcut || channel->offDownShortcut || channel->toggleShortcut
                || channel->pulseShortcut || channel->gamepadEvent)
                outcome.inputsOperable = true;
        }
        QList<channelFrame_t> frames = {{1.0, 1, 100}, {0.0, 2, 150}, {0.0, 1, 900}};
        QList<QList<double>> times;
        inputs.parseFrames(&frames, &times, &outcome.inputValues);

        // Whatever else a run's setup brings along makes no shortcut here either.
        Trigger trigger;
        InputChannel notForRun(false);
        outcome.strayShortcut = trigger.getShortcut() || notForRun.onUpShortcut;
        done = true;
    });
    worker->start();
    // The GUI thread keeps its event loop running, as it does while a run loads.
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
    QVERIFY(worker->wait(5000));
    delete worker;

    QCOMPARE(outcome.functions, 3);
    QCOMPARE(outcome.integral.size(), 200);
    QCOMPARE(outcome.integral.at(199), 2.0 * 1.98);
    QVERIFY(std::isnan(outcome.broken.at(50)));
    QCOMPARE(outcome.twice.at(199), 2.0 * 2.0 * 1.98);
    QCOMPARE(outcome.inputs, 2);
    QVERIFY(!outcome.inputsOperable);
    QVERIFY(!outcome.strayShortcut);
    QCOMPARE(outcome.inputValues, QList<QList<double>>({{1.0, 0.0}, {0.0}}));

    // Nothing reached the operator: the duplicate went to the log.
    QVERIFY(answerer.shown.isEmpty());
    QCOMPARE(log.count(QStringLiteral("Duplicated function name: area")), 1);
    QCOMPARE(int(QApplication::allWidgets().size()), widgetsBefore);
    QCOMPARE(int(window->findChildren<QShortcut*>().size()), shortcutsBefore);
    QTest::qWait(200);
    QVERIFY(!QFile::exists(marker));
}

QTEST_MAIN(TestRunDataModels)
#include "tst_run_data_models.moc"
