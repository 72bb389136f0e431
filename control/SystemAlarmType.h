#pragma once

#include <QMetaType>

// Alarms raised by the acquisition and the audio capture rather than by a
// channel's limits. Travels through queued signals as an int (the run thread
// lives below this layer), so any value may arrive.
enum SystemAlarmType : int {
    SystemAlarmType_none = 0,
    SystemAlarmType_freqSignalFault = 1,
    SystemAlarmType_loadCellClipping = 2,
    SystemAlarmType_audioInputClipping = 3,
};

Q_DECLARE_METATYPE(SystemAlarmType)
