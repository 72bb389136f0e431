#include "PasswordDialog.h"

#include "lib/DialogAnswerer.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PasswordDialog::PasswordDialog(QWidget* parent, QString title, QString text)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    textLabel = new QLabel(text, this);
    layout->addWidget(textLabel);
    passwordEdit = new QLineEdit(this);
    passwordEdit->setEchoMode(QLineEdit::Password);
    layout->addWidget(passwordEdit);
    showPasswordCheckBox = new QCheckBox(tr("Show password"), this);
    layout->addWidget(showPasswordCheckBox);
    connect(showPasswordCheckBox, &QCheckBox::toggled, this, [this](bool shown) {
        passwordEdit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    passwordEdit->setFocus();

    // An answerer (tests) returns without running the dialog, so the result is
    // set from what it answered.
    setResult(DialogAnswerer::exec(this) == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected);
}

QString PasswordDialog::password() const
{
    return passwordEdit->text();
}
