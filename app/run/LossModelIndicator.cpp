#include "LossModelIndicator.h"

#include <QCheckBox>
#include <QHBoxLayout>

LossModelIndicator::LossModelIndicator(QWidget* parent)
    : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    checkBox_attachLossModelToRun = new QCheckBox(tr("Attach this model to runs"), this);
    checkBox_attachLossModelToRun->setObjectName(QStringLiteral("checkBox_attachLossModelToRun"));
    layout->addWidget(checkBox_attachLossModelToRun);
}

void LossModelIndicator::init()
{
}

void LossModelIndicator::clearModel()
{
    model.clear();
}

void LossModelIndicator::loadModel(const QList<double>& coefficients)
{
    model = coefficients;
}
