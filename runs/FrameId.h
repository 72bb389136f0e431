#pragma once

// Index of a packet table of a run file in the frame catalogue; also the order
// in which a new file creates them and a loader reads them.
enum FrameId : int {
    FrameId_freq_1 = 0,
    FrameId_freq_2 = 1,
    FrameId_freq_3 = 2,
    FrameId_freq_4 = 3,
    FrameId_freq_5 = 4,
    FrameId_freq_6 = 5,
    FrameId_loadCell = 6,
    FrameId_loadCellV2 = 7,
    FrameId_accController = 8,
    FrameId_speedController = 9,
    FrameId_torqueController = 10,
    FrameId_ainController = 11,
    FrameId_accControllerSP = 12,
    FrameId_speedControllerSP = 13,
    FrameId_torqueControllerSP = 14,
    FrameId_ainControllerSP = 15,
    FrameId_pidDetails = 16,
    FrameId_pidDetailsV2 = 17,
    FrameId_ain = 18,
    FrameId_ain_2 = 19,
    FrameId_hpAin = 20,
    FrameId_ambient = 21,
    FrameId_obd = 22,
    FrameId_can = 23,
    FrameId_channel = 24,
    FrameId_audio_1 = 25,
    FrameId_audio_2 = 26,
    FrameId_serialInputChannel = 27,
    FrameId_modbus = 28,
    FrameId_udsInputChannel = 29,
    FrameIdCount = 30
};
