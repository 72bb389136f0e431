#include "FrameDescriptor.h"

#include <utility>

FrameDescriptor::FrameDescriptor(QString name, FrameType* frameType, bool optional)
    : name(std::move(name)), frameType(frameType), optional(optional)
{
}
