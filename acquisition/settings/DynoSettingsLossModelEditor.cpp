#include "DynoSettingsLossModelEditor.h"

#include "LossModelEditor.h"
#include "SciNotDoubleSpinBox.h"

#include <QHBoxLayout>
#include <QLabel>

DynoSettingsLossModelEditor::DynoSettingsLossModelEditor(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    editor = new LossModelEditor(&coefficients, this);
    layout->addWidget(editor);
    // The row's own labels, in the order it makes them: the heading, then one
    // per power of the variable.
    termLabels = editor->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    connect(editor, &LossModelEditor::signal_lossModelChanged, this,
            [this] { Q_EMIT signal_lossModelChanged(coefficients); });
}

void DynoSettingsLossModelEditor::setLossModel(const QList<double>& model)
{
    coefficients = model;
    // Showing the list is no edit: the row would otherwise pad it to five
    // entries and announce it again half a second later.
    bool wasBlocked[LossModelEditor::kCoefficientCount];
    for (int i = 0; i < LossModelEditor::kCoefficientCount; ++i)
        wasBlocked[i] = editor->fields[i]->blockSignals(true);
    editor->reloadLossModel();
    for (int i = 0; i < LossModelEditor::kCoefficientCount; ++i)
        editor->fields[i]->blockSignals(wasBlocked[i]);
    Q_EMIT signal_lossModelChanged(coefficients);
}

void DynoSettingsLossModelEditor::setVariableLabel(const QString& variable)
{
    if (termLabels.size() != 5)
        return;
    termLabels[0]->setText(tr("Loss") + QLatin1Char('(') + variable + QStringLiteral(")="));
    termLabels[1]->setText(QLatin1Char('*') + variable + QLatin1Char('+'));
    termLabels[2]->setText(QLatin1Char('*') + variable + QStringLiteral("²+"));
    termLabels[3]->setText(QLatin1Char('*') + variable + QStringLiteral("³+"));
    termLabels[4]->setText(QLatin1Char('*') + variable + QStringLiteral("<sup>4</sup>"));
}
