// One page with a widget of every bound kind. "write": binds the page, changes
// every widget as an operator would and exits normally. "check", in a new
// process on the same home: builds the page again with its defaults, binds it,
// and reports every value, unit or sub-key that did not come back, and every
// change signal that the restore let through. Exit code = number of failures.
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
#include "Unit.h"
#include "UnitComboBox.h"
#include "Units.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTextStream>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

int failures = 0;

void expect(bool ok, const QString& what)
{
    if (!ok) {
        QTextStream(stderr) << "FAIL: " << what << '\n';
        ++failures;
    }
}

template<class T>
void expectEqual(const T& actual, const T& expected, const QString& what)
{
    QString a;
    QString e;
    QDebug(&a) << actual;
    QDebug(&e) << expected;
    expect(actual == expected, what + QStringLiteral(": got ") + a + QStringLiteral(", expected ") + e);
}

// Counts the emissions of one signal while the page is bound.
struct Counter {
    int count = 0;
    template<class Sender, class Signal>
    void watch(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, sender, [this] { ++count; });
    }
};

struct Page {
    QWidget root;
    QCheckBox* checkBox = new QCheckBox(&root);
    QTabWidget* tabs = new QTabWidget(&root);
    QSlider* slider = new QSlider(Qt::Horizontal, &root);
    QSpinBox* spin = new QSpinBox(&root);
    QDoubleSpinBox* dspin = new QDoubleSpinBox(&root);
    QLineEdit* line = new QLineEdit(&root);
    QLineEdit* password = new QLineEdit(&root);
    QPlainTextEdit* text = new QPlainTextEdit(&root);
    QComboBox* combo = new QComboBox(&root);
    QComboBox* oldCombo = new QComboBox(&root);
    QComboBox* comboText = new QComboBox(&root);
    QStandardItemModel model{2, 4};
    QTableView* table = new QTableView(&root);
    QSplitter* splitter = new QSplitter(&root);
    SpinBoxWithUnit* speed = new SpinBoxWithUnit(&root, Quantity::Speed);
    SpinBoxWithUnit* limit = new SpinBoxWithUnit(&root, Quantity::Temperature);
    UnitComboBox* unitCombo = new UnitComboBox(Quantity::Pressure, &root);
    QuantityComboBox* quantityCombo = new QuantityComboBox(&root);
    ColorButton* color = new ColorButton(&root);
    IconButton* icon = new IconButton(&root);
    LineEditWithHistory* history = new LineEditWithHistory(&root);
    StandInArgumentWidget* argument = new StandInArgumentWidget(&root);
    StandInLossModelEditor* lossModel = new StandInLossModelEditor;
    StandInTestDialog* dialog = new StandInTestDialog(&root);
    StandInShortcutWidget* shortcut = new StandInShortcutWidget;

    Page()
    {
        checkBox->setObjectName("checkBox_settings_alwaysStartInProjectsTab");
        tabs->setObjectName("tabWidget_page");
        tabs->addTab(new QWidget, "one");
        tabs->addTab(new QWidget, "two");
        tabs->addTab(new QWidget, "three");
        slider->setObjectName("horizontalSlider_branding_opacity");
        slider->setRange(0, 255);
        slider->setValue(255);
        spin->setObjectName("spinBox_settings_afterRunResultScreenDuration");
        spin->setRange(1, 600);
        spin->setValue(5);
        dspin->setObjectName("doubleSpinBox_page");
        dspin->setValue(1.0);
        line->setObjectName("lineEdit_page");
        password->setObjectName("lineEdit_settings_smtpPassword");
        text->setObjectName("textEdit_page");
        combo->setObjectName("comboBox_settings_trackingLineMode");
        combo->addItems({"one", "left and right", "all", "single run"});
        oldCombo->setObjectName("comboBox_settings_printOrientation");
        oldCombo->addItems({"portrait", "landscape"});
        comboText->setObjectName("comboBox_settings_language");
        comboText->addItems({"en", "de", "fr"});
        table->setModel(&model);
        table->horizontalHeader()->setObjectName("table_header");
        splitter->setObjectName("splitter_page");
        splitter->addWidget(new QLabel("left"));
        splitter->addWidget(new QLabel("right"));
        splitter->resize(400, 100);
        speed->setObjectName("DynoSetting/stepper_0_speed");
        speed->setDecimals(2);
        speed->setRangeSI(0, 100);
        speed->setValueSI(5);
        limit->setObjectName("DynoSetting/alarmHigh");
        limit->setDecimals(1);
        limit->setDisableAndRestoreValue(std::numeric_limits<double>::infinity(), 0);
        limit->setValueSI(300);
        unitCombo->setObjectName("unitCombo_page");
        quantityCombo->setObjectName("quantityCombo_page");
        color->setObjectName("colorButton_page");
        color->setColor(Qt::white);
        icon->setObjectName("iconButton_page");
        history->setObjectName("customerEmailHistory");
        argument->setObjectName("DynoSetting/stepper_0_argument");
        lossModel->setObjectName("DynoSetting/lossModel");
        dialog->setObjectName("rampTestDialog");
        dialog->setGeometry(20, 30, 300, 200);
        shortcut->setParent(&root);
        shortcut->setObjectName("trigger_1-shortcut");
    }
    ~Page() { delete lossModel; }

