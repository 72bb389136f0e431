// Bringing settings of older versions forward, the board's operating-system
// set-up after a version change, and the replacement of the default system
// password.

#include "MySettings.h"

#include "PlatformMode.h"
#include "SystemCommandRunner.h"
#include "SystemRoot.h"
#include "dialog/PasswordDialog.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdlib>

namespace {

const QString kActuatorSettingsResource = QStringLiteral(":/resources/settings/vimbastrel_actuator_settings.ini");
const QString kActuatorFunctionsResource = QStringLiteral(":/resources/settings/vimbastrel_actuator_functions.xml");
const QString kModelScript = QStringLiteral("vimbastrel1");

std::function<void(int)>& processEnder()
{
    static std::function<void(int)> ender;
    return ender;
}

SystemCommandRunner& runner()
{
    return *SystemCommandRunner::instance();
}

// Everything below "UserSetting/DynoSetting/".
QString dynoKey(const QString& key)
{
    return QStringLiteral("UserSetting/DynoSetting/") + key;
}

// A key that was never written (or holds "@Invalid()") has nothing to bring
// forward; writing its emptiness under the new key would hide the default the
// page shows for a missing key.
bool holdsValue(const MySettings& store, const QString& key)
{
    return store.contains(key) && store.QSettings::value(key).isValid();
}

void copyWhenPresent(MySettings& store, const QString& from, const QString& to)
{
    if (holdsValue(store, from))
        store.setValue(to, store.QSettings::value(from));
}

// The access-control manager keeps its locks as "ACM/" + key in this store.
void lockSettingsKey(MySettings& store, const QString& key)
{
    store.setValue(QStringLiteral("ACM/") + key, 1);
}

bool isSettingsKeyLocked(const MySettings& store, const QString& key)
{
    return store.contains(QStringLiteral("ACM/") + key);
}

// Widens a stored list of column flags: a flag 1 (shown) at each index, in
// order, when the list has more than `minimumSize` elements.
void insertShownColumns(MySettings& store, const QString& key, qsizetype minimumSize, std::initializer_list<int> at)
{
    if (!store.contains(key))
        return;
    QList<int> flags = store.QSettings::value(key).value<QList<int>>();
    if (flags.size() <= minimumSize)
        return;
    for (const int index : at)
        flags.insert(index, 1);
    store.setValue(key, QVariant::fromValue(flags));
}

} // namespace

void MySettings::setProcessEnder(std::function<void(int)> ender)
{
    processEnder() = std::move(ender);
}

void MySettings::runNewVersionActions()
{
    const QString storedText = QSettings::value(QStringLiteral("appVersion")).toString();
    const AppVersion previous(storedText.isEmpty() ? QStringLiteral("0.0.0") : storedText);
    const QString script = QSettings::value(QStringLiteral("script")).toString();

    // A fresh installation has nothing to bring forward.
    if (!storedText.isEmpty() && previous.major > 0)
        runMigrationSteps(previous, script);

    // A start that ended for a reboot goes no further.
    if (previous.combined() != version.combined() && runFirstRunSetup(previous))
        return;

    if (!contains(QStringLiteral("passwdChanged")) && !developerMode)
        checkDefaultPassword();
}

// ------------------------------------------------------------ migration steps

