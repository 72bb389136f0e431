#pragma once

#include "lib/FieldBusEnums.h"

#include <QString>

// The settings of one serial instrument, as "serialInputDevices.xml" stores
// them and the device dialog edits them. The serial settings hold the numbers
// of QSerialPort's enumerations.
struct SerialInputDeviceSetup {
    QString name;
    QString serialPort;
    qint32 baudrate = 9600;
    qint32 dataBits = 8;
    qint32 parity = 0;
    qint32 stopBits = 1;
    qint32 flowControl = 0;
    QString initCommands;
    double initResponseWaitTime = 1.0;
    double dataResponseWaitTime = 0.1;
    NewLineType newLineType = NewLineType_CR;
    bool removeReplySpaces = false;
    bool removeReplyEcho = false;
    ReplyFormat replyFormat = ReplyFormat_textDecimal;
    CommandFormat commandFormat = CommandFormat_text;
};
