// Settings of older versions brought forward, the board's first-run set-up
// and the replacement of the default system password, on fixture settings
// files and a fixture system root. Nothing is executed: system commands go to
// a recording runner.
#include "LogCapture.h"
#include "MySettings.h"
#include "PasswordDialog.h"
#include "RecordingAnswerer.h"
#include "RecordingCommandRunner.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Values = QMap<QString, QString>;
using Lists = QMap<QString, QList<int>>;

namespace {

const QString kUsbNotice =
    QStringLiteral("Your system need to reboot to apply required reconfiguration for USB-serial chip support");
const QString kCpuNotice = QStringLiteral("Your system required reconfiguration. Press OK to reboot.");
const QString kComboNotice = QStringLiteral(
    "This software version uses new settings format for combo boxes.\nCheck your dyno settings and restart "
    "software.\nDon't run older software again with your current settings.ini file.\nYour old settings file has "
    "been backed up.\n");
const QString kInertiaCheckNotice = QStringLiteral(
    "Tire to roller inertia transfer calculation corrected in Drivetrain Inertia Calculator.\nYou may need to "
    "recalibrate your rollers inertia in 'SETTINGS / Frequency Input / Connected inertia'.\n");
const QString kInertiaAdjustedNotice = QStringLiteral(
    "Tire to roller inertia transfer calculation improved\nin Drivetrain Inertia Calculator.\nYour settings were "
    "automatically adjusted.\nDon't make measurements with older software version and your adjusted settings.");
const QString kObdNotice = QStringLiteral(
    "Hardcoded OBD channels were replaced with more generalized Vehicle Parameter channels.\nVehicle Parameter "
    "channels can be overridden from sources like CAN bus, Serial input or OBD channel.\nIf you had functions using "
    "the OBD channels, these should now use a Vehicle Parameter or OBD channel directly.");

const QStringList kModelFunctions{"sp1",
                                  "sp2",
                                  "load cell brake rear",
                                  "load cell brake front",
                                  "clutch engagement status delay",
                                  "rollers locked alarm",
                                  "actuator 4 for both brakes",
                                  "speed limit rear",
                                  "speed limit front",
                                  "speed limit clutch",
                                  "Brake ALL disabled",
                                  "Absorber lock controller"};

QString fixture(const QString& name)
{
    return qEnvironmentVariable("ZEMBO_SOURCE_DIR") + QStringLiteral("/tests/migration/fixtures/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// xmllint, which nobody here wrote, judges the XML we wrote.
QString xmllint(const QStringList& arguments)
{
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), arguments);
    if (!lint.waitForFinished(10000) || lint.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("<xmllint did not run>");
    if (lint.exitCode() != 0)
        return QStringLiteral("<error %1> ").arg(lint.exitCode()) + QString::fromUtf8(lint.readAllStandardError());
    return QString::fromUtf8(lint.readAllStandardOutput()).trimmed();
}

SystemCommandResult exitedWith(int code)
{
    SystemCommandResult result;
    result.started = true;
    result.exitCode = code;
    return result;
}

// One board: a home with a settings file, a system root, the recording
// runner, an answerer for every box and dialog, and the process end observed.
class Board
{
public:
    explicit Board(const QString& settingsFixture = QString())
    {
        home = tmp.path() + QStringLiteral("/home");
        root = tmp.path() + QStringLiteral("/system");
        QDir().mkpath(home + QStringLiteral("/.zembo"));
        if (!settingsFixture.isEmpty())
            writeFile(iniPath(), readAll(fixture(settingsFixture)));
        // Settled unless a test says otherwise: USB access set up, CPU 3
        // isolated, the default password no longer works.
        writeSystemFile(QStringLiteral("/etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n");
        writeSystemFile(QStringLiteral("/sys/devices/system/cpu/isolated"), "3\n");
        runner.script(QStringLiteral("su"), exitedWith(1));
        qputenv("ZEMBO_SYSTEM_ROOT", root.toLocal8Bit());
        SystemCommandRunner::setInstance(&runner);
        MySettings::setProcessEnder([this](int code) { exitCodes << code; });
        answerer.respond = [this](QDialog* dialog) { return answer(dialog); };
    }

    ~Board()
    {
        store.reset();
        SystemCommandRunner::setInstance(nullptr);
        MySettings::setProcessEnder(nullptr);
        qunsetenv("ZEMBO_SYSTEM_ROOT");
    }

    QString iniPath() const { return home + QStringLiteral("/.zembo/settings.ini"); }
    QString configPath(const QString& name) const { return home + QStringLiteral("/.zembo/") + name; }

    void writeSystemFile(const QString& path, const QByteArray& content) { writeFile(root + path, content); }
    void removeSystemFile(const QString& path) { QFile::remove(root + path); }

    // Lists are written in the store's own encoding, before the store opens.
    void setLists(const Lists& lists)
    {
        QSettings raw(iniPath(), QSettings::IniFormat);
        for (auto it = lists.cbegin(); it != lists.cend(); ++it)
            raw.setValue(it.key(), QVariant::fromValue(it.value()));
    }

    // A start of the program: a fresh store on the settings file, then the
    // version actions.
    MySettings& start(bool developerMode = false)
    {
        store.reset();
        store = std::make_unique<MySettings>(home, QStringLiteral("/"), QStringLiteral("/nonexistent"));
        store->developerMode = developerMode;
        store->runNewVersionActions();
        return *store;
    }

    // Password dialogs are answered in turn: "+text" accepts with the text
    // typed, "-text" cancels; when the answers run out, the dialog is cancelled.
    int answer(QDialog* dialog)
    {
        auto* password = qobject_cast<PasswordDialog*>(dialog);
        if (!password)
            return QMessageBox::Ok;
        passwordDialogs << password->windowTitle() + QStringLiteral(" | ") + password->textLabel->text();
        if (passwordAnswers.isEmpty())
            return QDialog::Rejected;
        const QString next = passwordAnswers.takeFirst();
        password->passwordEdit->setText(next.mid(1));
        return next.startsWith(QLatin1Char('+')) ? QDialog::Accepted : QDialog::Rejected;
    }

    // The message boxes shown, "Info: text" or "Error: text".
    QStringList notices() const
    {
        QStringList texts;
        for (const RecordingAnswerer::Shown& shown : answerer.shown)
            if (shown.className == QStringLiteral("QMessageBox"))
                texts << shown.title + QStringLiteral(": ") + shown.text;
        return texts;
    }

    QStringList backups() const
    {
        return QDir(home + QStringLiteral("/.zembo"))
            .entryList({QStringLiteral("settings_*_backup.ini")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir tmp;
    QString home;
    QString root;
    RecordingCommandRunner runner;
    RecordingAnswerer answerer;
    LogCapture log;
    QList<int> exitCodes;
    QStringList passwordAnswers;
    QStringList passwordDialogs;
    std::unique_ptr<MySettings> store;
};

QStringList infos(const QStringList& texts)
{
    QStringList prefixed;
    for (const QString& text : texts)
        prefixed << QStringLiteral("Info: ") + text;
    return prefixed;
}

QStringList functionNames(const QString& path)
{
    const QString names = xmllint({QStringLiteral("--xpath"), QStringLiteral("/functions/function/@name"), path});
    QStringList list;
    for (const QString& attribute : names.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        list << attribute.trimmed().section(QLatin1Char('"'), 1, 1);
    return list;
}

} // namespace

class TestMigration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedVersions_data();
    void storedVersions();
    void firstRunCommandLines();
    void usbSetupAloneRebootsAndTheStartGoesOn();
    void cpuIsolation_data();
    void cpuIsolation();
    void cmdlineEditMatchesSedAndHappensOnce();
    void passwordDialogs_data();
    void passwordDialogs();
    void passwordCheckRuns_data();
    void passwordCheckRuns();
    void passwordDialogEchoFollowsTheCheckBox();
    void modelInertiaAndActuators();
    void functionsMerge_data();
    void functionsMerge();
};

// ------------------------------------------------------------ migration steps

void TestMigration::storedVersions_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<Lists>("lists");
    QTest::addColumn<QStringList>("notices");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("firstRunFrom");
    QTest::addColumn<Values>("values");
    QTest::addColumn<Lists>("expectedLists");
    QTest::addColumn<bool>("oldComboBoxFormat");

    const QString d = QStringLiteral("UserSetting/DynoSetting/");
    const QString absent;

    QTest::newRow("no version") << "settings_no_version.ini" << Lists{{"loadedRunListVisibleColumns", {0, 1, 2, 3, 4, 5, 6, 7}}}
                                << QStringList() << false << "0.0.0"
                                << Values{{d + "stepper_source", "2"},
                                          {d + "stepper_0_source", absent},
                                          {d + "lsOutput_0_mode", "1"},
                                          {d + "pwm_0_mode", absent},
                                          {d + "audio_0_record", absent},
                                          {"passwdChanged", "1"}}
                                << Lists{{"loadedRunListVisibleColumns", {0, 1, 2, 3, 4, 5, 6, 7}}} << false;

    QTest::newRow("same version") << "settings_6.28.3.ini" << Lists() << QStringList() << false << QString()
                                  << Values{{d + "lsOutput_0_mode", "1"},
                                            {d + "pwm_0_mode", absent},
                                            {d + "audio_0_record", absent},
                                            {"appVersion", "6.28.3"},
                                            {"passwdChanged", "1"}}
                                  << Lists() << false;

    QList<int> fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen << 10 + i;
    QList<int> widened = fifteen;
    widened.insert(14, 1);
    const QList<int> fourteen = fifteen.mid(0, 14);
    QTest::newRow("6.1.9") << "settings_6.1.9.ini"
                           << Lists{{"loadedRunListVisibleColumns", fifteen}, {"loadedRunListPrintColumns", fourteen}}
                           << QStringList() << true << "6.1.9"
                           << Values{// 6.2.0: low-side outputs moved, only what existed
                                     {d + "pwm_0_mode", "2"},
                                     {d + "pwm_0_frequency", "200"},
                                     {d + "pwm_0_argument/value", "sp1"},
                                     {d + "pwm_0_source", absent},
                                     {d + "pwm_1_source", "3"},
                                     {d + "pwm_2_mode", "1"},
                                     {d + "pwm_2_rangeMax", "80"},
                                     {d + "lsOutput_0_mode", absent},
                                     {d + "lsOutput_0_argument/value", absent},
                                     {d + "lsOutput_2_rangeMax", absent},
                                     {"ACM/pwm_1", "1"},
                                     {"ACM/pwm_0", absent},
                                     {"ACM/pwm", "1"},
                                     // 6.9.0: audio keys copied, old ones kept
                                     {d + "audio_0_record", "true"},
                                     {d + "audio_0_knock_gain", "2.5"},
                                     {d + "audio_0_playback", absent},
                                     {d + "audio_record", "true"},
                                     // 5.4.0 is older than the stored version
                                     {d + "stepper_0_source", absent},
                                     {"appVersion", "6.1.9"}}
                           << Lists{{"loadedRunListVisibleColumns", widened}, {"loadedRunListPrintColumns", fourteen}}
                           << false;

    QTest::newRow("2.14.99") << "settings_2.14.99.ini"
                             << Lists{{"loadedRunListVisibleColumns", {10, 11, 12, 13, 14, 15, 16, 17}}}
                             << infos({kComboNotice, kInertiaCheckNotice, kObdNotice}) << true << "2.14.99"
                             << Values{{"AnalyzeColorSetup/color_0", absent},
                                       {"AnalyzeColorSetup/curve/width", absent},
                                       {d + "inertia_0", "2"},
                                       {"update/vimbastrelInertiaCorrectedToV4", absent},
                                       {"update/vimbastrelActuators", absent},
                                       {d + "stepper_0_acceleration", "10"},
                                       {d + "stepper_0_source", "2"},
                                       {d + "stepper_0_zeroHoming", absent},
                                       {d + "stepper_source", "2"},
                                       {d + "pwm_3_rangeMax", "5"},
                                       {d + "lsOutput_3_rangeMax", absent},
                                       {d + "audio_0_playback", "false"}}
                             << Lists{{"loadedRunListVisibleColumns", {10, 11, 12, 13, 14, 1, 15, 1, 16, 17}}} << true;
}

void TestMigration::storedVersions()
{
    QFETCH(QString, settings);
    QFETCH(Lists, lists);
    QFETCH(QStringList, notices);
    QFETCH(bool, backup);
    QFETCH(QString, firstRunFrom);
    QFETCH(Values, values);
    QFETCH(Lists, expectedLists);
    QFETCH(bool, oldComboBoxFormat);

    Board board(settings);
    board.setLists(lists);
    const QByteArray before = readAll(board.iniPath());
    MySettings& store = board.start();

    QCOMPARE(board.notices(), notices);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.value().isNull())
            QVERIFY2(!store.contains(it.key()), qPrintable(it.key()));
        else
            QCOMPARE(store.value(it.key()).toString(), it.value());
    }
    for (auto it = expectedLists.cbegin(); it != expectedLists.cend(); ++it)
        QCOMPARE(store.value(it.key()).value<QList<int>>(), it.value());
    QCOMPARE(store.oldComboBoxFormat, oldComboBoxFormat);

    // A backup holds the file as it was before the steps.
    QCOMPARE(!board.backups().isEmpty(), backup);
    if (backup)
        QCOMPARE(readAll(board.configPath(board.backups().first())), before);

    const QString template_ = store.translationsDir.filePath(QStringLiteral("zembo_template.ts"));
    if (firstRunFrom.isEmpty()) {
        QCOMPARE(board.log.count(QStringLiteral("New version of software first run")), 0);
        QVERIFY(!QFile::exists(template_));
        QCOMPARE(board.runner.commandLines(), (QStringList{"sudo passwd -l root", "su pi"}));
    } else {
        QCOMPARE(board.log.count(QStringLiteral("New version of software first run. Previous version: \"%1\"")
                                     .arg(firstRunFrom)),
                 1);
        QCOMPARE(readAll(template_), readAll(QStringLiteral(":/translations/zembo_template.ts")));
        QCOMPARE(board.runner.commandLines(), (QStringList{"sudo swapoff -a", "sudo passwd -l root", "su pi"}));
    }
    // The probe hands the default password over its input, never a shell line.
    QCOMPARE(board.runner.standardInputs().last(), QByteArray("quibrotel\n"));
    QVERIFY(board.exitCodes.isEmpty());
}

// ------------------------------------------------------------ first-run set-up

void TestMigration::firstRunCommandLines()
{
    Board board(QStringLiteral("settings_no_version.ini"));
    board.removeSystemFile(QStringLiteral("/etc/modprobe.d/usbserial.conf"));
    board.removeSystemFile(QStringLiteral("/sys/devices/system/cpu/isolated"));
    board.writeSystemFile(QStringLiteral("/boot/cmdline.txt"), readAll(fixture(QStringLiteral("cmdline.txt"))));
    // A stale template, read-only as copies from the resources are.
    const QString template_ = board.home + QStringLiteral("/.zembo/translations/zembo_template.ts");
    writeFile(template_, "stale");
    QFile::setPermissions(template_, QFileDevice::ReadOwner);

    board.start();

    QCOMPARE(board.runner.commandLines(),
             (QStringList{
                 "sudo swapoff -a",
                 "sudo groupadd usb",
                 R"(sudo sh -c "echo 'SUBSYSTEMS==\"usb\", ACTION==\"add\", MODE=\"0664\", GROUP=\"usb\"' > /etc/udev/rules.d/99-usbserial.rules")",
                 "sudo /etc/init.d/udev reload",
                 R"(sudo sh -c "echo 'blacklist ftdi_sio' > /etc/modprobe.d/usbserial.conf")",
                 "sudo rmmod ftdi_sio",
                 "sudo usermod -a -G usb pi",
                 "sudo sed -i 's/rootwait/rootwait isolcpus=3/' /boot/cmdline.txt",
                 "sudo reboot"}));
    // Both reasons are told, the board restarts once, at the end, and the
    // start goes no further: no password check.
    QCOMPARE(board.notices(), infos({kUsbNotice, kCpuNotice}));
    QCOMPARE(board.exitCodes, QList<int>{0});
    QCOMPARE(board.log.count(QStringLiteral("CPU 3 not isolated!!")), 1);
    QVERIFY(!board.store->contains(QStringLiteral("passwdChanged")));
    // The version stays unstored, so the set-up is checked again next start.
    QVERIFY(!board.store->contains(QStringLiteral("appVersion")));

    QCOMPARE(readAll(template_), readAll(QStringLiteral(":/translations/zembo_template.ts")));
    QCOMPARE(QFile::permissions(template_) & 0x7077, // owner, group, others
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    // What the udev and modprobe lines write, run by a shell into a scratch folder.
    const QDir scratch(board.tmp.path());
    QVERIFY(scratch.mkpath(QStringLiteral("udev/rules.d")));
    QVERIFY(scratch.mkpath(QStringLiteral("modprobe.d")));
    for (int i = 0; i < board.runner.commandLines().size(); ++i) {
        if (!board.runner.commandLines().at(i).startsWith(QStringLiteral("sudo sh -c ")))
            continue;
        QString script = board.runner.argumentLists().at(i).at(1);
        script.replace(QStringLiteral("> /etc/"), QStringLiteral("> ") + scratch.path() + QStringLiteral("/"));
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
        QVERIFY(shell.waitForFinished(5000));
        QCOMPARE(shell.exitCode(), 0);
    }
    QCOMPARE(readAll(scratch.filePath(QStringLiteral("udev/rules.d/99-usbserial.rules"))),
             QByteArray("SUBSYSTEMS==\"usb\", ACTION==\"add\", MODE=\"0664\", GROUP=\"usb\"\n"));
    QCOMPARE(readAll(scratch.filePath(QStringLiteral("modprobe.d/usbserial.conf"))), QByteArray("blacklist ftdi_sio\n"));
}

void TestMigration::usbSetupAloneRebootsAndTheStartGoesOn()
{
    Board board(QStringLiteral("settings_no_version.ini"));
    board.removeSystemFile(QStringLiteral("/etc/modprobe.d/usbserial.conf"));
    board.start();

    const QStringList lines = board.runner.commandLines();
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines.at(1), QStringLiteral("sudo groupadd usb"));
    QCOMPARE(lines.mid(6), (QStringList{"sudo usermod -a -G usb pi", "sudo reboot", "sudo passwd -l root", "su pi"}));
    QCOMPARE(board.notices(), infos({kUsbNotice}));
    QVERIFY(board.exitCodes.isEmpty());
}

void TestMigration::cpuIsolation_data()
{
    QTest::addColumn<QByteArray>("isolated");
    QTest::addColumn<bool>("isolatedOk");
    QTest::addColumn<QByteArray>("cmdline");
    QTest::addColumn<int>("sedExit");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("rebooted");

    const QByteArray pi = readAll(fixture(QStringLiteral("cmdline.txt")));
    const QByteArray missing;
    QTest::newRow("isolated: 3 and a line feed") << QByteArray("3\n") << true << pi << 0 << false << false;
    QTest::newRow("isolated: 3 with spaces") << QByteArray(" 3 \n") << true << pi << 0 << false << false;
    QTest::newRow("isolated: 2-3") << QByteArray("2-3\n") << false << pi << 0 << true << true;
    QTest::newRow("isolated: 2") << QByteArray("2\n") << false << pi << 0 << true << true;
    QTest::newRow("isolated: empty") << QByteArray("\n") << false << pi << 0 << true << true;
    QTest::newRow("isolated: missing") << missing << false << pi << 0 << true << true;
    QTest::newRow("option there, kernel ignored it")
        << QByteArray("\n") << false << QByteArray("root=/dev/mmcblk0p2 rootwait isolcpus=3 quiet\n") << 0 << false << false;
    QTest::newRow("no rootwait to add it after")
        << QByteArray("\n") << false << QByteArray("root=/dev/mmcblk0p2 quiet\n") << 0 << false << false;
    QTest::newRow("no cmdline.txt") << QByteArray("\n") << false << missing << 0 << false << false;
    QTest::newRow("edit fails") << QByteArray("\n") << false << pi << 1 << true << false;
}

void TestMigration::cpuIsolation()
{
    QFETCH(QByteArray, isolated);
    QFETCH(bool, isolatedOk);
    QFETCH(QByteArray, cmdline);
    QFETCH(int, sedExit);
    QFETCH(bool, edited);
    QFETCH(bool, rebooted);

    Board board(QStringLiteral("settings_no_version.ini"));
    if (isolated.isNull())
        board.removeSystemFile(QStringLiteral("/sys/devices/system/cpu/isolated"));
    else
        board.writeSystemFile(QStringLiteral("/sys/devices/system/cpu/isolated"), isolated);
    if (!cmdline.isNull())
        board.writeSystemFile(QStringLiteral("/boot/cmdline.txt"), cmdline);
    board.runner.script(QStringLiteral("sed"), exitedWith(sedExit));

    board.start();

    const QStringList lines = board.runner.commandLines();
    QCOMPARE(lines.contains(QStringLiteral("sudo sed -i 's/rootwait/rootwait isolcpus=3/' /boot/cmdline.txt")), edited);
    QCOMPARE(lines.count(QStringLiteral("sudo reboot")), rebooted ? 1 : 0);
    QCOMPARE(board.exitCodes, rebooted ? QList<int>{0} : QList<int>());
    QCOMPARE(board.notices(), rebooted ? infos({kCpuNotice}) : QStringList());
    QCOMPARE(board.log.count(QStringLiteral("CPU 3 not isolated!!")), isolatedOk ? 0 : 1);
    // Without a reboot the start goes on to the password check.
    QCOMPARE(lines.contains(QStringLiteral("su pi")), !rebooted);
}

void TestMigration::cmdlineEditMatchesSedAndHappensOnce()
{
    Board board(QStringLiteral("settings_no_version.ini"));
    board.removeSystemFile(QStringLiteral("/sys/devices/system/cpu/isolated"));
    board.writeSystemFile(QStringLiteral("/boot/cmdline.txt"), readAll(fixture(QStringLiteral("cmdline.txt"))));
    board.start();

    QStringList sed;
    for (int i = 0; i < board.runner.commandLines().size(); ++i)
        if (board.runner.commandLines().at(i).startsWith(QStringLiteral("sudo sed ")))
            sed = board.runner.argumentLists().at(i);
    QCOMPARE(sed.size(), 3);
    QCOMPARE(sed.at(0), QStringLiteral("-i"));
    QCOMPARE(sed.at(2), QStringLiteral("/boot/cmdline.txt"));

    // The same expression, applied by the real sed to a copy of the fixture.
    const QString copy = board.tmp.filePath(QStringLiteral("cmdline-copy.txt"));
    writeFile(copy, readAll(fixture(QStringLiteral("cmdline.txt"))));
    QProcess process;
    process.start(QStringLiteral("sed"), {sed.at(0), sed.at(1), copy});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(readAll(copy), QByteArray("console=serial0,115200 console=tty1 root=PARTUUID=6c586e13-02 rootfstype=ext4 "
                                       "fsck.repair=yes rootwait isolcpus=3 quiet splash "
                                       "plymouth.ignore-serial-consoles\n"));

    // The board came back with the edited line, but the kernel still runs work
    // on CPU 3: the option is not added again and there is no second reboot.
    board.writeSystemFile(QStringLiteral("/boot/cmdline.txt"), readAll(copy));
    board.runner.clear();
    board.runner.script(QStringLiteral("su"), exitedWith(1));
    board.exitCodes.clear();
    board.start();
    QVERIFY(!board.runner.commandLines().join(QLatin1Char('\n')).contains(QStringLiteral("sed")));
    QVERIFY(!board.runner.commandLines().contains(QStringLiteral("sudo reboot")));
    QVERIFY(board.exitCodes.isEmpty());
    QCOMPARE(board.log.count(QStringLiteral("asks for CPU 3 isolation already")), 1);
}

// ------------------------------------------------------------ default password

void TestMigration::passwordDialogs_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("chpasswdExit");
    QTest::addColumn<QStringList>("dialogTitles");
    QTest::addColumn<QStringList>("notices");
    QTest::addColumn<QByteArray>("chpasswdInput");
    QTest::addColumn<bool>("settled");

    const QString change = QStringLiteral("Password change");
    const QString confirm = QStringLiteral("Confirm password");
    QTest::newRow("cancelled") << QStringList{"-"} << 0 << QStringList{change} << QStringList() << QByteArray()
                               << false;
    QTest::newRow("confirmed") << QStringList{"+n3w pass", "+n3w pass"} << 0 << QStringList{change, confirm}
                               << infos({"Password changed"}) << QByteArray("pi:n3w pass\n") << true;
    QTest::newRow("mismatch, then confirmed")
        << QStringList{"+abc", "+abd", "+abc", "+abc"} << 0 << QStringList{change, confirm, change, confirm}
        << infos({"Password confirmation non-matching", "Password changed"}) << QByteArray("pi:abc\n") << true;
    QTest::newRow("confirmation cancelled, entry taken")
        << QStringList{"+x1", "-x1"} << 0 << QStringList{change, confirm} << infos({"Password changed"})
        << QByteArray("pi:x1\n") << true;
    QTest::newRow("empty asks again") << QStringList{"+", "+", "-"} << 0 << QStringList{change, confirm, change}
                                      << QStringList() << QByteArray() << false;
    const QString shellText = QStringLiteral("it's $(reboot); `id` \"q\" | x");
    QTest::newRow("shell characters reach chpasswd as typed")
        << QStringList{"+" + shellText, "+" + shellText} << 0 << QStringList{change, confirm}
        << infos({"Password changed"}) << ("pi:" + shellText + "\n").toUtf8() << true;
    QTest::newRow("control character refused")
        << QStringList{"+a\tb", "+a\tb", "-"} << 0 << QStringList{change, confirm, change}
        << infos({"The password must not contain line breaks or other control characters."}) << QByteArray() << false;
    QTest::newRow("chpasswd fails") << QStringList{"+abc", "+abc"} << 1 << QStringList{change, confirm}
                                    << QStringList{"Error: Error changing password"} << QByteArray("pi:abc\n") << false;
}

void TestMigration::passwordDialogs()
{
    QFETCH(QStringList, answers);
    QFETCH(int, chpasswdExit);
    QFETCH(QStringList, dialogTitles);
    QFETCH(QStringList, notices);
    QFETCH(QByteArray, chpasswdInput);
    QFETCH(bool, settled);

    Board board(QStringLiteral("settings_6.28.3.ini"));
    board.runner.clear();
    board.runner.script(QStringLiteral("su"), exitedWith(0)); // the default password still works
    board.runner.script(QStringLiteral("chpasswd"), exitedWith(chpasswdExit));
    board.passwordAnswers = answers;
    MySettings& store = board.start();

    QStringList titles;
    for (const QString& dialog : std::as_const(board.passwordDialogs))
        titles << dialog.section(QStringLiteral(" | "), 0, 0);
    QCOMPARE(titles, dialogTitles);
    QCOMPARE(board.passwordDialogs.first(),
             QStringLiteral("Password change | Default (quibrotel) operating system password detected.\nFor security "
                            "reasons, you should set your own password.\nEnter a new password:"));
    if (board.passwordDialogs.size() > 1)
        QCOMPARE(board.passwordDialogs.at(1),
                 QStringLiteral("Confirm password | Confirm the password and don't forget it."));
    QCOMPARE(board.notices(), notices);
    QCOMPARE(store.contains(QStringLiteral("passwdChanged")), settled);
    if (settled)
        QCOMPARE(store.value(QStringLiteral("passwdChanged")).toInt(), 1);
    QCOMPARE(board.log.count(QStringLiteral("Stock password change request")), 1);

    const QStringList lines = board.runner.commandLines();
    QCOMPARE(lines.mid(0, 2), (QStringList{"sudo passwd -l root", "su pi"}));
    if (chpasswdInput.isEmpty()) {
        QCOMPARE(lines.size(), 2);
    } else {
        // The password travels on chpasswd's input only: no command line and
        // no log message carries it.
        QCOMPARE(lines.mid(2), QStringList{"sudo chpasswd"});
        QCOMPARE(board.runner.standardInputs().at(2), chpasswdInput);
        const QString typed = QString::fromUtf8(chpasswdInput.mid(3).chopped(1));
        QCOMPARE(board.log.count(typed), 0);
    }
}

void TestMigration::passwordCheckRuns_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("developerMode");
    QTest::addColumn<int>("probeExit");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<QString>("passwdChanged");