void MySettings::runMigrationSteps(const AppVersion& previous, const QString& script)
{
    if (previous < AppVersion("2.0.0")) {
        makeSettingsBackup();
        Tools::showInfo(QStringLiteral("This software version uses new absorber control architecture.\n"
                                       "If you are using absorption dyno, please revise your settings\n"));
    }
    if (previous < AppVersion("2.15.0"))
        remove(QStringLiteral("AnalyzeColorSetup"));
    if (previous < AppVersion("2.25.0")) {
        makeSettingsBackup();
        Tools::showInfo(QStringLiteral("This software version uses new settings format for combo boxes.\n"
                                       "Check your dyno settings and restart software.\n"
                                       "Don't run older software again with your current settings.ini file.\n"
                                       "Your old settings file has been backed up.\n"));
        oldComboBoxFormat = true;
    }
    if (previous < AppVersion("4.0.4")) {
        makeSettingsBackup();
        correctModelRollerInertia(script);
        Tools::showInfo(QStringLiteral(
            "Hardcoded OBD channels were replaced with more generalized Vehicle Parameter channels.\n"
            "Vehicle Parameter channels can be overridden from sources like CAN bus, Serial input or OBD channel.\n"
            "If you had functions using the OBD channels, these should now use a Vehicle Parameter or OBD channel "
            "directly."));
    }
    if (previous < AppVersion("4.12.0"))
        installModelActuators(script);
    if (previous < AppVersion("5.4.0")) {
        makeSettingsBackup();
        // The single stepper became the first of several.
        for (const char* suffix : {"acceleration", "acceleration/unit", "argument/quantity", "argument/type",
                                   "argument/unit", "argument/value", "maxFrequency", "maxFrequency/unit",
                                   "minFrequency", "minFrequency/unit", "source", "stepCount", "zeroHoming"}) {
            copyWhenPresent(*this, dynoKey(QStringLiteral("stepper_") + QLatin1String(suffix)),
                            dynoKey(QStringLiteral("stepper_0_") + QLatin1String(suffix)));
        }
        qDebug() << "stepper motor setup updated";
    }
    if (previous < AppVersion("5.14.0"))
        insertShownColumns(*this, QStringLiteral("loadedRunListVisibleColumns"), 7, {5, 7});
    if (previous < AppVersion("6.2.0")) {
        makeSettingsBackup();
        moveLowSideOutputsToPwm();
    }
    if (previous < AppVersion("6.9.0")) {
        makeSettingsBackup();
        // The single audio input became the first of several.
        for (const char* suffix : {"record", "processLive", "playback", "knock_frequency", "knock_filterShape",
                                   "knock_gain", "knock_levelFilter", "knock_engineNoise"}) {
            copyWhenPresent(*this, dynoKey(QStringLiteral("audio_") + QLatin1String(suffix)),
                            dynoKey(QStringLiteral("audio_0_") + QLatin1String(suffix)));
        }
    }
    if (previous < AppVersion("6.14.0")) {
        insertShownColumns(*this, QStringLiteral("loadedRunListVisibleColumns"), 14, {14});
        insertShownColumns(*this, QStringLiteral("loadedRunListPrintColumns"), 14, {14});
    }
}

void MySettings::correctModelRollerInertia(const QString& script)
{
    if (QSettings::value(dynoKey(QStringLiteral("dynoType"))).toInt() != 1)
        return;
    if (script != kModelScript) {
        Tools::showInfo(QStringLiteral(
            "Tire to roller inertia transfer calculation corrected in Drivetrain Inertia Calculator.\n"
            "You may need to recalibrate your rollers inertia in 'SETTINGS / Frequency Input / Connected "
            "inertia'.\n"));
        return;
    }
    const QString marker = QStringLiteral("update/vimbastrelInertiaCorrectedToV4");
    if (contains(marker))
        return;
    // The rollers of this model are known; their inertias are corrected here
    // instead of asking for a recalibration. A missing inertia is left to its
    // default rather than stored as zero.
    for (const QString& key : {dynoKey(QStringLiteral("inertia_0")), dynoKey(QStringLiteral("inertia_1"))}) {
        if (holdsValue(*this, key))
            setValue(key, QSettings::value(key).toDouble() * 1.048);
    }
    setValue(marker, true);
    qDebug() << "vimbastrel1 inertia updated";
    Tools::showInfo(QStringLiteral("Tire to roller inertia transfer calculation improved\n"
                                   "in Drivetrain Inertia Calculator.\n"
                                   "Your settings were automatically adjusted.\n"
                                   "Don't make measurements with older software version and your adjusted "
                                   "settings."));
}

