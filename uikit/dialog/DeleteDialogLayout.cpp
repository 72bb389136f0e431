#include "DeleteDialogLayout.h"

#include "MySettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

void DeleteDialogLayout::build(QDialog* dialog, QLabel*& messageLabel, QCheckBox*& checkBox,
                               const QString& checkBoxText, const QString& checkBoxName)
{
    auto* layout = new QVBoxLayout(dialog);
    messageLabel = new QLabel(QStringLiteral("message"), dialog);
    checkBox = new QCheckBox(checkBoxText, dialog);
    checkBox->setObjectName(checkBoxName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(messageLabel);
    layout->addWidget(checkBox);
    layout->addWidget(buttons);
    // Remembered across runs of the program.
    theSettings.connectCheckBox(checkBox);
}
