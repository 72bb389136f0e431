#pragma once

// The editor kind of a dyno setting; the number is part of the run-file format.
enum SettingWidgetType : int {
    SettingWidgetType_spinBox = 0,
    SettingWidgetType_doubleSpinBox = 1,
    SettingWidgetType_spinBoxWithUnit = 2,
    SettingWidgetType_lineEdit = 3,
    SettingWidgetType_comboBox = 4,
    SettingWidgetType_checkBox = 5,
    SettingWidgetType_pointVectorEditor = 6,
    SettingWidgetType_lossModelEditor = 7,
    SettingWidgetType_quantityComboBox = 8,
    SettingWidgetType_argumentWidget = 9
};
