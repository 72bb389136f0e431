#include "AbstractRMdiWidget.h"

#include "ChannelSetup.h"
#include "ChannelSetupDialog.h"
#include "Channels.h"
#include "MyMenu.h"
#include "RunChannel.h"
#include "SelectionDialog.h"
#include "inputChannels/InputChannelsModel.h"
#include "lib/DialogAnswerer.h"

#include <QDomElement>

AbstractRMdiWidget::AbstractRMdiWidget(AbstractMdi* desktop)
    : AbstractMdiWidget(desktop)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TranslucentBackground);
    captionText.setPerformanceHint(QStaticText::AggressiveCaching);
    captionText.setTextFormat(Qt::PlainText);
    captionText.setText(QStringLiteral("-"));
}

void AbstractRMdiWidget::activateStandardMdiItemContextMenu(int bits)
{
    standardMenuBits = bits;
    connect(this, &QWidget::customContextMenuRequested, this, &AbstractRMdiWidget::slot_standardMdiContextMenu,
            Qt::UniqueConnection);
}

void AbstractRMdiWidget::setChannel(RunChannel* channel)
{
    for (const QMetaObject::Connection& c : std::as_const(channelConnections))
        disconnect(c);
    channelConnections.clear();
    boundChannel = channel;
    if (channel) {
        ChannelSetup* setup = channel->setup;
        if (setup) {
            channelConnections.append(connect(setup, &ChannelSetup::signal_setupChanged, this,
                                              &AbstractRMdiWidget::slot_channelSetupChanged));
            channelConnections.append(connect(setup, &ChannelSetup::signal_keyChanged, this,
                                              &AbstractRMdiWidget::slot_channelSetupChanged));
            channelConnections.append(connect(setup, &ChannelSetup::signal_keyChanged, this,
                                              &AbstractMdiWidget::signal_requestSetupSave));
        }
        channelConnections.append(connect(channel, &QObject::destroyed, this, [this, channel] {
            // Only the channel shown now; an earlier one is already forgotten.
            if (boundChannel == channel)
                setChannel(nullptr);
        }));
    }
    slot_channelSetupChanged();
}

void AbstractRMdiWidget::setChannelByKey(const QString& key)
{
    setChannel(theChannels.getChannelByKey(key));
}

void AbstractRMdiWidget::slot_channelSetupChanged()
{
    if (boundChannel && boundChannel->setup) {
        captionText.setText(boundChannel->setup->getName());
        QString tip = boundChannel->setup->key;
        if (!boundChannel->setup->comment.isEmpty())
            tip += QStringLiteral("\n") + boundChannel->setup->comment;
        setToolTip(tip);
    } else {
        captionText.setText(QStringLiteral("-"));
        setToolTip(QString());
    }
    update();
    emit signal_requestSetupSave();
}

void AbstractRMdiWidget::parseDomElement(const QDomElement* element)
{
    setChannel(theChannels.getChannelByKey(element->attribute(QStringLiteral("variableKey"))));
}

void AbstractRMdiWidget::writeToDomElement(QDomElement* element)
{
    if (boundChannel && boundChannel->setup)
        element->setAttribute(QStringLiteral("variableKey"), boundChannel->setup->key);
}

RunChannel* AbstractRMdiWidget::pickChannel(const QString& title, bool* accepted)
{
    SelectionDialog dialog(this, title);
    dialog.setContent(theChannels.listChannelsForMdi());
    *accepted = DialogAnswerer::exec(&dialog) == QDialog::Accepted;
    return *accepted ? qobject_cast<RunChannel*>(dialog.getSelectedChannel()) : nullptr;
}

void AbstractRMdiWidget::onCreateConfiguration()
{
    bool accepted = false;
    RunChannel* chosen = pickChannel(tr("Select Item"), &accepted);
    if (!accepted) {
        slot_closeMdiWidget();
        return;
    }
    setChannel(chosen);
}

void AbstractRMdiWidget::slot_standardMdiContextMenu(const QPoint& pos)
{
    if (selected) {
        selectedContextMenu(mapToGlobal(pos));
        return;
    }
    MyMenu menu(this);
    QAction *select = nullptr, *selectInput = nullptr, *configureChannel = nullptr, *configure = nullptr,
            *reset = nullptr;
    if (standardMenuBits & Menu_selectChannel)
        select = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Select channel"));
    if (standardMenuBits & Menu_selectInputChannel)
        selectInput = menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), tr("Select channel"));
    if ((standardMenuBits & Menu_configureChannel) && boundChannel)
        configureChannel = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")), tr("Configure channel"));
    menu.addSeparator();
    if (standardMenuBits & Menu_configureWidget)
        configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    if ((standardMenuBits & Menu_resetAutorange) && boundChannel && boundChannel->setup
        && (boundChannel->setup->autorangeMin || boundChannel->setup->autorangeMax))
        reset = menu.addAction(QIcon::fromTheme(QStringLiteral("zoom-fit-best")), tr("Reset autorange"));
    menu.addSeparator();
    menu.addAction(copyAction);
    menu.addSeparator();
    menu.addAction(closeAction);
    QAction* chosen = menu.exec(mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen == select || chosen == selectInput) {
        SelectionDialog dialog(this, tr("Select Item"));
        if (chosen == select)
            dialog.setContent(theChannels.listChannelsForMdi());
        else
            dialog.setContent(theInputChannelsModel.getListForChannels());
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
            setChannel(qobject_cast<RunChannel*>(dialog.getSelectedChannel()));
    } else if (chosen == configureChannel && boundChannel) {
        ChannelSetupDialog dialog(boundChannel->setup, nullptr, false, false);
        DialogAnswerer::exec(&dialog);
    } else if (chosen == configure) {
        configureWidget();
    } else if (chosen == reset) {
        resetAutorange();
    }
}
