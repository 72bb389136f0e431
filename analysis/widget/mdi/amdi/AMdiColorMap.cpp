#include "AMdiColorMap.h"

AMdiColorMap::AMdiColorMap(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("Color map"))
{
}
