#pragma once

#include <QList>
#include <QString>

// Index of a polling group, 0..12. Group 0 ("0/1") is never polled.
using PriorityGroup = int;

enum : int { PriorityGroupCount = 13 };

// Names and divisors of the polling groups: group g is due every divisor-th
// step of the polling order.
class PriorityGroupDescriptor
{
public:
    PriorityGroupDescriptor();
    const QList<QString> names;
    const QList<int> divisors;
};

extern const PriorityGroupDescriptor thePriorityGroupDescriptor;
