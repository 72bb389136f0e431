#pragma once

// Enumerations of the field-bus inputs and outputs that record forms edit.
// A form binds an enumeration field by address and writes it as a 32-bit
// integer, so each one has a fixed 32-bit type; the field-bus layer uses these
// declarations for its records.

#include <QtGlobal>

enum Endianness : qint32 {
    Endianness_big = 0,
    Endianness_little = 1
};

enum Signedness : qint32 {
    Signedness_unsigned = 0,
    Signedness_signed = 1
};

// Line ending of a serial device.
enum NewLineType : qint32 {
    NewLineType_CR = 0,
    NewLineType_CRLF = 1,
    NewLineType_none = 2
};

// How a serial device answers.
enum ReplyFormat : qint32 {
    ReplyFormat_textDecimal = 0,
    ReplyFormat_textHexadecimal = 1,
    ReplyFormat_binaryBigEndian = 2,
    ReplyFormat_binaryLittleEndian = 3
};

// How commands are sent to a serial device.
enum CommandFormat : qint32 {
    CommandFormat_text = 0,
    CommandFormat_binaryHexadecimal = 1
};

// The Modbus function codes 0x01 to 0x06 a Modbus input may use.
enum ModbusFunctionCode : qint32 {
    ModbusFunctionCode_readCoils = 1,
    ModbusFunctionCode_readDiscreteInputs = 2,
    ModbusFunctionCode_readHoldingRegisters = 3,
    ModbusFunctionCode_readInputRegisters = 4,
    ModbusFunctionCode_writeSingleCoil = 5,
    ModbusFunctionCode_writeSingleRegister = 6
};
