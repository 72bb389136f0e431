#include "HexDataLineEdit.h"

#include "HexNumberValidator.h"

HexDataLineEdit::HexDataLineEdit(int bytes, QWidget* parent)
    : QLineEdit(parent)
    , byteCount(qBound(1, bytes, 4))
{
    validator = new HexNumberValidator(this);
    validator->maxValue = (uint64_t(1) << (8 * byteCount)) - 1;
    setValidator(validator);
    connect(this, &QLineEdit::textChanged, this, &HexDataLineEdit::slot_updateData);
}

void HexDataLineEdit::setValue(unsigned int v)
{
    setText(QStringLiteral("%1").arg(v, 2 * byteCount, 16, QLatin1Char('0')).toUpper());
}

void HexDataLineEdit::slot_updateData(const QString& text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 16);
    value = ok ? static_cast<uint32_t>(number) : 0;
    Q_EMIT signal_valueChanged(value);
}
