#include "RMdiInputButton.h"

#include "ChannelSetup.h"
#include "InputPicker.h"
#include "RunChannel.h"
#include "inputChannels/InputChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDomElement>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

RMdiInputButton::RMdiInputButton(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    button = new QPushButton(QStringLiteral("-"), this);
    button->setCheckable(true);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    button->setAttribute(Qt::WA_MouseTracking);
    layout->addWidget(button);
    removeEventFilter(this);
    button->installEventFilter(this);

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    pulse = new QCheckBox(configDialog);
    form->addRow(tr("Pulse"), pulse);

    activateStandardMdiItemContextMenu(Menu_selectInputChannel | Menu_configureChannel | Menu_configureWidget);
    connect(button, &QPushButton::clicked, this, &RMdiInputButton::slot_buttonClicked);
    setMinimumSize(100, 40);
}

void RMdiInputButton::onCreateConfiguration()
{
    pickInputChannelOrClose(this);
}

void RMdiInputButton::setChannel(RunChannel* channel)
{
    disconnect(dataConnection);
    if (channel) {
        dataConnection = connect(channel, &RunChannel::signal_newData, this, &RMdiInputButton::slot_valueChanged);
        slot_valueChanged(channel->getValue());
    }
    AbstractRMdiWidget::setChannel(channel);
}

void RMdiInputButton::slot_valueChanged(double x)
{
    // NaN, a channel without a fresh value, counts as not 0.
    const bool on = !(x == 0.0);
    button->setChecked(on);
    // A measured channel bound through a desktop file announces 100 values a
    // second: restyle only when the state changes.
    if (styled && on == styledOn)
        return;
    styled = true;
    styledOn = on;
    if (on)
        Tools::setButtonBackgroundColorWithPalette(button, QColor(0x8c, 0xff, 0x8c));
    else
        button->setPalette(QPalette());
}

void RMdiInputButton::slot_channelSetupChanged()
{
    button->setText(channel() ? channel()->setup->getName() : QStringLiteral("-"));
    AbstractRMdiWidget::slot_channelSetupChanged();
}

void RMdiInputButton::slot_buttonClicked()
{
    RunChannel* c = channel();
    if (moved) {
        // The press moved or resized the widget: it was no switch.
        moved = false;
        if (c)
            button->setChecked(!(c->getValue() == 0.0));
        return;
    }
    auto* input = qobject_cast<InputChannel*>(c);
    if (!input)
        return;
    if (pulse->isChecked())
        input->slot_pulse();
    else
        input->setDataWithoutFilter(button->isChecked() ? 1.0 : 0.0, QDateTime::currentMSecsSinceEpoch());
}

void RMdiInputButton::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    emit signal_requestSetupSave();
}

void RMdiInputButton::parseDomElement(const QDomElement* element)
{
    pulse->setChecked(element->attribute(QStringLiteral("pulse")).toInt() != 0);
    AbstractRMdiWidget::parseDomElement(element);
}

void RMdiInputButton::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("pulse"), pulse->isChecked() ? 1 : 0);
    AbstractRMdiWidget::writeToDomElement(element);
}
