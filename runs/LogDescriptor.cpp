#include "LogDescriptor.h"

#include "FrameRecordTypes.h"
#include "Hdf5Lock.h"

hid_t HDFDataTranslationTable[FrameDataTypeCount];

const LogDescriptor theLogDescriptor;

LogDescriptor::LogDescriptor()
{
    registerFrameRecordTypes();

    Hdf5Lock lock;
    H5open();
    const hid_t natives[FrameDataTypeCount] = {H5T_NATIVE_INT8,   H5T_NATIVE_UINT8, H5T_NATIVE_INT16,
                                               H5T_NATIVE_UINT16, H5T_NATIVE_INT32, H5T_NATIVE_UINT32,
                                               H5T_NATIVE_INT64,  H5T_NATIVE_UINT64, H5T_NATIVE_FLOAT,
                                               H5T_NATIVE_DOUBLE};
    for (int i = 0; i < FrameDataTypeCount; ++i)
        HDFDataTranslationTable[i] = natives[i];

    struct TypeRow {
        FrameSamplingType sampling;
        unsigned frequency;
        FrameDataType dataType;
        unsigned elements;
        unsigned size;
    };
    static const TypeRow types[] = {
        {FrameSamplingIrregular, 1000, FrameDataUInt32, 1, 4},    // T0 FreqFrame
        {FrameSamplingConstant, 500, FrameDataUInt16, 4, 8},      // T1 loadCellFrame_t
        {FrameSamplingConstant, 500, FrameDataFloat, 4, 16},      // T2 loadCellFrameV2_t
        {FrameSamplingConstant, 200, FrameDataUInt8, 4, 4},       // T3 speedControllerOutFrame_t
        {FrameSamplingConstant, 200, FrameDataUInt8, 4, 4},       // T4 torqueControllerOutFrame_t
        {FrameSamplingConstant, 200, FrameDataUInt8, 6, 6},       // T5 ainControllerOutFrame_t
        {FrameSamplingConstant, 100, FrameDataFloat, 4, 16},      // T6 speedControllerSPFrame_t
        {FrameSamplingConstant, 100, FrameDataFloat, 4, 16},      // T7 torqueControllerSPFrame_t
        {FrameSamplingConstant, 100, FrameDataFloat, 6, 24},      // T8 ainControllerSPFrame_t
        {FrameSamplingConstant, 500, FrameDataUInt8, 0, 16},      // T9 pidDetailsFrame_legacy_t
        {FrameSamplingConstant, 500, FrameDataUInt8, 0, 20},      // T10 pidDetailsFrameV2_t
        {FrameSamplingConstant, 500, FrameDataUInt16, 6, 12},     // T11 ainFrame_t
        {FrameSamplingConstant, 10, FrameDataInt16, 8, 16},       // T12 hpAinFrame_t
        {FrameSamplingTimestamped, 0, FrameDataDouble, 3, 28},    // T13 ambientFrame_t
        {FrameSamplingTimestamped, 0, FrameDataUInt8, 0, 13},     // T14 obdFrame_t
        {FrameSamplingTimestamped, 0, FrameDataUInt8, 0, 16},     // T15 canFrame_t
        {FrameSamplingTimestamped, 0, FrameDataUInt8, 0, 14},     // T16 channelFrame_t
        {FrameSamplingConstant, 48000, FrameDataInt16, 1, 2},     // T17 one audio sample
    };
    for (const TypeRow& row : types)
        frameTypes.append(new FrameType(row.sampling, row.frequency, row.dataType, row.elements, row.size));

    FrameType* legacyPid = frameTypes.at(9);
    legacyPid->insertMember("e", 0, H5T_NATIVE_FLOAT);
    legacyPid->insertMember("ff", 4, H5T_NATIVE_INT16);
    legacyPid->insertMember("p", 6, H5T_NATIVE_INT16);
    legacyPid->insertMember("i", 8, H5T_NATIVE_INT16);
    legacyPid->insertMember("d", 10, H5T_NATIVE_INT16);
    legacyPid->insertMember("dd", 12, H5T_NATIVE_INT16);
    legacyPid->insertMember("out", 14, H5T_NATIVE_INT16);
    FrameType* pid = frameTypes.at(10);
    pid->insertMember("e", 0, H5T_NATIVE_FLOAT);
    pid->insertMember("ff", 4, H5T_NATIVE_INT16);
    pid->insertMember("p", 6, H5T_NATIVE_INT16);
    pid->insertMember("i", 8, H5T_NATIVE_INT16);
    pid->insertMember("dSlow", 10, H5T_NATIVE_INT16);
    pid->insertMember("dd", 12, H5T_NATIVE_INT16);
    pid->insertMember("out", 14, H5T_NATIVE_INT16);
    pid->insertMember("dFast", 16, H5T_NATIVE_INT16);
    FrameType* obd = frameTypes.at(14);
    obd->insertMember("value", 0, H5T_NATIVE_DOUBLE);
    obd->insertMember("pid", 8, H5T_NATIVE_UINT8);
    FrameType* can = frameTypes.at(15);
    can->insertMember("canData", 0, H5T_NATIVE_UINT64);
    can->insertMember("canChannelAndId", 8, H5T_NATIVE_UINT32);
    FrameType* channel = frameTypes.at(16);
    channel->insertMember("value", 0, H5T_NATIVE_DOUBLE);
    channel->insertMember("id", 8, H5T_NATIVE_UINT16);

    struct TableRow {
        const char* name;
        int type;
        bool optional;
    };
    static const TableRow tables[FrameIdCount] = {
        {"freq_1", 0, false},
        {"freq_2", 0, false},
        {"freq_3", 0, false},
        {"freq_4", 0, true},
        {"freq_5", 0, true},
        {"freq_6", 0, true},
        {"loadCell", 1, true},
        {"loadCellV2", 2, true},
        {"accController", 3, true},
        {"speedController", 3, true},
        {"torqueController", 4, true},
        {"ainController", 5, true},
        {"accControllerSP", 6, true},
        {"speedControllerSP", 6, true},
        {"torqueControllerSP", 7, true},
        {"ainControllerSP", 8, true},
        {"pidDetails", 9, true},
        {"pidDetailsV2", 10, true},
        {"ain", 11, false},
        {"ain_2", 11, true},
        {"hpAin", 12, false},
        {"ambient", 13, false},
        {"obd", 14, false},
        {"can", 15, true},
        {"channel", 16, true},
        {"audio_1", 17, true},
        {"audio_2", 17, true},
        {"serialInputChannel", 16, true},
        {"modbus", 16, true},
        {"udsInputChannel", 16, true},
    };
    for (const TableRow& row : tables)
        frameDescriptors.append(
            new FrameDescriptor(QString::fromLatin1(row.name), frameTypes.at(row.type), row.optional));

    chunkFactor = 1000;
}

LogDescriptor::~LogDescriptor()
{
    qDeleteAll(frameTypes);
    qDeleteAll(frameDescriptors);
}
