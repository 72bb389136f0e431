#pragma once

#include <QMetaType>

// Direction of one logged transfer of an adapter or instrument.
enum class SerialCommDir { Tx, Rx };

Q_DECLARE_METATYPE(SerialCommDir)
