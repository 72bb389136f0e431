#pragma once

#include "AbstractRMdiWidget.h"

class QCheckBox;
class QPushButton;

// RUN widget "input button": a checkable button that sets an operator input
// channel to 1 or 0, or pulses it, and shows the channel's state back (lit
// while it is not 0). It follows the channel's own signal, not the refresh.
class RMdiInputButton : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiInputButton(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override;
    void setChannel(RunChannel* channel) override;
    void configureWidget() override;

    QPushButton* button = nullptr;
    QDialog* configDialog = nullptr;
    QCheckBox* pulse = nullptr;

public Q_SLOTS:
    void slot_channelSetupChanged() override;
    void slot_valueChanged(double value);
    void slot_buttonClicked();

private:
    QMetaObject::Connection dataConnection;
    bool styled = false;
    bool styledOn = false;
};
