#include "LossModelEditorDialog.h"

#include "LossModelCalculator.h"
#include "LossModelEditor.h"
#include "VectorScatterPlot.h"
#include "lib/DialogAnswerer.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QPushButton>
#include <QVBoxLayout>

LossModelEditorDialog::LossModelEditorDialog(QWidget* parent, QList<double> model)
    : QDialog(parent)
    , lossModel(std::move(model))
{
    setWindowTitle(tr("Loss Model Editor"));
    resize(700, 700);
    auto* layout = new QVBoxLayout(this);
    plot = new VectorScatterPlot(this);
    plot->setToolTip(tr("Loss data from run compared with loss data from model"));
    plot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(plot);
    lossModel.resize(5);
    editor = new LossModelEditor(&lossModel, this);
    layout->addWidget(editor);
    auto* apply = new QPushButton(tr("Apply Loss Model changes"), this);
    apply->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(apply);
    connect(editor, &LossModelEditor::signal_lossModelChanged, this,
            &LossModelEditorDialog::slot_updateLossModelVisualization);
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);

    editor->reloadLossModel();
    speeds.resize(1000);
    for (int i = 0; i < 1000; ++i)
        speeds[i] = i / 12.0;
    slot_updateLossModelVisualization();
    setResult(DialogAnswerer::exec(this));
}

void LossModelEditorDialog::slot_updateLossModelVisualization()
{
    const Unit* speedUnit = theUnits.getDefaultUnit(Quantity::Speed);
    const Unit* powerUnit = theUnits.getDefaultUnit(Quantity::Power);
    curveSpeed.resize(speeds.size());
    curveLoss.resize(speeds.size());
    for (qsizetype i = 0; i < speeds.size(); ++i) {
        curveSpeed[i] = speedUnit ? speedUnit->getUnitValue(speeds.at(i)) : speeds.at(i);
        const double p = LossModelCalculator::evaluate(lossModel, speeds.at(i));
        curveLoss[i] = powerUnit ? powerUnit->getUnitValue(p) : p;
    }
    plot->setData(PlotAxis_right,
                  tr("Loss Model Power") + QStringLiteral(" [") + (powerUnit ? powerUnit->name : QString())
                      + QLatin1Char(']'),
                  &curveSpeed, &curveLoss);
    plot->setXLabel(tr("Speed") + QStringLiteral(" [") + (speedUnit ? speedUnit->name : QString()) + QLatin1Char(']'));
}
