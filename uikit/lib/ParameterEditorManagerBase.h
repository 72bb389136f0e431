#pragma once

#include "FieldBusEnums.h"
#include "ParameterBackup.h"
#include "PriorityGroup.h"
#include "SamplingMode.h"
#include "lib/Quantity.h"

#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSerialPort>
#include <QShortcut>
#include <QString>

#include <type_traits>
#include <utility>

class CanDataHexEdit;
class CanIdLineEdit;
class CanMaskLineEdit;
class ColorButton;
class HexDataLineEdit;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QuantityComboBox;
class ShortcutWidget;
class SpinBoxWithUnit;
class Unit;
class UnitComboBox;

// Builds the form that edits one record in place, one row per field, and binds
// every editor straight to its field: each edit of the operator is written into
// the field at once (signal_parametersChanged follows), and the value each
// field had when its row was added is kept, so that slot_restoreBackups can put
// every field back on Cancel.
//
// This class holds the rows of plain fields (numbers, texts, units, colours,
// CAN words, enumerations). The rows that bind objects of the channel model
// (setups, arguments, channel names) are added by ParameterEditorManager in
// channels/, which derives from it; the record dialogs use that one.
//
// Setting an editor up from its field writes nothing and emits nothing: every
// editor is connected only after it shows the field's value. Writes go through
// the field's address with the field's own width; the manager neither checks
// nor clamps (the editors' ranges do). The bound records must outlive the form.
// GUI thread only.
class ParameterEditorManagerBase : public QObject
{
    Q_OBJECT
public:
    explicit ParameterEditorManagerBase(QWidget* parent);
    ~ParameterEditorManagerBase() override;

    // Where new rows go; may change between rows. Null: the editors are made,
    // bound and returned, and the caller places them.
    QFormLayout* layout = nullptr;

    QSpinBox* addEditor(const QString& label, int* field, int min, int max);
    QSpinBox* addEditor(const QString& label, QSerialPort::DataBits* field);
    QSpinBox* addEditor_baudrate(const QString& label, int* field);
    // A 0-based number shown 1-based; min and max are shown numbers.
    QSpinBox* addEditor_withOffset(const QString& label, int* field, int min, int max);
    QDoubleSpinBox* addEditor(const QString& label, double* field, double min, double max, int decimals);
    SpinBoxWithUnit* addEditor_withUnit(const QString& label, double* field, Quantity quantity, const Unit* unit,
                                        double min, double max, int decimals);
    SpinBoxWithUnit* addEditor_withUnit(const QString& label, ValueWithUnit* field, Quantity quantity, double min,
                                        double max, int decimals);
    UnitComboBox* addEditor(const QString& label, const Unit** field, Quantity quantity);
    QuantityComboBox* addEditor(const QString& label, Quantity* field);
    QCheckBox* addEditor(const QString& label, bool* field);
    QLineEdit* addEditor(const QString& label, QString* field);
    QPlainTextEdit* addEditor_multiline(const QString& label, QString* field);
    QLineEdit* addEditor_serialPort(const QString& label, QString* field);
    // The bytes are shown as UTF-8 text and stored as the Latin-1 bytes of the text.
    QLineEdit* addEditor(const QString& label, QByteArray* field);
    ColorButton* addEditor(const QString& label, QColor* field);
    CanIdLineEdit* addEditor_canId(const QString& label, int* field);
    CanMaskLineEdit* addEditor_canMask(const QString& label, quint32* field);
    HexDataLineEdit* addEditor_hex16(const QString& label, int* field);
    // All eight bytes of a CAN frame's data.
    CanDataHexEdit* addEditor_canDataHex(const QString& label, quint64* field);

