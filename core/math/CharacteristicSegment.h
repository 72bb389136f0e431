#pragma once
// One straight stretch of a reduced characteristic: the point indices where it
// starts and ends and half of the largest signed deviation (point minus chord)
// of the points it replaces.

struct CharacteristicSegment
{
    int start = 0;
    int end = 0;
    double halfDeviation = 0.0;
};
