#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis main graph is built.
class AMdiMainGraph : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiMainGraph(AbstractMdi* desktop);
};
