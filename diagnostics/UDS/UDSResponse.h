#pragma once

#include <QMetaType>

// Outcome of one adapter request, and the status every UDS channel carries.
enum UDSResponse : int {
    NotSupported = -1,
    Ok = 0,
    NoData = 1,
    NegativeResponse = 2,
    TooShort = 3,
    UnableToConnect = 4,
    Stopped = 5,
    UnexpectedReply = 6
};

Q_DECLARE_METATYPE(UDSResponse)
