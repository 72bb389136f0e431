#include "AMdiUserGraph.h"

AMdiUserGraph::AMdiUserGraph(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("User graph"))
{
}
