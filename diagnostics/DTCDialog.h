#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QPlainTextEdit;

// The trouble codes of one read as a report the operator can edit and save:
// per code its area, for powertrain codes its subsystem, and its description.
class DTCDialog : public QDialog
{
    Q_OBJECT
public:
    DTCDialog(const QList<QString>& codes, QWidget* parent);

    // The report of a list of codes, one block per code.
    static QString reportText(const QList<QString>& codes);

    QPlainTextEdit* plainTextEdit = nullptr;

public Q_SLOTS:
    void slot_saveToFile();
};
