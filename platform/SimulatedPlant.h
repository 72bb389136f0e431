#pragma once

#include <cstdint>

// What the simulated controller measures and streams, and how that reacts to
// the targets and settings the program writes. The controller owns one plant
// and calls it inside each SPI transfer with its monotonic clock; a plant never
// sleeps and produces exactly the frames due up to that moment.
class SimulatedPlant
{
public:
    // Where a plant puts its data frames (register number, 32-bit value).
    class FrameSink
    {
    public:
        virtual ~FrameSink() = default;
        virtual void push(uint8_t reg, uint32_t value) = 0;
    };

    virtual ~SimulatedPlant() = default;

    // The controller (re)started its application at `nowUs`.
    virtual void start(int64_t nowUs) = 0;
    // Appends the frames due up to `nowUs` (microseconds of the controller clock).
    virtual void advance(int64_t nowUs, FrameSink& sink) = 0;
    // A target register (board-written range) was latched.
    virtual void targetWritten(uint8_t reg, uint32_t value) { (void)reg; (void)value; }
    // A configuration word was written: (byte address / 4, channel, value).
    virtual void configWritten(uint16_t address4, uint16_t channel, uint32_t value)
    {
        (void)address4;
        (void)channel;
        (void)value;
    }
};