    // A combo box of (stored value, label) pairs over a 32-bit field. A value
    // that no item carries selects item 0 and stays in the field until the
    // operator picks; of items with equal values the last is selected.
    QComboBox* addEditor_comboBox(const QString& label, qint32* field, const QList<std::pair<int, QString>>& items);
    QComboBox* addEditor(const QString& label, SamplingMode* field);
    QComboBox* addEditor(const QString& label, QSerialPort::Parity* field);
    QComboBox* addEditor(const QString& label, QSerialPort::StopBits* field);
    QComboBox* addEditor(const QString& label, QSerialPort::FlowControl* field);
    QComboBox* addEditor(const QString& label, Endianness* field);
    QComboBox* addEditor(const QString& label, Signedness* field);
    QComboBox* addEditor(const QString& label, NewLineType* field);
    QComboBox* addEditor(const QString& label, ReplyFormat* field);
    QComboBox* addEditor(const QString& label, ModbusFunctionCode* field);
    QComboBox* addEditor(const QString& label, CommandFormat* field);
    QComboBox* addEditor(const QString& label, PriorityGroup* field);

    // A keyboard shortcut, edited by the main window's key-sequence button
    // (ShortcutWidget: setKeySequence, signal_sequenceChanged). A template so
    // that this library does not depend on the window's; it compiles where the
    // caller includes the widget.
    template<class Widget = ShortcutWidget>
    Widget* addEditor(const QString& label, QShortcut* shortcut);

    // A separator line over both columns.
    void addLayoutLine();

    const QList<ParameterBackup>& getBackups() const { return backups; }

Q_SIGNALS:
    void signal_parametersChanged();

public Q_SLOTS:
    // Writes every backup back, first to last, then announces once. The
    // backups stay, so a second restore writes the same values again.
    void slot_restoreBackups();

protected:
    // The steps every row shares, for the rows of derived forms.
    void addBackup(void* target, const QVariant& value, ParameterContainerType type,
                   std::function<void(const ParameterBackup&)> writeBack = {});
    void mapEditor(QObject* editor, void* target);
    // (label, editor) when a form is set; nothing otherwise.
    void placeRow(const QString& label, QWidget* editor);
    // One row over both columns when a form is set.
    void placeSpanningRow(QWidget* editor);
    // The field bound to the sender of the running slot; null for a stranger.
    void* senderTarget() const;

    QWidget* editorParent = nullptr;
    QMap<QObject*, void*> editorTargets;
    // True while slot_restoreBackups writes, which announces once at its end.
    bool restoringBackups = false;
    QList<ParameterBackup> backups;

private Q_SLOTS:
    void slot_unitComboBox(const Unit* unit);
    void slot_double(double value);
    void slot_int(int value);
    void slot_qint64(qint64 value);
    void slot_intWithOffset(int value);
    void slot_quantity(Quantity quantity);
    void slot_bool(int state);
    void slot_comboBox();
    void slot_lineEdit(const QString& text);
    void slot_lineEditByteArray(const QString& text);
    void slot_plainTextEdit();
    void slot_valueAndUnit_changedValue(double value);
    void slot_valueAndUnit_changedUnit(const Unit* unit);
    void slot_colorButton(const QColor& color);
    void slot_shortcut(const QKeySequence& sequence);
    void slot_serialPort_contextMenu(const QPoint& pos);
    void slot_baudrate_contextMenu(const QPoint& pos);

private:
    QSpinBox* makeIntSpinBox(const QString& label, int* field, int min, int max);
    template<class Enum>
    QComboBox* addEnumEditor(const QString& label, Enum* field, const QList<std::pair<int, QString>>& items)
    {
        static_assert(sizeof(Enum) == sizeof(qint32), "form enumerations are stored in 32 bits");
        return addEditor_comboBox(label, reinterpret_cast<qint32*>(field), items);
    }
};

template<class Widget>
Widget* ParameterEditorManagerBase::addEditor(const QString& label, QShortcut* shortcut)
{
    addBackup(shortcut, QVariant::fromValue(shortcut->key()), ParameterContainerType::KeySequence);
    auto* widget = new Widget(editorParent);
    widget->setKeySequence(shortcut->key());
    connect(widget, &Widget::signal_sequenceChanged, this, &ParameterEditorManagerBase::slot_shortcut);
    mapEditor(widget, shortcut);
    placeRow(label, widget);
    return widget;
}
