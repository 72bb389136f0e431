#include "SpeedRatioDialog.h"

#include "DialogAnswerer.h"
#include "RunData.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

SpeedRatioDialog::SpeedRatioDialog(RunData* run, LoadedRunListModel*, QWidget* parent)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(box);
    setWindowTitle(tr("Engine Speed"));
    if (run)
        DialogAnswerer::exec(this);
}
