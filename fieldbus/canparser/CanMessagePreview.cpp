#include "CanMessagePreview.h"

#include "CanWord.h"

#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

CanMessagePreview::CanMessagePreview(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("canMessagePreview"));
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QLabel** label : {&idLabel, &byteLabel, &dataLabel, &maskLabel}) {
        *label = new QLabel(this);
        (*label)->setFont(font);
        (*label)->setTextFormat(Qt::PlainText);
        layout->addWidget(*label);
    }
    setCanId(0);
    writeByteLabels();
    setPreviewUnknown();
}

void CanMessagePreview::setCanId(quint32 id)
{
    idLabel->setText(QString::asprintf("  MSB                         0x%08X                         LSB  ", id));
}

void CanMessagePreview::slot_setEndianness(Endianness endianness)
{
    order = endianness;
    writeByteLabels();
    setPreviewUnknown();
}

void CanMessagePreview::slot_setEndiannessInt(int endianness)
{
    slot_setEndianness(endianness == Endianness_little ? Endianness_little : Endianness_big);
}

void CanMessagePreview::setPreviewData(uint64_t word)
{
    data = word;
    known = true;
    writeDataRow();
    writeMaskRow();
}

void CanMessagePreview::setPreviewUnknown()
{
    data = 0;
    known = false;
    writeDataRow();
    writeMaskRow();
}

void CanMessagePreview::updateExtractionMask(int bitCount, int byteOffset, int bitOffset)
{
    // Wide ints: a field read from a file may hold anything.
    const qint64 start = qint64(byteOffset) * 8 + bitOffset;
    const bool inside = start >= 0 && start < 64;
    mask = inside ? CanWord::fieldMask(int(start), bitCount > 64 ? 64 : bitCount) : 0;
    overflow = start + bitCount > 64;
    writeMaskRow();
}

void CanMessagePreview::writeByteLabels()
{
    QString text;
    for (int cell = 0; cell < 8; ++cell)
        text += QString::asprintf(" byte %d  ", order == Endianness_little ? 7 - cell : cell);
    byteLabel->setText(text);
}

void CanMessagePreview::writeDataRow()
{
    QString text;
    for (int shift = 56; shift >= 0; shift -= 8) {
        if (known)
            text += QString::asprintf("  0x%02X   ", unsigned((data >> shift) & 0xFF));
        else
            text += QStringLiteral("   ??    ");
    }
    dataLabel->setText(text);
}

void CanMessagePreview::writeMaskRow()
{
    QString text;
    text.reserve(72);
    for (int bit = 63; bit >= 0; --bit) {
        const uint64_t one = uint64_t(1) << bit;
        text += (mask & one) ? ((data & one) ? QLatin1Char('1') : QLatin1Char('0')) : QLatin1Char('X');
        if (bit % 8 == 0)
            text += QLatin1Char(' ');
    }
    maskLabel->setText(text);
    maskLabel->setStyleSheet(overflow ? QStringLiteral("color: red;") : QString());
}
