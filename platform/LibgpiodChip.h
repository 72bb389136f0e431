#pragma once

#include "GpioChip.h"

struct gpiod_chip;
struct gpiod_line;

// A GPIO chip opened through libgpiod (version 1 API) by its name under /dev.
class LibgpiodChip : public GpioChip
{
public:
    static std::unique_ptr<LibgpiodChip> open(const QString& name);
    ~LibgpiodChip() override;
    LibgpiodChip(const LibgpiodChip&) = delete;
    LibgpiodChip& operator=(const LibgpiodChip&) = delete;

    QString name() const override { return chipName; }
    bool requestOutput(unsigned line, const char* consumer, int initialValue) override;
    bool requestInput(unsigned line, const char* consumer, bool pullDown) override;
    int getValue(unsigned line) override;
    bool setValue(unsigned line, int value) override;
    void release(unsigned line) override;

private:
    LibgpiodChip(gpiod_chip* chip, const QString& name);
    gpiod_line* line(unsigned number) const;

    gpiod_chip* chip = nullptr;
    QString chipName;
};
