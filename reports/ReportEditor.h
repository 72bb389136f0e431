#pragma once

#include <QWidget>

class QComboBox;
class QMenu;

// STAND-IN until reports are built: the SETTINGS page "Report editor" with its
// template selector. There are no report templates yet, so nothing is printed.
class ReportEditor : public QWidget
{
    Q_OBJECT
public:
    explicit ReportEditor(QWidget* parent = nullptr);

    // One action per report template, the template's name as its text.
    void populateMenu(QMenu* menu);

    QComboBox* comboBox_settings_printTemplate = nullptr;
    int printCount = 0;

public Q_SLOTS:
    void slot_print();
};
