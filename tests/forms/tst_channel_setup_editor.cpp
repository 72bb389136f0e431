// The channel-setup form and dialog, and the colour-scale editor.
#include "ArgumentWidget.h"
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupDialog.h"
#include "ChannelSetupModel.h"
#include "ChannelSetupWidget.h"
#include "ColorButton.h"
#include "ColorScaleEditor.h"
#include "Colors.h"
#include "MenuDriver.h"
#include "ParameterEditorManager.h"
#include "QuantityComboBox.h"
#include "RecordingAnswerer.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

const Unit* unitOf(Quantity quantity, const char* name)
{
    return theUnits.getUnitByQuantityAndName(quantity, QString::fromUtf8(name));
}

// A live setup as the run model holds them.
std::unique_ptr<ChannelSetup> roadSpeedSetup()
{
    auto setup = std::make_unique<ChannelSetup>();
    setup->key = QStringLiteral("dyno_speed");
    setup->displayName = QStringLiteral("Road speed");
    setup->quantity = Quantity::Speed;
    setup->unit = unitOf(Quantity::Speed, "km/h");
    setup->decimals = 0;
    setup->autorangeMin = false;
    setup->autorangeMax = false;
    setup->rangeMax = 83.333;
    setup->warningHigh = 69.444;
    setup->alarmHigh = 83.333;
    setup->filter = 0.2;
    setup->color = QColor(200, 10, 10);
    setup->sanitize();
    return setup;
}

QStringList attributes(const ChannelSetup& setup)
{
    QStringList list;
    for (const auto& attribute : setup.xmlAttributes())
        list << attribute.first + QLatin1Char('=') + attribute.second;
    return list;
}

bool rowShown(const ChannelSetupWidget& widget, QWidget* field)
{
    return !field->isHidden() && (!widget.form->labelForField(field) || !widget.form->labelForField(field)->isHidden());
}

} // namespace

class TestChannelSetupEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void openingWritesAndAnnouncesNothing();
    void editsAnnounceOnceAfterTheDelay();
    void closingSoonAfterAnEditAnnouncesIt();
    void quantityChoices_data();
    void quantityChoices();
    void integerLikeQuantities_data();
    void integerLikeQuantities();
    void samplingFixedByTheChannel();
    void decimalsAndUnitOnlyChangeTheDisplay();
    void analysisFormHidesLiveRows();
    void dialogLeavingWithoutOk_data();
    void dialogLeavingWithoutOk();
    void dialogOkKeepsEdits();
    void modelOpensTheDialog();
    void colorScaleEditor();
};

void TestChannelSetupEditor::initTestCase()
{
    theUnits.init();
    theColors.init();
    theChannelSetupDescriptor.init();
}

void TestChannelSetupEditor::openingWritesAndAnnouncesNothing()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    const QStringList before = attributes(*setup);
    QSignalSpy changed(setup.get(), &ChannelSetup::signal_setupChanged);
    {
        ChannelSetupWidget widget(setup.get(), nullptr, true, false);
        widget.show();
        QVERIFY(!widget.applyTimer->isActive());
        QCOMPARE(widget.rangeMaxSpinBox->text(), QStringLiteral("300 km/h"));
        QCOMPARE(widget.displayNameEdit->text(), QStringLiteral("Road speed"));
        QVERIFY(!widget.quantityCombo->isEnabled());
        QVERIFY(!rowShown(widget, widget.groupSpinBox));
        QVERIFY(!rowShown(widget, widget.labelsEdit));
        QTest::qWait(600);
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(attributes(*setup), before);
}

