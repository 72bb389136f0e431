#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis color map is built.
class AMdiColorMap : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiColorMap(AbstractMdi* desktop);
};
