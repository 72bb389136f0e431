// The dyno settings of the largest board (device code 3) in one program run:
// what one change sends and stores, a restart, the rules between settings,
// stored choices the board does not offer, a link that stops draining, and
// how long registration holds the GUI.
#include "SettingsFixture.h"

#include "ACMTabWidget.h"
#include "ActiveProjectValues.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "DynoSettingsLossModelEditor.h"
#include "HwInfo.h"
#include "LogCapture.h"
#include "MySettings.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "RunChannel.h"
#include "SpinBoxWithUnit.h"
#include "WizardButton.h"
#include "functions/Argument.h"
#include "functions/ProjectFieldSource.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include <climits>
#include <cstring>
#include <thread>

namespace {

constexpr uint8_t configAddressReg = 44;
constexpr uint8_t configValueReg = 45;

struct ConfigWrite {
    quint32 word;
    quint16 channel;
    quint32 value;
    bool operator==(const ConfigWrite& other) const
    {
        return word == other.word && channel == other.channel && value == other.value;
    }
};

QDebug operator<<(QDebug debug, const ConfigWrite& write)
{
    return debug << "(word" << write.word << "channel" << write.channel << "value" << Qt::hex << write.value << ")";
}

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A project table with one field, the wheel diameter.
class WheelDiameterSource : public ProjectFieldSource
{
public:
    QVariant activeProjectDataRawById(int field) const override
    {
        ++reads;
        return field == 53 ? diameter : QVariant();
    }
    QString getDatabaseKey(int field) const override
    {
        return field == 53 ? QStringLiteral("wheelDiameter") : QStringLiteral("invalid");
    }
    int getFieldIdFromKey(const QString& key) const override
    {
        return key == QLatin1String("wheelDiameter") ? 53 : -1;
    }
    QVariant diameter;
    mutable int reads = 0;
};

} // namespace

class TestDynoSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void oneChangeSendsItsPairAndStoresIt_data();
    void oneChangeSendsItsPairAndStoresIt();
    void notStoredSettingSendsOnFirstChange();
    void editorsByKind();
    void lookupsAndRunFileNames();
    void otherThreadsReadACopy();
    void wheelChangesNothing();
    void wizardButtonsOpenThroughTheHook();
    void roadSpeedRadius();

    void dynoTypeEngineHubRoller();
    void copySettingsFromEarlierChannel();
    void torqueCopyKeepsItsOwnSetpoint();
    void pwmStepperMode();
    void frequencyInputSensorAndMode();
    void thermocoupleMode();
    void torqueSetpointsSteerTheBrakePanel();
    void inputsFollowTheirChannels();

    void restartRestoresAndResends();
    void secondConfirmationOnlyLogs();
    void storedOptionNotOfferedFallsBack();
    void stalledLinkGivesAnErrorInstead();
    void registrationHoldsTheGuiOnlyForTheWrites();

private:
    DynoSetting* setting(DynoSettingId id, int channel) const { return fixture->registry->getSetting(id, channel); }
    template<class T> T* editor(DynoSettingId id, int channel) const
    {
        return qobject_cast<T*>(setting(id, channel)->widget);
    }
    bool shown(DynoSettingId id, int channel) const;
    // Configuration writes that reach the controller while `work` runs.
    QList<ConfigWrite> writesDuring(const std::function<void()>& work);
    void linkRunTab(DynoSettings* registry);

    SettingsFixture* fixture = nullptr;
    std::unique_ptr<QWidget> runTab;
    SpinBoxWithUnit* autoStart = nullptr;
    SpinBoxWithUnit* autoStop = nullptr;
    QWidget* brakePanel = nullptr;
    QWidget* advancedModes = nullptr;
    QComboBox* brakeModes = nullptr;
    int engineSpeedPanelUpdates = 0;
    int startButtonUpdates = 0;
};

void TestDynoSettings::linkRunTab(DynoSettings* registry)
{
    DynoSettingsLinks& links = registry->links;
    links.autoStartThreshold = autoStart;
    links.autoStopThreshold = autoStop;
    links.brakeControllerPanel = brakePanel;
    links.advancedModeSelector = advancedModes;
    links.brakeControllerModes = brakeModes;
    links.updateEngineSpeedPanel = [this] { ++engineSpeedPanelUpdates; };
    links.updateStartButton = [this] { ++startButtonUpdates; };
}

void TestDynoSettings::initTestCase()
{
    SettingsFixture::prepareProcess();
    runTab = std::make_unique<QWidget>();
    autoStart = new SpinBoxWithUnit(runTab.get());
    autoStart->setObjectName(QStringLiteral("spinBox_run_autoStartThreshold"));
    autoStop = new SpinBoxWithUnit(runTab.get());
    autoStop->setObjectName(QStringLiteral("spinBox_run_autoStopThreshold"));
    brakePanel = new QWidget(runTab.get());
    advancedModes = new QWidget(runTab.get());
    brakeModes = new QComboBox(brakePanel);
    brakeModes->addItems({"Absorber OFF", "Torque control", "Torque c. joined", "Speed control", "Accel. control"});
    // A threshold stored before the dyno type gave it its quantity.
    theSettings.setValue(QStringLiteral("UserSetting/spinBox_run_autoStartThreshold"), 12.5);

    fixture = new SettingsFixture(3, [this](DynoSettings* registry) { linkRunTab(registry); });
    QVERIFY(fixture->start());
    QVERIFY(fixture->waitLinkIdle());
}

void TestDynoSettings::cleanupTestCase()
{
    delete fixture;
    runTab.reset();
}

bool TestDynoSettings::shown(DynoSettingId id, int channel) const
{
    QWidget* widget = setting(id, channel)->widget;
    QLabel* label = DynoSettings::getSettingLabel(widget);
    const bool editorShown = !widget->isHidden();
    // Editor and label go together.
    if (label && label->isHidden() == editorShown)
        qWarning() << "label and editor of" << setting(id, channel)->key << "disagree";
    return editorShown;
}

