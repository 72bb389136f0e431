#pragma once

// The kinds of field a record form binds, backs up and writes back on Cancel.
// The numbers never change.
enum class ParameterContainerType : int {
    UnitPointer = 0,      // const Unit*
    Double = 1,           // double
    DoubleWithUnit = 2,   // ValueWithUnit: SI value and its chosen unit
    Bool = 3,             // bool
    Int = 4,              // 32-bit int, and every enumeration and Quantity field
    UInt32 = 5,           // quint32
    UInt64 = 6,           // quint64
    String = 7,           // QString
    ByteArray = 8,        // QByteArray
    ChannelSetup = 9,     // a whole ChannelSetup, copied
    Argument = 10,        // a whole Argument, copied
    TriggerSetup = 11,    // a Trigger, through its TriggerSetup value
    ChildChannelName = 12, // a user channel's name part
    EnumLabels = 13,      // QMap<int, QString> of enumeration or bit-field labels
    Color = 14,           // QColor
    KeySequence = 15,     // a QShortcut's key
    GamepadEvent = 16     // a game-pad binding, through its save string
};

constexpr int ParameterContainerTypeCount = 17;
