#pragma once

#include "SettingWidgetType.h"

#include <QString>
#include <QVariant>

// A dyno setting of one channel as a run file stores it in "/setup": the
// setting's key with the channel index put in, its editor kind and its value.
struct StoredDynoSetting {
    QString name;
    SettingWidgetType type = SettingWidgetType_spinBox;
    QVariant value;
};
