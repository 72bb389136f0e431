// Binding of widgets to settings keys: restore without change signals, the
// re-announcement that writes the current value, the change slots, and the
// program's own widgets (with stand-ins for those of later layers).
#include "BindingStandIns.h"
#include "ColorButton.h"
#include "Colors.h"
#include "Fonts.h"
#include "IconButton.h"
#include "Icons.h"
#include "LineEditWithHistory.h"
#include "MySettings.h"
#include "QuantityComboBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

QString key(const QString& name)
{
    return QStringLiteral("UserSetting/") + name;
}

template<class W>
W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QByteArray iniText()
{
    theSettings.sync();
    QFile file(theSettings.iniFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWidgetBinding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void restoreIsSilentAndTheBindReannounces();
    void missingKeyStoresThePageDefault();
    void storedValueOfTheWrongType();
    void comboBoxFormats_data();
    void comboBoxFormats();
    void changesFollowTheCurrentObjectName();
    void passwordIsStoredAsBase64();
    void splitterSizes();
    void headerBurstIsWrittenOnceAfterTheLastMove();
    void destroyedHeaderLeavesTheSaveList();

    void spinBoxWithUnitRestoresUnitFirst();
    void spinBoxWithUnitConfiguration_data();
    void spinBoxWithUnitConfiguration();
    void pickers();
    void colourAndIconButtons();
    void lineEditHistory();
    void shortcutWidget();
    void argumentWidgetSubKeys();
    void lossModelEditor();
    void dialogGeometry();
    void slotsAwaitingLaterWidgets();
};

void TestWidgetBinding::initTestCase()
{
    theUnits.init();
    theColors.init();
    theFonts.init();
    theIcons.init();
}

void TestWidgetBinding::init()
{
    theSettings.remove(QStringLiteral("UserSetting"));
    theSettings.oldComboBoxFormat = false;
}

void TestWidgetBinding::restoreIsSilentAndTheBindReannounces()
{
    theSettings.setValue(key("cb"), 2);
    theSettings.setValue(key("tabs"), 1);
    theSettings.setValue(key("slider"), 40);
    theSettings.setValue(key("spin"), 7);
    theSettings.setValue(key("dspin"), 2.5);
    theSettings.setValue(key("line"), QStringLiteral("stored"));
    theSettings.setValue(key("text"), QStringLiteral("a\nb"));
    theSettings.setValue(key("combo"), 2);
    theSettings.setValue(key("comboText"), QStringLiteral("fr"));

    QWidget page;
    auto* checkBox = named(new QCheckBox(&page), "cb");
    auto* tabs = named(new QTabWidget(&page), "tabs");
    tabs->addTab(new QWidget, "a");
    tabs->addTab(new QWidget, "b");
    auto* slider = named(new QSlider(&page), "slider");
    slider->setRange(0, 100);
    auto* spin = named(new QSpinBox(&page), "spin");
    auto* dspin = named(new QDoubleSpinBox(&page), "dspin");
    auto* line = named(new QLineEdit(&page), "line");
    auto* text = named(new QPlainTextEdit(&page), "text");
    auto* combo = named(new QComboBox(&page), "combo");
    combo->addItems({"a", "b", "c", "d"});
    auto* comboText = named(new QComboBox(&page), "comboText");
    comboText->addItems({"en", "de", "fr"});

    // What the page connected before binding sees exactly one change: the
    // re-announcement with the restored value, never the restore itself.
    QSignalSpy checkSpy(checkBox, &QCheckBox::stateChanged);
    QSignalSpy tabSpy(tabs, &QTabWidget::currentChanged);
    QSignalSpy sliderSpy(slider, &QSlider::valueChanged);
    QSignalSpy spinSpy(spin, &QSpinBox::valueChanged);
    QSignalSpy dspinSpy(dspin, &QDoubleSpinBox::valueChanged);
    QSignalSpy dspinFinished(dspin, &QDoubleSpinBox::editingFinished);
    QSignalSpy lineSpy(line, &QLineEdit::textChanged);
    QSignalSpy lineFinished(line, &QLineEdit::editingFinished);
    QSignalSpy textSpy(text, &QPlainTextEdit::textChanged);
    QSignalSpy comboIndexSpy(combo, &QComboBox::currentIndexChanged);
    QSignalSpy comboTextSpy(combo, &QComboBox::currentTextChanged);
    QSignalSpy comboText2Spy(comboText, &QComboBox::currentTextChanged);

    theSettings.connectCheckBox(checkBox);
    theSettings.connectTabWidget(tabs);
    theSettings.connectSlider(slider);
    theSettings.connectSpinBox(spin);
    theSettings.connectDoubleSpinBox(dspin);
    theSettings.connectLineEdit(line);
    theSettings.connectTextEdit(text);
    theSettings.connectComboBox(combo);
    theSettings.connectComboBoxText(comboText);

    QCOMPARE(checkSpy.count(), 1);
    QCOMPARE(checkSpy.at(0).at(0).toInt(), 2);
    QCOMPARE(tabSpy.count(), 1);
    QCOMPARE(tabSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(sliderSpy.count(), 1);
    QCOMPARE(sliderSpy.at(0).at(0).toInt(), 40);
    QCOMPARE(spinSpy.count(), 1);
    QCOMPARE(spinSpy.at(0).at(0).toInt(), 7);
    QCOMPARE(dspinSpy.count(), 1);
    QCOMPARE(dspinSpy.at(0).at(0).toDouble(), 2.5);
    QCOMPARE(dspinFinished.count(), 1);
    QCOMPARE(lineSpy.count(), 1);
    QCOMPARE(lineSpy.at(0).at(0).toString(), QStringLiteral("stored"));
    QCOMPARE(lineFinished.count(), 1);
    QCOMPARE(textSpy.count(), 1);
    QCOMPARE(text->toPlainText(), QStringLiteral("a\nb"));
    QCOMPARE(comboIndexSpy.count(), 1);
    QCOMPARE(comboIndexSpy.at(0).at(0).toInt(), 2);
    QCOMPARE(comboTextSpy.count(), 1);
    QCOMPARE(comboText2Spy.count(), 1);
    QCOMPARE(comboText->currentText(), QStringLiteral("fr"));

    // Later changes reach the store at once.
    checkBox->setCheckState(Qt::Unchecked);
    tabs->setCurrentIndex(0);
    slider->setValue(10);
    spin->setValue(3);
    dspin->setValue(1.25);
    line->setText(QStringLiteral("typed"));
    text->setPlainText(QStringLiteral("plain"));
    combo->setCurrentIndex(3);
    comboText->setCurrentText(QStringLiteral("de"));
    QCOMPARE(theSettings.value(key("cb")).toInt(), 0);
    QCOMPARE(theSettings.value(key("tabs")).toInt(), 0);
    QCOMPARE(theSettings.value(key("slider")).toInt(), 10);
    QCOMPARE(theSettings.value(key("spin")).toInt(), 3);
    QCOMPARE(theSettings.value(key("dspin")).toDouble(), 1.25);
    QCOMPARE(theSettings.value(key("line")).toString(), QStringLiteral("typed"));
    QCOMPARE(theSettings.value(key("text")).toString(), QStringLiteral("plain"));
    QCOMPARE(theSettings.value(key("combo")).toInt(), 3);
    QCOMPARE(theSettings.value(key("comboText")).toString(), QStringLiteral("de"));
}

void TestWidgetBinding::missingKeyStoresThePageDefault()
{
    QCheckBox checkBox;
    checkBox.setObjectName("checkBox_settings_fresh");
    checkBox.setChecked(true);
    QSpinBox spin;
    spin.setObjectName("spin_fresh");
    spin.setRange(0, 100);
    spin.setValue(42);
    theSettings.connectCheckBox(&checkBox);
    theSettings.connectSpinBox(&spin);
    QCOMPARE(theSettings.value(key("checkBox_settings_fresh")).toInt(), 2);
    QCOMPARE(theSettings.value(key("spin_fresh")).toInt(), 42);
    QVERIFY(checkBox.isChecked());
}

void TestWidgetBinding::storedValueOfTheWrongType()
{
    theSettings.setValue(key("spin"), QStringLiteral("many"));
    theSettings.setValue(key("dspin"), QStringLiteral("lots"));
    theSettings.setValue(key("slider"), QStringLiteral("far"));
    QSpinBox spin;
    spin.setObjectName("spin");
    spin.setValue(5);
    QDoubleSpinBox dspin;
    dspin.setObjectName("dspin");
    dspin.setValue(1.5);
    QSlider slider;
    slider.setObjectName("slider");
    slider.setRange(-10, 10);
    slider.setValue(4);
    theSettings.connectSpinBox(&spin);
    theSettings.connectDoubleSpinBox(&dspin);
    theSettings.connectSlider(&slider);
    // The two spin boxes keep their page value; the others take the null result.
    QCOMPARE(spin.value(), 5);
    QCOMPARE(dspin.value(), 1.5);
    QCOMPARE(slider.value(), 0);
    QCOMPARE(theSettings.value(key("spin")).toInt(), 5);
}

void TestWidgetBinding::comboBoxFormats_data()
{
    QTest::addColumn<bool>("oldFormat");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("selected");

    QTest::newRow("old text format migrates to the index") << true << QVariant(QStringLiteral("fr")) << 2;
    QTest::newRow("index") << false << QVariant(QStringLiteral("3")) << 3;
    QTest::newRow("old text no item has keeps the page's choice") << true << QVariant(QStringLiteral("xx")) << 1;
}

void TestWidgetBinding::comboBoxFormats()
{
    QFETCH(bool, oldFormat);
    QFETCH(QVariant, stored);
    QFETCH(int, selected);
    theSettings.oldComboBoxFormat = oldFormat;
    theSettings.setValue(key("comboBox_settings_language"), stored);
    QComboBox combo;
    combo.setObjectName("comboBox_settings_language");
    combo.addItems({"en", "de", "fr", "hu"});
    combo.setCurrentIndex(1);
    theSettings.connectComboBox(&combo);
    QCOMPARE(combo.currentIndex(), selected);
    // Rewritten as the index, in the current format, during the bind.
    QCOMPARE(theSettings.value(key("comboBox_settings_language")).toString(), QString::number(selected));
}

void TestWidgetBinding::changesFollowTheCurrentObjectName()
{
    QLineEdit line;
    line.setObjectName("before");
    theSettings.connectLineEdit(&line);
    line.setObjectName("DynoSetting/after");
    line.setText(QStringLiteral("moved"));
    QCOMPARE(theSettings.value(key("DynoSetting/after")).toString(), QStringLiteral("moved"));
    QCOMPARE(theSettings.value(key("before")).toString(), QString());
}

void TestWidgetBinding::passwordIsStoredAsBase64()
{
    theSettings.setValue(key("password"), MySettings::encrypt(QStringLiteral("old secret")));
    QLineEdit line;
    line.setObjectName("password");
    theSettings.connectLineEditPassword(&line);
    QCOMPARE(line.text(), QStringLiteral("old secret"));
    line.setText(QStringLiteral("s3cret"));
    QCOMPARE(theSettings.value(key("password")).toString(), QStringLiteral("czNjcmV0"));
    QVERIFY(iniText().contains("password=czNjcmV0"));
    QVERIFY(!iniText().contains("s3cret"));
}

void TestWidgetBinding::splitterSizes()
{
    QSplitter splitter;
    splitter.setObjectName("splitter");
    for (int i = 0; i < 3; ++i)
        splitter.addWidget(new QLabel("x"));
    splitter.resize(600, 100);
    splitter.setSizes({200, 200, 200});
    const QList<int> before = splitter.sizes();

    theSettings.setValue(key("splitter/splitterSizes"), QVariant::fromValue(QList<int>{100, 500}));
    theSettings.connectSplitter(&splitter);
    QCOMPARE(splitter.sizes(), before);

    QSplitter again;
    again.setObjectName("splitter2");
    for (int i = 0; i < 3; ++i)
        again.addWidget(new QLabel("x"));
    again.resize(600, 100);
    again.setSizes({100, 200, 300});
    const QList<int> wanted = again.sizes();
    again.setSizes({200, 200, 200});
    QVERIFY(again.sizes() != wanted);
    theSettings.setValue(key("splitter2/splitterSizes"), QVariant::fromValue(wanted));
    theSettings.connectSplitter(&again);
    QCOMPARE(again.sizes(), wanted);
    // A handle move writes the sizes at once.
    Q_EMIT again.splitterMoved(150, 1);
    QCOMPARE(theSettings.value(key("splitter2/splitterSizes")).value<QList<int>>(), again.sizes());
}

void TestWidgetBinding::headerBurstIsWrittenOnceAfterTheLastMove()
{
    QStandardItemModel model(2, 4);
    QTableView first;
    QTableView second;
    first.setModel(&model);
    second.setModel(&model);
    first.horizontalHeader()->setObjectName("first_header");
    second.horizontalHeader()->setObjectName("second_header");
    first.horizontalHeader()->setSectionsMovable(true);
    second.horizontalHeader()->setSectionsMovable(true);
    theSettings.connectHeaderView(first.horizontalHeader());
    theSettings.connectHeaderView(second.horizontalHeader());
    QVERIFY(!theSettings.contains(key("first_header")));

    QSignalSpy saves(theSettings.headerSaveTimer, &QTimer::timeout);
    QElapsedTimer clock;
    clock.start();
    first.horizontalHeader()->moveSection(0, 2);
    QTest::qWait(200);
    second.horizontalHeader()->moveSection(1, 3);
    const qint64 lastMove = clock.elapsed();
    second.horizontalHeader()->resizeSection(0, 77);

    QVERIFY(!theSettings.contains(key("first_header")));
    QVERIFY(saves.wait(2000));
    QVERIFY(clock.elapsed() - lastMove >= 450);
    QCOMPARE(saves.count(), 1);
    QTest::qWait(700);
    QCOMPARE(saves.count(), 1);

    // Both states, as they are now, under their own keys.
    QCOMPARE(theSettings.value(key("first_header")).toByteArray(), first.horizontalHeader()->saveState());
    QCOMPARE(theSettings.value(key("second_header")).toByteArray(), second.horizontalHeader()->saveState());

    // A new view restores the state with movable, interactive sections.
    QTableView restored;
    restored.setModel(&model);
    restored.horizontalHeader()->setObjectName("second_header");
    theSettings.connectHeaderView(restored.horizontalHeader());
    QCOMPARE(restored.horizontalHeader()->visualIndex(1), 3);
    QCOMPARE(restored.horizontalHeader()->sectionSize(0), 77);
    QVERIFY(restored.horizontalHeader()->sectionsMovable());
}

void TestWidgetBinding::destroyedHeaderLeavesTheSaveList()
{
    QStandardItemModel model(1, 3);
    auto* view = new QTableView;
    view->setModel(&model);
    view->horizontalHeader()->setObjectName("doomed_header");
    theSettings.connectHeaderView(view->horizontalHeader());
    view->horizontalHeader()->resizeSection(0, 50);
    QVERIFY(theSettings.pendingHeaderViews.contains(view->horizontalHeader()));
    QObject* header = view->horizontalHeader();
    delete view;
    QVERIFY(!theSettings.pendingHeaderViews.contains(header));
    theSettings.setting_QHeaderView_ChangedSlot_Apply();
}

void TestWidgetBinding::spinBoxWithUnitRestoresUnitFirst()
{
    theSettings.setValue(key("DynoSetting/stepper_0_speed/unit"), QStringLiteral("km/h"));
    theSettings.setValue(key("DynoSetting/stepper_0_speed"), 25.0);
    SpinBoxWithUnit box(nullptr, Quantity::Speed);
    box.setObjectName("DynoSetting/stepper_0_speed");
    box.setDecimals(2);
    QSignalSpy valueSpy(&box, &SpinBoxWithUnit::signal_valueChangedSI);
    QSignalSpy unitSpy(&box, &SpinBoxWithUnit::signal_unitChanged);
    theSettings.connectSpinBoxWithUnit(&box);

    QCOMPARE(box.getUnit()->name, QStringLiteral("km/h"));
    QCOMPARE(box.value(), 90.0);
    // The restore is silent; the bind announces unit and value once each.
    QCOMPARE(unitSpy.count(), 1);
    QCOMPARE(valueSpy.count(), 1);
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_speed")).toDouble(), 25.0);
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_speed/unit")).toString(), QStringLiteral("km/h"));
    // The configuration is written only when the operator changes it.
    QVERIFY(!theSettings.contains(key("DynoSetting/stepper_0_speed/stepType")));
    QVERIFY(!theSettings.contains(key("DynoSetting/stepper_0_speed/fontSize")));

    box.setValue(36.0);
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_speed")).toDouble(), 10.0);
    box.setUnitFromName(QStringLiteral("m/s"));
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_speed/unit")).toString(), QStringLiteral("m/s"));
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_speed")).toDouble(), 10.0);
}

void TestWidgetBinding::spinBoxWithUnitConfiguration_data()
{
    QTest::addColumn<int>("storedFontSize");
    QTest::addColumn<int>("shownFontSize");
    QTest::newRow("too small") << 2 << 6;
    QTest::newRow("too large") << 100 << 40;
    QTest::newRow("in range") << 14 << 14;
}

void TestWidgetBinding::spinBoxWithUnitConfiguration()
{
    QFETCH(int, storedFontSize);
    QFETCH(int, shownFontSize);
    theSettings.setValue(key("box/fontSize"), storedFontSize);
    theSettings.setValue(key("box/stepType"), 0);
    theSettings.setValue(key("box/stepValue"), 0.5);
    SpinBoxWithUnit box(nullptr, Quantity::Force);
    box.setObjectName("box");
    theSettings.connectSpinBoxWithUnit(&box);
    QCOMPARE(box.font().pointSize(), shownFontSize);
    QCOMPARE(box.stepType(), QAbstractSpinBox::DefaultStepType);
    QCOMPARE(box.singleStep(), 0.5);

    // The menu's configuration change writes all three sub-keys at once.
    box.setSingleStep(2.0);
    box.setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    Q_EMIT box.signal_configurationChanged();
    QCOMPARE(theSettings.value(key("box/stepType")).toInt(), 1);
    QCOMPARE(theSettings.value(key("box/stepValue")).toDouble(), 2.0);
    QCOMPARE(theSettings.value(key("box/fontSize")).toInt(), shownFontSize);
}

void TestWidgetBinding::pickers()
{
    // A unit picker announces its unit to the page but writes nothing until
    // the operator picks one.
    UnitComboBox units(Quantity::Speed);
    units.setObjectName("unitCombo");
    QSignalSpy unitSpy(&units, &UnitComboBox::signal_unitChanged);
    theSettings.connectUnitComboBox(&units);
    QCOMPARE(unitSpy.count(), 1);
    QVERIFY(!theSettings.contains(key("unitCombo")));
    units.setCurrentText(QStringLiteral("mph"));
    QCOMPARE(theSettings.value(key("unitCombo")).toString(), QStringLiteral("mph"));

    UnitComboBox restoredUnits(Quantity::Speed);
    restoredUnits.setObjectName("unitCombo");
    theSettings.connectUnitComboBox(&restoredUnits);
    QCOMPARE(restoredUnits.getUnit()->name, QStringLiteral("mph"));

    theSettings.setValue(key("quantityCombo"), static_cast<int>(Quantity::Torque));
    QuantityComboBox quantities;
    quantities.setObjectName("quantityCombo");
    QSignalSpy quantitySpy(&quantities, &QuantityComboBox::signal_quantityChanged);
    theSettings.connectQuantityComboBox(&quantities);
    QCOMPARE(quantities.currentQuantity(), Quantity::Torque);
    QCOMPARE(quantitySpy.count(), 1);
    quantities.setQuantity(Quantity::Pressure);
    QCOMPARE(theSettings.value(key("quantityCombo")).toInt(), static_cast<int>(Quantity::Pressure));
}

void TestWidgetBinding::colourAndIconButtons()
{
    theSettings.setValue(key("color"), QStringLiteral("#112233"));
    ColorButton color;
    color.setObjectName("color");
    QSignalSpy colorSpy(&color, &ColorButton::signal_colorChanged);
    theSettings.connectColorButton(&color);
    QCOMPARE(color.color(), QColor(0x11, 0x22, 0x33));
    QCOMPARE(colorSpy.count(), 1);
    color.setColor(QColor(255, 0, 128, 40));
    QCOMPARE(theSettings.value(key("color")).toString(), QStringLiteral("#ff0080"));

    // A button that never had a colour stays without one, not black.
    ColorButton blank;
    blank.setObjectName("blankColor");
    theSettings.connectColorButton(&blank);
    QVERIFY(!theSettings.contains(key("blankColor")));

    QVERIFY(!theIcons.userIcons.isEmpty());
    const QString iconName = theIcons.userIcons.firstKey();
    theSettings.setValue(key("icon"), iconName);
    IconButton icon;
    icon.setObjectName("icon");
    QSignalSpy nameSpy(&icon, &IconButton::signal_iconNameChanged);
    QSignalSpy iconSpy(&icon, &IconButton::signal_iconChanged);
    theSettings.connectIconButton(&icon);
    QCOMPARE(icon.iconName, iconName);
    QVERIFY(!icon.icon().isNull());
    QCOMPARE(nameSpy.count(), 1);
    QCOMPARE(iconSpy.count(), 1);
    icon.setIconFromName(QString());
    QCOMPARE(theSettings.value(key("icon")).toString(), QString());
}

void TestWidgetBinding::lineEditHistory()
{
    const QStringList stored{"c@x", "b@x", "c@x"};
    theSettings.setValue(key("customerEmailHistory"), stored);
    LineEditWithHistory edit;
    edit.setObjectName("customerEmailHistory");
    edit.setText(QStringLiteral("typed"));
    QSignalSpy historySpy(&edit, &LineEditWithHistory::signal_historyChanged);
    QSignalSpy textSpy(&edit, &QLineEdit::textChanged);
    theSettings.connectLineEditWithHistory(&edit);
    // Taken as stored, duplicates and all, and nothing announced.
    QCOMPARE(edit.history, stored);
    QCOMPARE(historySpy.count(), 0);
    QCOMPARE(textSpy.count(), 0);
    QCOMPARE(edit.text(), QStringLiteral("typed"));

    edit.setText(QStringLiteral("b@x"));
    edit.saveCurrentTextToHistory();
    QCOMPARE(theSettings.value(key("customerEmailHistory")).toStringList(), (QStringList{"b@x", "c@x", "c@x"}));
}

void TestWidgetBinding::shortcutWidget()
{
    theSettings.setValue(key("remote-start-shortcut"), QStringLiteral("Ctrl+Shift+S"));
    StandInShortcutWidget button;
    button.setObjectName("remote-start-shortcut");
    QSignalSpy spy(&button, &StandInShortcutWidget::signal_sequenceChanged);
    theSettings.connectShortcutWidget(&button);
    QCOMPARE(button.keySequence, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    // One announcement, after the store listens.
    QCOMPARE(spy.count(), 1);
    button.setKeySequence(QKeySequence(Qt::Key_F5));
    QCOMPARE(theSettings.value(key("remote-start-shortcut")).toString(), QStringLiteral("F5"));

    StandInShortcutWidget fresh;
    fresh.setObjectName("remote-stop-shortcut");
    theSettings.connectShortcutWidget(&fresh);
    QCOMPARE(theSettings.value(key("remote-stop-shortcut")).toString(), QString());
}

void TestWidgetBinding::argumentWidgetSubKeys()
{
    theSettings.setValue(key("DynoSetting/stepper_0_argument/type"), 1);
    theSettings.setValue(key("DynoSetting/stepper_0_argument/quantity"), static_cast<int>(Quantity::Speed));
    theSettings.setValue(key("DynoSetting/stepper_0_argument/unit"), QStringLiteral("km/h"));
    theSettings.setValue(key("DynoSetting/stepper_0_argument/value"), QStringLiteral("12.5"));
    StandInArgumentWidget argument;
    argument.setObjectName("DynoSetting/stepper_0_argument");
    theSettings.connectArgumentWidget(&argument);
    QCOMPARE(argument.typeCombo->objectName(), QStringLiteral("DynoSetting/stepper_0_argument/type"));
    QCOMPARE(argument.valueEdit->objectName(), QStringLiteral("DynoSetting/stepper_0_argument/value"));
    QCOMPARE(argument.typeCombo->currentIndex(), 1);
    QCOMPARE(argument.quantityCombo->currentQuantity(), Quantity::Speed);
    QCOMPARE(argument.unitCombo->getUnit()->name, QStringLiteral("km/h"));
    QCOMPARE(argument.valueEdit->text(), QStringLiteral("12.5"));

    argument.unitCombo->setCurrentText(QStringLiteral("m/s"));
    argument.valueEdit->setText(QStringLiteral("3"));
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_argument/unit")).toString(), QStringLiteral("m/s"));
    QCOMPARE(theSettings.value(key("DynoSetting/stepper_0_argument/value")).toString(), QStringLiteral("3"));
}

void TestWidgetBinding::lossModelEditor()
{
    const QList<double> stored{0.5, 1.5, -2, 0, 1e-3};
    theSettings.setValue(key("DynoSetting/lossModel"), QVariant::fromValue(stored));
    StandInLossModelEditor editor;
    editor.setObjectName("DynoSetting/lossModel");
    QSignalSpy spy(&editor, &StandInLossModelEditor::signal_lossModelChanged);
    theSettings.connectDynoSettingsLossModelEditor(&editor);
    QCOMPARE(editor.lossModel(), stored);
    QCOMPARE(spy.count(), 1);
    editor.setLossModel({1, 2, 3, 4, 5});
    QCOMPARE(theSettings.value(key("DynoSetting/lossModel")).value<QList<double>>(), (QList<double>{1, 2, 3, 4, 5}));

    // The text form of an older store converts to the list.
    theSettings.setValue(key("DynoSetting/internalLossModel"), QStringLiteral("1 2 3 4 5"));
    StandInLossModelEditor fromText;
    fromText.setObjectName("DynoSetting/internalLossModel");
    theSettings.connectDynoSettingsLossModelEditor(&fromText);
    QCOMPARE(fromText.lossModel(), (QList<double>{1, 2, 3, 4, 5}));
}

void TestWidgetBinding::dialogGeometry()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect stored(screen.left() + 40, screen.top() + 50, 300, 200);
    theSettings.setValue(key("rampTest/geometry"), stored);
    StandInTestDialog dialog;
    dialog.setObjectName("rampTest");
    theSettings.connectDialogPosition(&dialog);
    QCOMPARE(dialog.geometry(), stored);

    dialog.setGeometry(screen.left() + 60, screen.top() + 70, 320, 240);
    QVERIFY(theSettings.value(key("rampTest/geometry")).toRect() == stored);
    Q_EMIT dialog.signal_windowClosed();
    QCOMPARE(theSettings.value(key("rampTest/geometry")).toRect(), dialog.geometry());

    // Null geometry, or none of the screens at its corner: the dialog keeps its own.
    for (const QRect& bad : {QRect(), QRect(screen.right() + 5000, screen.bottom() + 5000, 300, 200)}) {
        theSettings.setValue(key("lost/geometry"), bad);
        StandInTestDialog lost;
        lost.setObjectName("lost");
        lost.setGeometry(10, 20, 330, 250);
        theSettings.connectDialogPosition(&lost);
        QCOMPARE(lost.geometry(), QRect(10, 20, 330, 250));
    }
}

void TestWidgetBinding::slotsAwaitingLaterWidgets()
{
    // The sort click of a table header writes column, order and state at once.
    QStandardItemModel model(3, 3);
    QTableView projects;
    projects.setModel(&model);
    projects.setSortingEnabled(true);
    QHeaderView* header = projects.horizontalHeader();
    header->setObjectName("projectsTable/headerState");
    connect(header, &QHeaderView::sectionClicked, &theSettings, &MySettings::setting_QHeaderView_SortOrderChanged);
    header->setSortIndicator(2, Qt::DescendingOrder);
    Q_EMIT header->sectionClicked(2);
    QCOMPARE(theSettings.value(key("projectsTable/headerState/sortSection")).toInt(), 2);
    QCOMPARE(theSettings.value(key("projectsTable/headerState/sortOrder")).toInt(), 1);
    QCOMPARE(theSettings.value(key("projectsTable/headerState")).toByteArray(), header->saveState());

    // The points of a characteristic, from the editor that sends them.
    StandInPointVectorEditor editor;
    editor.setObjectName("DynoSetting/pid_0_speedCorrectionSens");
    connect(&editor, &StandInPointVectorEditor::signal_vectorChanged, &theSettings,
            &MySettings::setting_PointVector_ChangedSlot);
    const QList<QPointF> points{{0, 1}, {1000, 0.5}, {5000.25, -2}};
    Q_EMIT editor.signal_vectorChanged(points);
    QCOMPARE(theSettings.value(key("DynoSetting/pid_0_speedCorrectionSens")).value<QList<QPointF>>(), points);
}

QTEST_MAIN(TestWidgetBinding)
#include "tst_widget_binding.moc"
