#include "PriorityGroup.h"

const PriorityGroupDescriptor thePriorityGroupDescriptor;

PriorityGroupDescriptor::PriorityGroupDescriptor()
    : names {"0/1", "1/1", "1/2", "1/3", "1/4", "1/5", "1/10", "1/20", "1/50", "1/100", "1/200", "1/500", "1/1000"}
    , divisors {0, 1, 2, 3, 4, 5, 10, 20, 50, 100, 200, 500, 1000}
{
}