QList<ConfigWrite> TestDynoSettings::writesDuring(const std::function<void()>& work)
{
    if (!fixture->waitLinkIdle())
        return {};
    fixture->link.sim->clearTrace();
    work();
    fixture->waitLinkIdle();
    QList<ConfigWrite> writes;
    quint32 latch = 0;
    bool latched = false;
    for (const auto& entry : fixture->link.sim->trace()) {
        if (entry.reg == configAddressReg) {
            latch = entry.value;
            latched = true;
        } else if (entry.reg == configValueReg && latched) {
            writes.append({latch >> 16, quint16(latch & 0xFFFF), entry.value});
            latched = false;
        } else {
            // Anything else the board sent to the controller meanwhile.
            writes.append({0xFFFFFFFF, entry.reg, entry.value});
        }
    }
    return writes;
}

// ---------------------------------------------------------------------------

void TestDynoSettings::oneChangeSendsItsPairAndStoresIt_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<quint32>("sent");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("double spin box") << int(DynoSettingId_pidKP) << 1 << QVariant(2.5) << 896u << floatBits(2.5f)
                                     << QVariant(2.5);
    QTest::newRow("unit spin box, SI float") << int(DynoSettingId_absorberLockValue) << 0 << QVariant(0.1) << 8u
                                             << 0x3DCCCCCDu << QVariant(0.1);
    QTest::newRow("spin box") << int(DynoSettingId_freqInputSignalsPerRotation) << 4 << QVariant(60) << 168u << 60u
                              << QVariant(60);
    // The index in the full list, whatever the board hides.
    QTest::newRow("combo box") << int(DynoSettingId_pidDetails) << 0 << QVariant(15) << 4u << 15u << QVariant(15);
    QTest::newRow("check box on") << int(DynoSettingId_canEnableTerminator) << 1 << QVariant(true) << 1640u << 2u
                                  << QVariant(2);
    QTest::newRow("check box off") << int(DynoSettingId_pidNotchEnable) << 3 << QVariant(false) << 1056u << 0u
                                   << QVariant(0);
}

void TestDynoSettings::oneChangeSendsItsPairAndStoresIt()
{
    QFETCH(int, id);
    QFETCH(int, channel);
    QFETCH(QVariant, value);
    QFETCH(quint32, address);
    QFETCH(quint32, sent);
    QFETCH(QVariant, stored);

    DynoSetting* changed = setting(DynoSettingId(id), channel);
    const QList<ConfigWrite> writes = writesDuring([&] { changed->setValue(value); });
    QCOMPARE(writes, (QList<ConfigWrite>{{address / 4, quint16(channel), sent}}));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/") + changed->key).toDouble(),
             stored.toDouble());
    quint32 word = 0;
    QVERIFY(fixture->link.sim->configWord(address, quint16(channel), &word));
    QCOMPARE(word, sent);
}

void TestDynoSettings::notStoredSettingSendsOnFirstChange()
{
    // The tuning tool sets the relay amplitude; it is never stored.
    QVERIFY(!fixture->link.sim->configWord(864, 2, nullptr));
    const QList<ConfigWrite> writes = writesDuring([&] { setting(DynoSettingId_pidRelayAmplitude, 2)->setValue(0.25); });
    QCOMPARE(writes, (QList<ConfigWrite>{{864 / 4, 2, floatBits(0.25f)}}));
    QVERIFY(!theSettings.contains(QStringLiteral("UserSetting/DynoSetting/pid_2_relayAmplitude")));
    // Nor is the capture clock, which reads the same whatever the file says.
    QCOMPARE(setting(DynoSettingId_freqInputClockFrequency, 0)->value().toInt(), 32000000);
    QVERIFY(!theSettings.contains(QStringLiteral("UserSetting/DynoSetting/freqInputClockFrequency")));
    QCOMPARE(setting(DynoSettingId_engineSpeedCANChannel, 0)->value().toString(), QString());
}

void TestDynoSettings::editorsByKind()
{
    // Integer spin box: infinite limits become the int range.
    auto* clock = editor<QSpinBox>(DynoSettingId_freqInputClockFrequency, 0);
    QCOMPARE(clock->minimum(), INT_MIN);
    QCOMPARE(clock->maximum(), INT_MAX);
    QCOMPARE(editor<QDoubleSpinBox>(DynoSettingId_loadCellA, 0)->decimals(), 7);
    QVERIFY(std::isinf(editor<QDoubleSpinBox>(DynoSettingId_loadCellA, 0)->maximum()));

    // Object name and store key from the key with the channel index.
    DynoSetting* mode = setting(DynoSettingId_freqInputMode, 0);
    QCOMPARE(mode->widget->objectName(), QStringLiteral("DynoSetting/freqInput_0_mode"));
    QCOMPARE(mode->label, QStringLiteral("Input mode (from RevE)"));
    QVERIFY(theSettings.contains(QStringLiteral("UserSetting/DynoSetting/freqInput_0_mode")));
    QCOMPARE(mode->widget->toolTip(),
             QStringLiteral("Use pulse capture for toothed wheel + QM2/QM3\npulse count needs to be used if your signal "
                            "will exceed 15kHz"));

    // value() and setValue() by kind.
    DynoSetting* name = setting(DynoSettingId_ainName, 1);
    name->setValue(QStringLiteral("Boost"));
    QCOMPARE(name->value(), QVariant(QStringLiteral("Boost")));
    DynoSetting* quantity = setting(DynoSettingId_ainUnitType, 1);
    quantity->setValue(int(Quantity::Pressure));
    QCOMPARE(quantity->value().toInt(), int(Quantity::Pressure));
    DynoSetting* curve = setting(DynoSettingId_ainCharacteristic, 1);
    const QList<QPointF> points{QPointF(0.5, 0), QPointF(4.5, 250000)};
    curve->setValue(QVariant::fromValue(points));
    QCOMPARE(curve->value().value<QList<QPointF>>(), points);
    DynoSetting* loss = setting(DynoSettingId_lossModel, 0);
    loss->setValue(QVariant::fromValue(QList<double>{0, 1.5, 0.25, 0, 0}));
    QCOMPARE(loss->value().value<QList<double>>(), (QList<double>{0, 1.5, 0.25, 0, 0}));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/lossModel")).value<QList<double>>(),
             (QList<double>{0, 1.5, 0.25, 0, 0}));
    DynoSetting* argument = setting(DynoSettingId_pwmArgument, 0);
    argument->setValue(QStringLiteral("constant:0.4"));
    QCOMPARE(argument->value().toString(), QStringLiteral("constant:0.4"));
    DynoSetting* check = setting(DynoSettingId_audioRecord, 0);
    check->setValue(true);
    QCOMPARE(check->value(), QVariant(true));

    // Typed access to another kind: nothing, and a line in the log.
    LogCapture log;
    QVERIFY(!setting(DynoSettingId_dynoType, 0)->getWidgetHelper<QDoubleSpinBox>(SettingWidgetType_doubleSpinBox));
    QCOMPARE(log.count(QStringLiteral("DynoSetting::getWidget: setting has different widget type than requested. "
                                      "Should be: 4")),
             1);
    QVERIFY(setting(DynoSettingId_dynoType, 0)->getWidgetHelper<QComboBox>(SettingWidgetType_comboBox));
}

