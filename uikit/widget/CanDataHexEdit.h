#pragma once

#include <QLineEdit>

class HexNumberValidator;

// Edits the eight data bytes of a CAN frame as one 64-bit hexadecimal number,
// the first digits being the first bytes.
class CanDataHexEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CanDataHexEdit(QWidget* parent = nullptr);

    void setCanData(unsigned long long d);

public Q_SLOTS:
    void slot_updateData(const QString& text);

Q_SIGNALS:
    void signal_dataChanged(unsigned long long data);

private:
    HexNumberValidator* validator = nullptr;
    unsigned long long data = 0;
};
