#include "ReportEditor.h"

#include <QComboBox>
#include <QDebug>
#include <QFormLayout>
#include <QMenu>

ReportEditor::ReportEditor(QWidget* parent)
    : QWidget(parent)
{
    auto* form = new QFormLayout(this);
    comboBox_settings_printTemplate = new QComboBox(this);
    comboBox_settings_printTemplate->setObjectName(QStringLiteral("comboBox_settings_printTemplate"));
    form->addRow(tr("Print template"), comboBox_settings_printTemplate);
}

void ReportEditor::populateMenu(QMenu* menu)
{
    for (int i = 0; i < comboBox_settings_printTemplate->count(); ++i)
        menu->addAction(comboBox_settings_printTemplate->itemText(i));
}

void ReportEditor::slot_print()
{
    ++printCount;
    qDebug() << "Report printing not available; template" << comboBox_settings_printTemplate->currentText();
}
