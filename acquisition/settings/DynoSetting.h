#pragma once

#include "DynoSettingId.h"
#include "SettingWidgetType.h"

#include <QDebug>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QWidget>

// One channel of one dyno setting: its key, label and the editor that holds
// its value. The editor's value is the setting's value.
class DynoSetting : public QObject
{
    Q_OBJECT
public:
    DynoSetting(QWidget* widget, const QString& keyTemplate, const QString& label, SettingWidgetType type,
                unsigned channel, QObject* parent);

    QVariant value() const;
    void setValue(const QVariant& value);

    // The editor as T when the setting has that kind of editor; null (and a
    // debug line) when it has another.
    template<class T> T* getWidgetHelper(SettingWidgetType type) const
    {
        if (widgetType != type) {
            qDebug() << "DynoSetting::getWidget: setting has different widget type than requested. Should be:"
                     << int(widgetType);
            return nullptr;
        }
        return qobject_cast<T*>(widget);
    }

    QWidget* widget = nullptr;
    QString keyTemplate;
    QString key;
    QString label;
    SettingWidgetType widgetType;
    quint32 mcuAddress = 0;
    quint32 channel = 0;
    int maxChannelCount = 1;
};
