#pragma once

#include <QString>

#include <memory>

// One GPIO chip of the board that runs the program, its lines addressed by
// number. Real: LibgpiodChip (libgpiod, character device). Stand-in:
// SimulatedGpioChip, an in-memory chip that tests can drive and observe.
// Closing the chip is destroying the object; lines still held are released.
class GpioChip
{
public:
    virtual ~GpioChip() = default;

    // The chip of that name ("gpiochip4"), or null when it cannot be opened.
    // The stand-in is used under ZEMBO_SIMULATE=1 and under tests, never as a
    // fallback for a chip that is missing on a board.
    static std::unique_ptr<GpioChip> open(const QString& name);

    virtual QString name() const = 0;
    // False when the request fails (line busy, no such line).
    virtual bool requestOutput(unsigned line, const char* consumer, int initialValue) = 0;
    virtual bool requestInput(unsigned line, const char* consumer, bool pullDown) = 0;
    // 0 or 1, or -1 on a read error (also for a line not requested).
    virtual int getValue(unsigned line) = 0;
    virtual bool setValue(unsigned line, int value) = 0;
    virtual void release(unsigned line) = 0;
};
