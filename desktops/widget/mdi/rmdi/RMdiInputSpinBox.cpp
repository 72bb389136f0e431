#include "RMdiInputSpinBox.h"

#include "ChannelSetup.h"
#include "InputPicker.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "inputChannels/InputChannel.h"
#include "lib/Unit.h"

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

RMdiInputSpinBox::RMdiInputSpinBox(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi)
{
    fontTimer = new QTimer(this);
    fontTimer->setSingleShot(true);
    fontTimer->setInterval(10);
    connect(fontTimer, &QTimer::timeout, this, &RMdiInputSpinBox::slot_updateSpinBoxFontSize);

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
    inner->setContentsMargins(4, 3, 4, 3);
    inner->setSpacing(0);
    label = new QLabel(QStringLiteral("-"), frame);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setContentsMargins(0, 0, 0, 3);
    spinBox = new SafeSpinBox(frame);
    QFont font;
    font.setPixelSize(24);
    spinBox->setFont(font);
    spinBox->setContextMenuPolicy(Qt::NoContextMenu);
    spinBox->setMouseTracking(true);
    spinBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    inner->addWidget(label);
    inner->addWidget(spinBox);

    activateStandardMdiItemContextMenu(Menu_selectInputChannel | Menu_configureChannel);
    removeEventFilter(this);
    frame->installEventFilter(this);
    label->installEventFilter(this);
    spinBox->installEventFilter(this);
    frame->setMouseTracking(true);
    label->setMouseTracking(true);

    connect(spinBox, &SafeSpinBox::signal_valueChangedSI, this, &RMdiInputSpinBox::slot_spinBoxSIValueChanged);
    setMinimumSize(100, 60);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
}

void RMdiInputSpinBox::onCreateConfiguration()
{
    pickInputChannelOrClose(this);
}

void RMdiInputSpinBox::setChannel(RunChannel* channel)
{
    disconnect(dataConnection);
    if (channel) {
        dataConnection
            = connect(channel, &RunChannel::signal_newData, this, &RMdiInputSpinBox::slot_channelValueChanged);
        slot_channelValueChanged(channel->getValue());
    }
    AbstractRMdiWidget::setChannel(channel);
}

void RMdiInputSpinBox::slot_channelSetupChanged()
{
    // Setting quantity, unit and range shows the value anew; none of it is an
    // entry of the operator.
    const QSignalBlocker blocker(spinBox);
    if (RunChannel* c = channel()) {
        const ChannelSetup* setup = c->setup;
        label->setText(setup->getName());
        spinBox->slot_setQuantity(setup->quantity);
        spinBox->slot_setUnit(setup->unit);
        spinBox->setDecimals(setup->decimals);
        const double inf = std::numeric_limits<double>::infinity();
        spinBox->setRangeSI(setup->autorangeMin ? -inf : setup->rangeMin, setup->autorangeMax ? inf : setup->rangeMax);
        spinBox->setValueSI(c->getValue());
    } else {
        label->setText(QStringLiteral("-"));
        spinBox->setValueSI(std::numeric_limits<double>::quiet_NaN());
    }
    AbstractRMdiWidget::slot_channelSetupChanged();
}

void RMdiInputSpinBox::slot_channelValueChanged(double value)
{
    const QSignalBlocker blocker(spinBox);
    spinBox->setValueSI(value);
}

void RMdiInputSpinBox::slot_spinBoxSIValueChanged(double valueSI)
{
    auto* input = qobject_cast<InputChannel*>(channel());
    if (!input)
        return;
    input->setData(valueSI, QDateTime::currentMSecsSinceEpoch());
}

void RMdiInputSpinBox::slot_updateSpinBoxFontSize()
{
    QFont font;
    font.setPixelSize(std::max(1, spinBox->height() - 3));
    spinBox->setFont(font);
}

void RMdiInputSpinBox::resizeEvent(QResizeEvent* event)
{
    AbstractRMdiWidget::resizeEvent(event);
    fontTimer->start();
}
