#include "AbstractMdiPlotAxis.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "Fonts.h"
#include "RunChannel.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QDomElement>
#include <QSpinBox>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

AbstractMdiPlotAxis::AbstractMdiPlotAxis()
    : AbstractPlotAxis(nullptr),
      dataMin(std::numeric_limits<double>::quiet_NaN()),
      dataMax(std::numeric_limits<double>::quiet_NaN()),
      defaultTicker(new QCPAxisTicker),
      tickCountSpinBox(new QSpinBox)
{
    tickCountSpinBox->setRange(0, 100);
    tickCountSpinBox->setValue(5);
}

AbstractMdiPlotAxis::~AbstractMdiPlotAxis() = default;

void AbstractMdiPlotAxis::setDefaultTicker()
{
    if (qcpAxis)
        qcpAxis->setTicker(defaultTicker);
}

void AbstractMdiPlotAxis::setQCPAxis(QCPAxis* axis)
{
    setAndConnectQcpAxis(axis);
    axis->setVisible(false);
    connect(tickCountSpinBox.get(), qOverload<int>(&QSpinBox::valueChanged), this,
            &AbstractMdiPlotAxis::slot_configTickCountChanged);
    setDefaultTicker();
    slot_configTickCountChanged(tickCountSpinBox->value());
    axis->setTickLabelFont(theFonts.normalFont);
    axis->setLabelFont(theFonts.normalFont);
    axis->setSubTicks(false);
}

void AbstractMdiPlotAxis::init(QCustomPlot* plot)
{
    initAlarmsAndWarnings(plot);
}

void AbstractMdiPlotAxis::createWarningItem()
{
    QCustomPlot* plot = qcpAxis->parentPlot();
    warningItem = new QCPItemRect(plot);
    warningItem->setLayer(QStringLiteral("background"));
    warningItem->topLeft->setType(QCPItemPosition::ptAbsolute);
    warningItem->bottomRight->setType(QCPItemPosition::ptAbsolute);
    warningItem->setPen(QPen(Qt::transparent));
    warningItem->setBrush(QBrush(Qt::red));
    warningItem->setClipToAxisRect(false);
    warningItem->setVisible(false);
}

void AbstractMdiPlotAxis::slot_configTickCountChanged(int n)
{
    if (!qcpAxis)
        return;
    const bool on = n > 0;
    qcpAxis->setTickLabels(on);
    qcpAxis->setTicks(on);
    qcpAxis->grid()->setVisible(on && channel);
    if (on)
        defaultTicker->setTickCount(n);
    qcpAxis->parentPlot()->replot(QCustomPlot::rpQueuedReplot);
}

void AbstractMdiPlotAxis::setAxisChannel(RunChannel* newChannel)
{
    dataMin = dataMax = std::numeric_limits<double>::quiet_NaN();
    for (const QMetaObject::Connection& c : std::as_const(channelConnections))
        disconnect(c);
    channelConnections.clear();
    if (newChannel) {
        qcpAxis->setVisible(true);
        qcpAxis->grid()->setVisible(tickCountSpinBox->value() > 0);
        channelConnections.append(connect(newChannel, &AbstractChannel::signal_setupChanged, this,
                                          &AbstractMdiPlotAxis::slot_channelSetupChanged));
        if (newChannel->setup)
            channelConnections.append(connect(newChannel->setup, &ChannelSetup::signal_keyChanged, this,
                                              &AbstractMdiPlotAxis::signal_requestSettingsSave));
        channelConnections.append(connect(newChannel, &QObject::destroyed, this, [this, newChannel] {
            if (channel == newChannel)
                slot_axisChannelDestroyed();
        }));
    } else {
        qcpAxis->setVisible(false);
        qcpAxis->grid()->setVisible(false);
    }
    channel = newChannel;
    slot_channelSetupChanged();
    emit signal_requestSettingsSave();
    setAxisChannel_post();
}

void AbstractMdiPlotAxis::setAxisChannelByKey(const QString& key)
{
    setAxisChannel(theChannels.getChannelByKey(key));
}

void AbstractMdiPlotAxis::slot_axisChannelDestroyed()
{
    setAxisChannel(nullptr);
}

void AbstractMdiPlotAxis::resetAutorange()
{
    dataMin = dataMax = std::numeric_limits<double>::quiet_NaN();
}

double AbstractMdiPlotAxis::toDisplay(double si) const
{
    if (!channel || !channel->setup || !channel->setup->unit)
        return si;
    return channel->setup->unit->getUnitValue(si);
}