void MySettings::installModelActuators(const QString& script)
{
    const QString marker = QStringLiteral("update/vimbastrelActuators");
    if (script != kModelScript || contains(marker))
        return;
    makeSettingsBackup();
    importRawSettings(kActuatorSettingsResource);

    // The actuators take over the parking-brake timing the operator had set.
    const QString lockTimeout = keyPrefix + QStringLiteral("parkingBrake/lockTimeout");
    const QString unlockTime = keyPrefix + QStringLiteral("parkingBrake/unlockTime");
    for (const char* controller : {"actuatorController1", "actuatorController2"}) {
        const QString base = keyPrefix + QLatin1String(controller);
        if (holdsValue(*this, lockTimeout))
            setValue(base + QStringLiteral("/activationTimeout"), QSettings::value(lockTimeout).toFloat());
        if (holdsValue(*this, unlockTime))
            setValue(base + QStringLiteral("/deactivationTimeout"), QSettings::value(unlockTime).toFloat());
    }

    const float lock1Voltage = QSettings::value(keyPrefix + QStringLiteral("parkingBrake/lock1ConfirmationVoltage")).toFloat();
    const float lock2Voltage = QSettings::value(keyPrefix + QStringLiteral("parkingBrake/lock2ConfirmationVoltage")).toFloat();
    // The marker stands for "the model's functions are in": a second merge
    // would add them twice.
    if (mergeModelFunctions(lock1Voltage, lock2Voltage))
        setValue(marker, true);

    for (const char* page : {"dynoSettings_accelerationControl", "dynoSettings_canInterface_0",
                             "dynoSettings_frequencyInput", "dynoSettings_general", "dynoSettings_loadCellSetup",
                             "dynoSettings_loadCellCalibration_2", "dynoSettings_loadCellCalibration_3",
                             "dynoSettings_pwmLowSideOutput_2", "dynoSettings_pwmLowSideOutput_3",
                             "dynoSettings_roller", "dynoSettings_speedControl", "dynoSettings_torqueControl"})
        lockSettingsKey(*this, QLatin1String(page));
    qDebug() << "vimbastrel1 software 5.x.x configuration updated";
}

void MySettings::importRawSettings(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Embedded settings not found:" << resource;
        return;
    }
    // The values are taken as the file spells them and stored as byte arrays;
    // the file is written so that every value reads back as its text.
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        line.replace('\\', '/');
        line.replace("\n", "");
        if (line.isEmpty())
            break;
        const QList<QByteArray> parts = line.split('=');
        if (parts.size() != 2)
            continue;
        setValue(keyPrefix + QString::fromUtf8(parts.at(0)), parts.at(1));
    }
}

bool MySettings::mergeModelFunctions(float lock1Voltage, float lock2Voltage)
{
    QFile embedded(kActuatorFunctionsResource);
    if (!embedded.open(QIODevice::ReadOnly)) {
        qDebug() << "Embedded functions not found:" << kActuatorFunctionsResource;
        return false;
    }
    QByteArray embeddedText = embedded.readAll();
    embeddedText.replace("[load_cell_rear_mv]", QByteArray::number(lock1Voltage * 1000.0f, 'g', 6));
    embeddedText.replace("[load_cell_front_mv]", QByteArray::number(lock2Voltage * 1000.0f, 'g', 6));
    QDomDocument embeddedDocument;
    if (!embeddedDocument.setContent(embeddedText)) {
        qDebug() << "Embedded functions are not well-formed:" << kActuatorFunctionsResource;
        return false;
    }

    // The operator's own functions are kept after the model's. A missing,
    // empty or self-closing file simply has none.
    const QString path = settingsDir.filePath(QStringLiteral("functions.xml"));
    QDomDocument existing;
    QFile existingFile(path);
    if (existingFile.exists()) {
        if (!existingFile.open(QIODevice::ReadOnly)) {
            qDebug() << "Can't read" << path << "- model functions not added:" << existingFile.errorString();
            return false;
        }
        const QByteArray existingText = existingFile.readAll();
        existingFile.close();
        if (!existingText.trimmed().isEmpty()) {
            QString error;
            int line = 0;
            int column = 0;
            const bool parsed = existing.setContent(existingText, &error, &line, &column);
            if (!parsed || existing.documentElement().tagName() != QStringLiteral("functions")) {
                // Left as it is: its load later in the start-up keeps the
                // unreadable file aside and tells the operator.
                qDebug() << "Can't merge model functions into" << path << ":" << error << "line" << line
                         << "column" << column;
                Tools::showError(tr("The functions file \"%1\" could not be read, so the functions of this dyno "
                                    "model were not added to it.")
                                     .arg(path));
                return false;
            }
        }
    }

    QDomDocument merged;
    QDomElement root = merged.createElement(QStringLiteral("functions"));
    merged.appendChild(root);
    for (QDomNode node = embeddedDocument.documentElement().firstChild(); !node.isNull(); node = node.nextSibling())
        root.appendChild(merged.importNode(node, true));
    for (QDomNode node = existing.documentElement().firstChild(); !node.isNull(); node = node.nextSibling())
        root.appendChild(merged.importNode(node, true));

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(merged.toByteArray(1)) < 0 || !out.commit()) {
        qDebug() << "Can't write" << path << ":" << out.errorString();
        return false;
    }
    qDebug() << "Model functions merged into" << path;
    return true;
}

