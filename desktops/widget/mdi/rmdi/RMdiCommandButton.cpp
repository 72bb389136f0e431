#include "RMdiCommandButton.h"

#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QDomElement>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

RMdiCommandButton::RMdiCommandButton(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    button = new QPushButton(this);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    button->setMouseTracking(true);
    layout->addWidget(button);
    removeEventFilter(this);
    button->installEventFilter(this);

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    configDialog->setMinimumWidth(600);
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    labelEdit = new QLineEdit(configDialog);
    commandEdit = new QLineEdit(configDialog);
    form->addRow(tr("Label"), labelEdit);
    form->addRow(tr("Command"), commandEdit);
    connect(labelEdit, &QLineEdit::textChanged, button, &QPushButton::setText);

    activateStandardMdiItemContextMenu(Menu_configureWidget);
    connect(button, &QPushButton::clicked, this, &RMdiCommandButton::slot_buttonClicked);
    setMinimumSize(100, 40);
}

void RMdiCommandButton::onCreateConfiguration()
{
    configureWidget();
}

void RMdiCommandButton::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    emit signal_requestSetupSave();
}

void RMdiCommandButton::slot_buttonClicked()
{
    if (moved) {
        // The press moved or resized the widget: no command.
        moved = false;
        return;
    }
    if (commandEdit->text().isEmpty())
        return;
    Tools::startProcessDetached(commandEdit->text());
}

void RMdiCommandButton::parseDomElement(const QDomElement* element)
{
    labelEdit->setText(element->attribute(QStringLiteral("label")));
    commandEdit->setText(element->attribute(QStringLiteral("command")));
}

void RMdiCommandButton::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("label"), labelEdit->text());
    element->setAttribute(QStringLiteral("command"), commandEdit->text());
}