void AbstractMdiPlotAxis::slot_channelSetupChanged()
{
    if (!channel || !channel->setup) {
        for (QCPItemLine* line : {alarmHighLine, warningHighLine, warningLowLine, alarmLowLine})
            if (line)
                line->setVisible(false);
    } else {
        ChannelSetup* s = channel->setup;
        if (s->decimals < 0) {
            qcpAxis->setNumberFormat(QStringLiteral("ebc"));
            qcpAxis->setNumberPrecision(-s->decimals);
        } else {
            qcpAxis->setNumberFormat(QStringLiteral("f"));
            qcpAxis->setNumberPrecision(s->decimals);
        }
        qcpAxis->setLabel(channel->getNameWithUnit());
        const QColor c = s->color;
        qcpAxis->setBasePen(QPen(c));
        QPen gridPen = qcpAxis->grid()->pen();
        gridPen.setColor(c);
        qcpAxis->grid()->setPen(gridPen);
        qcpAxis->grid()->setZeroLinePen(gridPen);
        qcpAxis->setLabelColor(c);
        qcpAxis->setTickLabelColor(c);
        qcpAxis->setTickLabelPadding(5);
        setAxisChannel_post();
        const struct {
            QCPItemLine* line;
            double value;
        } limits[] = {{alarmHighLine, s->alarmHigh},
                      {warningHighLine, s->warningHigh},
                      {warningLowLine, s->warningLow},
                      {alarmLowLine, s->alarmLow}};
        for (const auto& l : limits) {
            if (!l.line)
                continue;
            const bool finite = std::isfinite(l.value);
            l.line->setVisible(finite);
            if (finite)
                setLinePosition(l.line, toDisplay(l.value));
        }
    }
    qcpAxis->parentPlot()->replot(QCustomPlot::rpRefreshHint);
    updateWarningPosition();
}

void AbstractMdiPlotAxis::updateAxisRange()
{
    if (!channel || !channel->setup)
        return;
    const QPair<double, double> r = channel->setup->getRangeFromDataRange(toDisplay(dataMin), toDisplay(dataMax));
    if (std::isfinite(r.first) && std::isfinite(r.second) && r.first < r.second)
        qcpAxis->setRange(r.first, r.second);
    qcpAxis->parentPlot()->replot(QCustomPlot::rpQueuedReplot);
}

void AbstractMdiPlotAxis::updateWarningPosition()
{
    if (!warningItem)
        return;
    const QRect inner = qcpAxis->axisRect()->rect();
    const QRect outer = qcpAxis->axisRect()->outerRect();
    QPoint tl(0, 0), br(0, 0);
    switch (qcpAxis->axisType()) {
    case QCPAxis::atLeft:
        tl = QPoint(outer.left(), inner.top());
        br = QPoint(inner.left(), inner.bottom());
        break;
    case QCPAxis::atRight:
        tl = QPoint(inner.right(), inner.top());
        br = QPoint(outer.right(), inner.bottom());
        break;
    case QCPAxis::atTop:
        tl = QPoint(inner.left(), outer.top());
        br = QPoint(inner.right(), inner.top());
        break;
    case QCPAxis::atBottom:
        tl = QPoint(inner.left(), inner.bottom());
        br = QPoint(inner.right(), outer.bottom());
        break;
    }
    warningItem->topLeft->setCoords(tl);
    warningItem->bottomRight->setCoords(br);
}

QString AbstractMdiPlotAxis::getChannelDisplayName() const
{
    if (!channel || !channel->setup)
        return QStringLiteral("-");
    return channel->setup->getNameWithUnit();
}

void AbstractMdiPlotAxis::writeToDomElement(QDomElement* element) const
{
    if (channel && channel->setup)
        element->setAttribute(QStringLiteral("variableKey"), channel->setup->key);
    element->setAttribute(QStringLiteral("tickCount"), tickCountSpinBox->value());
}

void AbstractMdiPlotAxis::parseDomElement(const QDomElement* element)
{
    setAxisChannel(theChannels.getChannelByKey(element->attribute(QStringLiteral("variableKey"))));
    tickCountSpinBox->setValue(element->attribute(QStringLiteral("tickCount")).toInt());
}

void AbstractMdiPlotAxis::trackValueAndWarning(double value)
{
    if (!channel)
        return;
    if (Tools::updateAutoRange(dataMin, dataMax, value))
        updateAxisRange();
    updateWarningBand();
}

void AbstractMdiPlotAxis::updateWarningBand()
{
    if (!warningItem)
        return;
    if (!channel) {
        warningItem->setVisible(false);
        return;
    }
    const RunChannel::AlarmState s = channel->alarmState();
    const bool warn = s.alarmActive || s.aboveWarningHigh || s.belowWarningLow;
    if (warn) {
        warningItem->setBrush(QBrush(channel->getAlarmOrWarningColor()));
        warningItem->setVisible(true);
    } else {
        warningItem->setVisible(false);
    }
}