void TestChannelSetupEditor::editsAnnounceOnceAfterTheDelay()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    ChannelSetupWidget widget(setup.get(), nullptr, true, false);
    QSignalSpy changed(setup.get(), &ChannelSetup::signal_setupChanged);
    QTest::keyClicks(widget.displayNameEdit, QStringLiteral(" 2"));
    widget.alarmHighSpinBox->setValue(250);
    // Written at once, announced later.
    QCOMPARE(setup->displayName, QStringLiteral("Road speed 2"));
    QCOMPARE(changed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 2000);
    QTest::qWait(600);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(setup->alarmHigh, 250 / 3.6);
}

void TestChannelSetupEditor::closingSoonAfterAnEditAnnouncesIt()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    QSignalSpy changed(setup.get(), &ChannelSetup::signal_setupChanged);
    {
        ChannelSetupWidget widget(setup.get(), nullptr, true, false);
        widget.hideCheckBox->setChecked(true);
        QTest::qWait(200);
        QCOMPARE(changed.count(), 0);
    }
    QCOMPARE(changed.count(), 1);
    QVERIFY(setup->hide);
}

void TestChannelSetupEditor::quantityChoices_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("autoMin");
    QTest::addColumn<bool>("autoMax");
    QTest::addColumn<double>("rangeMin");
    QTest::addColumn<double>("rangeMax");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("minSpan");
    QTest::addColumn<QString>("unit");
    QTest::newRow("temperature") << int(Quantity::Temperature) << true << true << 0.0 << 0.0 << 0 << 100.0
                                 << "K";
    QTest::newRow("fraction") << int(Quantity::Fraction) << false << false << 0.0 << 1.0 << 0 << 0.0 << QString();
    QTest::newRow("air fuel ratio") << int(Quantity::AirFuelRatio) << false << false << 0.5 << 1.5 << 2 << 0.0
                                    << QString();
    QTest::newRow("time") << int(Quantity::Time) << true << true << 0.0 << 0.0 << 1 << 0.01 << "ms";
    QTest::newRow("pressure") << int(Quantity::Pressure) << true << true << 0.0 << 0.0 << 0 << 100000.0
                              << QString();
    QTest::newRow("rotational speed") << int(Quantity::RotationalSpeed) << true << true << 0.0 << 0.0 << 0
                                      << 104.71975511965977 << QString();
}

void TestChannelSetupEditor::quantityChoices()
{
    QFETCH(int, quantity);
    QFETCH(bool, autoMin);
    QFETCH(bool, autoMax);
    QFETCH(double, rangeMin);
    QFETCH(double, rangeMax);
    QFETCH(int, decimals);
    QFETCH(double, minSpan);
    QFETCH(QString, unit);
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    setup->autorangeMin = setup->autorangeMax = false;
    setup->rangeMin = 3;
    setup->decimals = 2;
    ChannelSetupWidget widget(setup.get(), nullptr, true, false);
    widget.enableQuantityAndLabelsEditing(true);
    widget.quantityCombo->setQuantity(static_cast<Quantity>(quantity));
    QCOMPARE(int(setup->quantity), quantity);
    QCOMPARE(setup->autorangeMin, autoMin);
    QCOMPARE(setup->autorangeMax, autoMax);
    QCOMPARE(setup->rangeMin, rangeMin);
    QCOMPARE(setup->rangeMax, rangeMax);
    QCOMPARE(setup->decimals, decimals);
    if (quantity == int(Quantity::Temperature)) {
        // A span has no offset: only the absolute temperature units, 100 of the shown one.
        QCOMPARE(widget.minSpanSpinBox->getUnit()->name, unit);
        QCOMPARE(setup->minAutorangeSpan, minSpan);
        QCOMPARE(widget.rangeMaxSpinBox->getUnit(), theUnits.getDefaultUnit(Quantity::Temperature));
    } else {
        QCOMPARE(setup->minAutorangeSpan, minSpan);
        if (!unit.isEmpty())
            QCOMPARE(setup->unit->name, unit);
    }
}

