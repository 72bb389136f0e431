#pragma once

#include "DynoMode.h"
#include "DynoRegister.h"

#include <QDebug>
#include <QMap>
#include <QString>

// Names of the registers and modes for debug output. Register names carry tab
// padding so that debug lines align; registers without a name print as
// "unknown register name".
extern const QMap<uint8_t, QString> theDynoRegisterMap;
extern const QMap<int32_t, QString> theDynoModeMap;

QDebug operator<<(QDebug debug, DynoRegister reg);
QDebug operator<<(QDebug debug, DynoMode mode);
