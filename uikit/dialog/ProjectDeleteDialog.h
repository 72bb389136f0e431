#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

// Asks before projects are deleted; its remembered check box decides whether
// the run files of those projects go too.
class ProjectDeleteDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ProjectDeleteDialog(QWidget* parent = nullptr);

    void setMessage(const QString& message);

    QLabel* messageLabel = nullptr;
    QCheckBox* checkBox = nullptr;
};