void TestDynoSettings::lookupsAndRunFileNames()
{
    DynoSettings* registry = fixture->registry;
    QVERIFY(!registry->getSetting(DynoSettingId_rollerDiameter, theHwInfo.rollers));
    QVERIFY(!registry->getSetting(DynoSettingId_rollerDiameter, -1));
    QCOMPARE(setting(DynoSettingId_rollerDiameter, 0)->generateIdStringForAnalyze(3),
             QStringLiteral("roller_3_diameter"));
    QCOMPARE(setting(DynoSettingId_dynoType, 0)->generateIdStringForAnalyze(2), QStringLiteral("dynoType"));

    const struct {
        const char* key;
        QVariant value;
        const char* text;
    } cases[] = {
        {"dynoType", 2, "hub"},
        {"dynoType", 7, "7"},
        {"roller_0_diameter", 0.5, "0.5"},
        {"pid_2_syncSettingsCh", 1, "1"},
        {"torquePID_1_spSubtrahend", 3, "load cell 2"},
        {"noSuchSetting", 1, "1"},
    };
    for (const auto& c : cases)
        QCOMPARE(registry->analyzeSettingValueToString(QString::fromLatin1(c.key), c.value),
                 QString::fromLatin1(c.text));

    // A setting registered without channels still belongs to the next group.
    ACMTabWidget tabs;
    DynoSettings bare(&tabs);
    bare.addSetting(DynoSettingId_inertia, QStringLiteral("inertia_%1"), QStringLiteral("Connected inertia"),
                    QString(), 0, SettingWidgetType_spinBoxWithUnit, 0.0, 0.0, 1.0, Quantity::Inertia, false, true);
    QVERIFY(!bare.getSetting(DynoSettingId_inertia, 0));
    QCOMPARE(bare.pendingIds, (QList<DynoSettingId>{DynoSettingId_inertia}));
    theDynoSettings = fixture->registry;
}

void TestDynoSettings::otherThreadsReadACopy()
{
    DynoSetting* kp = setting(DynoSettingId_torquePidKP, 1);
    kp->setValue(0.75);
    double seen = 0;
    std::thread reader([&] { seen = fixture->registry->getSettingValueDouble(DynoSettingId_torquePidKP, 1); });
    reader.join();
    QCOMPARE(seen, 0.75);

    // Also what the store restores and what a binding copies.
    DynoSetting* curve = setting(DynoSettingId_pidSpeedCorrectionSens, 0);
    QList<QPointF> points;
    std::thread curveReader([&] { points = curve->value().value<QList<QPointF>>(); });
    curveReader.join();
    QCOMPARE(points, curve->value().value<QList<QPointF>>());
    QCOMPARE(points.size(), 2);
}

void TestDynoSettings::wheelChangesNothing()
{
    auto* spin = editor<QDoubleSpinBox>(DynoSettingId_accPidKP, 0);
    spin->setValue(1.0);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QVERIFY(QCoreApplication::sendEvent(spin, &wheel));
    QCOMPARE(spin->value(), 1.0);
    auto* combo = editor<QComboBox>(DynoSettingId_canSpeed, 0);
    const int before = combo->currentIndex();
    QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(combo, &down);
    QCOMPARE(combo->currentIndex(), before);
}

void TestDynoSettings::wizardButtonsOpenThroughTheHook()
{
    QList<QPair<int, int>> opened;
    WizardButton::registerOpener(SettingWizardId_tuneTorquePid,
                                 [&](WizardButton& button) { opened.append({int(button.id), button.index}); });
    fixture->registry->wizardButtons.value(SettingWizardId_tuneTorquePid).at(2)->click();
    QCOMPARE(opened, (QList<QPair<int, int>>{{11, 2}}));
    QCOMPARE(fixture->registry->wizardButtons.value(SettingWizardId_tuneTorquePid).at(2)->text(),
             QStringLiteral("Tune Torque PID"));
    // Another id's registration does not open this one; taking it out again
    // leaves the button inert.
    WizardButton::registerOpener(SettingWizardId_tuneSpeedPid, [&](WizardButton&) { opened.append({-1, -1}); });
    WizardButton::registerOpener(SettingWizardId_tuneTorquePid, nullptr);
    WizardButton::registerOpener(SettingWizardId_tuneSpeedPid, nullptr);
    fixture->registry->wizardButtons.value(SettingWizardId_tuneTorquePid).at(0)->click();
    QCOMPARE(opened.size(), 1);
}

