#include "InputPicker.h"

#include "AbstractRMdiWidget.h"
#include "RunChannel.h"
#include "SelectionDialog.h"
#include "inputChannels/InputChannelsModel.h"
#include "lib/DialogAnswerer.h"

#include <QCoreApplication>

void pickInputChannelOrClose(AbstractRMdiWidget* widget)
{
    SelectionDialog dialog(widget, QCoreApplication::translate("SelectionDialog", "Select Item"));
    dialog.setContent(theInputChannelsModel.getListForChannels());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted) {
        widget->slot_closeMdiWidget();
        return;
    }
    widget->setChannel(qobject_cast<RunChannel*>(dialog.getSelectedChannel()));
}
