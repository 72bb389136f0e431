// The dyno settings on one controller board (device code from
// ZEMBO_TEST_DEVICE_CODE; CTest runs this once per board): what the controller's
// configuration memory holds after registration, the group pages with their
// tabs and rows, and the options the board offers.
#include "SettingsFixture.h"

#include "ACMTabWidget.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "HwInfo.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <cstring>

namespace {

struct AddressRow {
    quint32 address;
    const char* key;
    bool isFloat;
    double value;
    bool stored;
};

// The configuration words and what a fresh installation writes into them: a
// float's IEEE-754 bits, or the integer (check boxes 0 and 2, combo boxes
// their index).
const AddressRow addressRows[] = {
        {4, "pidDetails", false, 0, true},
        {8, "absorberLock_value", true, 1, true},
        {12, "absorberLock_rampTime", true, 0, true},
        {16, "loadCell_%1_roller", false, 0, true},
        {32, "loadCell_%1_a", true, 0, true},
        {48, "loadCell_%1_b", true, 0, true},
        {64, "loadCell_%1_pgaGain", false, 7, true},
        {80, "loadCell_%1_direction", false, 0, true},
        {96, "freqInput_%1_triggerEdge", false, 0, true},
        {120, "freqInput_%1_mode", false, 0, true},
        {144, "freqInput_%1_sensor", false, 0, true},
        {168, "freqInput_%1_signalsPerRotation", false, 36, true},
        {192, "freqInput_%1_nextEdgeRejectTime", true, 0, true},
        {216, "freqInput_%1_multiplier", true, 1, true},
        {240, "hpAin_%1_mode", false, 0, true},
        {272, "hpAin_%1_differential", false, 0, true},
        {304, "roller_%1_speedSource", false, 0, true},
        {320, "roller_%1_supportRoller", false, 0, true},
        {336, "roller_%1_diameter", true, 1, true},
        {352, "pwm_%1_mode", false, 0, true},
        {368, "pwm_%1_source", false, 0, true},
        {384, "pwm_%1_frequency", true, 1000, true},
        {400, "pwm_%1_rangeMin", true, 0, true},
        {416, "pwm_%1_rangeMax", true, 1, true},
        {432, "pwm_%1_freqMin", true, 0, true},
        {448, "pwm_%1_freqMax", true, 1000, true},
        {464, "pwm_%1_stepperMotorId", false, 0, true},
        {480, "lsOutput_%1_source", false, 1, true},
        {496, "lsOutput_%1_invert", false, 0, true},
        {512, "hsOutput_%1_source", false, 0, true},
        {528, "hsOutput_%1_invert", false, 0, true},
        {544, "analogOutput_%1_source", false, 0, true},
        {560, "analogOutput_%1_rangeMin", true, 0, true},
        {576, "analogOutput_%1_rangeMax", true, 10, true},
        {592, "accPID_%1_relayAmplitude", true, 0, false},
        {608, "accPID_%1_kFF", true, 1, true},
        {624, "accPID_%1_kP", true, 0, true},
        {640, "accPID_%1_kI", true, 0, true},
        {656, "accPID_%1_kDFast", true, 0, true},
        {672, "accPID_%1_kD", true, 0, true},
        {688, "accPID_%1_kFilter", true, 20, true},
        {704, "accPID_%1_kDFilter", true, 5, true},
        {720, "accPID_%1_syncGain", true, 0, true},
        {736, "accPID_%1_notchEnable", false, 2, true},
        {752, "accPID_%1_notchWidth", true, 0.2, true},
        {768, "accPID_%1_fixedNotch1Enable", false, 0, true},
        {784, "accPID_%1_fixedNotch1Width", true, 0.02, true},
        {800, "accPID_%1_fixedNotch1Freq", true, 50, true},
        {816, "accPID_%1_fixedNotch2Enable", false, 0, true},
        {832, "accPID_%1_fixedNotch2Width", true, 0.8, true},
        {848, "accPID_%1_fixedNotch2Freq", true, 3, true},
        {864, "pid_%1_relayAmplitude", true, 0, false},
        {880, "pid_%1_kFF", true, 1, true},
        {896, "pid_%1_kP", true, 0, true},
        {912, "pid_%1_kI", true, 0, true},
        {928, "pid_%1_kDFast", true, 0, true},
        {944, "pid_%1_kD", true, 0, true},
        {960, "pid_%1_kDD", true, 0, true},
        {976, "pid_%1_kFilter", true, 20, true},
        {992, "pid_%1_kDFilter", true, 5, true},
        {1008, "pid_%1_kDDFilter", true, 5, true},
        {1024, "pid_%1_rampLimit", true, 10.471975511965978, true},
        {1040, "pid_%1_brakingSlip", true, 1, true},
        {1056, "pid_%1_notchEnable", false, 2, true},
        {1072, "pid_%1_notchWidth", true, 0.2, true},
        {1088, "pid_%1_fixedNotch1Enable", false, 0, true},
        {1104, "pid_%1_fixedNotch1Width", true, 0.8, true},
        {1120, "pid_%1_fixedNotch1Freq", true, 3, true},
        {1136, "ainPID_%1_relayAmplitude", true, 0, false},
        {1160, "ainPID_%1_spSource", false, 0, true},
        {1184, "ainPID_%1_spMin", true, 0, true},
        {1208, "ainPID_%1_spMax", true, 5, true},
        {1232, "ainPID_%1_kFF", true, 0, true},
        {1256, "ainPID_%1_kP", true, 0, true},
        {1280, "ainPID_%1_kI", true, 0, true},
        {1304, "ainPID_%1_kDFast", true, 0, true},
        {1328, "ainPID_%1_kD", true, 0, true},
        {1352, "ainPID_%1_kFilter", true, 100, true},
        {1376, "ainPID_%1_kDFilter", true, 10, true},
        {1400, "torquePID_%1_relayAmplitude", true, 0, false},
        {1416, "torquePID_%1_spRange", true, 1000, true},
        {1432, "torquePID_%1_spSource", false, 0, true},
        {1448, "torquePID_%1_spSubtrahend", false, 0, true},
        {1464, "torquePID_%1_spSubtrahendConstant", true, 0, true},
        {1480, "torquePID_%1_kFF", true, 0, true},
        {1496, "torquePID_%1_kP", true, 0, true},
        {1512, "torquePID_%1_kI", true, 0, true},
        {1528, "torquePID_%1_kDFast", true, 0, true},
        {1544, "torquePID_%1_kD", true, 0, true},
        {1560, "torquePID_%1_kFilter", true, 20, true},
        {1576, "torquePID_%1_kDFilter", true, 10, true},
        {1592, "torquePID_%1_disableFBInSpeedAndAcc", false, 0, true},
        {1608, "torquePID_%1_zeroOutputOn0SP", false, 2, true},
        {1624, "torquePID_%1_linearization", false, 0, true},
        {1640, "can_%1_enableTerminator", false, 0, true},
        {1648, "can_%1_speed", false, 0, true},
        {1656, "can_%1_sendKX4ControlMessage", false, 0, true},
        {1664, "stepper_%1_source", false, 0, true},
        {1672, "stepper_%1_zeroHoming", false, 0, true},
        {1680, "stepper_%1_stepCount", false, 1, true},
        {1688, "stepper_%1_minFrequency", true, 200, true},
        {1696, "stepper_%1_maxFrequency", true, 1000, true},
        {1704, "stepper_%1_acceleration", true, 10000, true},
};

quint32 floatBits(double value)
{
    const float single = static_cast<float>(value);
    quint32 bits;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

QList<DynoSetting*> channelsOf(const DynoSettings* registry, const QString& keyTemplate)
{
    for (const QList<DynoSetting*>* list : registry->settings) {
        if (list && !list->isEmpty() && list->first()->keyTemplate == keyTemplate)
            return *list;
    }
    return {};
}

// What a page shows, top to bottom: row labels, headers and button captions.
QStringList visibleRows(QWidget* page)
{
    auto* form = qobject_cast<QFormLayout*>(page->layout());
    QStringList shown;
    for (int row = 0; form && row < form->rowCount(); ++row) {
        QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
        QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
        QLayoutItem* spanning = form->itemAt(row, QFormLayout::SpanningRole);
        if (spanning && spanning->widget() && spanning->widget()->isVisibleTo(page)) {
            if (auto* header = qobject_cast<QLabel*>(spanning->widget()))
                shown << QStringLiteral("# ") + header->text();
            else if (auto* button = qobject_cast<QPushButton*>(spanning->widget()))
                shown << QStringLiteral("[") + button->text() + QStringLiteral("]");
            continue;
        }
        if (!field || !field->widget() || !field->widget()->isVisibleTo(page))
            continue;
        auto* text = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
        shown << (text ? text->text() : QString());
    }
    return shown;
}

QWidget* pageOf(QTabWidget* tabs, int index)
{
    QWidget* page = tabs->widget(index);
    if (auto* scroll = qobject_cast<QScrollArea*>(page))
        return scroll->widget();
    return page;
}

QStringList tabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

QStringList numbers(int count)
{
    QStringList titles;
    for (int i = 1; i <= count; ++i)
        titles << QString::number(i);
    return titles;
}

QList<int> offered(const QComboBox* combo)
{
    const auto* view = qobject_cast<const QListView*>(combo->view());
    QList<int> options;
    for (int i = 0; i < combo->count(); ++i) {
        if (!view->isRowHidden(i))
            options << i;
    }
    return options;
}

} // namespace

class TestDynoSettingsBoard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void addressedDefaultsReachTheController_data();
    void addressedDefaultsReachTheController();
    void groupsAndChannelTabs();
    void rowsOfTheFirstPages();
    void rowsThatDependOnTheChannel();
    void optionsOfTheBoard();

private:
    QWidget* groupPage(const QString& title) const;
    QTabWidget* group(const QString& title) const { return qobject_cast<QTabWidget*>(groupPage(title)); }