void TestDynoSettings::roadSpeedRadius()
{
    DynoSettings* registry = fixture->registry;
    // The project table belongs to the GUI thread: the radius must come from
    // the mirror alone, never from the table.
    WheelDiameterSource table;
    table.diameter = 0.9;
    Argument::setProjectFieldSource(&table);
    setting(DynoSettingId_rollerDiameter, 1)->setValue(0.5);
    theActiveProjectValues.clear();

    // Read the way the brake-controller thread does: off the GUI thread.
    auto radiusOffGuiThread = [registry] {
        double radius = 0.0;
        std::thread reader([&] { radius = registry->getRoadSpeedRadius(1); });
        reader.join();
        return radius;
    };

    struct Case {
        const char* what;
        int dynoType;
        bool active;
        double wheel;
        double radius;
    };
    const Case cases[] = {
        {"roller dyno ignores the wheel", 1, true, 0.6, 0.25},
        {"hub dyno takes the wheel", 2, true, 0.6, 0.3},
        {"hub dyno follows a changed wheel", 2, true, 0.64, 0.32},
        {"hub dyno, wheel not filled in", 2, true, 0.0, 0.25},
        {"hub dyno, no active project", 2, false, 0.6, 0.25},
    };
    for (const Case& c : cases) {
        setting(DynoSettingId_dynoType, 0)->setValue(c.dynoType);
        theActiveProjectValues.wheelDiameter = c.wheel;
        theActiveProjectValues.active = c.active;
        QVERIFY2(qFuzzyCompare(radiusOffGuiThread(), c.radius), c.what);
    }
    QCOMPARE(table.reads, 0);

    theActiveProjectValues.clear();
    Argument::setProjectFieldSource(nullptr);
    setting(DynoSettingId_dynoType, 0)->setValue(1);
}

// ---------------------------------------------------------------- the rules

void TestDynoSettings::dynoTypeEngineHubRoller()
{
    DynoSetting* dynoType = setting(DynoSettingId_dynoType, 0);
    auto* internalLoss = editor<DynoSettingsLossModelEditor>(DynoSettingId_internalLossModel, 0);

    // Registered as a roller dyno: the thresholds took road speed and, once,
    // their stored value.
    QCOMPARE(autoStart->getQuantity(), Quantity::Speed);
    QCOMPARE(autoStart->getValueSI(), 12.5);
    QVERIFY(autoStart->property("initialized").toBool());

    internalLoss->setLossModel({0, 2, 0, 0.5, 0});
    setting(DynoSettingId_rollerDiameter, 2)->setValue(0.8);
    engineSpeedPanelUpdates = startButtonUpdates = 0;

    const QList<ConfigWrite> writes = writesDuring([&] { dynoType->setValue(0); });
    for (int roller = 0; roller < theHwInfo.rollers; ++roller) {
        QCOMPARE(setting(DynoSettingId_rollerDiameter, roller)->value().toDouble(), 0.01);
        QVERIFY(!shown(DynoSettingId_rollerDiameter, roller));
        QVERIFY(writes.contains(ConfigWrite{336 / 4, quint16(roller), floatBits(0.01f)}));
    }
    QVERIFY(internalLoss->lossModel().isEmpty());
    QVERIFY(theSettings.value(QStringLiteral("UserSetting/DynoSetting/internalLossModel")).value<QList<double>>().isEmpty());
    QVERIFY(!shown(DynoSettingId_internalLossModel, 0));
    QCOMPARE(autoStart->getQuantity(), Quantity::RotationalSpeed);
    QCOMPARE(autoStop->getQuantity(), Quantity::RotationalSpeed);
    QCOMPARE(engineSpeedPanelUpdates, 1);
    QCOMPARE(startButtonUpdates, 1);

    dynoType->setValue(2);
    QLabel* label = DynoSettings::getSettingLabel(setting(DynoSettingId_rollerDiameter, 1)->widget);
    QCOMPARE(label->text(), QStringLiteral("Vehicle wheel diameter"));
    QVERIFY(shown(DynoSettingId_rollerDiameter, 1));
    QVERIFY(!shown(DynoSettingId_internalLossModel, 0));
    QCOMPARE(autoStart->getQuantity(), Quantity::Speed);

    dynoType->setValue(1);
    QCOMPARE(label->text(), QStringLiteral("Roller diameter"));
    QVERIFY(shown(DynoSettingId_internalLossModel, 0));
    // The diameter stays what the engine dyno left.
    QCOMPARE(setting(DynoSettingId_rollerDiameter, 2)->value().toDouble(), 0.01);
    setting(DynoSettingId_rollerDiameter, 2)->setValue(1.0);
}

