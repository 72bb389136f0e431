#include "WidgetGallery.h"

#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanMaskLineEdit.h"
#include "CheckBoxDelegate.h"
#include "ColorButton.h"
#include "DelayedCheckBox.h"
#include "DelayedComboBox.h"
#include "DelayedDoubleSpinBox.h"
#include "DelayedLineEdit.h"
#include "DelayedSlider.h"
#include "DelayedSpinBox.h"
#include "DelayedTextEdit.h"
#include "DoubleSpinBoxDelegate.h"
#include "HexDataLineEdit.h"
#include "Icons.h"
#include "ImageLabel.h"
#include "LayoutLine.h"
#include "LineEditWithHistory.h"
#include "ProgressWidget.h"
#include "QuantityComboBox.h"
#include "SafeSpinBox.h"
#include "SciNotDoubleSpinBox.h"
#include "SpinBoxDelegate.h"
#include "SpinBoxWithUnit.h"
#include "IconButton.h"
#include "UnitComboBox.h"
#include "UnitDelegate.h"
#include "VerticalLabel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>

#include <limits>

namespace {

QImage sampleImage()
{
    QImage image(320, 160, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 320, 160);
    gradient.setColorAt(0, QColor(20, 60, 140));
    gradient.setColorAt(1, QColor(240, 180, 40));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("ZEMBO"));
    return image;
}

} // namespace

