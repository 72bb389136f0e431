#pragma once

#include <QMetaType>

// What a game-pad event reports.
enum GamepadEventType : int {
    GamepadEventType_none = 0,
    GamepadEventType_button = 1,
    GamepadEventType_axis = 2
};
Q_DECLARE_METATYPE(GamepadEventType)