void TestChannelSetupEditor::integerLikeQuantities_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("labels");
    QTest::newRow("bit field") << int(Quantity::Bitfield) << true;
    QTest::newRow("enumerated") << int(Quantity::Enumerated) << true;
    QTest::newRow("logic") << int(Quantity::Logic) << false;
    QTest::newRow("integer") << int(Quantity::Integer) << false;
}

void TestChannelSetupEditor::integerLikeQuantities()
{
    QFETCH(int, quantity);
    QFETCH(bool, labels);
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    setup->decimals = 2;
    setup->sampling = SamplingMode::Interpolate;
    ChannelSetupWidget widget(setup.get(), nullptr, true, false);
    widget.enableQuantityAndLabelsEditing(true);
    widget.quantityCombo->setQuantity(static_cast<Quantity>(quantity));
    QCOMPARE(setup->filter, 0.0);
    QCOMPARE(setup->decimals, 0);
    QCOMPARE(setup->sampling, SamplingMode::SampleAndHold);
    QVERIFY(!widget.filterSpinBox->isEnabled());
    QVERIFY(!widget.decimalsSpinBox->isEnabled());
    QVERIFY(!widget.samplingCombo->isEnabled());
    QVERIFY(widget.unitCombo->isHidden());
    QCOMPARE(rowShown(widget, widget.labelsEdit), labels);
    // Back to a measured quantity: the fields are offered again.
    widget.quantityCombo->setQuantity(Quantity::Voltage);
    QVERIFY(widget.decimalsSpinBox->isEnabled());
    QVERIFY(widget.samplingCombo->isEnabled());
    QVERIFY(!widget.unitCombo->isHidden());
    QVERIFY(!rowShown(widget, widget.labelsEdit));
}

void TestChannelSetupEditor::samplingFixedByTheChannel()
{
    std::unique_ptr<ChannelSetup> input = roadSpeedSetup();
    input->flags = ChannelSetup::FlagInputChannel;
    input->sampling = SamplingMode::SampleAndHold;
    input->filter = 0;
    ChannelSetupWidget inputForm(input.get(), nullptr, true, false);
    QCOMPARE(inputForm.samplingCombo->currentIndex(), 0);
    QVERIFY(!inputForm.samplingCombo->isEnabled());

    std::unique_ptr<ChannelSetup> registry = roadSpeedSetup();
    registry->flags = ChannelSetup::FlagSamplingFixed2;
    ChannelSetupWidget registryForm(registry.get(), nullptr, true, false);
    QVERIFY(!registryForm.samplingCombo->isEnabled());
    QCOMPARE(registry->sampling, SamplingMode::Interpolate);

    std::unique_ptr<ChannelSetup> time = roadSpeedSetup();
    time->timeBase = true;
    time->filter = 0;
    ChannelSetupWidget timeForm(time.get(), nullptr, true, false);
    QVERIFY(!timeForm.filterSpinBox->isEnabled());
}

void TestChannelSetupEditor::decimalsAndUnitOnlyChangeTheDisplay()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    setup->decimals = 2;
    ChannelSetupWidget widget(setup.get(), nullptr, true, false);
    const double warning = setup->warningHigh;
    widget.decimalsSpinBox->setValue(-3);
    QCOMPARE(widget.warningHighSpinBox->decimals(), 3);
    QCOMPARE(widget.rangeMinSpinBox->decimals(), 3);
    widget.decimalsSpinBox->setValue(0);
    QCOMPARE(widget.warningHighSpinBox->text(), QStringLiteral("250 km/h"));
    widget.unitCombo->setUnit(QStringLiteral("mph"));
    QCOMPARE(widget.warningHighSpinBox->getUnit()->name, QStringLiteral("mph"));
    QCOMPARE(setup->unit->name, QStringLiteral("mph"));
    // Shown rounded, stored as it was.
    QCOMPARE(setup->warningHigh, warning);
}

