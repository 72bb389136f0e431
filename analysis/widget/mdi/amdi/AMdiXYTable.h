#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis XY table is built.
class AMdiXYTable : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiXYTable(AbstractMdi* desktop);
};
