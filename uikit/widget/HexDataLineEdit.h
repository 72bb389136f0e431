#pragma once

#include <QLineEdit>

#include <cstdint>

class HexNumberValidator;

// Edits a value of 1 to 4 bytes in hexadecimal.
class HexDataLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit HexDataLineEdit(int bytes = 4, QWidget* parent = nullptr);

    // Shows the value zero-padded to two digits per byte; announces it.
    void setValue(unsigned int v);

public Q_SLOTS:
    void slot_updateData(const QString& text);

Q_SIGNALS:
    void signal_valueChanged(uint32_t value);

private:
    HexNumberValidator* validator = nullptr;
    uint32_t value = 0;
    int byteCount = 4;
};
