#pragma once

#include "SpiDynoFrame.h"

#include <atomic>
#include <memory>

// A queue of frames that is filled, then handed over whole. It holds
// `capacity` frames and never more: an append beyond it is refused (the owner
// counts the loss), so a full buffer is never wrapped and overwritten. A batch
// of padding behind the last frame lets the link complete a partial batch with
// null frames in place.
struct McuThreadFrameBuffer {
    static constexpr int capacity = 65536;
    static constexpr int padding = 32;

    McuThreadFrameBuffer() : frames(new SpiDynoFrame[capacity + padding]()) {}

    bool append(const SpiDynoFrame& frame)
    {
        if (count >= capacity)
            return false;
        frames[count++] = frame;
        return true;
    }

    std::unique_ptr<SpiDynoFrame[]> frames;
    int count = 0;
    // Set when the buffer has been handed over; cleared (release) by its reader
    // as its last access, which gives the buffer back.
    std::atomic<bool> ready{false};
};
