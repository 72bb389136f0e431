#include "FFTDialog.h"

#include "DialogAnswerer.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

FFTDialog::FFTDialog(const QString& title, const VectorChannel*, int, int, double, QWidget* parent)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(box);
    setWindowTitle(title);
    DialogAnswerer::exec(this);
}