void TestDynoSettings::copySettingsFromEarlierChannel()
{
    DynoSetting* selector = setting(DynoSettingId_pidSyncSettingsCh, 1);
    setting(DynoSettingId_pidKP, 0)->setValue(3.0);
    setting(DynoSettingId_pidKP, 1)->setValue(0.5);
    setting(DynoSettingId_pidNotchEnable, 0)->setValue(false);
    setting(DynoSettingId_pidNotchEnable, 1)->setValue(true);
    setting(DynoSettingId_pidRampLimit, 0)->setValue(20.0);
    const QList<QPointF> curve{QPointF(0, 1), QPointF(500, 0.8), QPointF(1000, 0.6)};
    setting(DynoSettingId_pidSpeedCorrectionSens, 0)->setValue(QVariant::fromValue(curve));

    // Channel 1 takes channel 0's values at once, and they reach the controller.
    const QList<ConfigWrite> writes = writesDuring([&] { selector->setValue(1); });
    QCOMPARE(setting(DynoSettingId_pidKP, 1)->value().toDouble(), 3.0);
    QCOMPARE(setting(DynoSettingId_pidNotchEnable, 1)->value().toBool(), false);
    QCOMPARE(setting(DynoSettingId_pidRampLimit, 1)->value().toDouble(),
             setting(DynoSettingId_pidRampLimit, 0)->value().toDouble());
    QCOMPARE(setting(DynoSettingId_pidSpeedCorrectionSens, 1)->value().value<QList<QPointF>>(), curve);
    QVERIFY(writes.contains(ConfigWrite{896 / 4, 1, floatBits(3.0f)}));
    QVERIFY(writes.contains(ConfigWrite{1056 / 4, 1, 0}));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/pid_1_kP")).toDouble(), 3.0);
    // The selector itself is no part of the copy.
    QCOMPARE(setting(DynoSettingId_pidSyncSettingsCh, 0)->value().toInt(), 0);

    // Either page edits both.
    setting(DynoSettingId_pidKP, 1)->setValue(4.0);
    QCOMPARE(setting(DynoSettingId_pidKP, 0)->value().toDouble(), 4.0);
    setting(DynoSettingId_pidKI, 0)->setValue(0.125);
    QCOMPARE(setting(DynoSettingId_pidKI, 1)->value().toDouble(), 0.125);
    const QList<ConfigWrite> both = writesDuring([&] { setting(DynoSettingId_pidKDD, 0)->setValue(0.5); });
    QCOMPARE(both, (QList<ConfigWrite>{{960 / 4, 0, floatBits(0.5f)}, {960 / 4, 1, floatBits(0.5f)}}));
    // Channels outside the binding stay apart.
    QVERIFY(setting(DynoSettingId_pidKP, 2)->value().toDouble() != 4.0);

    // Back to "-": the values stay, the binding ends.
    selector->setValue(0);
    QCOMPARE(setting(DynoSettingId_pidKP, 1)->value().toDouble(), 4.0);
    setting(DynoSettingId_pidKP, 0)->setValue(5.0);
    QCOMPARE(setting(DynoSettingId_pidKP, 1)->value().toDouble(), 4.0);
    setting(DynoSettingId_pidKP, 1)->setValue(6.0);
    QCOMPARE(setting(DynoSettingId_pidKP, 0)->value().toDouble(), 5.0);

    // A later channel can follow channel 1 as well as channel 0, never itself.
    auto* third = editor<QComboBox>(DynoSettingId_accPidSyncSettingsCh, 2);
    setting(DynoSettingId_accPidKI, 1)->setValue(0.3);
    third->setCurrentIndex(2);
    QCOMPARE(setting(DynoSettingId_accPidKI, 2)->value().toDouble(), 0.3);
    setting(DynoSettingId_accPidKI, 2)->setValue(0.4);
    QCOMPARE(setting(DynoSettingId_accPidKI, 1)->value().toDouble(), 0.4);
    QVERIFY(setting(DynoSettingId_accPidKI, 0)->value().toDouble() != 0.4);
    third->setCurrentIndex(1);
    setting(DynoSettingId_accPidKI, 1)->setValue(0.6);
    QCOMPARE(setting(DynoSettingId_accPidKI, 2)->value().toDouble(), setting(DynoSettingId_accPidKI, 0)->value().toDouble());
    third->setCurrentIndex(0);
}

void TestDynoSettings::torqueCopyKeepsItsOwnSetpoint()
{
    setting(DynoSettingId_torquePidSpSource, 2)->setValue(1);
    setting(DynoSettingId_torquePidSpSubtrahend, 2)->setValue(1);
    setting(DynoSettingId_torquePidLinearization, 0)->setValue(3);
    setting(DynoSettingId_torquePidSpRange, 0)->setValue(800.0);

    auto* linearization = editor<QComboBox>(DynoSettingId_torquePidLinearization, 2);
    setting(DynoSettingId_torquePidSyncSettingsCh, 2)->setValue(1);
    QCOMPARE(linearization->count(), 7);
    QCOMPARE(linearization->currentIndex(), 3);
    QCOMPARE(linearization->itemText(3), QStringLiteral("x^(2/3)"));
    QCOMPARE(setting(DynoSettingId_torquePidSpRange, 2)->value().toDouble(), 800.0);
    QCOMPARE(setting(DynoSettingId_torquePidSpSource, 2)->value().toInt(), 1);
    QCOMPARE(setting(DynoSettingId_torquePidSpSubtrahend, 2)->value().toInt(), 1);
    QVERIFY(setting(DynoSettingId_torquePidSpSource, 0)->value().toInt() != 1);

    // Bound again and again, the options stay seven.
    setting(DynoSettingId_torquePidSyncSettingsCh, 2)->setValue(0);
    setting(DynoSettingId_torquePidSyncSettingsCh, 2)->setValue(1);
    QCOMPARE(linearization->count(), 7);
    setting(DynoSettingId_torquePidSyncSettingsCh, 2)->setValue(0);
    setting(DynoSettingId_torquePidSpSource, 2)->setValue(0);
    setting(DynoSettingId_torquePidSpSubtrahend, 2)->setValue(0);
}

void TestDynoSettings::pwmStepperMode()
{
    const int channel = 1;
    setting(DynoSettingId_pwmSource, channel)->setValue(1);
    QVERIFY(shown(DynoSettingId_pwmArgument, channel));
    WizardButton* servo = fixture->registry->wizardButtons.value(SettingWizardId_rcServoPulse).at(channel);
    QVERIFY(!servo->isHidden());

    const QList<ConfigWrite> writes = writesDuring([&] { setting(DynoSettingId_pwmMode, channel)->setValue(3); });
    QCOMPARE(setting(DynoSettingId_pwmSource, channel)->value().toInt(), 0);
    QVERIFY(writes.contains(ConfigWrite{368 / 4, quint16(channel), 0}));
    QVERIFY(!shown(DynoSettingId_pwmSource, channel));
    QVERIFY(!shown(DynoSettingId_pwmArgument, channel));
    QVERIFY(shown(DynoSettingId_pwmStepperMotorId, channel));
    for (const DynoSettingId id : {DynoSettingId_pwmFrequency, DynoSettingId_pwmRangeMin, DynoSettingId_pwmFreqMin})
        QVERIFY(!shown(id, channel));
    QVERIFY(servo->isHidden());

    setting(DynoSettingId_pwmMode, channel)->setValue(1);
    QVERIFY(shown(DynoSettingId_pwmFreqMin, channel));
    QVERIFY(shown(DynoSettingId_pwmSource, channel));
    QVERIFY(!shown(DynoSettingId_pwmFrequency, channel));
    setting(DynoSettingId_pwmMode, channel)->setValue(0);
    QVERIFY(!servo->isHidden());

    // Outputs with a source of their own.
    const struct {
        DynoSettingId source;
        int argumentOption;
        DynoSettingId argument;
    } sources[] = {{DynoSettingId_lsOutputSource, 2, DynoSettingId_lsOutputArgument},
                   {DynoSettingId_hsOutputSource, 2, DynoSettingId_hsOutputArgument},
                   {DynoSettingId_analogOutputSource, 1, DynoSettingId_analogOutputArgument},
                   {DynoSettingId_stepperSource, 1, DynoSettingId_stepperArgument},
                   {DynoSettingId_ainPidSpSource, 1, DynoSettingId_ainPidSpArgument},
                   {DynoSettingId_torquePidSpSubtrahend, 1, DynoSettingId_torquePidSpSubtrahendConstant}};
    for (const auto& row : sources) {
        setting(row.source, 1)->setValue(row.argumentOption);
        QVERIFY(shown(row.argument, 1));
        setting(row.source, 1)->setValue(0);
        QVERIFY(!shown(row.argument, 1));
    }
    setting(DynoSettingId_lsOutputSource, 1)->setValue(1);
    QVERIFY(shown(DynoSettingId_lsOutputInvert, 1));
    QVERIFY(!shown(DynoSettingId_lsOutputArgument, 1));
}

