#include "DynoSetting.h"

#include "lib/Tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

DynoSetting::DynoSetting(QWidget* widget, const QString& keyTemplate, const QString& label, SettingWidgetType type,
                         unsigned channel, QObject* parent)
    : QObject(parent),
      widget(widget),
      keyTemplate(keyTemplate),
      key(Tools::optionalArg(keyTemplate, channel)),
      label(Tools::optionalArg(label, channel + 1)),
      widgetType(type),
      channel(channel)
{
}

QVariant DynoSetting::value() const
{
    switch (widgetType) {
    case SettingWidgetType_spinBox:
        return static_cast<QSpinBox*>(widget)->value();
    case SettingWidgetType_doubleSpinBox:
        return static_cast<QDoubleSpinBox*>(widget)->value();
    case SettingWidgetType_lineEdit:
        return static_cast<QLineEdit*>(widget)->text();
    case SettingWidgetType_comboBox:
        return static_cast<QComboBox*>(widget)->currentIndex();
    case SettingWidgetType_checkBox:
        return static_cast<QCheckBox*>(widget)->isChecked();
    default:
        qDebug() << "widget not supported";
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
    case SettingWidgetType_lineEdit:
        static_cast<QLineEdit*>(widget)->setText(value.toString());
        break;
    case SettingWidgetType_comboBox:
        static_cast<QComboBox*>(widget)->setCurrentIndex(value.toInt());
        break;
    case SettingWidgetType_checkBox:
        static_cast<QCheckBox*>(widget)->setChecked(value.toBool());
        break;
    default:
        qDebug() << "widget not supported";
        break;
    }
}
