#pragma once

#include "lib/FieldBusEnums.h"

#include <QWidget>

#include <cstdint>

class QLabel;

// The 8 data bytes of one CAN frame laid out bit by bit: the identifier, the
// byte labels in the frame's byte order, the bytes of the data word (most
// significant on the left) and the bits of one field marked. Each cell of the
// three lower rows is 9 characters wide, so the column labelled byte k is
// frame byte k in either byte order. A field reaching past bit 63 is drawn in
// red. Used by the CAN outputs page and the CAN input dialog.
class CanMessagePreview : public QWidget
{
    Q_OBJECT
public:
    explicit CanMessagePreview(QWidget* parent = nullptr);

    void setCanId(quint32 id);
    void setPreviewData(uint64_t word);
    void setPreviewUnknown();
    void updateExtractionMask(int bitCount, int byteOffset, int bitOffset);

    uint64_t word() const { return data; }
    uint64_t highlightMask() const { return mask; }
    Endianness endianness() const { return order; }
    bool dataKnown() const { return known; }
    bool maskOverflows() const { return overflow; }

    QLabel* idLabel = nullptr;
    QLabel* byteLabel = nullptr;
    QLabel* dataLabel = nullptr;
    QLabel* maskLabel = nullptr;

public Q_SLOTS:
    void slot_setEndianness(Endianness endianness);
    void slot_setEndiannessInt(int endianness);

private:
    void writeByteLabels();
    void writeDataRow();
    void writeMaskRow();

    uint64_t data = 0;
    uint64_t mask = 0;
    Endianness order = Endianness_big;
    bool known = false;
    bool overflow = false;
};