void TestDynoSettings::frequencyInputSensorAndMode()
{
    const qint64 t = QDateTime::currentMSecsSinceEpoch() - 1000;
    RunChannel* speed = theChannels.getChannel(ChannelId_freqInputRotationalSpeed, 4);
    RunChannel* roller = theChannels.getChannel(ChannelId_rollerPower, 3);
    RunChannel* brakes = theChannels.getChannel(ChannelId_rollerBrakesTorque, 0);
    RunChannel* frequency = theChannels.getChannel(ChannelId_freqInputFrequency, 0);
    for (RunChannel* channel : {speed, roller, brakes, frequency})
        channel->setDataWithoutFilter(42.0, t);

    setting(DynoSettingId_freqInputSensor, 1)->setValue(1);
    for (const DynoSettingId id : {DynoSettingId_freqInputSignalsPerRotation, DynoSettingId_freqInputMultiplier,
                                   DynoSettingId_freqInputDiffFilter})
        QVERIFY(!shown(id, 1));
    for (const DynoSettingId id : {DynoSettingId_freqInputSensorName, DynoSettingId_freqInputSensorQuantity,
                                   DynoSettingId_freqInputSensorCharacteristic})
        QVERIFY(shown(id, 1));
    QCOMPARE(speed->getValue(), 0.0);
    QCOMPARE(roller->getValue(), 0.0);
    QCOMPARE(brakes->getValue(), 42.0);
    QCOMPARE(frequency->getValue(), 42.0);
    setting(DynoSettingId_freqInputSensor, 1)->setValue(0);
    QVERIFY(shown(DynoSettingId_freqInputMultiplier, 1));

    // The spike filter belongs to the engine-speed input only.
    for (int slot = 0; slot < theHwInfo.mcuFreqSlots; ++slot) {
        QCOMPARE(shown(DynoSettingId_freqInputSpikeFilter, slot), slot == 2);
        QVERIFY(shown(DynoSettingId_freqInputNextEdgeRejectTime, slot));
    }
    setting(DynoSettingId_freqInputMode, 2)->setValue(1);
    QVERIFY(!shown(DynoSettingId_freqInputSpikeFilter, 2));
    QVERIFY(!shown(DynoSettingId_freqInputNextEdgeRejectTime, 2));
    setting(DynoSettingId_freqInputMode, 2)->setValue(0);
    // Its sensor type is fixed.
    QVERIFY(!shown(DynoSettingId_freqInputSensor, 2));
}

void TestDynoSettings::thermocoupleMode()
{
    auto* quantity = editor<QuantityComboBox>(DynoSettingId_hpAinUnitType, 3);
    WizardButton* wizard = fixture->registry->wizardButtons.value(SettingWizardId_hpAinTemperatureSensor).at(3);
    setting(DynoSettingId_hpAinMode, 3)->setValue(6);
    QCOMPARE(quantity->currentQuantity(), Quantity::Temperature);
    QVERIFY(!quantity->isEnabled());
    QVERIFY(!shown(DynoSettingId_hpAinCharacteristic, 3));
    QVERIFY(wizard->isHidden());
    QCOMPARE(theChannels.getChannel(ChannelId_hpAin, 3)->setup->quantity, Quantity::Temperature);

    setting(DynoSettingId_hpAinMode, 3)->setValue(0);
    QVERIFY(quantity->isEnabled());
    QCOMPARE(quantity->currentQuantity(), Quantity::Temperature);
    QVERIFY(shown(DynoSettingId_hpAinCharacteristic, 3));
    QVERIFY(!wizard->isHidden());
}

void TestDynoSettings::torqueSetpointsSteerTheBrakePanel()
{
    auto* modes = qobject_cast<QListView*>(brakeModes->view());
    // A fresh installation: no torque controller follows a speed controller.
    QVERIFY(brakePanel->isHidden());
    QVERIFY(advancedModes->isHidden());
    QVERIFY(modes->isRowHidden(2));

    setting(DynoSettingId_torquePidSpSource, 0)->setValue(2);
    QVERIFY(!brakePanel->isHidden());
    QVERIFY(!advancedModes->isHidden());
    QVERIFY(modes->isRowHidden(2));
    setting(DynoSettingId_torquePidSpSource, 3)->setValue(5);
    QVERIFY(!modes->isRowHidden(2));
    setting(DynoSettingId_torquePidSpSource, 3)->setValue(1);
    QVERIFY(shown(DynoSettingId_torquePidSpArgument, 3));
    QVERIFY(modes->isRowHidden(2));
    setting(DynoSettingId_torquePidSpSource, 0)->setValue(0);
    setting(DynoSettingId_torquePidSpSource, 3)->setValue(0);
    QVERIFY(brakePanel->isHidden());
}

