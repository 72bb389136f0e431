#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

// Asks before runs are removed from the database; its remembered check box
// decides whether their run files are deleted too.
class RunDeleteDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RunDeleteDialog(QWidget* parent = nullptr);

    void setMessage(const QString& message);

    QLabel* messageLabel = nullptr;
    QCheckBox* checkBox = nullptr;
};