    int code = 3;
    SettingsFixture* fixture = nullptr;
};

void TestDynoSettingsBoard::initTestCase()
{
    code = qEnvironmentVariableIntValue("ZEMBO_TEST_DEVICE_CODE");
    fixture = new SettingsFixture(code);
    QVERIFY(fixture->start());
    QVERIFY(fixture->waitLinkIdle());
    QCOMPARE(int(theHwInfo.deviceCode), code);
}

void TestDynoSettingsBoard::cleanupTestCase()
{
    delete fixture;
}

QWidget* TestDynoSettingsBoard::groupPage(const QString& title) const
{
    ACMTabWidget* tabs = fixture->tabs.get();
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == title)
            return tabs->widget(i);
    }
    return nullptr;
}

void TestDynoSettingsBoard::addressedDefaultsReachTheController_data()
{
    QTest::addColumn<int>("row");
    for (int row = 0; row < int(std::size(addressRows)); ++row)
        QTest::newRow(addressRows[row].key) << row;
}

void TestDynoSettingsBoard::addressedDefaultsReachTheController()
{
    QFETCH(int, row);
    const AddressRow& expected = addressRows[row];
    const QList<DynoSetting*> channels = channelsOf(fixture->registry, QString::fromLatin1(expected.key));
    QVERIFY2(!channels.isEmpty(), expected.key);
    for (const DynoSetting* setting : channels) {
        QCOMPARE(setting->mcuAddress, expected.address);
        quint32 word = 0;
        const bool written = fixture->link.sim->configWord(expected.address, quint16(setting->channel), &word);
        // A setting that is not stored is sent on its first change only.
        QCOMPARE(written, expected.stored);
        if (!written)
            continue;
        const quint32 wanted = expected.isFloat ? floatBits(expected.value) : quint32(qint32(expected.value));
        QVERIFY2(word == wanted, qPrintable(QStringLiteral("%1 channel %2: 0x%3, expected 0x%4")
                                                .arg(setting->key)
                                                .arg(setting->channel)
                                                .arg(word, 8, 16, QLatin1Char('0'))
                                                .arg(wanted, 8, 16, QLatin1Char('0'))));
    }
    // Nothing beyond the board's channels.
    quint32 beyond = 0;
    QVERIFY(!fixture->link.sim->configWord(expected.address, quint16(channels.size()), &beyond));
}

