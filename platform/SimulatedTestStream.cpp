#include "SimulatedTestStream.h"

#include "SimulatedControllerRegisters.h"

void SimulatedTestStream::setRate(int framesPerMs, int64_t nowUs)
{
    rate = framesPerMs;
    originUs = nowUs;
    producedSinceOrigin = 0;
}

void SimulatedTestStream::start(int64_t nowUs)
{
    originUs = nowUs;
    producedSinceOrigin = 0;
}

void SimulatedTestStream::advance(int64_t nowUs, FrameSink& sink)
{
    if (rate <= 0 || nowUs <= originUs)
        return;
    const uint64_t due = static_cast<uint64_t>((nowUs - originUs) * rate / 1000);
    while (producedSinceOrigin < due) {
        sink.push(SimReg::ain1_2, next++);
        ++producedSinceOrigin;
    }
}
