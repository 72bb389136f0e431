#include "ParameterEditorManagerBase.h"

#include "CanDataHexEdit.h"
#include "CanIdLineEdit.h"
#include "CanMaskLineEdit.h"
#include "ColorButton.h"
#include "HexDataLineEdit.h"
#include "LayoutLine.h"
#include "MyMenu.h"
#include "QuantityComboBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSerialPortInfo>
#include <QSpinBox>

#include <climits>

namespace {

// The form writes enumerations as 32-bit integers; Qt's serial enumerations
// must be that wide on every platform the program is built for.
static_assert(sizeof(QSerialPort::DataBits) == sizeof(qint32), "");
static_assert(sizeof(QSerialPort::Parity) == sizeof(qint32), "");
static_assert(sizeof(QSerialPort::StopBits) == sizeof(qint32), "");
static_assert(sizeof(QSerialPort::FlowControl) == sizeof(qint32), "");
static_assert(sizeof(Quantity) == sizeof(qint32), "");

template<class T>
T* as(void* target)
{
    return static_cast<T*>(target);
}

} // namespace

ParameterEditorManagerBase::ParameterEditorManagerBase(QWidget* parent)
    : QObject(parent)
    , editorParent(parent)
{
    qRegisterMetaType<const Unit*>("const Unit*");
}

ParameterEditorManagerBase::~ParameterEditorManagerBase() = default;

void ParameterEditorManagerBase::addBackup(void* target, const QVariant& value, ParameterContainerType type,
                                           std::function<void(const ParameterBackup&)> writeBack)
{
    ParameterBackup backup;
    backup.target = target;
    backup.value = value;
    backup.type = type;
    backup.writeBack = std::move(writeBack);
    backups.append(backup);
}

void ParameterEditorManagerBase::mapEditor(QObject* editor, void* target)
{
    editorTargets.insert(editor, target);
}

void ParameterEditorManagerBase::placeRow(const QString& label, QWidget* editor)
{
    if (!layout)
        return;
    layout->addRow(new QLabel(label, editorParent), editor);
}

void ParameterEditorManagerBase::placeSpanningRow(QWidget* editor)
{
    if (layout)
        layout->addRow(editor);
}

void* ParameterEditorManagerBase::senderTarget() const
{
    return editorTargets.value(sender(), nullptr);
}

QSpinBox* ParameterEditorManagerBase::makeIntSpinBox(const QString& label, int* field, int min, int max)
{
    addBackup(field, QVariant(qint32(*field)), ParameterContainerType::Int);
    auto* spinBox = new QSpinBox(editorParent);
    spinBox->setRange(min, max);
    spinBox->setValue(*field);
    spinBox->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    connect(spinBox, &QSpinBox::valueChanged, this, &ParameterEditorManagerBase::slot_int);
    mapEditor(spinBox, field);
    placeRow(label, spinBox);
    return spinBox;
}

QSpinBox* ParameterEditorManagerBase::addEditor(const QString& label, int* field, int min, int max)
{
    return makeIntSpinBox(label, field, min, max);
}

QSpinBox* ParameterEditorManagerBase::addEditor(const QString& label, QSerialPort::DataBits* field)
{
    return makeIntSpinBox(label, reinterpret_cast<int*>(field), 5, 8);
}

QSpinBox* ParameterEditorManagerBase::addEditor_baudrate(const QString& label, int* field)
{
    QSpinBox* spinBox = makeIntSpinBox(label, field, 10, INT_MAX);
    spinBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(spinBox, &QWidget::customContextMenuRequested, this,
            &ParameterEditorManagerBase::slot_baudrate_contextMenu);
    return spinBox;
}

QSpinBox* ParameterEditorManagerBase::addEditor_withOffset(const QString& label, int* field, int min, int max)
{
    addBackup(field, QVariant(qint32(*field)), ParameterContainerType::Int);
    auto* spinBox = new QSpinBox(editorParent);
    spinBox->setRange(min, max);
    spinBox->setValue(*field + 1);
    spinBox->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    connect(spinBox, &QSpinBox::valueChanged, this, &ParameterEditorManagerBase::slot_intWithOffset);
    mapEditor(spinBox, field);
    placeRow(label, spinBox);
    return spinBox;
}

