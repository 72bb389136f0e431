#pragma once

// The group enumeration lives in the toolkit so that record forms can edit it.
#include "lib/PriorityGroup.h"

#include <QList>
#include <QString>

// Names and divisors of the polling groups: group g is due every divisor-th
// step of the polling order. Group 0 ("0/1") is never polled.
class PriorityGroupDescriptor
{
public:
    PriorityGroupDescriptor();
    const QList<QString> names;
    const QList<int> divisors;
};

extern const PriorityGroupDescriptor thePriorityGroupDescriptor;
