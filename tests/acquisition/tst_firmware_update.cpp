// The controller firmware update through the simulated bootloader.
#include "FirmwareUpdater.h"
#include "FirmwareUpdaterWorker.h"
#include "LinkFixture.h"
#include "LogCapture.h"
#include "SimulatedFirmwareImage.h"
#include "lib/DialogAnswerer.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs the update dialog as an operator would: optionally presses UPDATE,
// then waits until the dialog closes, or closes it once `closeWhen` holds
// (the program's own quit ends no loop under a test), never after 30 s.
class OperatorAnswerer : public DialogAnswerer
{
public:
    OperatorAnswerer() { DialogAnswerer::install(this); }
    ~OperatorAnswerer() override { DialogAnswerer::install(nullptr); }

    int answer(QDialog* dialog) override
    {
        auto* updater = qobject_cast<FirmwareUpdater*>(dialog);
        if (!updater)
            return 0;
        ++opened;
        if (pressUpdate)
            QTimer::singleShot(0, updater->updateButton, &QPushButton::click);
        QTimer::singleShot(30000, dialog, &QDialog::reject);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, dialog, [this, dialog] {
            if (closeWhen && closeWhen())
                dialog->reject();
        });
        watch.start(20);
        result = dialog->exec();
        return result;
    }

    bool pressUpdate = false;
    std::function<bool()> closeWhen;
    int opened = 0;
    int result = -1;
};

// What the worker tells the dialog, in order.
struct WorkerRecorder {
    QObject context;
    QStringList currentFirmware;
    QStringList progressInfo;
    QList<int> progressValues;
    int finished = 0;
    int closeUi = 0;

    explicit WorkerRecorder(FirmwareUpdaterWorker* worker)
    {
        QObject::connect(worker, &FirmwareUpdaterWorker::signal_currentFirmware, &context,
                         [this](const QString& t) { currentFirmware.append(t); });
        QObject::connect(worker, &FirmwareUpdaterWorker::signal_progressInfo, &context,
                         [this](const QString& t) { progressInfo.append(t); });
        QObject::connect(worker, &FirmwareUpdaterWorker::signal_progressValue, &context,
                         [this](int v) { progressValues.append(v); });
        QObject::connect(worker, &FirmwareUpdaterWorker::signal_updateFinished, &context, [this] { ++finished; });
        QObject::connect(worker, &FirmwareUpdaterWorker::signal_closeUI, &context, [this] { ++closeUi; });
    }
};

SimulatedControllerConfig oldFirmware()
{
    SimulatedControllerConfig config;
    config.firmwareVersion = QStringLiteral("ZMCU_OLD_1.0");
    return config;
}

QList<int> range(int from, int to)
{
    QList<int> list;
    for (int i = from; i < to; ++i)
        list.append(i);
    return list;
}

QList<uint32_t> pagesAnnounced(const SimulatedDynoController& sim)
{
    QList<uint32_t> pages;
    for (const auto& e : sim.trace())
        if (e.reg == 4)
            pages.append(e.value);
    return pages;
}

void startUpdate(LinkFixture& f)
{
    QMetaObject::invokeMethod(f.link->firmwareUpdater, &FirmwareUpdaterWorker::slot_startUpdate,
                              Qt::QueuedConnection);
}

} // namespace

class TestFirmwareUpdate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mismatchUpdatesEveryPageAndConfirmsTheNewVersion();
    void wrongCheckValueStopsTheUpdateAndTheProgram();
    void bootloaderFailures_data();
    void bootloaderFailures();
    void developerUpdateStartsAtPage32();
    void shortImageHeaderIsReported();
};