QDoubleSpinBox* ParameterEditorManagerBase::addEditor(const QString& label, double* field, double min, double max,
                                                      int decimals)
{
    addBackup(field, QVariant(*field), ParameterContainerType::Double);
    auto* spinBox = new QDoubleSpinBox(editorParent);
    spinBox->setDecimals(decimals);
    spinBox->setRange(min, max);
    spinBox->setValue(*field);
    spinBox->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
    connect(spinBox, &QDoubleSpinBox::valueChanged, this, &ParameterEditorManagerBase::slot_double);
    mapEditor(spinBox, field);
    placeRow(label, spinBox);
    return spinBox;
}

SpinBoxWithUnit* ParameterEditorManagerBase::addEditor_withUnit(const QString& label, double* field,
                                                                Quantity quantity, const Unit* unit, double min,
                                                                double max, int decimals)
{
    addBackup(field, QVariant(*field), ParameterContainerType::Double);
    auto* spinBox = new SpinBoxWithUnit(editorParent, quantity);
    if (unit)
        spinBox->slot_setUnit(unit);
    spinBox->setRangeSI(min, max);
    spinBox->setDecimals(decimals);
    spinBox->setValueSI(*field);
    connect(spinBox, &SpinBoxWithUnit::signal_valueChangedSI, this, &ParameterEditorManagerBase::slot_double);
    mapEditor(spinBox, field);
    placeRow(label, spinBox);
    return spinBox;
}

SpinBoxWithUnit* ParameterEditorManagerBase::addEditor_withUnit(const QString& label, ValueWithUnit* field,
                                                                Quantity quantity, double min, double max,
                                                                int decimals)
{
    addBackup(field, QVariant::fromValue(*field), ParameterContainerType::DoubleWithUnit);
    auto* spinBox = new SpinBoxWithUnit(editorParent, quantity);
    if (field->second)
        spinBox->slot_setUnit(field->second);
    spinBox->setRangeSI(min, max);
    spinBox->setDecimals(decimals);
    spinBox->setValueSI(field->first);
    connect(spinBox, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &ParameterEditorManagerBase::slot_valueAndUnit_changedValue);
    connect(spinBox, &SpinBoxWithUnit::signal_unitChanged, this,
            &ParameterEditorManagerBase::slot_valueAndUnit_changedUnit);
    mapEditor(spinBox, field);
    placeRow(label, spinBox);
    return spinBox;
}

UnitComboBox* ParameterEditorManagerBase::addEditor(const QString& label, const Unit** field, Quantity quantity)
{
    addBackup(field, QVariant::fromValue(*field), ParameterContainerType::UnitPointer);
    auto* comboBox = new UnitComboBox(editorParent);
    {
        // The combo announces the units it selects while it is set up.
        const QSignalBlocker blocker(comboBox);
        comboBox->slot_setQuantity(quantity);
        if (*field)
            comboBox->setUnit(*field);
    }
    connect(comboBox, &UnitComboBox::signal_unitChanged, this, &ParameterEditorManagerBase::slot_unitComboBox);
    mapEditor(comboBox, field);
    placeRow(label, comboBox);
    return comboBox;
}

QuantityComboBox* ParameterEditorManagerBase::addEditor(const QString& label, Quantity* field)
{
    addBackup(field, QVariant(qint32(*field)), ParameterContainerType::Int);
    auto* comboBox = new QuantityComboBox(editorParent);
    {
        const QSignalBlocker blocker(comboBox);
        comboBox->setQuantity(*field);
    }
    connect(comboBox, &QuantityComboBox::signal_quantityChanged, this, &ParameterEditorManagerBase::slot_quantity);
    mapEditor(comboBox, field);
    placeRow(label, comboBox);
    return comboBox;
}

QCheckBox* ParameterEditorManagerBase::addEditor(const QString& label, bool* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::Bool);
    auto* checkBox = new QCheckBox(editorParent);
    checkBox->setChecked(*field);
    connect(checkBox, &QCheckBox::stateChanged, this, &ParameterEditorManagerBase::slot_bool);
    mapEditor(checkBox, field);
    placeRow(label, checkBox);
    return checkBox;
}

