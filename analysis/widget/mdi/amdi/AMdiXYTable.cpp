#include "AMdiXYTable.h"

AMdiXYTable::AMdiXYTable(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("X-Y table"))
{
}
