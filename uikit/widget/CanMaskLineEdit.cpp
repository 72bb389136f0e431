#include "CanMaskLineEdit.h"

#include "HexNumberValidator.h"

CanMaskLineEdit::CanMaskLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    validator = new HexNumberValidator(this);
    validator->maxValue = 0xFFFFFFFFu;
    setValidator(validator);
    connect(this, &QLineEdit::textChanged, this, &CanMaskLineEdit::slot_updateData);
}

void CanMaskLineEdit::setCanMask(unsigned int m)
{
    setText(QString::asprintf("%X", m));
}

void CanMaskLineEdit::slot_updateData(const QString& text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 16);
    mask = ok ? static_cast<uint32_t>(number) : 0;
    Q_EMIT signal_maskChanged(mask);
}