WidgetGallery::WidgetGallery(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Toolkit widgets"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    left->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    right->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* speed = new SpinBoxWithUnit(this, Quantity::Speed);
    speed->setDecimals(1);
    speed->setUnitFromName(QStringLiteral("km/h"));
    speed->setRangeSI(0, 100);
    speed->setValueSI(27.5);
    addRow(left, QStringLiteral("Unit spin box"), speed);

    auto* limit = new SpinBoxWithUnit(this, Quantity::Temperature);
    limit->setDecimals(1);
    limit->setDisableAndRestoreValue(std::numeric_limits<double>::infinity(), 0);
    limit->setValueSI(std::numeric_limits<double>::infinity());
    addRow(left, QStringLiteral("Disabled limit"), limit);

    auto* safe = new SafeSpinBox(this);
    safe->setDecimals(1);
    safe->setRange(0, 100);
    safe->setValue(42.5);
    addRow(left, QStringLiteral("Safe spin box"), safe);

    auto* clean = new DoubleSpinBoxWithCleanStep(this);
    clean->setDecimals(3);
    clean->setValue(1.234);
    addRow(left, QStringLiteral("Clean step"), clean);

    auto* scientific = new SciNotDoubleSpinBox(this);
    scientific->setRange(-1e300, 1e300);
    scientific->setValue(0.00012);
    addRow(left, QStringLiteral("Scientific"), scientific);

    auto* quantity = new QuantityComboBox(this);
    quantity->setQuantity(Quantity::RotationalAcceleration);
    addRow(left, QStringLiteral("Quantity"), quantity);

    auto* unit = new UnitComboBox(Quantity::Pressure, this);
    unit->setUnit(QStringLiteral("psi"));
    addRow(left, QStringLiteral("Unit"), unit);

    auto* hex = new HexDataLineEdit(4, this);
    hex->setValue(0xDEADBEEF);
    addRow(left, QStringLiteral("Hex data"), hex);

    auto* mask = new CanMaskLineEdit(this);
    mask->setCanMask(0x1FFFFFFF);
    addRow(left, QStringLiteral("CAN mask"), mask);

    auto* data = new CanDataHexEdit(this);
    data->setCanData(0x0123456789ABCDEFull);
    addRow(left, QStringLiteral("CAN data"), data);

    auto* canId = new CanIdLineEdit(this);
    canId->setCanId(0x18FEF100);
    addRow(left, QStringLiteral("CAN id"), canId);

    auto* history = new LineEditWithHistory(this);
    history->setText(QStringLiteral("customer@example.com"));
    addRow(left, QStringLiteral("With history"), history);

    addRow(left, QString(), new LayoutLine(this));

    auto* delayedLine = new DelayedLineEdit(this);
    delayedLine->setTextWithoutSignal(QStringLiteral("filter text"));
    addRow(left, QStringLiteral("Delayed line"), delayedLine);
    auto* delayedSpin = new DelayedSpinBox(this);
    delayedSpin->setValueWithoutSignal(12);
    addRow(left, QStringLiteral("Delayed spin"), delayedSpin);
    auto* delayedDouble = new DelayedDoubleSpinBox(this);
    delayedDouble->setValueWithoutSignal(3.75);
    addRow(left, QStringLiteral("Delayed double"), delayedDouble);
    auto* delayedCombo = new DelayedComboBox(this);
    delayedCombo->addItems({QStringLiteral("one"), QStringLiteral("left and right"), QStringLiteral("all")});
    delayedCombo->setCurrentIndexWithoutSignal(1);
    addRow(left, QStringLiteral("Delayed combo"), delayedCombo);
    auto* delayedCheck = new DelayedCheckBox(this);
    delayedCheck->setText(QStringLiteral("Hide in lists"));
    delayedCheck->setCheckedWithoutSignal(true);
    addRow(left, QStringLiteral("Delayed check"), delayedCheck);
    auto* delayedSlider = new DelayedSlider(this);
    delayedSlider->setOrientation(Qt::Horizontal);
    delayedSlider->setRange(0, 255);
    delayedSlider->setValue(180);
    addRow(left, QStringLiteral("Delayed slider"), delayedSlider);
    auto* delayedText = new DelayedTextEdit(this);
    delayedText->setTextWithoutSignal(QStringLiteral("Notes of the run\nsecond line"));
    delayedText->setFixedHeight(delayedText->minimumSizeHint().height() + 12);
    addRow(left, QStringLiteral("Delayed text"), delayedText);

    auto* color = new ColorButton(this);
    color->setColor(QColor(47, 140, 198));
    color->setMinimumHeight(28);
    addRow(right, QStringLiteral("Colour"), color);

    auto* icon = new IconButton(this);
    if (!theIcons.userIcons.isEmpty())
        icon->setIconFromName(theIcons.userIcons.firstKey());
    addRow(right, QStringLiteral("Icon"), icon);

    auto* image = new ImageLabel(this);
    image->setMinimumSize(240, 120);
    image->setImage(sampleImage());
    addRow(right, QStringLiteral("Image"), image);

    auto* axisTitle = new VerticalLabel(QStringLiteral("Torque [Nm]"), this);
    axisTitle->setVertical(true);
    addRow(right, QStringLiteral("Vertical label"), axisTitle);

    auto* progress = new ProgressWidget(this);
    addRow(right, QStringLiteral("Progress"), progress);

    auto* model = new QStandardItemModel(3, 4, this);
    model->setHorizontalHeaderLabels(
        {QStringLiteral("Value"), QStringLiteral("Decimals"), QStringLiteral("Unit"), QStringLiteral("Flag")});
    const double values[] = {0.5, 12.25, 100};
    const char* units[] = {"km/h", "mph", "m/s"};
    for (int row = 0; row < 3; ++row) {
        model->setData(model->index(row, 0), values[row]);
        model->setData(model->index(row, 1), row + 1);
        model->setData(model->index(row, 2), QString::fromLatin1(units[row]));
        model->setData(model->index(row, 3), row % 2 == 0);
    }
    auto* table = new QTableView(this);
    table->setModel(model);
    table->setItemDelegateForColumn(0, new DoubleSpinBoxDelegate(table));
    table->setItemDelegateForColumn(1, new SpinBoxDelegate(table));
    auto* unitDelegate = new UnitDelegate(table);
    unitDelegate->quantity = Quantity::Speed;
    table->setItemDelegateForColumn(2, unitDelegate);
    table->setItemDelegateForColumn(3, new CheckBoxDelegate(table));
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    table->setMinimumSize(table->horizontalHeader()->length() + 2 * table->frameWidth(), 130);
    addRow(right, QStringLiteral("Delegates"), table);

    // Shown after the page exists, so the bars show a task half done.
    progress->slot_setProgress(0.5f);
    progress->slot_setSubProgress(0.75f);
}

void WidgetGallery::addRow(QFormLayout* form, const QString& label, QWidget* widget)
{
    if (label.isEmpty())
        form->addRow(widget);
    else
        form->addRow(label, widget);
    rowWidgets.append(widget);
}
