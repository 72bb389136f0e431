#include "LibgpiodChip.h"

#include <gpiod.h>

std::unique_ptr<LibgpiodChip> LibgpiodChip::open(const QString& name)
{
    gpiod_chip* chip = gpiod_chip_open_by_name(name.toLocal8Bit().constData());
    if (!chip)
        return nullptr;
    return std::unique_ptr<LibgpiodChip>(new LibgpiodChip(chip, name));
}

LibgpiodChip::LibgpiodChip(gpiod_chip* chip, const QString& name)
    : chip(chip)
    , chipName(name)
{
}

LibgpiodChip::~LibgpiodChip()
{
    // Closing the chip releases whatever lines are still requested.
    gpiod_chip_close(chip);
}

gpiod_line* LibgpiodChip::line(unsigned number) const
{
    // libgpiod keeps one line object per offset for the chip's lifetime.
    return gpiod_chip_get_line(chip, number);
}

bool LibgpiodChip::requestOutput(unsigned number, const char* consumer, int initialValue)
{
    gpiod_line* l = line(number);
    return l && gpiod_line_request_output(l, consumer, initialValue) == 0;
}

bool LibgpiodChip::requestInput(unsigned number, const char* consumer, bool pullDown)
{
    gpiod_line* l = line(number);
    const int flags = pullDown ? GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_DOWN : 0;
    return l && gpiod_line_request_input_flags(l, consumer, flags) == 0;
}

int LibgpiodChip::getValue(unsigned number)
{
    gpiod_line* l = line(number);
    return l ? gpiod_line_get_value(l) : -1;
}

bool LibgpiodChip::setValue(unsigned number, int value)
{
    gpiod_line* l = line(number);
    return l && gpiod_line_set_value(l, value) == 0;
}

void LibgpiodChip::release(unsigned number)
{
    if (gpiod_line* l = line(number))
        gpiod_line_release(l);
}