void TestDynoSettingsBoard::groupsAndChannelTabs()
{
    // Counts per device code 0..4.
    const int rollers[] = {2, 4, 1, 4, 1};
    const int loadCells[] = {4, 4, 2, 4, 1};
    const int analogInputs[] = {6, 6, 2, 12, 1};
    const int hpAnalogInputs[] = {8, 8, 4, 8, 4};
    const int controllers[] = {6, 6, 2, 6, 1};
    const int pwm[] = {4, 4, 2, 4, 2};
    const int analogOutputs[] = {2, 2, 1, 4, 1};
    const int canBuses[] = {2, 2, 1, 2, 1};
    const QStringList frequencyTabs[] = {
        {"1", "2", "Engine speed", "Help"},
        {"1", "2", "3", "4", "Engine speed", "Help"},
        {"1", "Engine speed", "Help"},
        {"1", "2", "3", "4", "5", "Engine speed", "Help"},
        {"1", "Engine speed", "Help"},
    };
    const QString help = QStringLiteral("Help");

    // After the pages that exist before the controller is known, in this order.
    const QStringList groups{"CAN interface", "General", "Roller", "Frequency Input", "Load Cell Setup",
                             "Load Cell Calib.", "High Prec. Analog In", "Analog Input", "PWM output",
                             "Stepper motor", "Analog output", "Acceleration control", "Speed control",
                             "Torque control", "Analog in control", "Audio input"};
    QCOMPARE(tabTitles(fixture->tabs.get()), groups);
    const QStringList keys{"canInterface", "general", "roller", "frequencyInput", "loadCellSetup",
                           "loadCellCalibration", "highPrecisionAnalogInput", "analogInput", "pwm", "stepperMotor",
                           "analogOutput", "accelerationControl", "speedControl", "torqueControl", "analogInControl",
                           "audioInput"};
    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(fixture->tabs->widget(i)->property("acmKey").toString(), QStringLiteral("dynoSettings_") + keys[i]);

    const struct {
        const char* title;
        QStringList tabs;
    } expected[] = {
        {"CAN interface", numbers(canBuses[code])},
        {"Roller", numbers(rollers[code]) << help},
        {"Frequency Input", frequencyTabs[code]},
        {"Load Cell Setup", numbers(loadCells[code])},
        {"Load Cell Calib.", numbers(loadCells[code])},
        {"High Prec. Analog In", numbers(hpAnalogInputs[code])},
        {"Analog Input", numbers(analogInputs[code])},
        {"PWM output", numbers(pwm[code])},
        {"Stepper motor", numbers(2)},
        {"Analog output", numbers(analogOutputs[code])},
        {"Acceleration control", numbers(rollers[code]) << help},
        {"Speed control", numbers(rollers[code]) << help},
        {"Torque control", numbers(loadCells[code]) << help},
        {"Analog in control", numbers(controllers[code]) << help},
        {"Audio input", numbers(2)},
    };
    for (const auto& entry : expected) {
        QTabWidget* tabs = group(QString::fromLatin1(entry.title));
        QVERIFY2(tabs, entry.title);
        QCOMPARE(tabTitles(tabs), entry.tabs);
    }

    // Channel pages carry the group's key and their index; the engine-speed
    // page keeps the key of MCU slot 2 wherever it stands.
    QTabWidget* rollerTabs = group(QStringLiteral("Roller"));
    for (int i = 0; i < rollers[code]; ++i)
        QCOMPARE(rollerTabs->widget(i)->property("acmKey").toString(), QStringLiteral("dynoSettings_roller_%1").arg(i));
    QVERIFY(!rollerTabs->widget(rollers[code])->property("acmKey").isValid());
    QTabWidget* frequency = group(QStringLiteral("Frequency Input"));
    QCOMPARE(frequency->widget(frequency->count() - 2)->property("acmKey").toString(),
             QStringLiteral("dynoSettings_frequencyInput_2"));
    // A run file of the largest board opens here too.
    QCOMPARE(fixture->registry->getSetting(DynoSettingId_rollerDiameter, 0)->maxChannelCount, 4);
    QCOMPARE(fixture->registry->getSetting(DynoSettingId_ainFilter, 0)->maxChannelCount, 12);
    QCOMPARE(fixture->registry->getSetting(DynoSettingId_dynoType, 0)->maxChannelCount, 1);
}

