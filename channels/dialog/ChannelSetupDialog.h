#pragma once

#include <QDialog>

class ChannelSetup;
class ChannelSetupWidget;

// The channel-setup editor with Ok and Cancel. The editor writes every edit
// into the setup as the operator types; Ok keeps them, while Cancel, Escape
// and the window's close button put back every field the editor bound. Either
// way the setup's users hear of the outcome before the dialog closes.
class ChannelSetupDialog : public QDialog
{
    Q_OBJECT
public:
    // The flags go to ChannelSetupWidget: `allowHide`, `analysisForm`.
    ChannelSetupDialog(ChannelSetup* setup, QWidget* parent, bool allowHide, bool analysisForm);

    void accept() override;
    void reject() override;

    ChannelSetupWidget* setupWidget() const { return widget; }

private:
    ChannelSetupWidget* widget = nullptr;
    // The operator changed something since the dialog opened.
    bool edited = false;
};
