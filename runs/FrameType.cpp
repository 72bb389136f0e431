#include "FrameType.h"

#include "Hdf5Lock.h"
#include "LogDescriptor.h"

FrameType::FrameType(FrameSamplingType samplingType, unsigned samplingFrequency, FrameDataType dataType,
                     unsigned elementCount, unsigned recordSize)
    : samplingType(samplingType),
      samplingFrequency(samplingFrequency),
      dataType(dataType),
      elementCount(elementCount),
      recordSize(recordSize)
{
    Hdf5Lock lock;
    compoundType = H5Tcreate(H5T_COMPOUND, recordSize);
    if (elementCount > 0) {
        const hsize_t dims[1] = {elementCount};
        arrayType = H5Tarray_create2(HDFDataTranslationTable[dataType], 1, dims);
        H5Tinsert(compoundType, "data", 0, arrayType);
    }
    if (samplingType == FrameSamplingTimestamped)
        H5Tinsert(compoundType, "timestamp", recordSize - 4, H5T_NATIVE_UINT32);
}

FrameType::~FrameType()
{
    Hdf5Lock lock;
    if (arrayType >= 0)
        H5Tclose(arrayType);
    if (compoundType >= 0)
        H5Tclose(compoundType);
}

void FrameType::insertMember(const char* name, size_t offset, hid_t type)
{
    Hdf5Lock lock;
    H5Tinsert(compoundType, name, offset, type);
}
