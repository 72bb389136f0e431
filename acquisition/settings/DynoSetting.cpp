#include "DynoSetting.h"

#include "ArgumentLineEdit.h"
#include "ArgumentWidget.h"
#include "DynoSettingsLossModelEditor.h"
#include "McuThread.h"
#include "PointVectorEditor.h"
#include "QuantityComboBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "lib/Unit.h"
#include "functions/Argument.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QThread>


namespace {

QList<QPointF> pointsOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QList<QPointF>>())
        return value.value<QList<QPointF>>();
    QList<QPointF> points;
    for (const QVariant& entry : value.toList())
        points.append(entry.toPointF());
    return points;
}

QList<double> doublesOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QList<double>>())
        return value.value<QList<double>>();
    QList<double> numbers;
    for (const QVariant& entry : value.toList())
        numbers.append(entry.toDouble());
    return numbers;
}

} // namespace

DynoSetting::DynoSetting(QWidget* widget, const QString& keyTemplate, const QString& label, SettingWidgetType type,
                         quint32 channel, quint32 mcuAddress)
    : widget(widget)
    , keyTemplate(keyTemplate)
    , key(Tools::optionalArg(keyTemplate, channel))
    , label(Tools::optionalArg(label, channel + 1))
    , widgetType(type)
    , mcuAddress(mcuAddress)
    , channel(channel)
{
    copy = editorValue();
    // The copy first, so that whoever the editor's change reaches next reads
    // the new value from any thread.
    followEditor();
    if (mcuAddress != 0)
        connectDispatch();
}

QString DynoSetting::generateIdStringForAnalyze(int n) const
{
    return Tools::optionalArg(keyTemplate, n);
}

