#pragma once

#include "AbstractPlotAxis.h"

#include <QMetaObject>
#include <QSharedPointer>

#include <memory>

class QCPAxisTicker;
class QCPItemRect;
class QDomElement;
class QSpinBox;
class RunChannel;

// One axis of a live RUN plot bound to one live channel: colour, name, unit
// and number format from the channel's setup, its limit lines, the auto range
// of the values seen, the tick-count editor and a coloured band beside the
// axis while the channel warns or alarms.
class AbstractMdiPlotAxis : public AbstractPlotAxis
{
    Q_OBJECT
public:
    AbstractMdiPlotAxis();
    ~AbstractMdiPlotAxis() override;

    void setDefaultTicker() override;
    bool hasSimpleTicker() override { return true; }
    // The concrete axis's reaction to a new binding or setup: both kinds
    // update the range and drop the data they plot.
    virtual void setAxisChannel_post() = 0;
    virtual void updateAxisRange();

    void setQCPAxis(QCPAxis* axis);
    void init(QCustomPlot* plot);
    void createWarningItem();
    void setAxisChannel(RunChannel* channel);
    void setAxisChannelByKey(const QString& key);
    void resetAutorange();
    void updateWarningPosition();
    QString getChannelDisplayName() const;
    void writeToDomElement(QDomElement* element) const;
    void parseDomElement(const QDomElement* element);
    // The per-refresh step of the concrete axes: widens the data range with
    // the channel's value (SI, NaN ignored) and shows the warning band in the
    // channel's state colour while it warns or alarms.
    void trackValueAndWarning(double value);
    void updateWarningBand();
    // The channel's value in its display unit.
    double toDisplay(double si) const;

    RunChannel* channel = nullptr;
    double dataMin;
    double dataMax;
    QCPItemRect* warningItem = nullptr;
    QSharedPointer<QCPAxisTicker> defaultTicker;
    std::unique_ptr<QSpinBox> tickCountSpinBox;

Q_SIGNALS:
    void signal_requestSettingsSave();

public Q_SLOTS:
    void slot_axisChannelDestroyed();
    void slot_configTickCountChanged(int tickCount);
    virtual void slot_channelSetupChanged();

private:
    QList<QMetaObject::Connection> channelConnections;
};
