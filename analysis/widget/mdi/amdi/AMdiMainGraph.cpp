#include "AMdiMainGraph.h"

AMdiMainGraph::AMdiMainGraph(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("Main graph"))
{
}
