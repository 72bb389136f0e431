#include "RMdiInputSlider.h"

#include "ChannelSetup.h"
#include "InputPicker.h"
#include "RunChannel.h"
#include "inputChannels/InputChannel.h"

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

RMdiInputSlider::RMdiInputSlider(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setAutoFillBackground(true);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::gray);
    frame->setPalette(pal);
    outer->addWidget(frame);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(0);
    label = new QLabel(QStringLiteral("-"), frame);
    label->setContentsMargins(3, 3, 3, 3);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    slider = new QScrollBar(Qt::Horizontal, frame);
    slider->setRange(0, 100);
    slider->setPageStep(10);
    slider->setSingleStep(1);
    slider->setInvertedControls(false);
    slider->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    slider->setContextMenuPolicy(Qt::NoContextMenu);
    inner->addWidget(label);
    inner->addWidget(slider);

    removeEventFilter(this);
    for (QWidget* w : {static_cast<QWidget*>(frame), static_cast<QWidget*>(label), static_cast<QWidget*>(slider)})
        w->setAttribute(Qt::WA_MouseTracking);
    frame->installEventFilter(this);
    slider->installEventFilter(this);

    activateStandardMdiItemContextMenu(Menu_selectInputChannel | Menu_configureChannel);
    connect(slider, &QScrollBar::valueChanged, this, &RMdiInputSlider::slot_sliderValueChanged);
    setMinimumSize(100, 70);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
}

void RMdiInputSlider::onCreateConfiguration()
{
    pickInputChannelOrClose(this);
}

void RMdiInputSlider::setChannel(RunChannel* channel)
{
    disconnect(dataConnection);
    AbstractRMdiWidget::setChannel(channel);
    if (channel) {
        dataConnection
            = connect(channel, &RunChannel::signal_newData, this, &RMdiInputSlider::slot_channelValueChanged);
        slot_channelValueChanged(channel->getValue());
    }
}

int RMdiInputSlider::positionOf(double x, double lo, double hi)
{
    const double p = (x - lo) * 100.0 / (hi - lo);
    if (std::isnan(p))
        return 0;
    if (std::isinf(p))
        return p > 0 ? 100 : 0;
    return int(std::clamp(std::round(p), 0.0, 100.0));
}

void RMdiInputSlider::slot_channelValueChanged(double x)
{
    RunChannel* c = channel();
    if (!c)
        return;
    const int p = positionOf(x, c->setup->rangeMin, c->setup->rangeMax);
    if (p != slider->value()) {
        // Showing a value never writes it back.
        const QSignalBlocker blocker(slider);
        slider->setValue(p);
    }
}

void RMdiInputSlider::slot_sliderValueChanged(int p)
{
    // Only operator inputs take values from the desktop; a measured channel
    // bound through a desktop file is shown, never overwritten.
    auto* input = qobject_cast<InputChannel*>(channel());
    if (!input)
        return;
    const double lo = input->setup->rangeMin;
    const double hi = input->setup->rangeMax;
    input->setData(lo + (hi - lo) * p / 100.0, QDateTime::currentMSecsSinceEpoch());
}

void RMdiInputSlider::slot_channelSetupChanged()
{
    if (RunChannel* c = channel()) {
        label->setText(c->setup->getName());
        slot_channelValueChanged(c->getValue());
    } else {
        label->setText(QStringLiteral("-"));
        slider->setValue(0);
    }
    AbstractRMdiWidget::slot_channelSetupChanged();
}