    void bind()
    {
        theSettings.connectCheckBox(checkBox);
        theSettings.connectTabWidget(tabs);
        theSettings.connectSlider(slider);
        theSettings.connectSpinBox(spin);
        theSettings.connectDoubleSpinBox(dspin);
        theSettings.connectLineEdit(line);
        theSettings.connectLineEditPassword(password);
        theSettings.connectTextEdit(text);
        theSettings.connectComboBox(combo);
        theSettings.connectComboBox(oldCombo);
        theSettings.connectComboBoxText(comboText);
        theSettings.connectHeaderView(table->horizontalHeader());
        theSettings.connectSplitter(splitter);
        theSettings.connectSpinBoxWithUnit(speed);
        theSettings.connectSpinBoxWithUnit(limit);
        theSettings.connectUnitComboBox(unitCombo);
        theSettings.connectQuantityComboBox(quantityCombo);
        theSettings.connectColorButton(color);
        theSettings.connectIconButton(icon);
        theSettings.connectLineEditWithHistory(history);
        theSettings.connectArgumentWidget(argument);
        theSettings.connectDynoSettingsLossModelEditor(lossModel);
        theSettings.connectDialogPosition(dialog);
        theSettings.connectShortcutWidget(shortcut);
    }
};

int writePhase()
{
    // A store written by a version before 2.25.0 held this combo by its text.
    theSettings.setValue("UserSetting/comboBox_settings_printOrientation", QStringLiteral("landscape"));
    theSettings.oldComboBoxFormat = true;

    Page page;
    page.bind();
    expectEqual(theSettings.value("UserSetting/comboBox_settings_printOrientation").toString(), QStringLiteral("1"),
                "old text format rewritten as the index");

    page.checkBox->setChecked(true);
    page.tabs->setCurrentIndex(2);
    page.slider->setValue(128);
    page.spin->setValue(42);
    page.dspin->setValue(7.25);
    page.line->setText(QStringLiteral("a line"));
    page.password->setText(QStringLiteral("pa55 word"));
    page.text->setPlainText(QStringLiteral("two\nlines"));
    page.combo->setCurrentIndex(3);
    page.comboText->setCurrentText(QStringLiteral("fr"));
    page.table->horizontalHeader()->moveSection(0, 3);
    page.table->horizontalHeader()->resizeSection(1, 91);
    page.splitter->setSizes({130, 270});
    Q_EMIT page.splitter->splitterMoved(page.splitter->sizes().first(), 1);
    // What the operator left, for the second process to compare with.
    theSettings.setValue("test/splitterSizes", QVariant::fromValue(page.splitter->sizes()));
    page.speed->setUnitFromName(QStringLiteral("km/h"));
    page.speed->setValue(72.0);
    page.speed->setSingleStep(2.5);
    page.speed->setStepType(QAbstractSpinBox::DefaultStepType);
    QFont font = page.speed->font();
    font.setPointSize(16);
    page.speed->setFont(font);
    Q_EMIT page.speed->signal_configurationChanged();
    page.limit->setUnitFromName(QStringLiteral("°F"));
    page.limit->setValueSI(std::numeric_limits<double>::infinity());
    page.unitCombo->setCurrentText(QStringLiteral("psi"));
    page.quantityCombo->setQuantity(Quantity::Torque);
    page.color->setColor(QColor(0x12, 0x34, 0x56));
    page.icon->setIconFromName(theIcons.userIcons.lastKey());
    page.history->setText(QStringLiteral("first@example.com"));
    page.history->saveCurrentTextToHistory();
    page.history->setText(QStringLiteral("second@example.com"));
    page.history->saveCurrentTextToHistory();
    page.argument->typeCombo->setCurrentIndex(1);
    page.argument->quantityCombo->setQuantity(Quantity::Power);
    page.argument->unitCombo->setCurrentText(QStringLiteral("HP"));
    page.argument->valueEdit->setText(QStringLiteral("110"));
    page.lossModel->setLossModel({0.25, -1.5, 0.125, 0, 3e-5});
    page.dialog->setGeometry(60, 70, 333, 222);
    Q_EMIT page.dialog->signal_windowClosed();
    page.shortcut->setKeySequence(QKeySequence(Qt::ALT | Qt::Key_F2));

    // The header state is written 500 ms after the last move.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return failures;
}