    const QStringList check{"sudo passwd -l root", "su pi"};
    QTest::newRow("default password in use, postponed")
        << "settings_6.28.3.ini" << false << 0 << check << 1 << QString();
    QTest::newRow("default password gone") << "settings_6.28.3.ini" << false << 1 << check << 0 << "1";
    QTest::newRow("already settled") << "settings_settled.ini" << false << 0 << QStringList() << 0 << "1";
    // Developer mode skips the password check only; the set-up still runs.
    QTest::newRow("developer mode, first run")
        << "settings_no_version.ini" << true << 0 << QStringList{"sudo swapoff -a"} << 0 << QString();
}

void TestMigration::passwordCheckRuns()
{
    QFETCH(QString, settings);
    QFETCH(bool, developerMode);
    QFETCH(int, probeExit);
    QFETCH(QStringList, commands);
    QFETCH(int, dialogs);
    QFETCH(QString, passwdChanged);

    Board board(settings == QStringLiteral("settings_settled.ini") ? QStringLiteral("settings_6.28.3.ini") : settings);
    if (settings == QStringLiteral("settings_settled.ini")) {
        QSettings raw(board.iniPath(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("passwdChanged"), 1);
    }
    board.runner.clear();
    board.runner.script(QStringLiteral("su"), exitedWith(probeExit));
    MySettings& store = board.start(developerMode);

    QCOMPARE(board.runner.commandLines(), commands);
    QCOMPARE(board.passwordDialogs.size(), dialogs);
    if (dialogs > 0)
        QCOMPARE(board.log.count(QStringLiteral("Changing password postponed")), 1);
    QCOMPARE(store.value(QStringLiteral("passwdChanged")).toString(), passwdChanged);
}

void TestMigration::passwordDialogEchoFollowsTheCheckBox()
{
    RecordingAnswerer answerer;
    QList<QLineEdit::EchoMode> modes;
    answerer.respond = [&modes](QDialog* dialog) {
        auto* password = qobject_cast<PasswordDialog*>(dialog);
        modes << password->passwordEdit->echoMode();
        password->showPasswordCheckBox->setChecked(true);
        modes << password->passwordEdit->echoMode();
        password->showPasswordCheckBox->setChecked(false);
        modes << password->passwordEdit->echoMode();
        password->passwordEdit->setText(QStringLiteral("kept"));
        return int(QDialog::Rejected);
    };
    PasswordDialog dialog(nullptr, QStringLiteral("Title"), QStringLiteral("Text"));
    QCOMPARE(modes, (QList<QLineEdit::EchoMode>{QLineEdit::Password, QLineEdit::Normal, QLineEdit::Password}));
    QCOMPARE(dialog.showPasswordCheckBox->text(), QStringLiteral("Show password"));
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(dialog.password(), QStringLiteral("kept"));
}

// ------------------------------------------------------------ one dyno model

void TestMigration::modelInertiaAndActuators()
{
    Board board(QStringLiteral("settings_vimbastrel_4.0.0.ini"));
    writeFile(board.configPath(QStringLiteral("functions.xml")), readAll(fixture(QStringLiteral("functions_user.xml"))));
    MySettings* store = &board.start();

    const QString d = QStringLiteral("UserSetting/DynoSetting/");
    QCOMPARE(store->value(d + "inertia_0").toDouble(), 2.0 * 1.048);
    QCOMPARE(store->value(d + "inertia_1").toDouble(), 3.0 * 1.048);
    QCOMPARE(store->value(QStringLiteral("update/vimbastrelInertiaCorrectedToV4")).toBool(), true);
    QCOMPARE(store->value(QStringLiteral("update/vimbastrelActuators")).toBool(), true);
    QCOMPARE(board.notices(), infos({kInertiaAdjustedNotice, kObdNotice}));
    QCOMPARE(board.log.count(QStringLiteral("vimbastrel1 inertia updated")), 1);
    QCOMPARE(board.log.count(QStringLiteral("vimbastrel1 software 5.x.x configuration updated")), 1);
    QVERIFY(!board.backups().isEmpty());

    for (const char* page : {"dynoSettings_accelerationControl", "dynoSettings_canInterface_0",
                             "dynoSettings_frequencyInput", "dynoSettings_general", "dynoSettings_loadCellSetup",
                             "dynoSettings_loadCellCalibration_2", "dynoSettings_loadCellCalibration_3",
                             "dynoSettings_pwmLowSideOutput_2", "dynoSettings_pwmLowSideOutput_3",
                             "dynoSettings_roller", "dynoSettings_speedControl", "dynoSettings_torqueControl"})
        QCOMPARE(store->value(QStringLiteral("ACM/") + QLatin1String(page)).toInt(), 1);

    // Every line of the embedded settings arrived, as the bytes it spells;
    // the four parking-brake timings replace what the file gives, and the
    // low-side outputs went on to their PWM keys at the 6.2.0 step.
    store->sync();
    QSettings raw(board.iniPath(), QSettings::IniFormat);
    QFile embedded(QStringLiteral(":/resources/settings/vimbastrel_actuator_settings.ini"));
    QVERIFY(embedded.open(QIODevice::ReadOnly | QIODevice::Text));
    const QList<QByteArray> lines = embedded.readAll().split('\n');
    QCOMPARE(lines.size(), 269);
    QVERIFY(lines.last().isEmpty());
    for (const QByteArray& line : lines.mid(0, 268)) {
        const QList<QByteArray> parts = line.split('=');
        QCOMPARE(parts.size(), 2);
        QString key = QStringLiteral("UserSetting/") + QString::fromUtf8(parts.at(0)).replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (key.contains(QStringLiteral("/lsOutput_"))) {
            QVERIFY2(!raw.contains(key), qPrintable(key));
            key.replace(QStringLiteral("/lsOutput_"), QStringLiteral("/pwm_"));
        }
        const QVariant stored = raw.value(key);
        if (key.endsWith(QStringLiteral("Controller1/activationTimeout"))
            || key.endsWith(QStringLiteral("Controller2/activationTimeout"))) {
            QCOMPARE(stored.toFloat(), 4.5f);
        } else if (key.endsWith(QStringLiteral("Controller1/deactivationTimeout"))
                   || key.endsWith(QStringLiteral("Controller2/deactivationTimeout"))) {
            QCOMPARE(stored.toFloat(), 1.5f);
        } else {
            QVERIFY2(stored.typeId() == QMetaType::QByteArray, qPrintable(key));
            QCOMPARE(stored.toByteArray(), parts.at(1));
        }
    }

    // The model's functions first, then the operator's own, placeholders filled.
    const QString functions = board.configPath(QStringLiteral("functions.xml"));
    QCOMPARE(functionNames(functions), kModelFunctions + (QStringList{"wheel power", "oil warning"}));
    QCOMPARE(xmllint({QStringLiteral("--xpath"),
                      QStringLiteral("string(/functions/function[@name='load cell brake rear']/@equation)"), functions}),
             QStringLiteral("x > 250 ? 1 : 0"));
    QCOMPARE(xmllint({QStringLiteral("--xpath"),
                      QStringLiteral("string(/functions/function[@name='load cell brake front']/@equation)"), functions}),
             QStringLiteral("x > 300 ? 1 : 0"));

    // A start that ended before the version was stored repeats the steps: the
    // markers keep the inertias and the functions as they are.
    board.answerer.shown.clear();
    store = &board.start();
    QCOMPARE(store->value(d + "inertia_0").toDouble(), 2.0 * 1.048);
    QCOMPARE(board.notices(), infos({kObdNotice}));
    QCOMPARE(functionNames(functions).size(), 14);
}

void TestMigration::functionsMerge_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QStringList>("ownFunctions");
    QTest::addColumn<bool>("merged");

    const QByteArray missing;
    QTest::newRow("normal") << readAll(fixture(QStringLiteral("functions_user.xml")))
                            << QStringList{"wheel power", "oil warning"} << true;
    QTest::newRow("empty") << QByteArray("") << QStringList() << true;
    QTest::newRow("self-closing root") << readAll(fixture(QStringLiteral("functions_self_closing.xml")))
                                       << QStringList() << true;
    QTest::newRow("missing") << missing << QStringList() << true;
    QTest::newRow("malformed") << readAll(fixture(QStringLiteral("functions_malformed.xml"))) << QStringList() << false;
}

void TestMigration::functionsMerge()
{
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, ownFunctions);
    QFETCH(bool, merged);

    Board board(QStringLiteral("settings_vimbastrel_4.11.0.ini"));
    const QString path = board.configPath(QStringLiteral("functions.xml"));
    if (!existing.isNull())
        writeFile(path, existing);
    MySettings& store = board.start();

    QCOMPARE(store.contains(QStringLiteral("update/vimbastrelActuators")), merged);
    if (!merged) {
        // Kept as it was; the operator is told.
        QCOMPARE(readAll(path), existing);
        QCOMPARE(board.notices().size(), 1);
        QVERIFY(board.notices().first().startsWith(QStringLiteral("Error: The functions file")));
        return;
    }
    QCOMPARE(xmllint({QStringLiteral("--noout"), path}), QString());
    QCOMPARE(functionNames(path), kModelFunctions + ownFunctions);
    QVERIFY(readAll(path).startsWith("<functions>"));
    QVERIFY(board.notices().isEmpty());
}

QTEST_MAIN(TestMigration)
#include "tst_migration.moc"