void MySettings::moveLowSideOutputsToPwm()
{
    for (int i = 0; i < 4; ++i) {
        for (const char* sub : {"mode", "source", "argument/quantity", "argument/type", "argument/unit",
                                "argument/value", "frequency", "rangeMin", "rangeMax", "freqMin", "freqMax",
                                "stepperMotorId"}) {
            const QString from = dynoKey(QStringLiteral("lsOutput_%1_%2").arg(i).arg(QLatin1String(sub)));
            copyWhenPresent(*this, from, dynoKey(QStringLiteral("pwm_%1_%2").arg(i).arg(QLatin1String(sub))));
            remove(from);
        }
        if (isSettingsKeyLocked(*this, QStringLiteral("pwmLowSideOutput_%1").arg(i)))
            lockSettingsKey(*this, QStringLiteral("pwm_%1").arg(i));
    }
    if (isSettingsKeyLocked(*this, QStringLiteral("pwmLowSideOutput")))
        lockSettingsKey(*this, QStringLiteral("pwm"));
}

// ------------------------------------------------------------ first-run set-up

bool MySettings::runFirstRunSetup(const AppVersion& previous)
{
    qDebug() << "New version of software first run. Previous version:" << previous.versionText;
    refreshTranslationTemplate();

    runner().run(QStringLiteral("swapoff"), {QStringLiteral("-a")}, true);

    // Everything that needs a reboot is done first; the board restarts once.
    QStringList rebootNotices;
    bool endAfterReboot = false;

    // The USB-serial adapters of the OBD and field-bus inputs are driven
    // through raw USB: members of group "usb" get access to them, and the
    // kernel's own driver must not claim them.
    if (!QFile::exists(SystemRoot::filePath(QStringLiteral("/etc/modprobe.d/usbserial.conf")))) {
        runner().run(QStringLiteral("groupadd"), {QStringLiteral("usb")}, true);
        runner().run(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("echo 'SUBSYSTEMS==\"usb\", ACTION==\"add\", MODE=\"0664\", GROUP=\"usb\"' > "
                                     "/etc/udev/rules.d/99-usbserial.rules")},
                     true);
        runner().run(QStringLiteral("/etc/init.d/udev"), {QStringLiteral("reload")}, true);
        runner().run(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("echo 'blacklist ftdi_sio' > /etc/modprobe.d/usbserial.conf")},
                     true);
        runner().run(QStringLiteral("rmmod"), {QStringLiteral("ftdi_sio")}, true);
        runner().run(QStringLiteral("usermod"), {QStringLiteral("-a"), QStringLiteral("-G"), QStringLiteral("usb"),
                                                 QStringLiteral("pi")},
                     true);
        rebootNotices << QStringLiteral(
            "Your system need to reboot to apply required reconfiguration for USB-serial chip support");
    }

    // The controller link runs pinned to CPU 3, which must be kept free of
    // other work.
    if (!isCpu3Isolated()) {
        qDebug() << "CPU 3 not isolated!!";
        if (requestCpu3Isolation()) {
            rebootNotices << QStringLiteral("Your system required reconfiguration. Press OK to reboot.");
            endAfterReboot = true;
        }
    }

    if (rebootNotices.isEmpty())
        return false;
    for (const QString& notice : std::as_const(rebootNotices))
        Tools::showInfo(notice);
    runner().run(QStringLiteral("reboot"), {}, true);
    if (!endAfterReboot)
        return false;
    // The version is not stored, so the set-up is checked again after the
    // reboot.
    endProcessForReboot();
    return true;
}

void MySettings::refreshTranslationTemplate()
{
    const QString target = translationsDir.filePath(QStringLiteral("zembo_template.ts"));
    QFile::remove(target);
    if (!QFile::copy(QStringLiteral(":/translations/zembo_template.ts"), target)) {
        qDebug() << "Can't copy the translation template to" << target;
        return;
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                      | QFileDevice::ReadOther);
}