int checkPhase()
{
    Page page;
    Counter checkBoxChanges, tabChanges, sliderChanges, spinChanges, dspinChanges, lineChanges, passwordChanges,
        textChanges, shortcutChanges, comboChanges, comboTextChanges, speedValueChanges, speedUnitChanges, unitComboChanges,
        quantityChanges, colorChanges, iconChanges, historyChanges, lossModelChanges, headerMoves, splitterMoves;
    checkBoxChanges.watch(page.checkBox, &QCheckBox::stateChanged);
    tabChanges.watch(page.tabs, &QTabWidget::currentChanged);
    sliderChanges.watch(page.slider, &QSlider::valueChanged);
    spinChanges.watch(page.spin, &QSpinBox::valueChanged);
    dspinChanges.watch(page.dspin, &QDoubleSpinBox::valueChanged);
    lineChanges.watch(page.line, &QLineEdit::textChanged);
    passwordChanges.watch(page.password, &QLineEdit::textChanged);
    textChanges.watch(page.text, &QPlainTextEdit::textChanged);
    comboChanges.watch(page.combo, &QComboBox::currentIndexChanged);
    comboTextChanges.watch(page.comboText, &QComboBox::currentIndexChanged);
    speedValueChanges.watch(page.speed, &SpinBoxWithUnit::signal_valueChangedSI);
    speedUnitChanges.watch(page.speed, &SpinBoxWithUnit::signal_unitChanged);
    unitComboChanges.watch(page.unitCombo, &UnitComboBox::currentTextChanged);
    quantityChanges.watch(page.quantityCombo, &QuantityComboBox::signal_quantityChanged);
    colorChanges.watch(page.color, &ColorButton::signal_colorChanged);
    iconChanges.watch(page.icon, &IconButton::signal_iconNameChanged);
    historyChanges.watch(page.history, &LineEditWithHistory::signal_historyChanged);
    lossModelChanges.watch(page.lossModel, &StandInLossModelEditor::signal_lossModelChanged);
    headerMoves.watch(page.table->horizontalHeader(), &QHeaderView::sectionMoved);
    shortcutChanges.watch(page.shortcut, &StandInShortcutWidget::signal_sequenceChanged);
    splitterMoves.watch(page.splitter, &QSplitter::splitterMoved);

    page.bind();

    expect(page.checkBox->isChecked(), "check box checked");
    expectEqual(page.tabs->currentIndex(), 2, "tab");
    expectEqual(page.slider->value(), 128, "slider");
    expectEqual(page.spin->value(), 42, "spin box");
    expectEqual(page.dspin->value(), 7.25, "double spin box");
    expectEqual(page.line->text(), QStringLiteral("a line"), "line edit");
    expectEqual(page.password->text(), QStringLiteral("pa55 word"), "password");
    expectEqual(page.text->toPlainText(), QStringLiteral("two\nlines"), "plain text");
    expectEqual(page.combo->currentIndex(), 3, "combo box index");
    expectEqual(page.oldCombo->currentIndex(), 1, "migrated combo box");
    expectEqual(page.comboText->currentText(), QStringLiteral("fr"), "combo box text");
    expectEqual(page.table->horizontalHeader()->visualIndex(0), 3, "header order");
    expectEqual(page.table->horizontalHeader()->sectionSize(1), 91, "header section size");
    const QList<int> leftSizes = theSettings.value("test/splitterSizes").value<QList<int>>();
    expect(leftSizes.size() == 2 && leftSizes.first() < leftSizes.last(), "splitter sizes were recorded");
    expectEqual(page.splitter->sizes(), leftSizes, "splitter sizes");
    expectEqual(page.speed->getUnit()->name, QStringLiteral("km/h"), "unit spin box unit");
    expectEqual(page.speed->value(), 72.0, "unit spin box value in its unit");
    expect(std::fabs(page.speed->getValueSI() - 20.0) < 1e-9, "unit spin box SI value");
    expectEqual(page.speed->singleStep(), 2.5, "unit spin box step");
    expectEqual(static_cast<int>(page.speed->stepType()), static_cast<int>(QAbstractSpinBox::DefaultStepType),
                "unit spin box step type");
    expectEqual(page.speed->font().pointSize(), 16, "unit spin box font");
    expectEqual(page.limit->getUnit()->name, QStringLiteral("°F"), "disabled limit unit");
    expect(page.limit->isDisabledValue() && std::isinf(page.limit->getValueSI()), "disabled limit stays disabled");
    expectEqual(page.unitCombo->getUnit()->name, QStringLiteral("psi"), "unit picker");
    expectEqual(page.quantityCombo->currentQuantity(), Quantity::Torque, "quantity picker");
    expectEqual(page.color->color(), QColor(0x12, 0x34, 0x56), "colour button");
    expectEqual(page.icon->iconName, theIcons.userIcons.lastKey(), "icon button");
    expectEqual(page.history->history, (QStringList{"second@example.com", "first@example.com"}), "history");
    expectEqual(page.argument->typeCombo->currentIndex(), 1, "argument type");
    expectEqual(page.argument->quantityCombo->currentQuantity(), Quantity::Power, "argument quantity");
    expectEqual(page.argument->unitCombo->getUnit()->name, QStringLiteral("HP"), "argument unit");
    expectEqual(page.argument->valueEdit->text(), QStringLiteral("110"), "argument value");
    expectEqual(page.lossModel->lossModel(), (QList<double>{0.25, -1.5, 0.125, 0, 3e-5}), "loss model");
    expectEqual(page.dialog->geometry(), QRect(60, 70, 333, 222), "dialog geometry");
    expect(page.shortcut->keySequence == QKeySequence(Qt::ALT | Qt::Key_F2), "shortcut");

    // Only the re-announcements of the bind, never the restores.
    const QList<std::pair<Counter*, QString>> announcedOnce{
        {&checkBoxChanges, "check box"},   {&tabChanges, "tab"},
        {&sliderChanges, "slider"},        {&spinChanges, "spin box"},
        {&dspinChanges, "double spin box"}, {&lineChanges, "line edit"},
        {&passwordChanges, "password"},    {&textChanges, "plain text"},
        {&comboChanges, "combo box"},      {&comboTextChanges, "combo box text"},
        {&speedValueChanges, "unit spin box value"}, {&speedUnitChanges, "unit spin box unit"},
        {&quantityChanges, "quantity picker"}, {&colorChanges, "colour button"},
        {&iconChanges, "icon button"},     {&lossModelChanges, "loss model"},
        {&shortcutChanges, "shortcut"}};
    for (const auto& [counter, name] : announcedOnce)
        expectEqual(counter->count, 1, QStringLiteral("change signals of the ") + name);
    const QList<std::pair<Counter*, QString>> silent{{&unitComboChanges, "unit picker"},
                                                     {&historyChanges, "history"},
                                                     {&headerMoves, "header"},
                                                     {&splitterMoves, "splitter"}};
    for (const auto& [counter, name] : silent)
        expectEqual(counter->count, 0, QStringLiteral("change signals of the ") + name);
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theColors.init();
    theFonts.init();
    theUnits.init();
    theIcons.init();
    const QString phase = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (phase == QStringLiteral("write"))
        return writePhase();
    if (phase == QStringLiteral("check"))
        return checkPhase();
    QTextStream(stderr) << "usage: binding_restart_helper write|check\n";
    return 100;
}
