#include "AMdiResultTable.h"

AMdiResultTable::AMdiResultTable(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("Result table"))
{
}