QLineEdit* ParameterEditorManagerBase::addEditor(const QString& label, QString* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::String);
    auto* lineEdit = new QLineEdit(editorParent);
    lineEdit->setText(*field);
    connect(lineEdit, &QLineEdit::textChanged, this, &ParameterEditorManagerBase::slot_lineEdit);
    mapEditor(lineEdit, field);
    placeRow(label, lineEdit);
    return lineEdit;
}

QPlainTextEdit* ParameterEditorManagerBase::addEditor_multiline(const QString& label, QString* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::String);
    auto* textEdit = new QPlainTextEdit(editorParent);
    textEdit->setPlainText(*field);
    connect(textEdit, &QPlainTextEdit::textChanged, this, &ParameterEditorManagerBase::slot_plainTextEdit);
    mapEditor(textEdit, field);
    placeRow(label, textEdit);
    return textEdit;
}

QLineEdit* ParameterEditorManagerBase::addEditor_serialPort(const QString& label, QString* field)
{
    QLineEdit* lineEdit = addEditor(label, field);
    lineEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lineEdit, &QWidget::customContextMenuRequested, this,
            &ParameterEditorManagerBase::slot_serialPort_contextMenu);
    return lineEdit;
}

QLineEdit* ParameterEditorManagerBase::addEditor(const QString& label, QByteArray* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::ByteArray);
    auto* lineEdit = new QLineEdit(editorParent);
    lineEdit->setText(QString::fromUtf8(*field));
    connect(lineEdit, &QLineEdit::textChanged, this, &ParameterEditorManagerBase::slot_lineEditByteArray);
    mapEditor(lineEdit, field);
    placeRow(label, lineEdit);
    return lineEdit;
}

ColorButton* ParameterEditorManagerBase::addEditor(const QString& label, QColor* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::Color);
    auto* button = new ColorButton(editorParent);
    button->setColor(*field);
    connect(button, &ColorButton::signal_colorChanged, this, &ParameterEditorManagerBase::slot_colorButton);
    mapEditor(button, field);
    placeRow(label, button);
    return button;
}

CanIdLineEdit* ParameterEditorManagerBase::addEditor_canId(const QString& label, int* field)
{
    addBackup(field, QVariant(qint32(*field)), ParameterContainerType::Int);
    auto* edit = new CanIdLineEdit(editorParent);
    edit->setCanId(*field);
    connect(edit, &CanIdLineEdit::signal_canIdChanged, this, &ParameterEditorManagerBase::slot_int);
    mapEditor(edit, field);
    placeRow(label, edit);
    return edit;
}

CanMaskLineEdit* ParameterEditorManagerBase::addEditor_canMask(const QString& label, quint32* field)
{
    addBackup(field, QVariant(*field), ParameterContainerType::UInt32);
    auto* edit = new CanMaskLineEdit(editorParent);
    edit->setCanMask(*field);
    connect(edit, &CanMaskLineEdit::signal_maskChanged, this,
            [this](uint32_t mask) { slot_int(static_cast<int>(mask)); });
    mapEditor(edit, field);
    placeRow(label, edit);
    return edit;
}

HexDataLineEdit* ParameterEditorManagerBase::addEditor_hex16(const QString& label, int* field)
{
    addBackup(field, QVariant(qint32(*field)), ParameterContainerType::Int);
    auto* edit = new HexDataLineEdit(2, editorParent);
    edit->setValue(static_cast<unsigned int>(*field));
    connect(edit, &HexDataLineEdit::signal_valueChanged, this,
            [this](uint32_t value) { slot_int(static_cast<int>(value)); });
    mapEditor(edit, field);
    placeRow(label, edit);
    return edit;
}

CanDataHexEdit* ParameterEditorManagerBase::addEditor_canDataHex(const QString& label, quint64* field)
{
    addBackup(field, QVariant(qulonglong(*field)), ParameterContainerType::UInt64);
    auto* edit = new CanDataHexEdit(editorParent);
    edit->setCanData(*field);
    connect(edit, &CanDataHexEdit::signal_dataChanged, this,
            [this](unsigned long long data) { slot_qint64(static_cast<qint64>(data)); });
    mapEditor(edit, field);
    placeRow(label, edit);
    return edit;
}

