#pragma once

#include "AbstractRMdiWidget.h"

class QLineEdit;
class QPushButton;

// RUN widget "command button": a labelled button that starts a program as a
// detached process. The command is split at single blanks into the program and
// its arguments, without a shell, so nothing in it is interpreted.
class RMdiCommandButton : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiCommandButton(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override;
    void configureWidget() override;

    QPushButton* button = nullptr;
    QDialog* configDialog = nullptr;
    QLineEdit* labelEdit = nullptr;
    QLineEdit* commandEdit = nullptr;

public Q_SLOTS:
    void slot_buttonClicked();
};
