#pragma once

#include <QValidator>

#include <cstdint>

// Accepts unsigned hexadecimal numbers up to maxValue. Zero and an empty text
// are intermediate: they may stay in a field but are not a finished entry.
class HexNumberValidator : public QValidator
{
    Q_OBJECT
public:
    explicit HexNumberValidator(QObject* parent = nullptr);

    State validate(QString& text, int& pos) const override;

    // Owners set it right after construction.
    uint64_t maxValue = UINT64_MAX;
};
