#include "CanDataHexEdit.h"

#include "HexNumberValidator.h"

CanDataHexEdit::CanDataHexEdit(QWidget* parent)
    : QLineEdit(parent)
{
    validator = new HexNumberValidator(this);
    validator->maxValue = UINT64_MAX;
    setValidator(validator);
    connect(this, &QLineEdit::textChanged, this, &CanDataHexEdit::slot_updateData);
}

void CanDataHexEdit::setCanData(unsigned long long d)
{
    setText(QString::asprintf("%08X%08X", static_cast<unsigned int>(d >> 32),
                              static_cast<unsigned int>(d & 0xFFFFFFFFull)));
}

void CanDataHexEdit::slot_updateData(const QString& text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 16);
    data = ok ? number : 0;
    Q_EMIT signal_dataChanged(data);
}
