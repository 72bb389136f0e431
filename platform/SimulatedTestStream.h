#pragma once

#include "SimulatedPlant.h"

// A plain data stream for the link: `framesPerMs` frames of one data register
// (ain1_2) per millisecond whose values count up from 0, so a reader can tell
// a lost, doubled or reordered frame. Stands in until a vehicle plant exists.
class SimulatedTestStream : public SimulatedPlant
{
public:
    explicit SimulatedTestStream(int framesPerMs) : rate(framesPerMs) {}

    void setRate(int framesPerMs, int64_t nowUs);
    void start(int64_t nowUs) override;
    void advance(int64_t nowUs, FrameSink& sink) override;

    uint32_t produced() const { return next; }

private:
    int rate = 0;
    int64_t originUs = 0;
    uint64_t producedSinceOrigin = 0;
    uint32_t next = 0;
};
