#pragma once

// Element type of a record's "data" array, and index into
// HDFDataTranslationTable. Part of the run-file format: never renumber.
enum FrameDataType : int {
    FrameDataInt8 = 0,
    FrameDataUInt8 = 1,
    FrameDataInt16 = 2,
    FrameDataUInt16 = 3,
    FrameDataInt32 = 4,
    FrameDataUInt32 = 5,
    FrameDataInt64 = 6,
    FrameDataUInt64 = 7,
    FrameDataFloat = 8,
    FrameDataDouble = 9,
    FrameDataTypeCount = 10
};
