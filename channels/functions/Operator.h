#pragma once

#include <QMetaType>
#include <QtGlobal>

// The operators of computed functions, numbered as the operator table's rows.
// Stored in functions.xml and run files by key, never by number.
enum Operator : qint32 {
    Operator_false = 0,
    Operator_assign = 1,
    Operator_add = 2,
    Operator_subtract = 3,
    Operator_multiply = 4,
    Operator_divide = 5,
    Operator_modulo = 6,
    Operator_equal = 7,
    Operator_notEqual = 8,
    Operator_greater = 9,
    Operator_less = 10,
    Operator_greaterOrEqual = 11,
    Operator_lessOrEqual = 12,
    Operator_not = 13,
    Operator_and = 14,
    Operator_or = 15,
    Operator_hysteresis = 16,
    Operator_timeHysteresis = 17,
    Operator_choose = 18,
    Operator_min = 19,
    Operator_max = 20,
    Operator_clamp = 21,
    Operator_toggle = 22,
    Operator_latchSR = 23,
    Operator_integrate = 24,
    Operator_differentiate = 25,
    Operator_pid = 26,
    Operator_pidUnipolar = 27,
    Operator_timeHysteresisTwoWay = 28,
    Operator_nanTo0 = 29,
    Operator_equation = 30
};

constexpr int OperatorCount = 31;
