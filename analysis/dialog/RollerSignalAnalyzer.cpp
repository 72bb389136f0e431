#include "RollerSignalAnalyzer.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

RollerSignalAnalyzer::RollerSignalAnalyzer(QWidget* parent, RunData*)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(box);
    setWindowTitle(tr("Speed Signal Analyzer"));
}
