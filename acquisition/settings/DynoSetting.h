#pragma once

#include "DynoSettingId.h"
#include "SettingWidgetType.h"

#include <QDebug>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QWidget>

// One channel of one dyno setting: its key, label and the editor that holds
// its value. Every change of the editor is written at once to the MCU's
// configuration word when the setting has an address.
//
// The editor belongs to the GUI thread. The run and brake-controller threads
// read the value too: they get a copy that the GUI thread refreshes whenever
// the editor announces a change.
class DynoSetting : public QObject
{
    Q_OBJECT
public:
    DynoSetting(QWidget* widget, const QString& keyTemplate, const QString& label, SettingWidgetType type,
                quint32 channel, quint32 mcuAddress);

    // The editor's value by kind (see SettingWidgetType); outside the GUI thread its copy.
    QVariant value() const;
    // Puts the value into the editor as an edit would (store and MCU follow). GUI thread.
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

    // The name channel n of this setting has in a run file, whether or not
    // the connected board has that channel.
    QString generateIdStringForAnalyze(int n) const;

    QWidget* widget = nullptr;
    QString keyTemplate;
    QString key;
    QString label;
    SettingWidgetType widgetType;
    quint32 mcuAddress = 0;
    quint32 channel = 0;
    int maxChannelCount = 1;
    // As registered; an invalid variant reads as 0, false, the first option or an empty list.
    QVariant defaultValue;
    // True while the editor holds its default (a loss model: no coefficient other than 0). GUI thread.
    bool atDefault() const;

public Q_SLOTS:
    void slot_valueChangedDispatcherInt(int value);
    void slot_valueChangedDispatcherFloat(double value);

private:
    QVariant editorValue() const;
    void refreshCopy();
    void followEditor();
    void connectDispatch();

    mutable QMutex copyMutex;
    QVariant copy;
};
