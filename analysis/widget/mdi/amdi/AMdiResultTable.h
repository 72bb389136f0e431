#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis result table is built.
class AMdiResultTable : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiResultTable(AbstractMdi* desktop);
};
