#pragma once

#include "FrameDataType.h"
#include "FrameDescriptor.h"
#include "FrameId.h"
#include "FrameType.h"

#include <QList>

#include <hdf5.h>

// Native HDF5 type ids of the FrameDataType values; filled when the catalogue
// is built (the ids are valid only once the library is initialised).
extern hid_t HDFDataTranslationTable[FrameDataTypeCount];

// The catalogue of a run file's packet tables: 18 record types and the 30
// tables that use them, indexed by FrameId. Built once before main; read
// without locking by the writer (run thread) and the loaders (GUI thread).
class LogDescriptor
{
public:
    LogDescriptor();
    ~LogDescriptor();
    LogDescriptor(const LogDescriptor&) = delete;
    LogDescriptor& operator=(const LogDescriptor&) = delete;

    QList<FrameType*> frameTypes;
    QList<FrameDescriptor*> frameDescriptors;
    // A table's chunk holds recordSize x chunkFactor records: the chunk size
    // grows with the record size. That is the stored format; files are
    // compared with it, so it stays.
    int chunkFactor = 1000;
};

extern const LogDescriptor theLogDescriptor;