void TestDynoSettings::inputsFollowTheirChannels()
{
    // Fresh curves: the identity over the input range.
    auto* hpCurve = editor<PointVectorEditor>(DynoSettingId_hpAinCharacteristic, 0);
    QCOMPARE(hpCurve->vector(), (QList<QPointF>{QPointF(-5, -5), QPointF(5, 5)}));
    PointVectorEditorAxis* hpX = hpCurve->axes[PointVectorField_x];
    QCOMPARE(hpX->label, QStringLiteral("Input voltage"));
    QCOMPARE(hpX->quantity, Quantity::Voltage);
    QCOMPARE(hpX->rangeMinSI, -5.0);
    QCOMPARE(hpX->rangeMaxSI, 5.0);
    QCOMPARE(editor<PointVectorEditor>(DynoSettingId_ainCharacteristic, 0)->vector(),
             (QList<QPointF>{QPointF(0, 0), QPointF(5, 5)}));
    auto* frequencyCurve = editor<PointVectorEditor>(DynoSettingId_freqInputSensorCharacteristic, 3);
    QCOMPARE(frequencyCurve->vector(), (QList<QPointF>{QPointF(0, 0), QPointF(15000, 15000)}));
    QCOMPARE(frequencyCurve->axes[PointVectorField_x]->rangeMaxSI, 10000000.0);

    // The name typed on the page names the channel and the curve.
    auto* name = editor<QLineEdit>(DynoSettingId_ainName, 0);
    ChannelSetup* setup = theChannels.getChannel(ChannelId_ain, 0)->setup;
    auto* curve = editor<PointVectorEditor>(DynoSettingId_ainCharacteristic, 0);
    name->setText(QStringLiteral("Oil pressure"));
    QCOMPARE(setup->displayName, QStringLiteral("Oil pressure"));
    QCOMPARE(curve->axes[PointVectorField_y]->label, QStringLiteral("Oil pressure"));
    // And a name given in the channel setup comes back to the page and the store.
    setup->slot_customDisplayNameChanged(QStringLiteral("Oil press."));
    QCOMPARE(name->text(), QStringLiteral("Oil press."));
    QCOMPARE(theSettings.value(QStringLiteral("UserSetting/DynoSetting/ain_0_name")).toString(),
             QStringLiteral("Oil press."));

    setting(DynoSettingId_ainUnitType, 0)->setValue(int(Quantity::Pressure));
    QCOMPARE(setup->quantity, Quantity::Pressure);
    QCOMPARE(curve->axes[PointVectorField_y]->quantity, Quantity::Pressure);

    // Frequency slot 3 is digital input 2.
    setting(DynoSettingId_freqInputSensorName, 3)->setValue(QStringLiteral("Fuel flow"));
    QCOMPARE(theChannels.getChannel(ChannelId_freqInputSensorValue, 2)->setup->displayName,
             QStringLiteral("Fuel flow"));
}

// ------------------------------------------------------- restart and faults

void TestDynoSettings::restartRestoresAndResends()
{
    setting(DynoSettingId_absorberLockValue, 0)->setValue(0.35);
    setting(DynoSettingId_pidDetails, 0)->setValue(16);
    setting(DynoSettingId_canEnableTerminator, 1)->setValue(true);
    setting(DynoSettingId_torquePidKFilter, 2)->setValue(42.0);
    setting(DynoSettingId_stepperStepCount, 1)->setValue(400);
    const QList<QPointF> stored{QPointF(0, 0.9), QPointF(700, 0.5)};
    setting(DynoSettingId_accPidSpeedCorrectionSens, 1)->setValue(QVariant::fromValue(stored));
    setting(DynoSettingId_ainName, 2)->setValue(QStringLiteral("Exhaust gas"));

    const QList<ConfigWrite> writes = writesDuring([&] { QVERIFY(fixture->restart()); });
    for (const ConfigWrite& expected : {ConfigWrite{8 / 4, 0, floatBits(0.35f)}, ConfigWrite{4 / 4, 0, 16},
                                        ConfigWrite{1640 / 4, 1, 2}, ConfigWrite{1560 / 4, 2, floatBits(42.0f)},
                                        ConfigWrite{1680 / 4, 1, 400}})
        QVERIFY2(writes.contains(expected), qPrintable(QStringLiteral("word %1 channel %2 not sent")
                                                           .arg(expected.word)
                                                           .arg(expected.channel)));
    // Every addressed channel once at least; the relay amplitudes are not stored.
    QVERIFY(writes.size() > 300);

    QCOMPARE(setting(DynoSettingId_absorberLockValue, 0)->value().toDouble(), 0.35);
    QCOMPARE(setting(DynoSettingId_pidDetails, 0)->value().toInt(), 16);
    QCOMPARE(setting(DynoSettingId_stepperStepCount, 1)->value().toInt(), 400);
    QCOMPARE(setting(DynoSettingId_accPidSpeedCorrectionSens, 1)->value().value<QList<QPointF>>(), stored);
    QCOMPARE(setting(DynoSettingId_accPidSpeedCorrectionSens, 0)->value().value<QList<QPointF>>().size(), 2);
    QCOMPARE(setting(DynoSettingId_ainName, 2)->value().toString(), QStringLiteral("Exhaust gas"));
    QCOMPARE(theChannels.getChannel(ChannelId_ain, 2)->setup->displayName, QStringLiteral("Exhaust gas"));
    QCOMPARE(setting(DynoSettingId_lossModel, 0)->value().value<QList<double>>(), (QList<double>{0, 1.5, 0.25, 0, 0}));
    // Not stored: back to what a fresh start has.
    QCOMPARE(setting(DynoSettingId_pidRelayAmplitude, 2)->value().toDouble(), 0.0);
}

void TestDynoSettings::secondConfirmationOnlyLogs()
{
    LogCapture log;
    const int groups = fixture->tabs->count();
    const QList<ConfigWrite> writes = writesDuring([&] {
        emit fixture->link.link->signal_firmwareVersionConfirmed();
        QTest::qWait(50);
    });
    QCOMPARE(log.count(QStringLiteral("Settings already initialized once")), 1);
    QCOMPARE(log.count(QStringLiteral("Dyno settings ready")), 0);
    QVERIFY(writes.isEmpty());
    QCOMPARE(fixture->tabs->count(), groups);
}