void TestDynoSettingsBoard::rowsOfTheFirstPages()
{
    const bool lite = code == 2 || code == 4;
    const bool secondGeneration = code == 3 || code == 4;
    const QString kD = QStringLiteral("kD filter frequency");
    const QStringList gains{"kFF", "kP", "kI", "kD Fast", "kD Slow"};

    const QStringList general{"Dyno type",     "Internal dyno speed loss model", "Loss from load factor",
                              "PID details for", "Absorber lock value",          "Absorber lock ramp time"};
    QCOMPARE(visibleRows(groupPage(QStringLiteral("General"))), general);

    QStringList roller{"Roller diameter", "Speed source"};
    if (!lite)
        roller << "Support roller";
    roller << "Connected inertia" << "Internal speed loss model"
           << "[Calculate inertia from falling mass experiment]" << "[Calculate inertia from hard braking experiment]"
           << "[Calculate inertia from geometry]" << "[Internal Loss Model Wizard]";

    const QStringList frequencyRows{"Trigger edge", "Input mode (from RevE)", "Sensor type",
                                    "Frequency low pass filter", "Frequency change rate low pass filter",
                                    "Signals per rotation", "Next edge rejection time", "Speed multiplier"};
    const QStringList engineSpeedRows{"Trigger edge", "Input mode (from RevE)", "Frequency low pass filter",
                                      "Spike filter", "Frequency change rate low pass filter",
                                      "Signals per rotation", "Next edge rejection time", "Speed multiplier"};

    QStringList loadCellSetup{"Measures torque on", "Low pass filter"};
    if (secondGeneration)
        loadCellSetup << "Internal amplifier gain";
    else
        loadCellSetup << "Low voltage alarm threshold" << "High voltage alarm threshold";
    loadCellSetup << "Direction";

    QStringList pwm{"# PWM module", "Mode", "Source", "Frequency", "Min duty cycle", "Max duty cycle",
                    "# Low side output", "Source", "Invert"};
    if (code == 3)
        pwm << "# High side output" << "Source";
    pwm << "[RC Servo Pulse Wizard]";

    QStringList acceleration{"kFF", "kP", "kI", "kD Fast", "kD Slow", "Input filter frequency", kD};
    if (!lite)
        acceleration << "Synchronization gain";
    acceleration << "Enable adaptive notch filter" << "Adaptive notch filter width" << "Enable fixed notch filter 1"
                 << "Fixed notch filter 1 width" << "Fixed notch filter 1 frequency" << "Enable fixed notch filter 2"
                 << "Fixed notch filter 2 width" << "Fixed notch filter 2 frequency" << "Deceleration limit"
                 << "Speed sensitivity correction" << "[Tune Acceleration PID]"
                 << "[Copy initial settings from speed PID]";

    QStringList speed = gains;
    speed << "kDD" << "Input filter frequency" << kD << "kDD filter frequency" << "Enable adaptive notch filter"
          << "Adaptive notch filter width" << "Enable fixed notch filter 1" << "Fixed notch filter 1 width"
          << "Fixed notch filter 1 frequency" << "Deceleration limit";
    if (!lite)
        speed << "Max roller speed slip";
    speed << "Speed sensitivity correction" << "[Tune Speed PID]";

    QStringList torque{"Setpoint range", "Setpoint source"};
    if (code != 4)
        torque << "Setpoint subtrahend";
    torque << gains << "Input filter frequency" << kD << "Disable feedback in speed and acc modes"
           << "Zero output when SP==0" << "Linearization function" << "Speed correction" << "[Tune Torque PID]";

    const struct {
        const char* group;
        QStringList rows;
    } pages[] = {
        {"CAN interface",
         {"Enable terminator", "Speed", "Send KX4 control message", "[KX4 Tool]", "[CANopen Tool]",
          "[OBD / UDS Analyzer]", "[CAN Monitor]"}},
        {"Roller", roller},
        {"Frequency Input", frequencyRows},
        {"Load Cell Setup", loadCellSetup},
        {"Load Cell Calib.",
         {"Gain a", "Offset b [Nm]", "Automatic offset calibration", "[Calibrate load cell with arm and weight]",
          "[Calibrate load cell from nominal parameters]", "[Recalibrate zero offset]"}},
        {"High Prec. Analog In",
         {"Input mode", "Differential mode", "User name", "Quantity", "Characteristic", "Low pass filter",
          "Calibration", "[Temperature Sensor Wizard]"}},
        {"Analog Input",
         {"User name", "Quantity", "Characteristic", "Low pass filter", "Calibration", "Ratiometric (+5V)",
          "[Temperature Sensor Wizard]", "[Open channel setup]", "[Export sensor preset]", "[Import sensor preset]"}},
        {"PWM output", pwm},
        {"Stepper motor",
         {"Position source", "Zero homing strategy", "0% to 100% step count", "Min frequency", "Max frequency",
          "Acceleration rate", "[Adjust stepper motor position]"}},
        {"Analog output", {"Signal source", "Min output voltage", "Max output voltage"}},
        {"Acceleration control", acceleration},
        {"Speed control", speed},
        {"Torque control", torque},
        {"Analog in control",
         {"Setpoint source", "Setpoint min voltage", "Setpoint max voltage", "kFF", "kP", "kI", "kD Fast", "kD Slow",
          "Input filter frequency", kD, "[Tune Analog Input PID]"}},
        {"Audio input",
         {"Record audio stream *", "Process audio in real time", "Playback", "Input bandpass filter frequency",
          "Input bandpass filter shape (Q)", "Signal gain", "Input filter frequency", "Engine noise",
          "[Knock Frequency Wizard]", "[Knock Engine Noise Wizard]",
          "[Load settings from last run in active project]"}},
    };
    for (const auto& page : pages) {
        QTabWidget* tabs = group(QString::fromLatin1(page.group));
        QVERIFY2(tabs, page.group);
        const QStringList shown = visibleRows(pageOf(tabs, 0));
        QVERIFY2(shown == page.rows, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(page.group),
                                                                               shown.join(QStringLiteral(" | ")))));
    }
    QTabWidget* frequency = group(QStringLiteral("Frequency Input"));
    QCOMPARE(visibleRows(pageOf(frequency, frequency->count() - 2)), engineSpeedRows);
}

