#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// Asks the operator for a password. Constructing it shows it modally (through
// DialogAnswerer) and returns only when it is closed; then result() is 1 for
// OK and 0 otherwise, and password() holds the entry (also after Cancel).
class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    PasswordDialog(QWidget* parent, QString title, QString text);

    QString password() const;

    QLabel* textLabel = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QCheckBox* showPasswordCheckBox = nullptr;
};