void TestFirmwareUpdate::mismatchUpdatesEveryPageAndConfirmsTheNewVersion()
{
    OperatorAnswerer operatorAnswerer;
    LogCapture log;
    LinkFixture f(oldFirmware());
    WorkerRecorder recorder(f.link->firmwareUpdater);
    FirmwareUpdater dialog(nullptr, f.link.get());
    dialog.setAutoUpdate(true); // test mode presses UPDATE by itself
    const QString image = f.link->firmwareUpdater->imageVersion;
    const int pages = f.link->firmwareUpdater->pageCount();
    QVERIFY(pages > 1);
    QCOMPARE(dialog.newFirmwareLabel->text(), image);
    QCOMPARE(dialog.progressBar->maximum(), pages);

    f.start();
    QTRY_VERIFY_WITH_TIMEOUT(f.confirmed, 20000);

    QCOMPARE(operatorAnswerer.opened, 1);
    QCOMPARE(operatorAnswerer.result, int(QDialog::Accepted));
    QCOMPARE(f.sim->runningVersion(), image);
    QCOMPARE(f.sim->flashedPages(), range(0, pages));
    QCOMPARE(pagesAnnounced(*f.sim), [&] {
        QList<uint32_t> l;
        for (int i = 0; i < pages; ++i)
            l.append(uint32_t(i));
        return l;
    }());
    QCOMPARE(f.sim->deviceInfoRequests(), 2);
    QCOMPARE(recorder.progressValues.first(), 0);
    QCOMPARE(recorder.progressValues.last(), pages);
    QVERIFY(recorder.progressInfo.contains(QString::asprintf("PAGE %d OF %d", pages, pages)));
    QVERIFY(recorder.progressInfo.contains(QStringLiteral("Firmware updated. Waiting for firmware information...")));
    QCOMPARE(recorder.currentFirmware.first(), QStringLiteral("ZMCU_OLD_1.0"));
    QCOMPARE(recorder.currentFirmware.mid(1, 2), (QStringList{QStringLiteral("BOOTLOADER"), QStringLiteral("...")}));
    QCOMPARE(recorder.currentFirmware.last(), image);
    QTRY_COMPARE(dialog.progressBar->value(), pages);
    QTRY_COMPARE(dialog.currentFirmwareLabel->text(), image);
    QCOMPARE(recorder.finished, 1);
    QCOMPARE(log.count(QStringLiteral("Firmware updated")), 1);
    QCOMPARE(log.count(QStringLiteral("closed without upgrade")), 0);
    // The end-of-update command went out once, after the last page.
    int ends = 0;
    for (const auto& e : f.sim->trace())
        ends += (e.reg == 6 && e.value == 0) ? 1 : 0;
    QCOMPARE(ends, 1);
}

void TestFirmwareUpdate::wrongCheckValueStopsTheUpdateAndTheProgram()
{
    OperatorAnswerer operatorAnswerer;
    operatorAnswerer.pressUpdate = true;
    LogCapture log;
    operatorAnswerer.closeWhen = [&log] {
        return log.count(QStringLiteral("Firmware updater closed without upgrade to correct firmware version")) > 0;
    };
    SimulatedControllerConfig config = oldFirmware();
    config.wrongCheckPage = 7;
    LinkFixture f(config);
    WorkerRecorder recorder(f.link->firmwareUpdater);
    FirmwareUpdater dialog(nullptr, f.link.get());
    f.start();

    QTRY_COMPARE_WITH_TIMEOUT(recorder.finished, 1, 20000);
    QVERIFY(recorder.progressInfo.contains(QStringLiteral("Checksum error. Page 7")));
    QVERIFY(!recorder.progressInfo.contains(QStringLiteral("Firmware updated. Waiting for firmware information...")));
    QVERIFY(recorder.currentFirmware.contains(QStringLiteral("Update error. Waiting for firmware information...")));
    QCOMPARE(log.count(QStringLiteral("CRC error. Anticipated: ")), 1);
    QCOMPARE(log.count(QStringLiteral("Firmware update error")), 1);
    QCOMPARE(pagesAnnounced(*f.sim).size(), 8);
    QTRY_VERIFY(dialog.updateButton->isEnabled());

    // Asked again, the controller still runs the old version: the program quits.
    QTRY_COMPARE(f.sim->deviceInfoRequests(), 2);
    QTRY_COMPARE(log.count(QStringLiteral("Firmware updater closed without upgrade to correct firmware version")), 1);
    QVERIFY(!f.confirmed);
    QCOMPARE(f.sim->runningVersion(), QStringLiteral("ZMCU_OLD_1.0"));
    QTRY_COMPARE(operatorAnswerer.result, int(QDialog::Rejected));
    QCOMPARE(log.count(QStringLiteral("Firmware updater closed without upgrade to correct firmware version")), 1);
}