void TestChannelSetupEditor::analysisFormHidesLiveRows()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    ChannelSetupWidget live(setup.get(), nullptr, false, false);
    ChannelSetupWidget analysis(setup.get(), nullptr, false, true);
    for (QWidget* field : {static_cast<QWidget*>(live.colorButton), static_cast<QWidget*>(live.alarmDelaySpinBox),
                           static_cast<QWidget*>(live.gateWidget), static_cast<QWidget*>(live.samplingCombo)})
        QVERIFY(rowShown(live, field));
    for (QWidget* field :
         {static_cast<QWidget*>(analysis.colorButton), static_cast<QWidget*>(analysis.alarmDelaySpinBox),
          static_cast<QWidget*>(analysis.gateWidget), static_cast<QWidget*>(analysis.samplingCombo)})
        QVERIFY(!rowShown(analysis, field));
    QVERIFY(rowShown(analysis, analysis.filterSpinBox));
    QVERIFY(!live.hideCheckBox->isEnabled());
}

void TestChannelSetupEditor::dialogLeavingWithoutOk_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Cancel button") << QStringLiteral("cancel");
    QTest::newRow("Escape key") << QStringLiteral("escape");
    QTest::newRow("window close button") << QStringLiteral("close");
}

void TestChannelSetupEditor::dialogLeavingWithoutOk()
{
    QFETCH(QString, way);
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    const QStringList before = attributes(*setup);
    ChannelSetupDialog dialog(setup.get(), nullptr, true, false);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configure dyno_speed"));
    QCOMPARE(dialog.width(), 400);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QStringList heard;
    connect(setup.get(), &ChannelSetup::signal_setupChanged, this, [&]() { heard = attributes(*setup); });

    ChannelSetupWidget* widget = dialog.setupWidget();
    widget->displayNameEdit->setText(QStringLiteral("Roller speed"));
    widget->warningHighSpinBox->setValue(100);
    widget->filterSpinBox->setValue(1.5);
    widget->colorButton->setColor(Qt::green);
    widget->commentEdit->setPlainText(QStringLiteral("edited"));
    widget->hideCheckBox->setChecked(true);
    QVERIFY(attributes(*setup) != before);

    if (way == QStringLiteral("cancel"))
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    else if (way == QStringLiteral("escape"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(attributes(*setup), before);
    // The users of the setup end on the values it holds, at once.
    QCOMPARE(heard, before);
}

void TestChannelSetupEditor::dialogOkKeepsEdits()
{
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    ChannelSetupDialog dialog(setup.get(), nullptr, true, false);
    QSignalSpy changed(setup.get(), &ChannelSetup::signal_setupChanged);
    dialog.setupWidget()->displayNameEdit->setText(QStringLiteral("Roller speed"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(setup->displayName, QStringLiteral("Roller speed"));
}

void TestChannelSetupEditor::modelOpensTheDialog()
{
    RecordingAnswerer answerer;
    ChannelSetupModel model(ChannelSetupType_analyze);
    ChannelSetup* setup = model.getSetup(QStringLiteral("engine_speed_ω"), QStringLiteral("Engine speed"),
                                         Quantity::RotationalSpeed, nullptr);
    bool analysisForm = false;
    answerer.respond = [&](QDialog* dialog) {
        auto* setupDialog = qobject_cast<ChannelSetupDialog*>(dialog);
        if (!setupDialog)
            return int(QDialog::Rejected);
        analysisForm = setupDialog->setupWidget()->samplingCombo->isHidden();
        setupDialog->setupWidget()->displayNameEdit->setText(QStringLiteral("Cancelled"));
        setupDialog->reject();
        return int(QDialog::Rejected);
    };
    model.slot_doubleClickEvent(0);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Configure engine_speed_ω"));
    QVERIFY(analysisForm);
    QCOMPARE(setup->displayName, QStringLiteral("Engine speed"));
    model.slot_keyEvent({0}, 0, Qt::Key_Return);
    model.slot_keyEvent({0}, 0, Qt::Key_Space);
    model.slot_doubleClickEvent(-1);
    model.action_editChannel(5);
    QCOMPARE(answerer.shown.size(), 2);
}

void TestChannelSetupEditor::colorScaleEditor()
{
    RecordingAnswerer answerer;
    std::unique_ptr<ChannelSetup> setup = roadSpeedSetup();
    QSignalSpy changed(setup.get(), &ChannelSetup::signal_setupChanged);

    // Cancel after edits leaves the steps.
    answerer.respond = [](QDialog* dialog) {
        auto* editor = qobject_cast<ColorScaleEditor*>(dialog);
        editor->slot_addNewScaleStepAtEnd();
        editor->slot_addNewScaleStepAtEnd();
        return int(QDialog::Rejected);
    };
    ColorScaleEditor cancelled(nullptr, setup.get());
    QVERIFY(setup->colorSteps.isEmpty());
    QCOMPARE(changed.count(), 0);

    int firstRows = -1;
    int currentAfterAppend = -1;
    double relativeReset = -1;
    double relativeCapped = -1;
    answerer.respond = [&](QDialog* dialog) {
        auto* editor = qobject_cast<ColorScaleEditor*>(dialog);
        QTableWidget* table = editor->table;
        // The first step of an empty table, then one appended.
        editor->slot_addNewScaleStepAtEnd();
        firstRows = table->rowCount();
        static_cast<SpinBoxWithUnit*>(table->cellWidget(0, 1))->setValue(120);
        editor->slot_addNewScaleStepAtEnd();
        currentAfterAppend = table->currentRow();
        auto* type = static_cast<QComboBox*>(table->cellWidget(1, 0));
        auto* value = static_cast<SpinBoxWithUnit*>(table->cellWidget(1, 1));
        value->setValue(50);
        // Relative: the value starts again at 0 and stays within 0..100 %.
        type->setCurrentIndex(1);
        relativeReset = value->getValueSI();
        value->setValue(150);
        relativeCapped = value->getValueSI();
        value->setValue(25);
        static_cast<ColorButton*>(table->cellWidget(1, 2))->setColor(Qt::blue);
        editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return editor->result();
    };
    ColorScaleEditor accepted(nullptr, setup.get());
    QCOMPARE(accepted.windowTitle(), QStringLiteral("Color Scale Editor"));
    QCOMPARE(firstRows, 1);
    QCOMPARE(currentAfterAppend, 1);
    QCOMPARE(relativeReset, 0.0);
    QCOMPARE(relativeCapped, 1.0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(setup->colorSteps.size(), 2);
    QCOMPARE(setup->colorSteps.at(0).type, ColorScaleStepType_absolute);
    QCOMPARE(setup->colorSteps.at(0).value, 120 / 3.6);
    QCOMPARE(setup->colorSteps.at(0).color, QColor(Qt::white));
    QCOMPARE(setup->colorSteps.at(1).type, ColorScaleStepType_relative);
    QCOMPARE(setup->colorSteps.at(1).value, 0.25);
    QCOMPARE(setup->colorSteps.at(1).color, QColor(Qt::blue));

    // Reopened, the rows show the steps; removing the current one.
    int reopenedRows = -1;
    answerer.respond = [&](QDialog* dialog) {
        auto* editor = qobject_cast<ColorScaleEditor*>(dialog);
        reopenedRows = editor->table->rowCount();
        editor->table->setCurrentCell(0, 0);
        editor->slot_removeScaleStep();
        editor->slot_accept();
        return editor->result();
    };
    ColorScaleEditor reopened(nullptr, setup.get());
    QCOMPARE(reopenedRows, 2);
    QCOMPARE(setup->colorSteps.size(), 1);
    QCOMPARE(setup->colorSteps.first().type, ColorScaleStepType_relative);
}

QTEST_MAIN(TestChannelSetupEditor)
#include "tst_channel_setup_editor.moc"
