#pragma once

#include "FrameDataType.h"
#include "FrameSamplingType.h"

#include <hdf5.h>

// One record type of the run file: its timing, its "data" array and its HDF5
// compound type, whose size is the packed record size.
class FrameType
{
public:
    FrameType(FrameSamplingType samplingType, unsigned samplingFrequency, FrameDataType dataType,
              unsigned elementCount, unsigned recordSize);
    ~FrameType();
    FrameType(const FrameType&) = delete;
    FrameType& operator=(const FrameType&) = delete;

    // Adds a member of a type built member by member (elementCount 0).
    void insertMember(const char* name, size_t offset, hid_t type);

    FrameSamplingType samplingType;
    unsigned samplingFrequency;
    FrameDataType dataType;
    // Elements of the "data" array; 0 when the members are inserted one by one.
    unsigned elementCount;
    unsigned recordSize;
    hid_t compoundType = -1;
    // -1 when the type has no "data" member.
    hid_t arrayType = -1;
};
