#include "ScatterPlotAxis.h"

#include "ChannelSetup.h"
#include "RunChannel.h"

#include <qcustomplot.h>

void ScatterPlotAxis::setAxisChannel_post()
{
    updateAxisRange();
    emit signal_clearData();
}

void ScatterPlotAxis::slot_channelSetupChanged()
{
    if (channel && channel->setup && curve)
        curve->setPen(QPen(channel->setup->color));
    AbstractMdiPlotAxis::slot_channelSetupChanged();
}

void ScatterPlotAxis::refreshTick()
{
    if (!channel) {
        updateWarningBand();
        return;
    }
    trackValueAndWarning(channel->getValue());
}