void TestDynoSettings::storedOptionNotOfferedFallsBack()
{
    const QString d = QStringLiteral("UserSetting/DynoSetting/");
    theSettings.setValue(d + QStringLiteral("pidDetails"), 25);                // past the list
    theSettings.setValue(d + QStringLiteral("engineSpeedSource"), 3);          // "CAN channel", hidden everywhere
    theSettings.setValue(d + QStringLiteral("loadCell_1_direction"), QStringLiteral("sideways"));
    theSettings.setValue(d + QStringLiteral("roller_2_supportRoller"), 3);     // itself
    theSettings.setValue(d + QStringLiteral("pid_1_syncSettingsCh"), 3);       // a later channel
    theSettings.setValue(d + QStringLiteral("torquePID_0_spSubtrahend"), 2);   // its own load cell
    theSettings.setValue(d + QStringLiteral("can_0_speed"), 2);                // offered: kept

    LogCapture log;
    QList<ConfigWrite> writes = writesDuring([&] { QVERIFY(fixture->restart()); });
    QCOMPARE(setting(DynoSettingId_pidDetails, 0)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_engineSpeedSource, 0)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_loadCellDirection, 1)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_rollerSupportRoller, 2)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_pidSyncSettingsCh, 1)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_torquePidSpSubtrahend, 0)->value().toInt(), 0);
    QCOMPARE(setting(DynoSettingId_canSpeed, 0)->value().toInt(), 2);
    for (const char* key : {"pidDetails", "engineSpeedSource", "loadCell_1_direction", "roller_2_supportRoller",
                            "pid_1_syncSettingsCh", "torquePID_0_spSubtrahend"}) {
        QCOMPARE(theSettings.value(d + QLatin1String(key)).toInt(), 0);
        QVERIFY2(log.count(QStringLiteral("Dyno setting %1: ").arg(QLatin1String(key))) == 1, key);
    }
    // What the controller is left with.
    QVERIFY(!writes.contains(ConfigWrite{1, 0, 25}));
    quint32 word = 1;
    QVERIFY(fixture->link.sim->configWord(4, 0, &word));
    QCOMPARE(word, 0u);
    QVERIFY(fixture->link.sim->configWord(320, 2, &word));
    QCOMPARE(word, 0u);
    QVERIFY(fixture->link.sim->configWord(1448, 0, &word));
    QCOMPARE(word, 0u);
    // A selector that named a later channel bound nothing.
    setting(DynoSettingId_pidKP, 2)->setValue(7.0);
    QVERIFY(setting(DynoSettingId_pidKP, 1)->value().toDouble() != 7.0);
}

void TestDynoSettings::stalledLinkGivesAnErrorInstead()
{
    // A link that never runs: its queue never drains.
    SimulatedControllerConfig config;
    QTemporaryDir dir;
    SimulatedDynoController controller(config, dir.filePath(QStringLiteral("userPage.txt")));
    McuThread idle(&controller);
    theMCUThread = &idle;

    RecordingAnswerer answerer;
    LogCapture log;
    {
        ACMTabWidget tabs;
        auto* registry = new DynoSettings(&tabs);
        QElapsedTimer clock;
        clock.start();
        registry->slot_initChannelsAndSettings();
        const qint64 took = clock.elapsed();
        QVERIFY(registry->linkStalled);
        QVERIFY(registry->initialized);
        // One wait for the link, not one per setting: the stall is found once
        // and every later write goes on without waiting. The time only has to
        // stay far below hundreds of waits, even under a sanitizer.
        QCOMPARE(log.count(QStringLiteral("MCU link takes no configuration writes")), 1);
        QVERIFY2(took < 10 * DynoSettings::kLinkStallMs, qPrintable(QString::number(took)));
        QTRY_COMPARE(answerer.shown.size(), 1);
        QCOMPARE(answerer.shown.first().title, QStringLiteral("Error"));
        QVERIFY(answerer.shown.first().text.startsWith(QStringLiteral("The MCU link stopped taking the dyno settings.")));
    }
    theMCUThread = fixture->link.link.get();
    theDynoSettings = fixture->registry;
}

void TestDynoSettings::registrationHoldsTheGuiOnlyForTheWrites()
{
    // The widgets alone, no link to wait for.
    qint64 buildMs = 0;
    {
        theMCUThread = nullptr;
        ACMTabWidget tabs;
        auto* registry = new DynoSettings(&tabs);
        registry->slot_initChannelsAndSettings();
        buildMs = registry->registrationMs;
        theMCUThread = fixture->link.link.get();
        theDynoSettings = fixture->registry;
    }

    // The program's registration with the link.
    const QList<ConfigWrite> writes = writesDuring([&] { QVERIFY(fixture->restart()); });
    const qint64 registrationMs = fixture->registry->registrationMs;
    const qint64 waitMs = fixture->registry->linkWaitMs;
    const int pairs = int(writes.size());

    // The same number of writes through the link, throttled the same way.
    QVERIFY(fixture->waitLinkIdle());
    McuThread* link = fixture->link.link.get();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < pairs; ++i) {
        link->setSetting(1800, quint32(i), 0);
        while (link->getTxBufferFill() > DynoSettings::kQueuedFramesLimit)
            QThread::msleep(1);
    }
    QVERIFY(QTest::qWaitFor([link] { return link->getTxBufferFill() == 0; }, 5000));
    const qint64 writesMs = clock.elapsed();

    qInfo().noquote() << QStringLiteral("registration of %1 configuration pairs: %2 ms in all, %3 ms of it waiting "
                                        "for the link; the same writes alone take %4 ms, the pages alone %5 ms")
                             .arg(pairs)
                             .arg(registrationMs)
                             .arg(waitMs)
                             .arg(writesMs)
                             .arg(buildMs);
    QVERIFY(pairs > 300);
    // The waits overlap the building of the pages; what registration adds
    // beyond the two is small.
    QVERIFY2(registrationMs <= buildMs + writesMs + 500, qPrintable(QString::number(registrationMs)));
    QVERIFY2(waitMs <= writesMs + 200, qPrintable(QString::number(waitMs)));
}

QTEST_MAIN(TestDynoSettings)
#include "tst_dyno_settings.moc"