bool MySettings::isCpu3Isolated()
{
    QFile isolated(SystemRoot::filePath(QStringLiteral("/sys/devices/system/cpu/isolated")));
    if (!isolated.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool ok = false;
    const int cpu = QString::fromLatin1(isolated.readLine()).trimmed().toInt(&ok, 10);
    return ok && cpu == 3;
}

bool MySettings::requestCpu3Isolation()
{
    // The kernel command line gets the option once. When it holds it already
    // and the kernel still runs CPU 3 for everything, another edit and reboot
    // would only repeat on every start.
    const QString path = SystemRoot::filePath(QStringLiteral("/boot/cmdline.txt"));
    QFile cmdline(path);
    if (!cmdline.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can't read /boot/cmdline.txt; CPU 3 isolation not requested";
        return false;
    }
    const QStringList options =
        QString::fromLatin1(cmdline.readAll()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (options.contains(QStringLiteral("isolcpus=3"))) {
        qDebug() << "/boot/cmdline.txt asks for CPU 3 isolation already; the kernel did not apply it";
        return false;
    }
    // The option is added after "rootwait"; without it the edit changes nothing.
    if (!options.contains(QStringLiteral("rootwait"))) {
        qDebug() << "/boot/cmdline.txt has no rootwait option; CPU 3 isolation not requested";
        return false;
    }
    const SystemCommandResult edit =
        runner().run(QStringLiteral("sed"),
                     {QStringLiteral("-i"), QStringLiteral("s/rootwait/rootwait isolcpus=3/"),
                      QStringLiteral("/boot/cmdline.txt")},
                     true);
    if (!edit.started || edit.exitCode != 0) {
        qDebug() << "Editing /boot/cmdline.txt failed; no reboot for CPU 3 isolation";
        return false;
    }
    return true;
}

void MySettings::endProcessForReboot()
{
    if (processEnder()) {
        processEnder()(0);
        return;
    }
    if (PlatformMode::systemCommandsRecorded()) {
        qDebug() << "The reboot was only recorded; the program goes on";
        return;
    }
    sync();
    std::exit(0);
}

// ------------------------------------------------------------ default password

void MySettings::checkDefaultPassword()
{
    // The result is of no use here: root simply must not log in by password.
    runner().run(QStringLiteral("passwd"), {QStringLiteral("-l"), QStringLiteral("root")}, true);

    const SystemCommandResult probe =
        runner().runWithInput(QStringLiteral("su"), {QStringLiteral("pi")}, false, QByteArrayLiteral("quibrotel\n"));
    if (probe.exitCode != 0) {
        setValue(QStringLiteral("passwdChanged"), 1);
        return;
    }

    qDebug() << "Stock password change request";
    for (;;) {
        PasswordDialog first(nullptr, tr("Password change"),
                             tr("Default (quibrotel) operating system password detected.\n"
                                "For security reasons, you should set your own password.\n"
                                "Enter a new password:"));
        if (first.result() != QDialog::Accepted) {
            qDebug() << "Changing password postponed";
            return;
        }
        const QString password = first.password();
        PasswordDialog confirm(nullptr, tr("Confirm password"), tr("Confirm the password and don't forget it."));
        if (confirm.password() != password) {
            Tools::showInfo(tr("Password confirmation non-matching"));
            continue;
        }
        if (password.isEmpty())
            continue;
        // chpasswd reads one "user:password" per line: a line break would end
        // this entry and start another, for any user.
        bool hasControl = false;
        for (const QChar c : password)
            hasControl = hasControl || c.category() == QChar::Other_Control;
        if (hasControl) {
            Tools::showInfo(tr("The password must not contain line breaks or other control characters."));
            continue;
        }
        // The password goes to chpasswd's input, never into a command line.
        const SystemCommandResult change = runner().runWithInput(
            QStringLiteral("chpasswd"), {}, true, (QStringLiteral("pi:") + password + QLatin1Char('\n')).toUtf8());
        if (!change.started || change.exitCode != 0) {
            qDebug() << "Error changing password";
            Tools::showError(tr("Error changing password"));
            return;
        }
        qDebug() << "Password changed";
        Tools::showInfo(tr("Password changed"));
        setValue(QStringLiteral("passwdChanged"), 1);
        return;
    }
}
