#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis user graph is built.
class AMdiUserGraph : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiUserGraph(AbstractMdi* desktop);
};