void TestFirmwareUpdate::bootloaderFailures_data()
{
    QTest::addColumn<int>("flashErrorPage");
    QTest::addColumn<int>("silentPage");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("shown");
    QTest::newRow("flash error") << 2 << -1 << "Flash write error" << "";
    QTest::newRow("no answer") << -1 << 1 << "Response timeout. No response from bootloader" << "no response ???";
}

void TestFirmwareUpdate::bootloaderFailures()
{
    QFETCH(int, flashErrorPage);
    QFETCH(int, silentPage);
    QFETCH(QString, logLine);
    QFETCH(QString, shown);
    LogCapture log;
    SimulatedControllerConfig config = oldFirmware();
    config.flashErrorPage = flashErrorPage;
    config.bootloaderSilentPage = silentPage;
    LinkFixture f(config);
    WorkerRecorder recorder(f.link->firmwareUpdater);
    f.start();
    QTRY_COMPARE(f.sim->deviceInfoRequests(), 1);
    startUpdate(f);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.finished, 1, 10000);
    QCOMPARE(log.count(logLine), 1);
    QCOMPARE(log.count(QStringLiteral("Firmware update error")), 1);
    const int error = recorder.currentFirmware.indexOf(QStringLiteral("Update error. Waiting for firmware information..."));
    QVERIFY(error > 0);
    if (!shown.isEmpty()) {
        QVERIFY(recorder.progressInfo.contains(logLine));
        QCOMPARE(recorder.currentFirmware.at(error - 1), shown);
    }
    // One finish only: no late time-out or second answer follows.
    QTest::qWait(1200);
    QCOMPARE(recorder.finished, 1);
    QCOMPARE(log.count(QStringLiteral("Response timeout")), silentPage >= 0 ? 1 : 0);
    QCOMPARE(f.sim->deviceInfoRequests(), 2);
    QVERIFY(f.endings().isEmpty());
}

void TestFirmwareUpdate::developerUpdateStartsAtPage32()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dev.bin"));
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(SimulatedFirmwareImage::build(QStringLiteral("ZMCU_DEV_9"), 64, 34, 3));
    QVERIFY(file.commit());

    SimulatedControllerConfig config = oldFirmware();
    config.bootloaderPageSize = 64;
    LinkFixture f(config, path);
    f.link->firmwareUpdater->developerMode = true;
    WorkerRecorder recorder(f.link->firmwareUpdater);
    f.start();
    QTRY_COMPARE(f.sim->deviceInfoRequests(), 1);
    startUpdate(f);
    QTRY_VERIFY_WITH_TIMEOUT(f.confirmed, 10000);
    QCOMPARE(pagesAnnounced(*f.sim), (QList<uint32_t>{32, 33}));
    QCOMPARE(recorder.progressValues, (QList<int>{0, 33, 34}));
    QCOMPARE(f.sim->runningVersion(), QStringLiteral("ZMCU_DEV_9"));
}

void TestFirmwareUpdate::shortImageHeaderIsReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(SimulatedFirmwareImage::build(QStringLiteral("X"), 64, 2, 1).left(100));
    file.close();
    LogCapture log;
    LinkFixture f(oldFirmware(), path);
    QCOMPARE(log.count(QStringLiteral("Error reading current firmware header")), 1);
    QVERIFY(f.link->firmwareUpdater->imageVersion.isEmpty());
    QCOMPARE(f.link->firmwareUpdater->pageCount(), 0);
}

QTEST_MAIN(TestFirmwareUpdate)
#include "tst_firmware_update.moc"
