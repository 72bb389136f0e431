#pragma once

#include "ParameterContainerType.h"

#include <QVariant>

#include <functional>
#include <utility>

class Unit;

// An SI value together with the unit the operator chose to see it in.
using ValueWithUnit = std::pair<double, const Unit*>;

// The value a bound field had when its form row was added, and how to put it
// back.
struct ParameterBackup {
    void* target = nullptr;
    QVariant value;
    ParameterContainerType type = ParameterContainerType::Int;
    // Fields of types that live above the toolkit (channel setups, arguments,
    // triggers, channel names, game-pad bindings) write themselves back: the
    // row that binds one knows its type and sets this.
    std::function<void(const ParameterBackup&)> writeBack;
};
