#pragma once

#include <cstdint>

// The register numbers as the controller firmware knows them. The simulated
// controller keeps its own list, as the real firmware has its own header: a
// number that differs from the program's is a protocol fault the link tests find.
namespace SimReg {
enum : uint8_t {
    null = 0,
    deviceInfo = 3,
    firmwarePage = 4,
    firmwareContent = 5,
    firmwareConfirmCRC = 6,
    firmwareFlashError = 7,
    startOfTransmission = 8,
    spiOutputBufferFull = 9,
    enterBootloader = 10,
    hardwareRevision = 11,
    hardwareVersion = 12,
    spiInputBufferFull = 13,
    mcuSideCrcError = 14,
    lastProtected = 32,
    bye = 33,
    readUserPageWord = 34,
    writeUserPageWord = 35,
    commitUserPageWrite = 36,
    userPageWord = 37,
    debug = 38,
    canBus0Status = 39,
    canBus1Status = 40,
    sync = 41,
    selftest = 42,
    serialNumber = 43,
    configAddress = 44,
    configValue = 45,
    canData0 = 46,
    canData1 = 47,
    canTimestamp = 48,
    canId = 49,
    stepperAdjust = 50,
    systemPerformance = 51,
    ain1_2 = 67,
    writeFirst = 114,
    writeEnd = 169,
};
} // namespace SimReg