QComboBox* ParameterEditorManagerBase::addEditor_comboBox(const QString& label, qint32* field,
                                                          const QList<std::pair<int, QString>>& items)
{
    addBackup(field, QVariant(*field), ParameterContainerType::Int);
    auto* comboBox = new QComboBox(editorParent);
    int selected = 0;
    for (int i = 0; i < items.size(); ++i) {
        comboBox->addItem(QIcon(), items.at(i).second, QVariant(items.at(i).first));
        if (items.at(i).first == *field)
            selected = i;
    }
    comboBox->setCurrentIndex(items.isEmpty() ? -1 : selected);
    connect(comboBox, &QComboBox::currentIndexChanged, this, &ParameterEditorManagerBase::slot_comboBox);
    mapEditor(comboBox, field);
    placeRow(label, comboBox);
    return comboBox;
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, SamplingMode* field)
{
    // The glyphs show how each mode joins the samples; they are not translated.
    return addEnumEditor(label, field,
                         {{0, tr("sample and hold") + QStringLiteral(" ⋰⋱⋰⋱⋰⋱")},
                          {1, tr("interpolate") + QStringLiteral(" ∿∿∿")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, QSerialPort::Parity* field)
{
    return addEnumEditor(label, field,
                         {{0, tr("No parity")},
                          {2, tr("Even parity")},
                          {3, tr("Odd parity")},
                          {4, tr("Space parity")},
                          {5, tr("Mark parity")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, QSerialPort::StopBits* field)
{
    return addEnumEditor(label, field, {{1, tr("One stop")}, {3, tr("One and half stop")}, {2, tr("Two stop")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, QSerialPort::FlowControl* field)
{
    return addEnumEditor(label, field,
                         {{0, tr("No flow control")}, {1, tr("Hardware control")}, {2, tr("Software control")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, Endianness* field)
{
    return addEnumEditor(label, field, {{0, tr("big endian")}, {1, tr("little endian")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, Signedness* field)
{
    return addEnumEditor(label, field, {{0, tr("unsigned")}, {1, tr("signed")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, NewLineType* field)
{
    return addEnumEditor(label, field,
                         {{0, QStringLiteral("CR")}, {1, QStringLiteral("CRLF")}, {2, tr("none")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, ReplyFormat* field)
{
    return addEnumEditor(label, field,
                         {{0, tr("Text decimal")},
                          {1, tr("Text hexadecimal")},
                          {2, tr("Binary big endian")},
                          {3, tr("Binary little endian")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, ModbusFunctionCode* field)
{
    return addEnumEditor(label, field,
                         {{1, tr("0x01 Read coils")},
                          {2, tr("0x02 Read discrete inputs")},
                          {3, tr("0x03 Read holding registers")},
                          {4, tr("0x04 Read input registers")},
                          {5, tr("0x05 Write single coil")},
                          {6, tr("0x06 Write single register")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, CommandFormat* field)
{
    return addEnumEditor(label, field, {{0, tr("Text")}, {1, tr("Binary hexadecimal")}});
}

QComboBox* ParameterEditorManagerBase::addEditor(const QString& label, PriorityGroup* field)
{
    QList<std::pair<int, QString>> items;
    const QStringList names = priorityGroupNames();
    for (int i = 0; i < names.size(); ++i)
        items.append({i, names.at(i)});
    return addEnumEditor(label, field, items);
}

void ParameterEditorManagerBase::addLayoutLine()
{
    if (!layout) {
        qDebug() << "void ParameterEditorManager::addLayoutLine()"
                 << "Layout not set";
        return;
    }
    layout->addRow(new LayoutLine(editorParent));
}

void ParameterEditorManagerBase::slot_restoreBackups()
{
    restoringBackups = true;
    for (const ParameterBackup& backup : std::as_const(backups)) {
        void* target = backup.target;
        if (backup.writeBack) {
            backup.writeBack(backup);
            continue;
        }
        switch (backup.type) {
        case ParameterContainerType::UnitPointer:
            *as<const Unit*>(target) = backup.value.value<const Unit*>();
            break;
        case ParameterContainerType::Double:
            *as<double>(target) = backup.value.toDouble();
            break;
        case ParameterContainerType::DoubleWithUnit:
            *as<ValueWithUnit>(target) = backup.value.value<ValueWithUnit>();
            break;
        case ParameterContainerType::Bool:
            *as<bool>(target) = backup.value.toBool();
            break;
        case ParameterContainerType::Int:
            *as<qint32>(target) = backup.value.toInt();
            break;
        case ParameterContainerType::UInt32:
            *as<quint32>(target) = backup.value.toUInt();
            break;
        case ParameterContainerType::UInt64:
            *as<quint64>(target) = backup.value.toULongLong();
            break;
        case ParameterContainerType::String:
            *as<QString>(target) = backup.value.toString();
            break;
        case ParameterContainerType::ByteArray:
            *as<QByteArray>(target) = backup.value.toByteArray();
            break;
        case ParameterContainerType::Color:
            *as<QColor>(target) = backup.value.value<QColor>();
            break;
        case ParameterContainerType::KeySequence:
            as<QShortcut>(target)->setKey(backup.value.value<QKeySequence>());
            break;
        default:
            qDebug() << "void ParameterEditorManager::slot_restoreBackups()"
                     << "Unhandled ParameterContainerType" << static_cast<int>(backup.type);
            break;
        }
    }
    restoringBackups = false;
    Q_EMIT signal_parametersChanged();
}

void ParameterEditorManagerBase::slot_unitComboBox(const Unit* unit)
{
    if (void* target = senderTarget()) {
        *as<const Unit*>(target) = unit;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_double(double value)
{
    if (void* target = senderTarget()) {
        *as<double>(target) = value;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_int(int value)
{
    if (void* target = senderTarget()) {
        *as<qint32>(target) = value;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_qint64(qint64 value)
{
    if (void* target = senderTarget()) {
        *as<quint64>(target) = static_cast<quint64>(value);
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_intWithOffset(int value)
{
    if (void* target = senderTarget()) {
        *as<qint32>(target) = value - 1;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_quantity(Quantity quantity)
{
    if (void* target = senderTarget()) {
        *as<Quantity>(target) = quantity;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_bool(int state)
{
    if (void* target = senderTarget()) {
        *as<bool>(target) = state != Qt::Unchecked;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_comboBox()
{
    auto* comboBox = qobject_cast<QComboBox*>(sender());
    void* target = senderTarget();
    if (!comboBox || !target)
        return;
    *as<qint32>(target) = comboBox->currentData(Qt::UserRole).toInt();
    Q_EMIT signal_parametersChanged();
}

void ParameterEditorManagerBase::slot_lineEdit(const QString& text)
{
    if (void* target = senderTarget()) {
        *as<QString>(target) = text;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_lineEditByteArray(const QString& text)
{
    if (void* target = senderTarget()) {
        *as<QByteArray>(target) = text.toLatin1();
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_plainTextEdit()
{
    auto* textEdit = qobject_cast<QPlainTextEdit*>(sender());
    void* target = senderTarget();
    if (!textEdit || !target)
        return;
    *as<QString>(target) = textEdit->toPlainText();
    Q_EMIT signal_parametersChanged();
}

void ParameterEditorManagerBase::slot_valueAndUnit_changedValue(double value)
{
    if (void* target = senderTarget()) {
        as<ValueWithUnit>(target)->first = value;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_valueAndUnit_changedUnit(const Unit* unit)
{
    if (void* target = senderTarget()) {
        as<ValueWithUnit>(target)->second = unit;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_colorButton(const QColor& color)
{
    if (void* target = senderTarget()) {
        *as<QColor>(target) = color;
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_shortcut(const QKeySequence& sequence)
{
    if (void* target = senderTarget()) {
        as<QShortcut>(target)->setKey(sequence);
        Q_EMIT signal_parametersChanged();
    }
}

void ParameterEditorManagerBase::slot_serialPort_contextMenu(const QPoint& pos)
{
    auto* lineEdit = qobject_cast<QLineEdit*>(sender());
    if (!lineEdit)
        return;
    MyMenu menu(editorParent);
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        menu.addAction(port.portName());
    if (QAction* picked = menu.exec(lineEdit->mapToGlobal(pos)))
        lineEdit->setText(picked->text());
}

void ParameterEditorManagerBase::slot_baudrate_contextMenu(const QPoint& pos)
{
    auto* spinBox = qobject_cast<QSpinBox*>(sender());
    if (!spinBox)
        return;
    MyMenu menu(editorParent);
    for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        menu.addAction(QString::number(rate));
    if (QAction* picked = menu.exec(spinBox->mapToGlobal(pos)))
        spinBox->setValue(picked->text().toInt());
}
