#pragma once

// How often a diagnostic (UDS) channel is polled: group 0 every cycle, group n
// once in the cycles its name gives. Edited by record forms as a 32-bit field.

#include <QStringList>
#include <QtGlobal>

enum PriorityGroup : qint32 {
    PriorityGroup_0 = 0,
    PriorityGroup_1 = 1,
    PriorityGroup_2 = 2,
    PriorityGroup_3 = 3,
    PriorityGroup_4 = 4,
    PriorityGroup_5 = 5,
    PriorityGroup_10 = 6,
    PriorityGroup_20 = 7,
    PriorityGroup_50 = 8,
    PriorityGroup_100 = 9,
    PriorityGroup_200 = 10,
    PriorityGroup_500 = 11,
    PriorityGroup_1000 = 12
};

constexpr int PriorityGroupCount = 13;

// The group names in group order; the diagnostics layer's descriptor shows these.
inline QStringList priorityGroupNames()
{
    return {QStringLiteral("0/1"), QStringLiteral("1/1"), QStringLiteral("1/2"), QStringLiteral("1/3"),
            QStringLiteral("1/4"), QStringLiteral("1/5"), QStringLiteral("1/10"), QStringLiteral("1/20"),
            QStringLiteral("1/50"), QStringLiteral("1/100"), QStringLiteral("1/200"), QStringLiteral("1/500"),
            QStringLiteral("1/1000")};
}
