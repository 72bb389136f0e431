#pragma once

#include <QLineEdit>

#include <cstdint>

class HexNumberValidator;

// Edits a 32-bit CAN acceptance mask in hexadecimal.
class CanMaskLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CanMaskLineEdit(QWidget* parent = nullptr);

    void setCanMask(unsigned int m);

public Q_SLOTS:
    void slot_updateData(const QString& text);

Q_SIGNALS:
    void signal_maskChanged(uint32_t mask);

private:
    HexNumberValidator* validator = nullptr;
    uint32_t mask = 0;
};
