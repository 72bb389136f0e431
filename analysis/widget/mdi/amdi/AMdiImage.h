#pragma once

#include "AMdiStandIn.h"

// STAND-IN with its final name until the analysis image is built.
class AMdiImage : public AMdiStandIn
{
    Q_OBJECT
public:
    explicit AMdiImage(AbstractMdi* desktop);
};
