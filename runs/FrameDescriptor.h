#pragma once

#include <QString>

class FrameType;

// One packet table of a run file: its name inside "/frames", its record type
// (not owned) and whether a loader accepts its absence silently.
class FrameDescriptor
{
public:
    FrameDescriptor(QString name, FrameType* frameType, bool optional);

    QString name;
    FrameType* frameType;
    bool optional;
};