void DynoSetting::followEditor()
{
    switch (widgetType) {
    case SettingWidgetType_spinBox:
        connect(static_cast<QSpinBox*>(widget), &QSpinBox::valueChanged, this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_doubleSpinBox:
        connect(static_cast<QDoubleSpinBox*>(widget), &QDoubleSpinBox::valueChanged, this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_spinBoxWithUnit:
        connect(static_cast<SpinBoxWithUnit*>(widget), &SpinBoxWithUnit::signal_valueChangedSI, this,
                &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_lineEdit:
        connect(static_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_comboBox:
        connect(static_cast<QComboBox*>(widget), &QComboBox::currentIndexChanged, this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_checkBox:
        connect(static_cast<QCheckBox*>(widget), &QCheckBox::stateChanged, this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_pointVectorEditor:
        connect(static_cast<PointVectorEditor*>(widget), &PointVectorEditor::signal_vectorChanged, this,
                &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_lossModelEditor:
        connect(static_cast<DynoSettingsLossModelEditor*>(widget), &DynoSettingsLossModelEditor::signal_lossModelChanged,
                this, &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_quantityComboBox:
        connect(static_cast<QuantityComboBox*>(widget), &QuantityComboBox::signal_quantityChanged, this,
                &DynoSetting::refreshCopy);
        break;
    case SettingWidgetType_argumentWidget: {
        // The editor writes the operator's choice into its argument first; the
        // argument announces changes that come from elsewhere.
        auto* editor = static_cast<ArgumentWidget*>(widget);
        connect(editor->typeCombo, &QComboBox::currentIndexChanged, this, &DynoSetting::refreshCopy);
        connect(editor->valueEdit, &QLineEdit::textChanged, this, &DynoSetting::refreshCopy);
        connect(editor->unitCombo, &UnitComboBox::signal_unitChanged, this, &DynoSetting::refreshCopy);
        connect(editor->argument, &Argument::signal_updateWidget, this, &DynoSetting::refreshCopy);
        connect(editor->argument, &Argument::signal_argumentSourceKeyChanged, this, &DynoSetting::refreshCopy);
        break;
    }
    default:
        break;
    }
}

void DynoSetting::connectDispatch()
{
    switch (widgetType) {
    case SettingWidgetType_spinBox:
        connect(static_cast<QSpinBox*>(widget), &QSpinBox::valueChanged, this,
                &DynoSetting::slot_valueChangedDispatcherInt);
        break;
    case SettingWidgetType_comboBox:
        connect(static_cast<QComboBox*>(widget), &QComboBox::currentIndexChanged, this,
                &DynoSetting::slot_valueChangedDispatcherInt);
        break;
    case SettingWidgetType_checkBox:
        connect(static_cast<QCheckBox*>(widget), &QCheckBox::stateChanged, this,
                &DynoSetting::slot_valueChangedDispatcherInt);
        break;
    case SettingWidgetType_doubleSpinBox:
        connect(static_cast<QDoubleSpinBox*>(widget), &QDoubleSpinBox::valueChanged, this,
                &DynoSetting::slot_valueChangedDispatcherFloat);
        break;
    case SettingWidgetType_spinBoxWithUnit:
        connect(static_cast<SpinBoxWithUnit*>(widget), &SpinBoxWithUnit::signal_valueChangedSI, this,
                &DynoSetting::slot_valueChangedDispatcherFloat);
        break;
    default:
        qDebug() << "trying to connect not supported interface setting type";
        break;
    }
}

void DynoSetting::slot_valueChangedDispatcherInt(int value)
{
    if (theMCUThread)
        theMCUThread->setSetting(mcuAddress, static_cast<uint32_t>(value), static_cast<uint16_t>(channel));
}

void DynoSetting::slot_valueChangedDispatcherFloat(double value)
{
    if (theMCUThread)
        theMCUThread->setSettingFloat(mcuAddress, static_cast<float>(value), static_cast<uint16_t>(channel));
}

void DynoSetting::refreshCopy()
{
    const QVariant current = editorValue();
    QMutexLocker lock(&copyMutex);
    copy = current;
}

QVariant DynoSetting::value() const
{
    if (QThread::currentThread() != thread()) {
        QMutexLocker lock(&copyMutex);
        return copy;
    }
    if (widgetType < SettingWidgetType_spinBox || widgetType > SettingWidgetType_argumentWidget) {
        qDebug() << "widget not supported";
        return QVariant();
    }
    return editorValue();
}

QVariant DynoSetting::editorValue() const
{
    switch (widgetType) {
    case SettingWidgetType_spinBox:
        return static_cast<QSpinBox*>(widget)->value();
    case SettingWidgetType_doubleSpinBox:
        return static_cast<QDoubleSpinBox*>(widget)->value();
    case SettingWidgetType_spinBoxWithUnit:
        return static_cast<SpinBoxWithUnit*>(widget)->getValueSI();
    case SettingWidgetType_lineEdit:
        return static_cast<QLineEdit*>(widget)->text();
    case SettingWidgetType_comboBox:
        return static_cast<QComboBox*>(widget)->currentIndex();
    case SettingWidgetType_checkBox:
        return static_cast<QCheckBox*>(widget)->isChecked();
    case SettingWidgetType_pointVectorEditor:
        return QVariant::fromValue(static_cast<PointVectorEditor*>(widget)->vector());
    case SettingWidgetType_lossModelEditor:
        return QVariant::fromValue(static_cast<DynoSettingsLossModelEditor*>(widget)->lossModel());
    case SettingWidgetType_quantityComboBox:
        return int(static_cast<QuantityComboBox*>(widget)->currentQuantity());
    case SettingWidgetType_argumentWidget: {
        const Argument* argument = static_cast<ArgumentWidget*>(widget)->argument;
        return QString(argument->typeKey() + QLatin1Char(':') + argument->getSourceString());
    }
    default:
        return QVariant();
    }
}

void DynoSetting::setValue(const QVariant& value)
{
    switch (widgetType) {
    case SettingWidgetType_spinBox:
        static_cast<QSpinBox*>(widget)->setValue(value.toInt());
        break;
    case SettingWidgetType_doubleSpinBox:
        static_cast<QDoubleSpinBox*>(widget)->setValue(value.toDouble());
        break;
    case SettingWidgetType_spinBoxWithUnit:
        static_cast<SpinBoxWithUnit*>(widget)->setValueSI(value.toDouble());
        break;
    case SettingWidgetType_lineEdit:
        static_cast<QLineEdit*>(widget)->setText(value.toString());
        break;
    case SettingWidgetType_comboBox:
        static_cast<QComboBox*>(widget)->setCurrentIndex(value.toInt());
        break;
    case SettingWidgetType_checkBox:
        static_cast<QCheckBox*>(widget)->setChecked(value.toBool());
        break;
    case SettingWidgetType_pointVectorEditor:
        static_cast<PointVectorEditor*>(widget)->slot_setVector(pointsOf(value));
        break;
    case SettingWidgetType_lossModelEditor:
        static_cast<DynoSettingsLossModelEditor*>(widget)->setLossModel(doublesOf(value));
        break;
    case SettingWidgetType_quantityComboBox:
        static_cast<QuantityComboBox*>(widget)->setQuantity(static_cast<Quantity>(value.toInt()));
        break;
    case SettingWidgetType_argumentWidget:
        static_cast<ArgumentWidget*>(widget)->argument->setFromTypeKeyAndSourceString(value.toString());
        break;
    default:
        qDebug() << "widget not supported";
        break;
    }
}

bool DynoSetting::atDefault() const
{
    const QVariant current = editorValue();
    switch (widgetType) {
    case SettingWidgetType_spinBox:
    case SettingWidgetType_comboBox:
    case SettingWidgetType_quantityComboBox:
        return current.toInt() == defaultValue.toInt();
    case SettingWidgetType_doubleSpinBox:
    case SettingWidgetType_spinBoxWithUnit:
        return current.toDouble() == defaultValue.toDouble();
    case SettingWidgetType_checkBox:
        return current.toBool() == defaultValue.toBool();
    case SettingWidgetType_lineEdit:
        return current.toString().isEmpty();
    case SettingWidgetType_lossModelEditor: {
        for (double coefficient : doublesOf(current)) {
            if (coefficient != 0)
                return false;
        }
        return true;
    }
    case SettingWidgetType_pointVectorEditor:
        return pointsOf(current).isEmpty();
    default:
        return false;
    }
}