void TestDynoSettingsBoard::rowsThatDependOnTheChannel()
{
    // Later channels copy from the channels before them; the first has no choice.
    QTabWidget* speed = group(QStringLiteral("Speed control"));
    if (theHwInfo.rollers > 1)
        QCOMPARE(visibleRows(pageOf(speed, 1)).first(), QStringLiteral("Copy settings from channel"));
    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        auto* copy = fixture->registry->getSetting(DynoSettingId_pidSyncSettingsCh, roller)
                         ->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox);
        QList<int> earlier{0};
        for (int channel = 1; channel <= roller; ++channel)
            earlier << channel;
        if (roller > 0)
            QCOMPARE(offered(copy), earlier);
        // Nor supports a roller itself.
        auto* support = fixture->registry->getSetting(DynoSettingId_rollerSupportRoller, roller)
                            ->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox);
        QVERIFY(!offered(support).contains(roller + 1));
    }
    for (int cell = 0; cell < theHwInfo.loadCells; ++cell) {
        auto* subtrahend = fixture->registry->getSetting(DynoSettingId_torquePidSpSubtrahend, cell)
                               ->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox);
        QVERIFY(!offered(subtrahend).contains(cell + 2));
    }

    // Analog inputs 7 to 12 of the largest board have no ratiometric reference.
    QTabWidget* analog = group(QStringLiteral("Analog Input"));
    for (int input = 0; input < theHwInfo.analogInputs; ++input) {
        const QStringList rows = visibleRows(pageOf(analog, input));
        const bool reference = input < 6;
        QCOMPARE(rows.contains(QStringLiteral("Ratiometric (+5V)")), reference);
        QCOMPARE(rows.contains(QStringLiteral("[Temperature Sensor Wizard]")), reference);
        if (!reference)
            QCOMPARE(fixture->registry->getSetting(DynoSettingId_ainRatiometric, input)->value().toBool(), false);
    }

    // The reduced boards: one roller, nothing to support it, synchronise with or
    // slip against; on the smallest one nothing to subtract from its torque.
    const auto valueOf = [this](DynoSettingId id) { return fixture->registry->getSetting(id, 0)->value().toDouble(); };
    if (theHwInfo.liteVariant) {
        QCOMPARE(valueOf(DynoSettingId_rollerSupportRoller), 0.0);
        QCOMPARE(valueOf(DynoSettingId_accPidSyncGain), 0.0);
        QCOMPARE(valueOf(DynoSettingId_pidBrakingSlip), 1.0);
    }
    if (code == 4)
        QCOMPARE(valueOf(DynoSettingId_torquePidSpSubtrahend), 0.0);

    // The engine-speed input says so in its mode; the others count to 10 MHz.
    auto modeText = [this](int slot) {
        return fixture->registry->getSetting(DynoSettingId_freqInputMode, slot)
            ->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox)
            ->itemText(1);
    };
    QCOMPARE(modeText(2), QStringLiteral("pulse count 10kHz - 100kHz"));
    QCOMPARE(modeText(0), QStringLiteral("pulse count 10kHz - 10MHz"));
}

