#include "ComparePlotAxis.h"

#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "ChannelSetupModel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Unit.h"

#include <QDomElement>
#include <QInputDialog>
#include <qcustomplot.h>

#include <cmath>

namespace {

// An integer dialog through the program's dialog runner; false when cancelled.
bool askInt(QWidget* parent, const QString& title, const QString& label, int value, int min, int max, int* result)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setIntRange(min, max);
    dialog.setIntStep(1);
    dialog.setIntValue(value);
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return false;
    *result = dialog.intValue();
    return true;
}

} // namespace

ComparePlotAxis::ComparePlotAxis(QObject* parent)
    : AbstractPlotAxis(parent)
    , numericTicker(new QCPAxisTicker)
    , clockTicker(new QCPAxisTickerDateTime)
{
    clockTicker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
}

void ComparePlotAxis::init(QCustomPlot* plot)
{
    dialogParent = plot;
    initAlarmsAndWarnings(plot);
    slot_channelSetupChanged();
}

void ComparePlotAxis::setChannelSetup(ChannelSetup* setup)
{
    if (channelSetup)
        disconnect(channelSetup, nullptr, this, nullptr);
    if (setup) {
        if (qcpAxis)
            qcpAxis->setVisible(true);
        connect(setup, &ChannelSetup::signal_setupChanged, this, &ComparePlotAxis::slot_channelSetupChanged);
        channelSetup = setup;
    } else {
        if (qcpAxis)
            qcpAxis->setVisible(false);
        channelSetup = nullptr;
    }
    updateGridVisibility();
    slot_channelSetupChanged();
    Q_EMIT signal_requestSettingsSave();
}

void ComparePlotAxis::setChannelSetupByKey(const QString& key)
{
    setChannelSetup(theVectorChannelSetupModel.getSetup(key, QString(), static_cast<Quantity>(-1), nullptr));
}

QString ComparePlotAxis::getChannelKey() const
{
    return channelSetup ? channelSetup->key : QString();
}

void ComparePlotAxis::setupChannel()
{
    if (!channelSetup)
        return;
    ChannelSetupDialog dialog(channelSetup, dialogParent, false, true);
    DialogAnswerer::exec(&dialog);
}

void ComparePlotAxis::setConfiguredRange(double min, double max, bool fromZero)
{
    if (!channelSetup || !qcpAxis)
        return;
    const QPair<double, double> range = channelSetup->getRangeFromDataRange(min, max);
    qcpAxis->setRange(fromZero ? 0.0 : range.first, range.second);
}

void ComparePlotAxis::setTickCount(int count)
{
    numericTicker->setTickCount(count);
    clockTicker->setTickCount(count);
}

void ComparePlotAxis::showTickCountDialog()
{
    int count = 0;
    if (!askInt(dialogParent, tr("Enter tick count hint"), tr("Tick count hint"), numericTicker->tickCount(), 1, 100,
                &count))
        return;
    setTickCount(count);
    Q_EMIT signal_requestSettingsSave();
}

void ComparePlotAxis::setBinCount()
{
    int count = 0;
    if (!askInt(dialogParent, tr("Enter bin count"), tr("Bin count"), binCount, 1, kMaxBinCount, &count))
        return;
    binCount = count;
    Q_EMIT signal_requestSettingsSave();
}

void ComparePlotAxis::setGridEnabled(bool enabled)
{
    gridEnabled = enabled;
    updateGridVisibility();
}

void ComparePlotAxis::toggleGrid()
{
    setGridEnabled(!gridEnabled);
    Q_EMIT signal_requestSettingsSave();
}

void ComparePlotAxis::updateGridVisibility()
{
    if (qcpAxis)
        qcpAxis->grid()->setVisible(gridEnabled && channelSetup);
}

void ComparePlotAxis::setColor(const QColor& color)
{
    if (!qcpAxis)
        return;
    const QPen pen(color, 1, Qt::SolidLine);
    qcpAxis->setBasePen(pen);
    qcpAxis->setTickPen(pen);
    QPen gridPen = qcpAxis->grid()->pen();
    gridPen.setColor(color);
    qcpAxis->grid()->setPen(gridPen);
    qcpAxis->grid()->setZeroLinePen(gridPen);
    qcpAxis->setLabelColor(color);
    qcpAxis->setTickLabelColor(color);
}

void ComparePlotAxis::setColor_found()
{
    setColor(foundColor);
}

void ComparePlotAxis::setColor_placeholder()
{
    setColor(Qt::red);
}

void ComparePlotAxis::setDefaultTicker()
{
    if (!channelSetup || !qcpAxis)
        return;
    if (channelSetup->quantity == Quantity::ClockTime) {
        qcpAxis->setTicker(clockTicker);
        return;
    }
    qcpAxis->setTicker(numericTicker);
    const int decimals = channelSetup->decimals;
    if (decimals >= 0) {
        qcpAxis->setNumberFormat(QStringLiteral("f"));
        qcpAxis->setNumberPrecision(decimals);
    } else {
        qcpAxis->setNumberFormat(QStringLiteral("ebc"));
        qcpAxis->setNumberPrecision(-decimals);
    }
}

bool ComparePlotAxis::hasSimpleTicker()
{
    if (!qcpAxis)
        return false;
    const QSharedPointer<QCPAxisTicker> current = qcpAxis->ticker();
    return current == numericTicker || current == fixedTicker;
}

void ComparePlotAxis::slot_channelSetupChanged()
{
    QCPItemLine* const lines[] = {alarmHighLine, warningHighLine, warningLowLine, alarmLowLine};
    if (channelSetup && qcpAxis) {
        setDefaultTicker();
        qcpAxis->setLabel(channelSetup->getNameWithUnit());
        qcpAxis->setTickLabelPadding(5);
        foundColor = Qt::black;
        const double limits[] = {channelSetup->alarmHigh, channelSetup->warningHigh, channelSetup->warningLow,
                                 channelSetup->alarmLow};
        for (int i = 0; i < 4; ++i) {
            if (!lines[i])
                continue;
            const bool shown = std::isfinite(limits[i]);
            lines[i]->setVisible(shown);
            if (shown) {
                const double value = channelSetup->unit ? channelSetup->unit->getUnitValue(limits[i]) : limits[i];
                setLinePosition(lines[i], value);
            }
        }
    } else {
        for (QCPItemLine* line : lines) {
            if (line)
                line->setVisible(false);
        }
    }
    Q_EMIT signal_channelSetupChanged();
    if (qcpAxis)
        qcpAxis->parentPlot()->replot();
}

void ComparePlotAxis::writeToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("channelKey"), getChannelKey());
    element->setAttribute(QStringLiteral("tickCount"), numericTicker->tickCount());
    element->setAttribute(QStringLiteral("showGrid"), gridEnabled ? 1 : 0);
    element->setAttribute(QStringLiteral("binCount"), binCount);
}

void ComparePlotAxis::parseDomElement(const QDomElement* element)
{
    setChannelSetupByKey(element->attribute(QStringLiteral("channelKey")));
    // 0 (missing or not a number) leaves the tickers as they are.
    setTickCount(element->attribute(QStringLiteral("tickCount")).toInt());
    setGridEnabled(element->attribute(QStringLiteral("showGrid")).toInt() != 0);
    binCount = qBound(1, element->attribute(QStringLiteral("binCount")).toInt(), kMaxBinCount);
}
