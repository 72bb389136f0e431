#pragma once

#include "AbstractMdiWidget.h"

#include <QMetaObject>
#include <QPointer>

class RunChannel;

// The base of every RUN-screen widget: one bound live channel (saved as
// "variableKey"), the reaction to its setup changes, the standard context menu
// and the hooks the RUN desktop drives: refreshTick, called by the desktop's
// scheduler with the current time, and the three run events.
class AbstractRMdiWidget : public AbstractMdiWidget
{
    Q_OBJECT
public:
    enum StandardMenuBit {
        Menu_selectChannel = 1,
        Menu_configureChannel = 2,
        Menu_configureWidget = 4,
        Menu_resetAutorange = 8,
        Menu_selectInputChannel = 16,
    };

    explicit AbstractRMdiWidget(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override;
    virtual void setChannel(RunChannel* channel);
    virtual void configureWidget() {}
    virtual void resetAutorange() {}
    virtual void refreshTick(qint64 nowMs) { Q_UNUSED(nowMs); }
    virtual void insertDataBrake() {}
    virtual void unpause() {}
    virtual void newRunStarted() {}

    void activateStandardMdiItemContextMenu(int bits);
    void setChannelByKey(const QString& key);
    RunChannel* channel() const { return boundChannel; }

    int standardMenuBits = 0;

    // The channel picker over every channel offered to desktops; null when
    // cancelled or nothing was chosen. `accepted` tells the two apart.
    RunChannel* pickChannel(const QString& title, bool* accepted);

public Q_SLOTS:
    virtual void slot_channelSetupChanged();
    void slot_standardMdiContextMenu(const QPoint& pos);

private:
    RunChannel* boundChannel = nullptr;
    QList<QMetaObject::Connection> channelConnections;
};
