#include "IO.h"

#include <QLabel>
#include <QVBoxLayout>

IO::IO(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    label = new QLabel(tr("Inputs and outputs of the controller board"), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

void IO::init()
{
}

void IO::enableSlots(bool enable)
{
    slotsEnabled = enable;
}