void TestDynoSettingsBoard::optionsOfTheBoard()
{
    const auto optionsOf = [this](DynoSettingId id) {
        return offered(fixture->registry->getSetting(id, 0)->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox));
    };
    const QList<int> all16{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const QList<int> upTo13{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    const QList<int> all19{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};

    // On every board: no "OBD" and no "CAN channel".
    QCOMPARE(optionsOf(DynoSettingId_engineSpeedSource), (QList<int>{0, 1, 4}));

    const struct {
        DynoSettingId id;
        QList<int> perCode[5];
    } expected[] = {
        {DynoSettingId_freqInputMode, {{0}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}},
        // Channel 0 never offers itself either.
        {DynoSettingId_loadCellRoller, {{0, 1, 2}, {0, 1, 2, 3, 4}, {0, 1}, {0, 1, 2, 3, 4}, {0, 1}}},
        {DynoSettingId_rollerSupportRoller, {{0, 2}, {0, 2, 3, 4}, {0}, {0, 2, 3, 4}, {0}}},
        {DynoSettingId_analogOutputSource, {upTo13, all16, {0, 1, 2, 8, 9, 12}, all16, {0, 1, 2, 8, 12}}},
        {DynoSettingId_pwmSource, {upTo13, all16, {0, 1, 2, 8, 9, 12}, all16, {0, 1, 2, 8, 12}}},
        {DynoSettingId_stepperSource, {all16, all16, {0, 1, 2, 8, 9, 12}, all16, {0, 1, 2, 8, 12}}},
        {DynoSettingId_ainPidSpSource, {{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3}, {0, 1, 2, 3, 4, 5},
                                        {0, 1, 2}}},
        {DynoSettingId_torquePidSpSource, {{0, 1, 2, 3}, {0, 1, 2, 3, 4, 5}, {0, 1, 2}, {0, 1, 2, 3, 4, 5}, {0, 1, 2}}},
        // Without its own load cell (option 2 on channel 0).
        {DynoSettingId_torquePidSpSubtrahend, {{0, 1, 3, 4, 5}, {0, 1, 3, 4, 5}, {0, 1, 3}, {0, 1, 3, 4, 5}, {0, 1}}},
        {DynoSettingId_pidDetails, {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16}, all19, {0, 1, 7, 8, 11, 15},
                                    all19, {0, 1, 7, 11, 15}}},
    };
    for (const auto& entry : expected)
        QVERIFY2(optionsOf(entry.id) == entry.perCode[code], qPrintable(QString::number(int(entry.id))));

    // Hidden options stay in the list, so an index means the same option everywhere.
    auto* details = fixture->registry->getSetting(DynoSettingId_pidDetails, 0)->getWidgetHelper<QComboBox>(
        SettingWidgetType_comboBox);
    QCOMPARE(details->count(), 19);
    QCOMPARE(details->itemText(15), QStringLiteral("acc. controller 1"));
}

QTEST_MAIN(TestDynoSettingsBoard)
#include "tst_dyno_settings_board.moc"
