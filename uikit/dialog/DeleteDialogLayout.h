#pragma once

#include <QString>

class QCheckBox;
class QDialog;
class QLabel;

// The layout both delete dialogs share: message, remembered check box, Yes and No.
namespace DeleteDialogLayout {
void build(QDialog* dialog, QLabel*& messageLabel, QCheckBox*& checkBox, const QString& checkBoxText,
           const QString& checkBoxName);
}
